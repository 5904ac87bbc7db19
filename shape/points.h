// TPoints and TPointItem: a polygon's ordered point list, which tells its polygon of changes.
#pragma once

#include "framework/collection.h"
#include "framework/collection_item.h"
#include "platform/draw/point.h"

namespace kiv {

class TPolygon;
class TPoints;

// One point in its polygon's own pixel coordinates. Setting x or y to a new value tells the list.
class TPointItem : public TCollectionItem {
public:
    explicit TPointItem(TCollection& collection);

    int x() const { return m_point.X; }
    int y() const { return m_point.Y; }
    void SetX(int x);
    void SetY(int y);
    TPoint Point() const { return m_point; }
    // Sets both coordinates without telling the list (the list tells once for the whole change).
    void SetPointQuietly(TPoint point) { m_point = point; }

    // Copies another TPointItem's coordinates, quietly.
    void Assign(const TPersistent* source) override;

private:
    TPoints& Points() const;

    TPoint m_point;
};

// The list tells its polygon (when it has one) by repainting it and raising its OnChange with
// the list as the sender: when a point is created (before its coordinates are set), after an
// added point's coordinates are set, after a delete and after a coordinate change. Copying a
// whole list in therefore tells once per point created; clearing it tells nothing.
class TPoints : public TCollection {
public:
    // `polygon` may be null: a list that tells nobody (the undo copy).
    explicit TPoints(TPolygon* polygon);

    TPolygon* Polygon() const { return m_polygon; }
    TPointItem* Item(int index) const;
    // Appends the point (x, y).
    TPointItem* Add(int x, int y);
    using TCollection::Add;
    // Deletes the point at `index`; an index outside the list is ignored.
    void Delete(int index);

private:
    friend class TPointItem;
    void Notify();

    TPolygon* m_polygon;
};

}  // namespace kiv
