// RegionShape: tools, the colour of the combine mode and the outline rectangle.
#include "shape/region_shape.h"

#include "framework/class_registry.h"
#include "framework/forms/canvas.h"
#include "framework/forms/pen.h"
#include "shape/my_brush.h"

namespace kiv {

namespace {

// No published properties of its own: each shape lists its own in its own order.
const bool registered = RegisterClass<RegionShape, TGraphicControl>("RegionShape");

TColor ModeColour(TCombineMode mode) {
    switch (mode) {
        case TCombineMode::cmAnd:
            return clRed;
        case TCombineMode::cmDifference:
            return clSilver;
        case TCombineMode::cmXOR:
            return clGray;
        case TCombineMode::cmCopy:
        case TCombineMode::cmOR:
            break;
    }
    return clWhite;
}

}  // namespace

RegionShape::RegionShape(TComponent* owner)
    : TGraphicControl(owner),
      m_brush(std::make_unique<TMyBrush>()),
      m_pen(std::make_unique<TPen>()) {
    m_brush->OnChange = [this](TObject*) { Invalidate(); };
    m_pen->OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(Left(), Top(), 65, 65);
}

RegionShape::~RegionShape() {
    m_brush->OnChange = {};
    m_pen->OnChange = {};
}

void RegionShape::SetBrush(const TBrush* brush) {
    m_brush->Assign(brush);
}

void RegionShape::SetPen(const TPen* pen) {
    m_pen->Assign(pen);
}

void RegionShape::SetCombineMode(TCombineMode mode) {
    if (mode == m_combineMode) return;
    m_combineMode = mode;
    if (m_brush->Style() == TBrushStyle::bsBDiagonal) m_brush->SetColor(ModeColour(mode));
    Invalidate();
}

TRect RegionShape::OutlineRect() const {
    const int penWidth = m_pen->Width();
    const int x = penWidth / 2;
    return {x, x, x + Width() - penWidth + 1, x + Height() - penWidth + 1};
}

void RegionShape::SelectTools() {
    Canvas()->SetPen(m_pen.get());
    Canvas()->SetBrush(m_brush.get());
}

}  // namespace kiv
