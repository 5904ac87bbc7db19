// TEllipse: drawing and design registration.
#include "shape/ellipse.h"

#include "framework/class_registry.h"
#include "framework/forms/canvas.h"
#include "shape/shape_properties.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TEllipse, RegionShape>("TEllipse", ShapeProperties());

}  // namespace

TEllipse::TEllipse(TComponent* owner) : RegionShape(owner) {}

void TEllipse::Paint() {
    SelectTools();
    Canvas()->Ellipse(OutlineRect());
}

}  // namespace kiv
