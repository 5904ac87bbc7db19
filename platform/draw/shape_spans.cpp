// Ellipse rows and polygon spans shared by the device context's shapes and the regions.
#include "platform/draw/shape_spans.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kiv::platform {

std::vector<std::pair<int, int>> EllipseRows(const TRect& box) {
    using Wide = __int128;
    const std::int64_t w = box.Width();
    const std::int64_t h = box.Height();
    std::vector<std::pair<int, int>> rows;
    if (w <= 0 || h <= 0) return rows;
    // Pixel (i, j) is inside when ((2i+1-w)/w)^2 + ((2j+1-h)/h)^2 <= 1, that is when
    // (w-1-2i)^2 h^2 <= room; exact in 128 bits for any int box. The first inside column comes
    // from a square root and is then settled by the exact test, so a row costs the same at
    // any size.
    const Wide ww = Wide(w) * w;
    const Wide hh = Wide(h) * h;
    auto inside = [&](std::int64_t i, Wide room) {
        const Wide u = w - 1 - 2 * i;
        return u * u * hh <= room;
    };
    const std::int64_t half = w / 2;
    rows.reserve(std::size_t(h));
    for (std::int64_t j = 0; j < h; ++j) {
        const std::int64_t dy = 2 * j + 1 - h;
        const Wide room = ww * hh - Wide(dy) * dy * ww;
        const long double reach = std::sqrt(static_cast<long double>(room)) / h;
        std::int64_t i = std::clamp<std::int64_t>(
            static_cast<std::int64_t>(std::ceil((w - 1 - reach) / 2)), 0, half);
        while (i > 0 && inside(i - 1, room)) --i;
        while (i < half && !inside(i, room)) ++i;
        rows.emplace_back(box.Left + int(i), box.Left + int(w - 1 - i));
    }
    return rows;
}

namespace {

// Where an edge crosses a row line, and which way it runs (+1 down, -1 up).
struct Crossing {
    double x;
    int direction;
    bool operator<(const Crossing& other) const { return x < other.x; }
};

}  // namespace

std::vector<PixelSpan> PolygonSpans(std::span<const TPoint> points, PolyFillMode mode) {
    std::vector<PixelSpan> spans;
    if (points.size() < 3 || (mode != ALTERNATE && mode != WINDING)) return spans;
    int top = points[0].Y;
    int bottom = points[0].Y;
    for (TPoint p : points) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    std::vector<Crossing> crossings;
    for (int y = top; y < bottom; ++y) {
        crossings.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const TPoint a = points[i];
            const TPoint b = points[(i + 1) % points.size()];
            if (a.Y == b.Y) continue;
            if (y < std::min(a.Y, b.Y) || y >= std::max(a.Y, b.Y)) continue;
            const double x = a.X + double(y - a.Y) * (b.X - a.X) / double(b.Y - a.Y);
            crossings.push_back({x, b.Y > a.Y ? 1 : -1});
        }
        std::sort(crossings.begin(), crossings.end());
        // A pixel is inside from the first column at or right of an entering crossing to the
        // first column at or right of the leaving one.
        int winding = 0;
        int start = 0;
        for (std::size_t i = 0; i < crossings.size(); ++i) {
            const bool wasInside = mode == ALTERNATE ? (i % 2) == 1 : winding != 0;
            winding += crossings[i].direction;
            const bool isInside = mode == ALTERNATE ? (i % 2) == 0 : winding != 0;
            const int column = int(std::ceil(crossings[i].x));
            if (!wasInside && isInside) {
                start = column;
            } else if (wasInside && !isInside && column > start) {
                if (!spans.empty() && spans.back().y == y && spans.back().x1 >= start) {
                    spans.back().x1 = std::max(spans.back().x1, column);
                } else {
                    spans.push_back({y, start, column});
                }
            }
        }
    }
    return spans;
}

}  // namespace kiv::platform
