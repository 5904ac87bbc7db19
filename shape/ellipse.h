// TEllipse: a windowless control whose region is the ellipse inscribed in its bounds.
#pragma once

#include "shape/region_shape.h"

namespace kiv {

// 65 x 65 at first, combining with cmOR. Draws the ellipse with its pen and brush.
class TEllipse : public RegionShape {
public:
    explicit TEllipse(TComponent* owner);

protected:
    void Paint() override;
};

}  // namespace kiv
