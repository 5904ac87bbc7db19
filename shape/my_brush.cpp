// TMyBrush: its starting style and its design defaults.
#include "shape/my_brush.h"

#include "framework/class_registry.h"
#include "framework/forms/idents.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TMyBrush, TBrush>(
    "TMyBrush",
    {
        Prop("Color", &TBrush::Color, &TBrush::SetColor).Idents(ColorIdents()).Default(clWhite),
        Prop("Style", &TBrush::Style, &TBrush::SetStyle).Default(TBrushStyle::bsBDiagonal),
    });

}  // namespace

TMyBrush::TMyBrush() {
    SetStyle(TBrushStyle::bsBDiagonal);
}

}  // namespace kiv
