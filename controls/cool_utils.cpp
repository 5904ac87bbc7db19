// Shadowed text, the parent's background behind a control, and tiled bitmaps.
#include "controls/cool_utils.h"

#include <QImage>
#include <algorithm>

#include "framework/forms/bitmap.h"
#include "framework/forms/win_control.h"
#include "platform/draw/dc_state_guard.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"

namespace kiv {

using platform::DcStateGuard;
using platform::DeviceContext;

void DrawTextWithShadow(DeviceContext& dc, TRect& rect, TShadowPosition position,
                        std::string_view text, unsigned format, TColor textColor,
                        TColor shadowColor, std::uint8_t size) {
    TRect shadow = rect;
    const int s = size;
    switch (position) {
        case TShadowPosition::spLeftTop:
            rect.Offset(s, s);
            break;
        case TShadowPosition::spLeftBottom:
            rect.Offset(s, 0);
            shadow.Offset(0, s);
            break;
        case TShadowPosition::spRightBottom:
            shadow.Offset(s, s);
            break;
        case TShadowPosition::spRightTop:
            rect.Offset(0, s);
            shadow.Offset(s, 0);
            break;
    }
    // Without an offset over a transparent background the text pass covers exactly the shadow
    // pass's pixels, and measuring takes the text pass's extent: the shadow pass would change
    // nothing.
    const bool hidden = shadow == rect && dc.GetBkMode() == platform::TRANSPARENT;
    if (!hidden) {
        dc.SetTextColor(ColorToRGB(shadowColor));
        platform::DrawText(dc, text, shadow, format);
    }
    dc.SetBkMode(platform::TRANSPARENT);
    dc.SetTextColor(ColorToRGB(textColor));
    platform::DrawText(dc, text, rect, format);
}

void PaintParentBackground(TWinControl* control, DeviceContext& dc) {
    if (!control || !control->Parent()) return;
    TWinControl& parent = *control->Parent();
    DcStateGuard guard(dc);
    const TPoint at = control->ClientOrigin() - parent.ClientOrigin();
    dc.OffsetWindowOrgEx(at.X, at.Y);
    parent.Perform(WM_ERASEBKGND, DCParam(dc), 0);
    parent.PaintControls(dc);
}

void PaintParentBackgroundClipped(TWinControl* control, DeviceContext& dc, const TRect& rect) {
    DcStateGuard guard(dc);
    const QRegion region = platform::RegionFromRect(dc.LPtoDP(rect));
    dc.SelectClipRgn(&region);
    PaintParentBackground(control, dc);
}

void DrawTiledBitmap(DeviceContext& dc, const TBitmap& bitmap, const TRect& rect, std::uint32_t rop,
                     bool tile) {
    if (bitmap.Empty()) return;
    // A shared copy of the pixels: the source context only reads them.
    QImage pixels = bitmap.Image();
    const DeviceContext source(pixels);
    if (!tile) {
        dc.BitBlt(rect.Left, rect.Top, rect.Width(), rect.Height(), &source, rect.Left, rect.Top,
                  rop);
        return;
    }
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    for (int y = rect.Top; y < rect.Bottom; y += h) {
        for (int x = rect.Left; x < rect.Right; x += w) {
            // Copies reaching past the bitmap would only leave those pixels for the next ones.
            dc.BitBlt(x, y, std::min(w, rect.Right - x), std::min(h, rect.Bottom - y), &source, 0,
                      0, rop);
        }
    }
}

unsigned AlignmentFlag(TAlignment alignment) {
    switch (alignment) {
        case TAlignment::taRightJustify:
            return platform::DT_RIGHT;
        case TAlignment::taCenter:
            return platform::DT_CENTER;
        case TAlignment::taLeftJustify:
            break;
    }
    return platform::DT_LEFT;
}

}  // namespace kiv
