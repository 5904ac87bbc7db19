// Pen: how a device context draws lines and outlines, as GDI's LOGPEN.
#pragma once

#include "platform/draw/color.h"

namespace kiv::platform {

enum PenStyle : int { PS_SOLID = 0, PS_NULL = 5 };

// Width 0 and 1 both draw one-pixel lines. Wider pens are centred on the line they draw: a
// square of `width` pixels is set around each point of it.
struct Pen {
    PenStyle style = PS_SOLID;
    int width = 1;
    TColor color = clBlack;

    static Pen Solid(TColor c, int w = 1) { return {PS_SOLID, w, c}; }
    static Pen Null() { return {PS_NULL, 1, clBlack}; }
    bool operator==(const Pen&) const = default;
};

}  // namespace kiv::platform
