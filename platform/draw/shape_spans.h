// The pixel rows of ellipses and polygons, by GDI's rules: one rasteriser for drawing and regions.
#pragma once

#include <span>
#include <utility>
#include <vector>

#include "platform/draw/point.h"
#include "platform/draw/rect.h"

namespace kiv::platform {

// How a polygon whose edges cross itself is filled, as SetPolyFillMode's modes.
enum PolyFillMode : int {
    ALTERNATE = 1,  // even-odd: inside where a ray crosses an odd count of edges
    WINDING = 2,    // inside where the edges wind round the point a non-zero number of times
};

// Pixels [x0, x1) of row y.
struct PixelSpan {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
    bool operator==(const PixelSpan&) const = default;
};

// The rows of the ellipse inscribed in `box` (normalised, right and bottom exclusive): for row
// box.Top + j, the first and last column (inclusive) whose pixel centre lies inside. These are
// the pixels an Ellipse with a one-pixel pen covers, outline included. Empty for an empty box.
std::vector<std::pair<int, int>> EllipseRows(const TRect& box);

// The inside of the polygon through `points` (closed from the last point back to the first),
// sampled at each pixel's top-left corner so that the fill meets an outline drawn through the
// same vertices: the left and top edges are inside, the right and bottom ones outside. Spans
// come row by row from the top, left to right within a row, never touching each other. Fewer
// than three points, or an unknown mode, give no spans.
std::vector<PixelSpan> PolygonSpans(std::span<const TPoint> points, PolyFillMode mode);

}  // namespace kiv::platform
