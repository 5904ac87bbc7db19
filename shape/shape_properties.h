// The published properties of the ellipse and rectangle shapes, in their design order.
#pragma once

#include <vector>

#include "framework/class_registry.h"
#include "framework/forms/pen.h"
#include "shape/my_brush.h"
#include "shape/region_shape.h"

namespace kiv {

// Brush, Pen, CombineMode.
inline std::vector<PropertyInfo> ShapeProperties() {
    return {
        Prop("Brush", &RegionShape::Brush),
        Prop("Pen", &RegionShape::Pen),
        Prop("CombineMode", &RegionShape::CombineMode, &RegionShape::SetCombineMode)
            .Default(TCombineMode::cmOR),
    };
}

}  // namespace kiv
