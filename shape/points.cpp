// TPoints and TPointItem: coordinates, the list's operations and its notices to the polygon.
#include "shape/points.h"

#include "framework/class_registry.h"
#include "shape/polygon.h"

namespace kiv {

namespace {

const bool registered =
    RegisterClass<TPointItem, TCollectionItem>("TPointItem",
                                               {
                                                   Prop("x", &TPointItem::x, &TPointItem::SetX),
                                                   Prop("y", &TPointItem::y, &TPointItem::SetY),
                                               }) &&
    RegisterClass<TPoints, TCollection>("TPoints");

}  // namespace

TPointItem::TPointItem(TCollection& collection) : TCollectionItem(collection) {
    Points().Notify();
}

TPoints& TPointItem::Points() const {
    return static_cast<TPoints&>(*Collection());
}

void TPointItem::SetX(int x) {
    if (x == m_point.X) return;
    m_point.X = x;
    Points().Notify();
}

void TPointItem::SetY(int y) {
    if (y == m_point.Y) return;
    m_point.Y = y;
    Points().Notify();
}

void TPointItem::Assign(const TPersistent* source) {
    if (const auto* item = dynamic_cast<const TPointItem*>(source)) {
        m_point = item->m_point;
        return;
    }
    TCollectionItem::Assign(source);
}

TPoints::TPoints(TPolygon* polygon)
    : TCollection(polygon, TCollection::ItemClass<TPointItem>()), m_polygon(polygon) {}

TPointItem* TPoints::Item(int index) const {
    return static_cast<TPointItem*>(Items(index));
}

TPointItem* TPoints::Add(int x, int y) {
    auto* item = static_cast<TPointItem*>(TCollection::Add());
    item->SetPointQuietly({x, y});
    Notify();
    return item;
}

void TPoints::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    TCollection::Delete(index);
    Notify();
}

void TPoints::Notify() {
    if (m_polygon) m_polygon->PointsChanged(*this);
}

}  // namespace kiv
