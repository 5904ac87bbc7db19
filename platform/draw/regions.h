// Regions as GDI makes them: rectangles, ellipses, polygons and rectangle lists as QRegion, with
// the pixels the device context paints for the same shapes, and CombineRgn's modes.
#pragma once

#include <QRegion>
#include <span>

#include "platform/draw/device_context.h"
#include "platform/draw/rect.h"
#include "platform/draw/shape_spans.h"

namespace kiv::platform {

// CombineRgn's modes, with GDI's numbers.
enum CombineRgnMode : int {
    RGN_AND = 1,   // intersection
    RGN_OR = 2,    // union
    RGN_XOR = 3,   // symmetric difference
    RGN_DIFF = 4,  // first minus second
    RGN_COPY = 5,  // the first, unchanged
};

// The pixels of the rectangle, right and bottom exclusive; corners in either order.
QRegion CreateRectRgn(int left, int top, int right, int bottom);
// The ellipse inscribed in the rectangle: exactly the pixels an Ellipse on the same corners
// paints with a one-pixel pen, outline included. Corners in either order; empty when the
// rectangle is.
QRegion CreateEllipticRgn(int left, int top, int right, int bottom);
// The polygon through `points`: exactly the pixels Polygon fills for them (shape_spans.h), so
// that its outline's left and top edges lie on the region and the right and bottom ones just
// outside, as GDI's do. Fewer than three points or an unknown mode give the empty region.
QRegion CreatePolygonRgn(std::span<const TPoint> points, PolyFillMode mode);
// The union of `rects`, as ExtCreateRegion makes a region from a rectangle list; empty
// rectangles add nothing. Built in one pass when the list comes row by row from the top and
// left to right within a row (as scanned masks do), any order otherwise.
QRegion RegionFromRects(std::span<const TRect> rects);

// Sets `dest` to `a` combined with `b` in `mode` (`dest` may be `a` or `b`) and returns the type
// of the result; an unknown mode leaves `dest` as it was and answers RGN_ERROR.
RegionType CombineRgn(QRegion& dest, const QRegion& a, const QRegion& b, int mode);

}  // namespace kiv::platform
