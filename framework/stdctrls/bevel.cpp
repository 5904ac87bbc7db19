// TBevel: the outline and line shapes in the button shadow and highlight colours.
#include "framework/stdctrls/bevel.h"

#include <array>

#include "framework/class_registry.h"
#include "framework/forms/canvas.h"

namespace kiv {

namespace {

// The box rule: first colour up the left side and along the top, second colour down the right
// side and back along the bottom.
void BevelRect(TCanvas& canvas, const TRect& r, TColor first, TColor second) {
    const std::array<TPoint, 3> upper{TPoint(r.Left, r.Bottom), TPoint(r.Left, r.Top),
                                      TPoint(r.Right, r.Top)};
    const std::array<TPoint, 3> lower{TPoint(r.Right, r.Top), TPoint(r.Right, r.Bottom),
                                      TPoint(r.Left, r.Bottom)};
    canvas.Pen()->SetColor(first);
    canvas.Polyline(upper);
    canvas.Pen()->SetColor(second);
    canvas.Polyline(lower);
}

void BevelLine(TCanvas& canvas, TColor color, int x1, int y1, int x2, int y2) {
    canvas.Pen()->SetColor(color);
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

}  // namespace

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(Left(), Top(), 50, 50);
}

TBevel::~TBevel() = default;

void TBevel::SetShape(TBevelShape shape) {
    if (shape == m_shape) return;
    m_shape = shape;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
    if (style == m_style) return;
    m_style = style;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas& canvas = *Canvas();
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetStyle(TPenStyle::psSolid);
    canvas.Pen()->SetMode(TPenMode::pmCopy);
    TColor first = clBtnShadow;
    TColor second = clBtnHighlight;
    if (m_style == TBevelStyle::bsRaised) std::swap(first, second);
    const int w = Width();
    const int h = Height();
    switch (m_shape) {
        case TBevelShape::bsBox:
            BevelRect(canvas, {0, 0, w - 1, h - 1}, first, second);
            break;
        case TBevelShape::bsFrame:
            BevelRect(canvas, {1, 1, w - 1, h - 1}, second, second);
            BevelRect(canvas, {0, 0, w - 2, h - 2}, first, first);
            break;
        case TBevelShape::bsTopLine:
            BevelLine(canvas, first, 0, 0, w, 0);
            BevelLine(canvas, second, 0, 1, w, 1);
            break;
        case TBevelShape::bsBottomLine:
            BevelLine(canvas, first, 0, h - 2, w, h - 2);
            BevelLine(canvas, second, 0, h - 1, w, h - 1);
            break;
        case TBevelShape::bsLeftLine:
            BevelLine(canvas, first, 0, 0, 0, h);
            BevelLine(canvas, second, 1, 0, 1, h);
            break;
        case TBevelShape::bsRightLine:
            BevelLine(canvas, first, w - 2, 0, w - 2, h);
            BevelLine(canvas, second, w - 1, 0, w - 1, h);
            break;
        case TBevelShape::bsSpacer:
            break;
    }
}

namespace {
const bool registered = RegisterClass<TBevel, TGraphicControl>(
    "TBevel", {
                  Prop("Shape", &TBevel::Shape, &TBevel::SetShape).Default(TBevelShape::bsBox),
                  Prop("Style", &TBevel::Style, &TBevel::SetStyle).Default(TBevelStyle::bsLowered),
              });
}  // namespace

}  // namespace kiv
