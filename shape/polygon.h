// TPolygon: a windowless control whose region is the polygon through its points, with a
// right-button point editor for designing shapes.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/event.h"
#include "shape/points.h"
#include "shape/region_shape.h"

namespace kiv {

class TBitmap;

// Draws its frame, the polygon through its points (with two or more), a handle at every point
// unless HidePoints, and, while DrawingEnabled and unless HideButtons, a column of five tool
// buttons at its right edge. While DrawingEnabled the right button edits the points: in the draw
// state a press on empty space appends a point, a press on a point moves it until the release
// (deletes it with Ctrl held); in the delete state a press on a point deletes it; a release over
// a tool button performs it (draw, delete, show or hide the points, clear, undo). Each change
// saves the list for undo first. 150 x 104 at first.
//
// A polygon is meant to have at most kMaxPoints points; with more, drawing tells the user once
// per count, and drawing and the region still use every point.
class TPolygon : public RegionShape {
public:
    static constexpr int kMaxPoints = 200;
    static constexpr int kToolCount = 5;
    // The value of the last rubber-band end while there is none.
    static constexpr int kNoBand = -1111;
    enum class EditState { Draw, Delete, Moving };

    explicit TPolygon(TComponent* owner);
    ~TPolygon() override;

    TPoints* Points() const { return m_points.get(); }
    // Copies `points` into the polygon's own list.
    void SetPoints(const TPoints* points);
    bool DrawingEnabled() const { return m_drawingEnabled; }
    void SetDrawingEnabled(bool enabled);
    bool HidePoints() const { return m_hidePoints; }
    void SetHidePoints(bool hide);
    bool HideButtons() const { return m_hideButtons; }
    // Hiding the buttons also forgets the button under the mouse and its hint.
    void SetHideButtons(bool hide);
    // Raised with the point list as the sender whenever the list tells of a change.
    const TNotifyEvent& OnChange() const { return m_onChange; }
    void SetOnChange(TNotifyEvent handler) { m_onChange = std::move(handler); }

    EditState State() const { return m_state; }
    // The tool button under the mouse, -1 for none.
    int HotButton() const { return m_hotButton; }
    // The caption of tool button `index` (0..kToolCount-1), as its hint shows it.
    std::string ToolCaption(int index) const;
    // The tool button at (x, y), -1 for none.
    int ToolAt(int x, int y) const;
    // The first point less than 4 pixels from (x, y) in both directions, -1 for none.
    int PointAt(int x, int y) const;
    // Performs tool button `index`.
    void PerformTool(int index);

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;

private:
    friend class TPoints;
    void PointsChanged(TPoints& points);
    void SaveUndo();
    void WarnAboutPoints();
    void DrawBand(TPoint end);
    void DrawTools();
    std::vector<TPoint> PointList() const;

    std::unique_ptr<TPoints> m_points;
    std::unique_ptr<TPoints> m_undo;
    std::array<std::unique_ptr<TBitmap>, kToolCount> m_tools;
    bool m_drawingEnabled = true;
    bool m_hidePoints = false;
    bool m_hideButtons = false;
    TNotifyEvent m_onChange;
    EditState m_state = EditState::Draw;
    int m_hotButton = -1;
    int m_movingPoint = -1;
    TPoint m_lastMouse;
    TPoint m_lastBand{kNoBand, kNoBand};
    int m_warnedCount = 0;
};

}  // namespace kiv
