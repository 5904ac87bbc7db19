// ListScrollBar: thumb placement, hit testing and the classic look.
#include "framework/stdctrls/list_scroll_bar.h"

#include <algorithm>
#include <array>

#include "platform/draw/device_context.h"
#include "platform/draw/draw_edge.h"

namespace kiv {

namespace {

constexpr int kMinThumb = 8;

}  // namespace

void PaintArrowButton(platform::DeviceContext& dc, TRect r, bool up, bool enabled) {
    dc.FillSolidRect(r, clBtnFace);
    platform::DrawEdge(dc, r, platform::EDGE_RAISED, platform::BF_RECT);
    const int cx = r.Left + (r.Width() - 1) / 2;
    const int cy = r.Top + r.Height() / 2;
    // A solid triangle four rows high, its point the way the button goes.
    for (int i = 0; i < 4; ++i) {
        int y = up ? cy - 2 + i : cy + 1 - i;
        dc.FillSolidRect({cx - i, y, cx + i + 1, y + 1}, enabled ? clBtnText : clGrayText);
    }
}

ListScrollBar::ListScrollBar(const TRect& bounds, int total, int visible, int top)
    : m_bounds(bounds),
      m_visible(std::max(visible, 1)),
      m_maxTop(std::max(total - std::max(visible, 1), 0)),
      m_total(total) {
    m_top = std::clamp(top, 0, m_maxTop);
}

TRect ListScrollBar::UpButton() const {
    int side = std::min(kWidth, m_bounds.Height() / 2);
    return {m_bounds.Left, m_bounds.Top, m_bounds.Right, m_bounds.Top + side};
}

TRect ListScrollBar::DownButton() const {
    int side = std::min(kWidth, m_bounds.Height() / 2);
    return {m_bounds.Left, m_bounds.Bottom - side, m_bounds.Right, m_bounds.Bottom};
}

TRect ListScrollBar::Track() const {
    return {m_bounds.Left, UpButton().Bottom, m_bounds.Right, DownButton().Top};
}

int ListScrollBar::ThumbLength() const {
    const int track = Track().Height();
    if (m_total <= 0 || track < kMinThumb) return 0;
    return std::clamp(track * m_visible / std::max(m_total, 1), kMinThumb, track);
}

TRect ListScrollBar::Thumb() const {
    const int length = ThumbLength();
    if (length == 0 || m_maxTop == 0) return {};
    const TRect track = Track();
    const int offset = (track.Height() - length) * m_top / m_maxTop;
    return {track.Left, track.Top + offset, track.Right, track.Top + offset + length};
}

ListScrollBar::Part ListScrollBar::HitTest(TPoint p) const {
    if (!m_bounds.Contains(p)) return Part::None;
    if (UpButton().Contains(p)) return Part::LineUp;
    if (DownButton().Contains(p)) return Part::LineDown;
    const TRect thumb = Thumb();
    if (thumb.IsEmpty()) return Part::None;
    if (thumb.Contains(p)) return Part::Thumb;
    return p.Y < thumb.Top ? Part::PageUp : Part::PageDown;
}

int ListScrollBar::TopForThumbAt(int thumbTop) const {
    const TRect track = Track();
    const int room = track.Height() - ThumbLength();
    if (room <= 0 || m_maxTop == 0) return 0;
    const int offset = std::clamp(thumbTop - track.Top, 0, room);
    // Rounded to the nearest row, so that the thumb lands where it was dropped.
    return std::clamp((offset * m_maxTop + room / 2) / room, 0, m_maxTop);
}

void ListScrollBar::Paint(platform::DeviceContext& dc) const {
    dc.FillSolidRect(Track(), clScrollBar);
    PaintArrowButton(dc, UpButton(), true);
    PaintArrowButton(dc, DownButton(), false);
    TRect thumb = Thumb();
    if (thumb.IsEmpty()) return;
    dc.FillSolidRect(thumb, clBtnFace);
    platform::DrawEdge(dc, thumb, platform::EDGE_RAISED, platform::BF_RECT);
}

}  // namespace kiv
