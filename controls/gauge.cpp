// TGauge: the value rules and the composition of bar, pie, needle and percentage.
#include "controls/gauge.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "controls/blt_bitmap.h"
#include "framework/class_registry.h"
#include "framework/forms/canvas.h"
#include "framework/forms/errors.h"
#include "framework/forms/font.h"
#include "framework/forms/idents.h"
#include "platform/draw/dc_state_guard.h"

namespace kiv {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A point far out from (cx, cy) in the direction `angle` (counterclockwise from three o'clock,
// as the screen shows it): a radial for Pie that keeps its direction after rounding.
TPoint Radial(double cx, double cy, double angle) {
    constexpr double kReach = 1 << 20;
    return {int(std::lround(cx + kReach * std::cos(angle))),
            int(std::lround(cy - kReach * std::sin(angle)))};
}

void SetTools(TCanvas& canvas, TColor brush, TColor pen) {
    canvas.Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas.Brush()->SetColor(brush);
    canvas.Pen()->SetStyle(TPenStyle::psSolid);
    canvas.Pen()->SetMode(TPenMode::pmCopy);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetColor(pen);
}

void Fill(TCanvas& canvas, const TRect& r, TColor color) {
    canvas.Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas.Brush()->SetColor(color);
    canvas.FillRect(r);
}

[[noreturn]] void RangeError(std::int64_t low, std::int64_t high) {
    throw EInvalidOperation(FormatMessage("Value must be between %d and %d", low, high));
}

}  // namespace

TGauge::TGauge(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle().Include(TControlStyleItem::csOpaque));
    SetBounds(Left(), Top(), 100, 100);
}

TGauge::~TGauge() = default;

bool TGauge::Loading() const {
    return ComponentState().Contains(TComponentStateItem::csLoading);
}

int TGauge::PercentDone() const {
    if (m_maxValue == m_minValue) return 0;
    const double done =
        (double(m_progress) - m_minValue) * 100.0 / (double(m_maxValue) - double(m_minValue));
    return int(std::trunc(done));
}

void TGauge::SetBackColor(TColor color) {
    if (color == m_backColor) return;
    m_backColor = color;
    Repaint();
}

void TGauge::SetForeColor(TColor color) {
    if (color == m_foreColor) return;
    m_foreColor = color;
    Repaint();
}

void TGauge::SetBorderStyle(TBorderStyle style) {
    if (style == m_borderStyle) return;
    m_borderStyle = style;
    Repaint();
}

void TGauge::SetKind(TGaugeKind kind) {
    if (kind == m_kind) return;
    m_kind = kind;
    Repaint();
}

void TGauge::SetShowText(bool showText) {
    if (showText == m_showText) return;
    m_showText = showText;
    Repaint();
}

void TGauge::SetMinValue(std::int32_t value) {
    if (value == m_minValue) return;
    if (value > m_maxValue && !Loading()) RangeError(-2147483647, std::int64_t(m_maxValue) - 1);
    m_minValue = value;
    if (m_progress < value) m_progress = value;
    Repaint();
}

void TGauge::SetMaxValue(std::int32_t value) {
    if (value == m_maxValue) return;
    if (value < m_minValue && !Loading()) RangeError(std::int64_t(m_minValue) + 1, 2147483647);
    m_maxValue = value;
    if (m_progress > value) m_progress = value;
    Repaint();
}

void TGauge::SetProgress(std::int32_t value) {
    // Not std::clamp: while a design is read the ends may be crossed.
    if (value < m_minValue) value = m_minValue;
    if (value > m_maxValue) value = m_maxValue;
    if (value == m_progress) return;
    const int before = PercentDone();
    m_progress = value;
    if (PercentDone() != before) Repaint();
}

TRect TGauge::PaintRect() const {
    TRect r = ClientRect();
    if (m_borderStyle == TBorderStyle::bsSingle) r.Inflate(-1, -1);
    return r;
}

void TGauge::Paint() {
    TBitmap size;
    size.SetSize(Width(), Height());
    TBltBitmap image;
    image.MakeLike(size);
    Fill(*image.Canvas(), ClientRect(), clBlack);
    const TRect r = PaintRect();

    TBltBitmap overlay;
    overlay.MakeLike(image);
    Fill(*overlay.Canvas(), ClientRect(), clBlack);
    {
        platform::DcStateGuard guard(*overlay.Canvas()->Handle());
        overlay.Canvas()->Handle()->IntersectClipRect(r);
        DrawKind(*overlay.Canvas(), r);
    }
    image.Canvas()->Handle()->BitBlt(0, 0, Width(), Height(), overlay.Canvas()->Handle(), 0, 0,
                                     platform::SRCINVERT);

    if (m_showText) {
        TBltBitmap text;
        text.MakeLike(image);
        TCanvas& canvas = *text.Canvas();
        Fill(canvas, ClientRect(), clBlack);
        canvas.Font()->Assign(Font());
        canvas.Font()->SetColor(clWhite);
        canvas.Brush()->SetStyle(TBrushStyle::bsClear);
        const std::string percent = FormatMessage("%d%%", PercentDone());
        const TSize extent = canvas.TextExtent(percent);
        canvas.TextRect(r, (r.Right - r.Left + 1 - extent.cx) / 2,
                        (r.Bottom - r.Top + 1 - extent.cy) / 2, percent);
        image.Canvas()->Handle()->BitBlt(0, 0, Width(), Height(), canvas.Handle(), 0, 0,
                                         platform::SRCINVERT);
    }
    Canvas()->Draw(0, 0, &image);
}

void TGauge::DrawKind(TCanvas& canvas, const TRect& r) const {
    const int w = r.Right - r.Left + 1;
    const int h = r.Bottom - r.Top + 1;
    const double share = PercentDone() * 0.01;
    switch (m_kind) {
        case TGaugeKind::gkText:
            Fill(canvas, r, m_backColor);
            break;
        case TGaugeKind::gkHorizontalBar: {
            Fill(canvas, r, m_backColor);
            int fill = int(std::trunc(w * share));
            if (fill > w) fill = w;
            // The right edge is the fill width itself, not L + width: so the bar's last column
            // is column F - 1, whatever the frame.
            if (fill > 0) Fill(canvas, {r.Left, r.Top, fill, h}, m_foreColor);
            break;
        }
        case TGaugeKind::gkVerticalBar: {
            Fill(canvas, r, m_backColor);
            int fill = int(std::trunc(h * share));
            if (fill >= h) fill = h - 1;
            if (fill > 0) Fill(canvas, {r.Left, h - fill, w, h}, m_foreColor);
            break;
        }
        case TGaugeKind::gkPie:
            DrawPie(canvas, r);
            break;
        case TGaugeKind::gkNeedle:
            DrawNeedle(canvas, r);
            break;
    }
}

void TGauge::DrawPie(TCanvas& canvas, const TRect& r) const {
    Fill(canvas, r, Color());
    SetTools(canvas, m_backColor, m_foreColor);
    canvas.Ellipse(r);
    const int percent = PercentDone();
    if (percent <= 0) return;
    SetTools(canvas, m_foreColor, m_foreColor);
    if (percent >= 100) {
        canvas.Ellipse(r);
        return;
    }
    // Pie runs counterclockwise from its first radial to its second: from the slice's end back
    // to twelve o'clock.
    const double cx = (r.Left + r.Right) / 2.0;
    const double cy = (r.Top + r.Bottom) / 2.0;
    const TPoint end = Radial(cx, cy, kPi / 2 - 2 * kPi * percent / 100.0);
    const TPoint top = Radial(cx, cy, kPi / 2);
    canvas.Pie(r.Left, r.Top, r.Right, r.Bottom, end.X, end.Y, top.X, top.Y);
}

void TGauge::DrawNeedle(TCanvas& canvas, const TRect& r) const {
    Fill(canvas, r, Color());
    SetTools(canvas, m_backColor, m_foreColor);
    // The dial is the upper half of an ellipse centred on the bottom edge.
    const int base = r.Bottom - 1;
    canvas.Pie(r.Left, r.Top, r.Right, 2 * r.Bottom - r.Top, r.Right, r.Bottom, r.Left, r.Bottom);
    canvas.MoveTo(r.Left, base);
    canvas.LineTo(r.Right, base);
    const int percent = PercentDone();
    if (percent <= 0) return;
    const double cx = (r.Left + r.Right - 1) / 2.0;
    const double angle = kPi * (1 - percent / 100.0);
    const double reachX = (r.Right - r.Left - 1) / 2.0;
    const double reachY = r.Bottom - r.Top - 1;
    canvas.MoveTo(int(std::lround(cx)), base);
    canvas.LineTo(int(std::lround(cx + reachX * std::cos(angle))),
                  int(std::lround(base - reachY * std::sin(angle))));
}

namespace {
const bool registered = RegisterClass<TGauge, TGraphicControl>(
    "TGauge",
    {
        Prop("BackColor", &TGauge::BackColor, &TGauge::SetBackColor)
            .Idents(ColorIdents())
            .Default(clWhite),
        Prop("BorderStyle", &TGauge::BorderStyle, &TGauge::SetBorderStyle)
            .Default(TBorderStyle::bsSingle),
        Prop("ForeColor", &TGauge::ForeColor, &TGauge::SetForeColor)
            .Idents(ColorIdents())
            .Default(clBlack),
        Prop("Kind", &TGauge::Kind, &TGauge::SetKind).Default(TGaugeKind::gkHorizontalBar),
        Prop("MinValue", &TGauge::MinValue, &TGauge::SetMinValue).Default(0),
        Prop("MaxValue", &TGauge::MaxValue, &TGauge::SetMaxValue).Default(100),
        Prop("Progress", &TGauge::Progress, &TGauge::SetProgress).Default(0),
        Prop("ShowText", &TGauge::ShowText, &TGauge::SetShowText).Default(true),
    });
}  // namespace

}  // namespace kiv
