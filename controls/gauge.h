// TGauge: a windowless progress gauge (bar, pie or needle) with its percentage written over it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/forms/control_types.h"
#include "framework/forms/graphic_control.h"

namespace kiv {

class TCanvas;

enum class TGaugeKind : std::uint8_t { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
template <>
struct EnumInfo<TGaugeKind> {
    static constexpr std::array<std::string_view, 5> names{"gkText", "gkHorizontalBar",
                                                           "gkVerticalBar", "gkPie", "gkNeedle"};
};

// Shows Progress between MinValue and MaxValue. Paint composes the gauge off-screen: black,
// the kind drawn inside the paint rectangle (the client area, less a one-pixel black frame with
// bsSingle) and XORed in, then, with ShowText, the percentage ("%d%%") in Font written in
// white on black and XORed in as well, so that each text pixel shows the inverse of the colour
// under it; the result covers the whole control (csOpaque). With the paint rectangle's L, T,
// R, B and W = R - L + 1, H = B - T + 1:
//   gkText           BackColor only;
//   gkHorizontalBar  BackColor, then ForeColor over (L, T, F, H), F = W * percentage / 100;
//   gkVerticalBar    BackColor, then ForeColor over (L, H - F, W, H), F = H * percentage / 100
//                    and at most H - 1;
//   gkPie            Color, an ellipse in BackColor outlined in ForeColor, and a ForeColor slice
//                    from twelve o'clock clockwise by the percentage (the whole ellipse at 100);
//   gkNeedle         Color, the upper half of an ellipse twice the rectangle's height as a dial
//                    in BackColor, outlined and with its baseline in ForeColor, and a ForeColor
//                    needle from the baseline's middle, pointing left at 0 % and turning
//                    clockwise by half a turn at 100 %.
// The text stands at ((W - text width) / 2, (H - text height) / 2) from the control's corner,
// clipped to the paint rectangle.
//
// Setters do nothing for an unchanged value and otherwise repaint at once (Repaint: straight
// onto the screen), so that a long operation holding the UI thread shows each change. Progress
// is clamped into [MinValue, MaxValue] and repaints only when the whole percentage changes.
// Outside loading, MinValue above MaxValue or MaxValue below MinValue raises EInvalidOperation
// "Value must be between %d and %d" and changes nothing; while a design is read the values may
// come in any order. UI thread only.
class TGauge : public TGraphicControl {
public:
    explicit TGauge(TComponent* owner);
    ~TGauge() override;

    TColor BackColor() const { return m_backColor; }
    void SetBackColor(TColor color);
    TColor ForeColor() const { return m_foreColor; }
    void SetForeColor(TColor color);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style);
    TGaugeKind Kind() const { return m_kind; }
    void SetKind(TGaugeKind kind);
    std::int32_t MinValue() const { return m_minValue; }
    void SetMinValue(std::int32_t value);
    std::int32_t MaxValue() const { return m_maxValue; }
    void SetMaxValue(std::int32_t value);
    std::int32_t Progress() const { return m_progress; }
    void SetProgress(std::int32_t value);
    bool ShowText() const { return m_showText; }
    void SetShowText(bool showText);

    // (Progress - MinValue) * 100 / (MaxValue - MinValue), truncated; 0 when the two ends meet.
    int PercentDone() const;

protected:
    void Paint() override;

private:
    bool Loading() const;
    TRect PaintRect() const;
    void DrawKind(TCanvas& canvas, const TRect& r) const;
    void DrawPie(TCanvas& canvas, const TRect& r) const;
    void DrawNeedle(TCanvas& canvas, const TRect& r) const;

    TColor m_backColor = clWhite;
    TColor m_foreColor = clBlack;
    TBorderStyle m_borderStyle = TBorderStyle::bsSingle;
    TGaugeKind m_kind = TGaugeKind::gkHorizontalBar;
    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 100;
    std::int32_t m_progress = 0;
    bool m_showText = true;
};

}  // namespace kiv
