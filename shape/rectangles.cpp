// TRectangles: drawing and design registration.
#include "shape/rectangles.h"

#include "framework/class_registry.h"
#include "framework/forms/canvas.h"
#include "shape/shape_properties.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TRectangles, RegionShape>("TRectangles", ShapeProperties());

}  // namespace

TRectangles::TRectangles(TComponent* owner) : RegionShape(owner) {}

void TRectangles::Paint() {
    SelectTools();
    Canvas()->Rectangle(OutlineRect());
}

}  // namespace kiv
