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
    for (int y = dy - lead; y < dy - lead + width; ++y)
        BrushSpan(y, dx - lead, dx - lead + width, ink, true);
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

TPoint DeviceContext::MoveToEx(int x, int y) {
    return std::exchange(m_state.penPos, TPoint(x, y));
}

void DeviceContext::LineTo(int x, int y) {
    DeviceLine(LPtoDP(m_state.penPos), LPtoDP(TPoint(x, y)));
    m_state.penPos = TPoint(x, y);
}

void DeviceContext::Polyline(std::span<const TPoint> points) {
    for (std::size_t i = 1; i < points.size(); ++i)
        DeviceLine(LPtoDP(points[i - 1]), LPtoDP(points[i]));
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

void DeviceContext::Ellipse(int left, int top, int right, int bottom) {
    TRect box = LPtoDP(TRect(left, top, right, bottom).Normalized());
    std::vector<Span> inside;
    std::vector<Span> outline;
    if (!HasPen(m_state.pen)) {
        box.Right -= 1;
        box.Bottom -= 1;
        const auto rows = EllipseRows(box);
        for (std::size_t j = 0; j < rows.size(); ++j)
            inside.push_back({box.Top + int(j), rows[j].first, rows[j].second + 1});
        PaintShape(inside, outline);
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
            const auto up = rows[std::size_t(j - 1)];
            const auto down = rows[std::size_t(j + 1)];
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
        PaintShape(inside, outline);
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
    PaintShape(inside, outline);
}

void DeviceContext::Polygon(std::span<const TPoint> points) {
    if (points.size() < 2) return;
    std::vector<TPoint> device;
    device.reserve(points.size());
    for (TPoint p : points) device.push_back(LPtoDP(p));
    // The fill meets the outline drawn through the same vertices (shape_spans.h).
    std::vector<Span> inside;
    for (const PixelSpan& span : PolygonSpans(device, ALTERNATE))
        inside.push_back({span.y, span.x0, span.x1});
    PaintSpans(inside, m_state.brush);
    for (std::size_t i = 0; i < device.size(); ++i)
        DeviceLine(device[i], device[(i + 1) % device.size()]);
}

}  // namespace kiv::platform
