// TCanvas: drawing with a font, pen and brush on a device context.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "framework/event.h"
#include "framework/forms/brush.h"
#include "framework/forms/font.h"
#include "framework/forms/pen.h"
#include "framework/persistent.h"
#include "platform/draw/device_context.h"
#include "platform/draw/rect.h"

namespace kiv {

class TGraphic;

// A canvas draws on a device context it does not own: one handed to it (SetHandle, as a
// control's paint cycle does) or one a subclass makes on demand (CreateHandle). Like the
// VCL's, it selects its font, pen and brush into the context lazily: a tool is selected again
// only after it has changed or the context was replaced, so calls made straight on Handle()
// (SetBkMode, SetTextColor ...) hold until then. Selecting the font sets the text colour to
// Font.Color; selecting the brush sets the background colour and mode (OPAQUE for a solid
// brush, TRANSPARENT otherwise); selecting the pen sets the raster operation of its mode.
// UI thread only.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    // The context with every tool selected. Raises EInvalidOperation "Canvas does not allow
    // drawing" when there is none and CreateHandle makes none.
    platform::DeviceContext* Handle();
    // Replaces the context (nullptr detaches); the tools are selected again on next use.
    void SetHandle(platform::DeviceContext* dc);
    bool HandleAllocated() const { return m_handle != nullptr; }

    TFont* Font() const { return m_font.get(); }
    TPen* Pen() const { return m_pen.get(); }
    TBrush* Brush() const { return m_brush.get(); }
    void SetFont(const TFont* font) { m_font->Assign(font); }
    void SetPen(const TPen* pen) { m_pen->Assign(pen); }
    void SetBrush(const TBrush* brush) { m_brush->Assign(brush); }
    // The raster operation of CopyRect and Draw; SRCCOPY by default.
    std::uint32_t CopyMode() const { return m_copyMode; }
    void SetCopyMode(std::uint32_t rop) { m_copyMode = rop; }

    TPoint PenPos();
    void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(std::span<const TPoint> points);

    // Areas: FillRect and FrameRect use the brush; the shapes outline with the pen and fill
    // with the brush, with the device context's pixel rules.
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    // The part of the ellipse in the box from the radial through (x3, y3) counterclockwise to
    // the radial through (x4, y4): Arc outlines it with the pen, Pie also draws the two radii
    // and fills it with the brush (see DeviceContext::Arc and Pie).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(std::span<const TPoint> points);

    // Text in the font; the brush decides whether the cells are filled (solid) or not (clear).
    void TextOut(int x, int y, std::string_view text);
    // Text at (x, y) clipped to `rect`; a solid brush fills `rect` first.
    void TextRect(const TRect& rect, int x, int y, std::string_view text);
    TSize TextExtent(std::string_view text);
    int TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) { return TextExtent(text).cy; }

    // Graphics: Draw at the graphic's own size, StretchDraw into `rect`.
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    // Copies `sourceRect` of `source` into `dest` with CopyMode, scaling (nearest pixel) when
    // the sizes differ.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);

    // CLR_INVALID outside the drawable area.
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    // The drawable part in logical coordinates.
    TRect ClipRect();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Called when a context is needed and none is set; may SetHandle. The base does nothing.
    virtual void CreateHandle() {}
    // Called before the set context is used; may drop it (SetHandle(nullptr)) when it went
    // stale, so that CreateHandle makes a new one. The base does nothing.
    virtual void CheckHandle() {}
    // Called before the context is replaced or detached.
    virtual void HandleReleased() {}
    void Changing() { OnChanging(this); }
    void Changed() { OnChange(this); }

private:
    enum StateBit : unsigned { kFontValid = 1, kPenValid = 2, kBrushValid = 4 };

    // The context with the named tools selected; raises when there is none.
    platform::DeviceContext& Require(unsigned state);

    std::unique_ptr<TFont> m_font;
    std::unique_ptr<TPen> m_pen;
    std::unique_ptr<TBrush> m_brush;
    platform::DeviceContext* m_handle = nullptr;
    unsigned m_state = 0;
    std::uint32_t m_copyMode = platform::SRCCOPY;
};

}  // namespace kiv
