// ListScrollBar: the geometry and hit testing of a list's vertical scroll bar.
#pragma once

#include "platform/draw/rect.h"

namespace kiv {

namespace platform {
class DeviceContext;
}

// A classic vertical scroll bar in `bounds` (its arrow buttons are square, as wide as the bar)
// for a list of `total` rows of which `visible` fit and `top` is the first shown. Positions
// are 0 ... total - visible. The thumb is left out when the track is too short to hold one.
class ListScrollBar {
public:
    enum class Part { None, LineUp, LineDown, PageUp, PageDown, Thumb };

    static constexpr int kWidth = 16;

    ListScrollBar(const TRect& bounds, int total, int visible, int top);

    int MaxTop() const { return m_maxTop; }
    TRect UpButton() const;
    TRect DownButton() const;
    // Empty when there is no thumb.
    TRect Thumb() const;
    Part HitTest(TPoint p) const;
    // The first row when the thumb's top edge is dragged to `thumbTop`, within 0 ... MaxTop().
    int TopForThumbAt(int thumbTop) const;

    void Paint(platform::DeviceContext& dc) const;

private:
    TRect Track() const;
    int ThumbLength() const;

    TRect m_bounds;
    int m_visible;
    int m_top;
    int m_maxTop;
    int m_total;
};

// A raised button face in `r` with a small solid triangle pointing up or down, as scroll bars
// and drop-down boxes show.
void PaintArrowButton(platform::DeviceContext& dc, TRect r, bool up, bool enabled = true);

}  // namespace kiv
