// TCanvas: lazy tool selection and the drawing calls on a device context.
#include "framework/forms/canvas.h"

#include <QImage>
#include <cstdlib>

#include "framework/forms/errors.h"
#include "framework/forms/graphic.h"
#include "platform/draw/dc_state_guard.h"
#include "platform/draw/draw_text.h"

namespace kiv {

using platform::DeviceContext;

TCanvas::TCanvas()
    : m_font(std::make_unique<TFont>()),
      m_pen(std::make_unique<TPen>()),
      m_brush(std::make_unique<TBrush>()) {
    m_font->OnChange = [this](TObject*) { m_state &= ~unsigned(kFontValid); };
    m_pen->OnChange = [this](TObject*) { m_state &= ~unsigned(kPenValid); };
    m_brush->OnChange = [this](TObject*) { m_state &= ~unsigned(kBrushValid); };
}

TCanvas::~TCanvas() = default;

void TCanvas::SetHandle(DeviceContext* dc) {
    if (dc == m_handle) return;
    if (m_handle) HandleReleased();
    m_handle = dc;
    m_state = 0;
}

DeviceContext& TCanvas::Require(unsigned state) {
    if (m_handle) CheckHandle();
    if (!m_handle) CreateHandle();
    if (!m_handle) throw EInvalidOperation("Canvas does not allow drawing");
    DeviceContext& dc = *m_handle;
    unsigned missing = state & ~m_state;
    if (missing & kFontValid) {
        dc.SelectFont(m_font->Handle());
        dc.SetTextColor(ColorToRGB(m_font->Color()));
    }
    if (missing & kPenValid) {
        dc.SelectPen(m_pen->Handle());
        dc.SetROP2(m_pen->Rop2());
    }
    if (missing & kBrushValid) {
        dc.SelectBrush(m_brush->Handle());
        if (m_brush->Style() == TBrushStyle::bsSolid) {
            dc.SetBkColor(ColorToRGB(m_brush->Color()));
            dc.SetBkMode(platform::OPAQUE);
        } else {
            dc.SetBkColor(~ColorToRGB(m_brush->Color()) & 0xFFFFFF);
            dc.SetBkMode(platform::TRANSPARENT);
        }
    }
    m_state |= missing;
    return dc;
}

DeviceContext* TCanvas::Handle() {
    return &Require(kFontValid | kPenValid | kBrushValid);
}

TPoint TCanvas::PenPos() {
    return Require(0).GetCurrentPositionEx();
}

void TCanvas::MoveTo(int x, int y) {
    Require(0).MoveToEx(x, y);
}

void TCanvas::LineTo(int x, int y) {
    DeviceContext& dc = Require(kPenValid | kBrushValid);
    Changing();
    dc.LineTo(x, y);
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    DeviceContext& dc = Require(kPenValid | kBrushValid);
    Changing();
    dc.Polyline(points);
    Changed();
}

void TCanvas::FillRect(const TRect& rect) {
    DeviceContext& dc = Require(kBrushValid);
    Changing();
    dc.FillRect(rect, m_brush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
    DeviceContext& dc = Require(kBrushValid);
    Changing();
    dc.FrameRect(rect, m_brush->Handle());
    Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    DeviceContext& dc = Require(kPenValid | kBrushValid);
    Changing();
    dc.Rectangle(left, top, right, bottom);
    Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    DeviceContext& dc = Require(kPenValid | kBrushValid);
    Changing();
    dc.Ellipse(left, top, right, bottom);
    Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DeviceContext& dc = Require(kPenValid | kBrushValid);
    Changing();
    dc.Arc(x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DeviceContext& dc = Require(kPenValid | kBrushValid);
    Changing();
    dc.Pie(x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points) {
    DeviceContext& dc = Require(kPenValid | kBrushValid);
    Changing();
    dc.Polygon(points);
    Changed();
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    DeviceContext& dc = Require(kFontValid | kBrushValid);
    Changing();
    platform::TextOut(dc, x, y, text);
    dc.MoveToEx(x + platform::GetTextExtentPoint(dc, text).cx, y);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
    DeviceContext& dc = Require(kFontValid | kBrushValid);
    Changing();
    {
        platform::DcStateGuard guard(dc);
        if (m_brush->Style() == TBrushStyle::bsSolid) dc.FillRect(rect, m_brush->Handle());
        dc.IntersectClipRect(rect);
        // The cells were filled with the rectangle already; the text must not fill beyond it.
        dc.SetBkMode(platform::TRANSPARENT);
        platform::TextOut(dc, x, y, text);
    }
    Changed();
}

TSize TCanvas::TextExtent(std::string_view text) {
    return platform::GetTextExtentPoint(Require(kFontValid), text);
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(*this, TRect(x, y, x + graphic->Width(), y + graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
    DeviceContext& dc = Require(kBrushValid);
    DeviceContext& src = source.Require(0);
    TRect d = dest.Normalized();
    TRect s = sourceRect.Normalized();
    if (d.IsEmpty() || s.IsEmpty()) return;
    Changing();
    if (d.Size() == s.Size()) {
        dc.BitBlt(d.Left, d.Top, d.Width(), d.Height(), &src, s.Left, s.Top, m_copyMode);
    } else {
        TRect device = src.LPtoDP(s);
        QImage part =
            src.Image()
                .copy(device.Left, device.Top, device.Width(), device.Height())
                .scaled(d.Width(), d.Height(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .convertToFormat(QImage::Format_RGB32);
        if (part.isNull()) throw EOutOfResources("Out of memory while scaling a picture");
        DeviceContext scaled(part);
        dc.BitBlt(d.Left, d.Top, d.Width(), d.Height(), &scaled, 0, 0, m_copyMode);
    }
    Changed();
}

TColor TCanvas::Pixels(int x, int y) {
    return Require(0).GetPixel(x, y);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
    DeviceContext& dc = Require(0);
    Changing();
    dc.SetPixel(x, y, color);
    Changed();
}

TRect TCanvas::ClipRect() {
    return Require(0).GetClipBox();
}

}  // namespace kiv
