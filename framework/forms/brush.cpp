// TBrush: values, conversion to the device context's brush, registration.
#include "framework/forms/brush.h"

#include "framework/class_registry.h"
#include "framework/forms/idents.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TBrush, TPersistent>(
    "TBrush",
    {
        Prop("Color", &TBrush::Color, &TBrush::SetColor).Idents(ColorIdents()).Default(clWhite),
        Prop("Style", &TBrush::Style, &TBrush::SetStyle).Default(TBrushStyle::bsSolid),
    });

}  // namespace

void TBrush::Assign(const TPersistent* source) {
    if (const auto* brush = dynamic_cast<const TBrush*>(source)) {
        if (brush->m_color == m_color && brush->m_style == m_style) return;
        m_color = brush->m_color;
        m_style = brush->m_style;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TBrush::SetColor(TColor color) {
    if (color == m_color) return;
    m_color = color;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == m_style) return;
    m_style = style;
    Changed();
}

platform::Brush TBrush::Handle() const {
    switch (m_style) {
        case TBrushStyle::bsSolid:
            return platform::Brush::Solid(m_color);
        case TBrushStyle::bsClear:
            return platform::Brush::Clear();
        case TBrushStyle::bsHorizontal:
            return platform::Brush::Hatched(platform::HS_HORIZONTAL, m_color);
        case TBrushStyle::bsVertical:
            return platform::Brush::Hatched(platform::HS_VERTICAL, m_color);
        case TBrushStyle::bsFDiagonal:
            return platform::Brush::Hatched(platform::HS_FDIAGONAL, m_color);
        case TBrushStyle::bsBDiagonal:
            return platform::Brush::Hatched(platform::HS_BDIAGONAL, m_color);
        case TBrushStyle::bsCross:
            return platform::Brush::Hatched(platform::HS_CROSS, m_color);
        case TBrushStyle::bsDiagCross:
            return platform::Brush::Hatched(platform::HS_DIAGCROSS, m_color);
    }
    return platform::Brush::Solid(m_color);
}

}  // namespace kiv
