// DeviceContext: lines, rectangles, ellipses and polygons, rasterised by GDI's pixel rules.
#include "platform/draw/device_context.h"

#include <algorithm>
#include <cstdint>

#include "platform/draw/shape_spans.h"

namespace kiv::platform {

namespace {

// Where a centred pen of `width` pixels starts relative to the line it draws.
int PenLead(int width) {
    return width / 2;
}

bool HasPen(const Pen& pen) {
    return pen.style != PS_NULL;
}
int PenWidth(const Pen& pen) {
    return std::max(1, pen.width);
}

}  // namespace

void DeviceContext::PenPixel(int dx, int dy) {
    const Pen& pen = m_state.pen;
    const int width = PenWidth(pen);
    const int lead = PenLead(width);
    const Brush ink = Brush::Solid(pen.color);
    for (int y = dy - lead; y < dy - lead + width; ++y) {
        BrushSpan(y, dx - lead, dx - lead + width, ink, true);
    }
}

// Bresenham from `from` to `to` (device), the end point left out, as GDI's LineTo.
void DeviceContext::DeviceLine(TPoint from, TPoint to) {
    if (!HasPen(m_state.pen)) return;
    const int dx = std::abs(to.X - from.X);
    const int dy = std::abs(to.Y - from.Y);
    const int sx = to.X >= from.X ? 1 : -1;
    const int sy = to.Y >= from.Y ? 1 : -1;
    int x = from.X;
    int y = from.Y;
    if (dx >= dy) {
        int error = 2 * dy - dx;
        for (int n = 0; n < dx; ++n) {
            PenPixel(x, y);
            if (error > 0) {
                y += sy;
                error -= 2 * dx;
            }
            error += 2 * dy;
            x += sx;
        }
    } else {
        int error = 2 * dx - dy;
        for (int n = 0; n < dy; ++n) {
            PenPixel(x, y);
            if (error > 0) {
                x += sx;
                error -= 2 * dy;
            }
            error += 2 * dx;
            y += sy;
        }
    }
}

std::vector<DeviceContext::Span> DeviceContext::MergeSpans(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
    std::vector<Span> out;
    for (const Span& s : spans) {
        if (s.x1 <= s.x0) continue;
        if (!out.empty() && out.back().y == s.y && s.x0 <= out.back().x1) {
            out.back().x1 = std::max(out.back().x1, s.x1);
        } else {
            out.push_back(s);
        }
    }
    return out;
}

std::vector<DeviceContext::Span> DeviceContext::SubtractSpans(const std::vector<Span>& from,
                                                              const std::vector<Span>& cut) {
    std::vector<Span> out;
    std::size_t c = 0;
    for (const Span& s : from) {
        while (c < cut.size() && (cut[c].y < s.y || (cut[c].y == s.y && cut[c].x1 <= s.x0))) ++c;
        int x = s.x0;
        for (std::size_t k = c; k < cut.size() && cut[k].y == s.y && cut[k].x0 < s.x1; ++k) {
            if (cut[k].x0 > x) out.push_back({s.y, x, cut[k].x0});
            x = std::max(x, cut[k].x1);
        }
        if (x < s.x1) out.push_back({s.y, x, s.x1});
    }
    return out;
}

// The pixels of an ellipse's box that lie in a counterclockwise sweep between two radials from
// the box's centre. Angles are measured with the y axis pointing up, as the screen shows them;
// the radials pass through the given points as they are (the box's corners are points of the
// same kind), a pixel counts by its centre.
class DeviceContext::Sweep {
public:
    Sweep(const TRect& box, TPoint start, TPoint end)
        : m_box(box),
          m_cx(box.Left + box.Width() / 2.0),
          m_cy(box.Top + box.Height() / 2.0),
          m_start(AngleOf(start.X, start.Y)),
          m_end(AngleOf(end.X, end.Y)),
          m_span(Normalized(m_end - m_start)),
          m_rays{Direction(start), Direction(end)} {}

    bool Full() const { return m_span == 0; }

    bool Contains(int x, int y) const {
        return Full() || Normalized(AngleOf(x + 0.5, y + 0.5) - m_start) <= m_span;
    }

    // The parts of `spans` inside the sweep.
    std::vector<Span> Cut(const std::vector<Span>& spans) const {
        if (Full()) return spans;
        std::vector<Span> out;
        for (const Span& s : spans) {
            int runStart = s.x0;
            for (int x = s.x0; x <= s.x1; ++x) {
                const bool in = x < s.x1 && Contains(x, s.y);
                if (in) continue;
                if (x > runStart) out.push_back({s.y, runStart, x});
                runStart = x + 1;
            }
        }
        return out;
    }

    // The pixels of `shape` that the pen of `width` sets along the two radii. A pixel belongs to
    // a radius when its centre lies no further from the centre than half a pixel behind it and
    // within half the pen's width across it, counting the side towards the sweep in and the
    // other side out, so that a radius along a row or column of pixel edges takes the pixels
    // on the sweep's side only.
    std::vector<Span> Radii(const std::vector<Span>& shape, int width) const {
        const double half = width / 2.0;
        std::vector<Span> out;
        for (const Span& s : shape) {
            for (int x = s.x0; x < s.x1; ++x) {
                const double dx = x + 0.5 - m_cx;
                const double dy = m_cy - (s.y + 0.5);
                for (int r = 0; r < 2; ++r) {
                    const auto [rx, ry] = m_rays[r];
                    const double along = dx * rx + dy * ry;
                    // Counterclockwise of the start radial, clockwise of the end radial.
                    double across = rx * dy - ry * dx;
                    if (r == 1) across = -across;
                    if (along > -0.5 && across > -half && across <= half) {
                        out.push_back({s.y, x, x + 1});
                        break;
                    }
                }
            }
        }
        return out;
    }

private:
    double AngleOf(double x, double y) const { return std::atan2(m_cy - y, x - m_cx); }
    // The unit vector from the centre towards `p` (y up), taken from the coordinates rather
    // than from the angle, so that a radial along an axis stays exactly on it.
    std::pair<double, double> Direction(TPoint p) const {
        const double dx = p.X - m_cx;
        const double dy = m_cy - p.Y;
        const double length = std::hypot(dx, dy);
        if (length == 0) return {1, 0};
        return {dx / length, dy / length};
    }
    static double Normalized(double a) {
        constexpr double kTurn = 2 * 3.14159265358979323846;
        a = std::fmod(a, kTurn);
        return a < 0 ? a + kTurn : a;
    }

    TRect m_box;
    double m_cx;
    double m_cy;
    double m_start;
    double m_end;
    double m_span;
    std::pair<double, double> m_rays[2];
};

TPoint DeviceContext::MoveToEx(int x, int y) {
    return std::exchange(m_state.penPos, TPoint(x, y));
}

void DeviceContext::LineTo(int x, int y) {
    DeviceLine(LPtoDP(m_state.penPos), LPtoDP(TPoint(x, y)));
    m_state.penPos = TPoint(x, y);
}

void DeviceContext::Polyline(std::span<const TPoint> points) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        DeviceLine(LPtoDP(points[i - 1]), LPtoDP(points[i]));
    }
}

void DeviceContext::PaintSpans(const std::vector<Span>& spans, const Brush& brush) {
    for (const Span& s : spans) BrushSpan(s.y, s.x0, s.x1, brush, true);
}

void DeviceContext::PaintShape(const std::vector<Span>& inside, const std::vector<Span>& outline) {
    PaintSpans(inside, m_state.brush);
    PaintSpans(outline, Brush::Solid(m_state.pen.color));
}

void DeviceContext::Rectangle(int left, int top, int right, int bottom) {
    TRect box = LPtoDP(TRect(left, top, right, bottom).Normalized());
    std::vector<Span> inside;
    std::vector<Span> outline;
    if (!HasPen(m_state.pen)) {
        // GDI's null-pen rectangle covers one pixel less to the right and below.
        box.Right -= 1;
        box.Bottom -= 1;
        for (int y = box.Top; y < box.Bottom; ++y) inside.push_back({y, box.Left, box.Right});
        PaintShape(inside, outline);
        return;
    }
    const int width = PenWidth(m_state.pen);
    const int lead = PenLead(width);
    // The pen is centred on the columns Left and Right - 1 and the rows Top and Bottom - 1.
    const TRect outer(box.Left - lead, box.Top - lead, box.Right - 1 - lead + width,
                      box.Bottom - 1 - lead + width);
    const TRect inner(outer.Left + width, outer.Top + width, outer.Right - width,
                      outer.Bottom - width);
    for (int y = outer.Top; y < outer.Bottom; ++y) {
        if (inner.IsEmpty() || y < inner.Top || y >= inner.Bottom) {
            outline.push_back({y, outer.Left, outer.Right});
        } else {
            outline.push_back({y, outer.Left, inner.Left});
            inside.push_back({y, inner.Left, inner.Right});
            outline.push_back({y, inner.Right, outer.Right});
        }
    }
    PaintShape(inside, outline);
}

void DeviceContext::EllipseSpans(TRect box, std::vector<Span>& inside,
                                 std::vector<Span>& outline) const {
    if (!HasPen(m_state.pen)) {
        box.Right -= 1;
        box.Bottom -= 1;
        const auto rows = EllipseRows(box);
        for (std::size_t j = 0; j < rows.size(); ++j) {
            inside.push_back({box.Top + int(j), rows[j].first, rows[j].second + 1});
        }
        return;
    }
    const int width = PenWidth(m_state.pen);
    if (width == 1) {
        // A one-pixel outline: the pixels of the filled shape with a 4-neighbour outside it.
        const auto rows = EllipseRows(box);
        const int n = int(rows.size());
        for (int j = 0; j < n; ++j) {
            const auto [a, b] = rows[std::size_t(j)];
            if (j == 0 || j == n - 1) {
                outline.push_back({box.Top + j, a, b + 1});
                continue;
            }
            const auto up = rows[std::size_t(j) - 1];
            const auto down = rows[std::size_t(j) + 1];
            const int leftEnd = std::max(a + 1, std::max(up.first, down.first));
            const int rightStart = std::min(b, std::min(up.second, down.second) + 1);
            if (leftEnd >= rightStart) {
                outline.push_back({box.Top + j, a, b + 1});
                continue;
            }
            outline.push_back({box.Top + j, a, leftEnd});
            inside.push_back({box.Top + j, leftEnd, rightStart});
            outline.push_back({box.Top + j, rightStart, b + 1});
        }
        return;
    }
    const int lead = PenLead(width);
    const TRect outer(box.Left - lead, box.Top - lead, box.Right - 1 - lead + width,
                      box.Bottom - 1 - lead + width);
    const TRect inner(outer.Left + width, outer.Top + width, outer.Right - width,
                      outer.Bottom - width);
    const auto outerRows = EllipseRows(outer);
    const auto innerRows = EllipseRows(inner);
    for (int j = 0; j < int(outerRows.size()); ++j) {
        const int y = outer.Top + j;
        const auto [a, b] = outerRows[std::size_t(j)];
        const int k = y - inner.Top;
        if (inner.IsEmpty() || k < 0 || k >= int(innerRows.size())) {
            outline.push_back({y, a, b + 1});
            continue;
        }
        const auto [ia, ib] = innerRows[std::size_t(k)];
        outline.push_back({y, a, ia});
        inside.push_back({y, ia, ib + 1});
        outline.push_back({y, ib + 1, b + 1});
    }
}

void DeviceContext::Ellipse(int left, int top, int right, int bottom) {
    std::vector<Span> inside;
    std::vector<Span> outline;
    EllipseSpans(LPtoDP(TRect(left, top, right, bottom).Normalized()), inside, outline);
    PaintShape(inside, outline);
}

void DeviceContext::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                        int yEnd) {
    if (!HasPen(m_state.pen)) return;
    const TRect box = LPtoDP(TRect(left, top, right, bottom).Normalized());
    const Sweep sweep(box, LPtoDP(TPoint(xStart, yStart)), LPtoDP(TPoint(xEnd, yEnd)));
    std::vector<Span> inside;
    std::vector<Span> outline;
    EllipseSpans(box, inside, outline);
    PaintSpans(sweep.Cut(outline), Brush::Solid(m_state.pen.color));
}

void DeviceContext::Pie(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                        int yEnd) {
    const TRect box = LPtoDP(TRect(left, top, right, bottom).Normalized());
    const Sweep sweep(box, LPtoDP(TPoint(xStart, yStart)), LPtoDP(TPoint(xEnd, yEnd)));
    std::vector<Span> inside;
    std::vector<Span> outline;
    EllipseSpans(box, inside, outline);
    std::vector<Span> radii;
    if (HasPen(m_state.pen) && !sweep.Full()) {
        std::vector<Span> shape = inside;
        shape.insert(shape.end(), outline.begin(), outline.end());
        radii = sweep.Radii(MergeSpans(std::move(shape)), PenWidth(m_state.pen));
    }
    inside = MergeSpans(sweep.Cut(inside));
    outline = sweep.Cut(outline);
    // The radii close the outline; a pixel of both, or of a radius and the arc, is drawn once.
    outline.insert(outline.end(), radii.begin(), radii.end());
    outline = MergeSpans(std::move(outline));
    PaintShape(SubtractSpans(inside, outline), outline);
}

void DeviceContext::Polygon(std::span<const TPoint> points) {
    if (points.size() < 2) return;
    std::vector<TPoint> device;
    device.reserve(points.size());
    for (TPoint p : points) device.push_back(LPtoDP(p));
    // The fill meets the outline drawn through the same vertices (shape_spans.h).
    std::vector<Span> inside;
    for (const PixelSpan& span : PolygonSpans(device, ALTERNATE)) {
        inside.push_back({span.y, span.x0, span.x1});
    }
    PaintSpans(inside, m_state.brush);
    for (std::size_t i = 0; i < device.size(); ++i) {
        DeviceLine(device[i], device[(i + 1) % device.size()]);
    }
}

}  // namespace kiv::platform
