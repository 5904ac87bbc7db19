// Brush: how a device context fills areas (solid, clear or hatched), as GDI's LOGBRUSH.
#pragma once

#include "platform/draw/color.h"

namespace kiv::platform {

enum BrushStyle : int { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = BS_NULL, BS_HATCHED = 2 };

enum HatchStyle : int {
    HS_HORIZONTAL = 0,  // -----
    HS_VERTICAL = 1,    // |||||
    HS_FDIAGONAL = 2,   // \\\\\ (top left to bottom right)
    HS_BDIAGONAL = 3,   // ///// (bottom left to top right)
    HS_CROSS = 4,       // +++++
    HS_DIAGCROSS = 5,   // xxxxx
};

// A hatched brush draws its lines in `color` on an 8 x 8 pattern anchored at the device
// origin; the pixels between the lines take the background colour when the background mode is
// OPAQUE and are left alone when it is TRANSPARENT.
struct Brush {
    BrushStyle style = BS_SOLID;
    TColor color = clWhite;
    HatchStyle hatch = HS_HORIZONTAL;

    static Brush Solid(TColor c) { return {BS_SOLID, c, HS_HORIZONTAL}; }
    static Brush Clear() { return {BS_NULL, clWhite, HS_HORIZONTAL}; }
    static Brush Hatched(HatchStyle h, TColor c) { return {BS_HATCHED, c, h}; }
    bool operator==(const Brush&) const = default;
};

}  // namespace kiv::platform
