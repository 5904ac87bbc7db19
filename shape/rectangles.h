// TRectangles: a windowless control whose region is its bounds.
#pragma once

#include "shape/region_shape.h"

namespace kiv {

// 65 x 65 at first, combining with cmOR. Draws the rectangle with its pen and brush.
class TRectangles : public RegionShape {
public:
    explicit TRectangles(TComponent* owner);

protected:
    void Paint() override;
};

}  // namespace kiv
