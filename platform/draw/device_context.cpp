// DeviceContext: mapping, clipping, state stack, pixels, fills and block transfers.
#include "platform/draw/device_context.h"

#include <algorithm>
#include <stdexcept>

#include "platform/draw/qt_convert.h"

namespace kiv::platform {

namespace {

constexpr QRgb kOpaque = 0xFF000000u;

// The ternary raster operation `rop3` (bits 16..23 of a GDI code) applied bitwise; pattern,
// source and destination take the bits 0xF0, 0xCC and 0xAA of the code's truth table.
QRgb Rop3(std::uint8_t rop3, QRgb p, QRgb s, QRgb d) {
    QRgb out = 0;
    for (int i = 0; i < 8; ++i) {
        if (rop3 & (1 << i)) out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return (out & 0x00FFFFFFu) | kOpaque;
}

// The binary raster operation R2_x applied bitwise to pen `p` and destination `d`.
QRgb Rop2Mix(int rop2, QRgb p, QRgb d) {
    const int table = rop2 - 1;
    QRgb out = 0;
    for (int i = 0; i < 4; ++i) {
        if (table & (1 << i)) out |= ((i & 2) ? p : ~p) & ((i & 1) ? d : ~d);
    }
    return (out & 0x00FFFFFFu) | kOpaque;
}

bool UsesSource(std::uint8_t rop3) {
    return ((rop3 >> 2) ^ rop3) & 0x33;
}
bool UsesPattern(std::uint8_t rop3) {
    return ((rop3 >> 4) ^ rop3) & 0x0F;
}

// Rows of the 8 x 8 hatch patterns, leftmost pixel in the most significant bit.
constexpr std::uint8_t kHatch[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

RegionType TypeOf(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

DeviceContext::DeviceContext(QImage& image) : m_image(&image) {
    const auto format = image.format();
    if (image.isNull() || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
                           format != QImage::Format_ARGB32_Premultiplied)) {
        throw std::invalid_argument("DeviceContext needs a 32-bit image");
    }
    ClipChanged();
}

TPoint DeviceContext::SetWindowOrgEx(int x, int y) {
    return std::exchange(m_state.windowOrg, TPoint(x, y));
}

TPoint DeviceContext::OffsetWindowOrgEx(int dx, int dy) {
    return SetWindowOrgEx(m_state.windowOrg.X + dx, m_state.windowOrg.Y + dy);
}

TPoint DeviceContext::SetViewportOrgEx(int x, int y) {
    return std::exchange(m_state.viewportOrg, TPoint(x, y));
}

TPoint DeviceContext::OffsetViewportOrgEx(int dx, int dy) {
    return SetViewportOrgEx(m_state.viewportOrg.X + dx, m_state.viewportOrg.Y + dy);
}

TPoint DeviceContext::LPtoDP(TPoint p) const {
    return p - m_state.windowOrg + m_state.viewportOrg;
}

TPoint DeviceContext::DPtoLP(TPoint p) const {
    return p - m_state.viewportOrg + m_state.windowOrg;
}

TRect DeviceContext::LPtoDP(const TRect& r) const {
    const TPoint d = m_state.viewportOrg - m_state.windowOrg;
    return r.Offsetted(d.X, d.Y);
}

TRect DeviceContext::DPtoLP(const TRect& r) const {
    const TPoint d = m_state.windowOrg - m_state.viewportOrg;
    return r.Offsetted(d.X, d.Y);
}

QRegion DeviceContext::CurrentClip() const {
    return m_state.clip ? *m_state.clip : QRegion(0, 0, m_image->width(), m_image->height());
}

void DeviceContext::ClipChanged() {
    m_clipRects.clear();
    const QRegion visible = CurrentClip() & QRegion(0, 0, m_image->width(), m_image->height());
    for (const QRect& r : visible) m_clipRects.push_back(FromQRect(r));
}

RegionType DeviceContext::ClipType() const {
    return TypeOf(CurrentClip());
}

RegionType DeviceContext::SelectClipRgn(const QRegion* deviceRegion) {
    if (deviceRegion) {
        m_state.clip = *deviceRegion;
    } else {
        m_state.clip.reset();
    }
    ClipChanged();
    return ClipType();
}

RegionType DeviceContext::IntersectClipRect(const TRect& logical) {
    m_state.clip = CurrentClip() & RegionFromRect(LPtoDP(logical.Normalized()));
    ClipChanged();
    return ClipType();
}

RegionType DeviceContext::ExcludeClipRect(const TRect& logical) {
    m_state.clip = CurrentClip() - RegionFromRect(LPtoDP(logical.Normalized()));
    ClipChanged();
    return ClipType();
}

RegionType DeviceContext::OffsetClipRgn(int dx, int dy) {
    if (m_state.clip) {
        m_state.clip->translate(dx, dy);
        ClipChanged();
    }
    return ClipType();
}

TRect DeviceContext::GetClipBox() const {
    TRect box;
    for (const TRect& r : m_clipRects) box = box.Union(r);
    return box.IsEmpty() ? TRect() : DPtoLP(box);
}

bool DeviceContext::Visible(int dx, int dy) const {
    for (const TRect& r : m_clipRects) {
        if (r.Contains(TPoint(dx, dy))) return true;
    }
    return false;
}

bool DeviceContext::PtVisible(int x, int y) const {
    const TPoint d = LPtoDP(TPoint(x, y));
    return Visible(d.X, d.Y);
}

int DeviceContext::SaveDC() {
    m_saved.push_back(m_state);
    return int(m_saved.size());
}

bool DeviceContext::RestoreDC(int saved) {
    const int depth = int(m_saved.size());
    const int target = saved < 0 ? depth + saved + 1 : saved;
    if (target < 1 || target > depth) return false;
    m_state = std::move(m_saved[std::size_t(target - 1)]);
    m_saved.resize(std::size_t(target - 1));
    ClipChanged();
    return true;
}

TColor DeviceContext::SetTextColor(TColor c) {
    return std::exchange(m_state.textColor, c);
}
TColor DeviceContext::SetBkColor(TColor c) {
    return std::exchange(m_state.bkColor, c);
}
BkMode DeviceContext::SetBkMode(BkMode mode) {
    return std::exchange(m_state.bkMode, mode);
}
Rop2 DeviceContext::SetROP2(Rop2 mode) {
    return std::exchange(m_state.rop2, mode);
}
Font DeviceContext::SelectFont(const Font& font) {
    return std::exchange(m_state.font, font);
}
Brush DeviceContext::SelectBrush(const Brush& brush) {
    return std::exchange(m_state.brush, brush);
}
Pen DeviceContext::SelectPen(const Pen& pen) {
    return std::exchange(m_state.pen, pen);
}
TPoint DeviceContext::SetBrushOrgEx(int x, int y) {
    return std::exchange(m_state.brushOrg, TPoint(x, y));
}

QRgb DeviceContext::Read(int dx, int dy) const {
    return reinterpret_cast<const QRgb*>(m_image->constScanLine(dy))[dx];
}

void DeviceContext::Write(int dx, int dy, QRgb value) {
    reinterpret_cast<QRgb*>(m_image->scanLine(dy))[dx] = value | kOpaque;
}

TColor DeviceContext::GetPixel(int x, int y) const {
    const TPoint d = LPtoDP(TPoint(x, y));
    return Visible(d.X, d.Y) ? FromQRgb(Read(d.X, d.Y)) : CLR_INVALID;
}

TColor DeviceContext::SetPixel(int x, int y, TColor c) {
    const TPoint d = LPtoDP(TPoint(x, y));
    if (!Visible(d.X, d.Y)) return CLR_INVALID;
    Write(d.X, d.Y, ToQRgb(c));
    return ColorToRGB(c);
}

bool DeviceContext::BrushPixel(const Brush& brush, int dx, int dy, QRgb& out) const {
    switch (brush.style) {
        case BS_SOLID:
            out = ToQRgb(brush.color);
            return true;
        case BS_HATCHED: {
            const int h = std::clamp(int(brush.hatch), 0, 5);
            const int px = (dx - m_state.brushOrg.X) & 7;
            const int py = (dy - m_state.brushOrg.Y) & 7;
            if (kHatch[h][py] & (0x80 >> px)) {
                out = ToQRgb(brush.color);
                return true;
            }
            if (m_state.bkMode != OPAQUE) return false;
            out = ToQRgb(m_state.bkColor);
            return true;
        }
        default:
            return false;
    }
}

void DeviceContext::BrushSpan(int y, int x0, int x1, const Brush& brush, bool mix) {
    if (brush.style == BS_NULL) return;
    const bool solid = brush.style == BS_SOLID;
    const QRgb solidValue = solid ? ToQRgb(brush.color) | kOpaque : 0;
    for (const TRect& c : m_clipRects) {
        if (y < c.Top || y >= c.Bottom) continue;
        const int from = std::max(x0, c.Left);
        const int to = std::min(x1, c.Right);
        if (from >= to) continue;
        QRgb* row = reinterpret_cast<QRgb*>(m_image->scanLine(y));
        for (int x = from; x < to; ++x) {
            QRgb value = solidValue;
            if (!solid && !BrushPixel(brush, x, y, value)) continue;
            row[x] = mix ? Rop2Mix(m_state.rop2, value, row[x]) : (value | kOpaque);
        }
    }
}

void DeviceContext::FillDeviceRect(const TRect& r, const Brush& brush, bool mix) {
    const TRect n = r.Normalized();
    for (int y = n.Top; y < n.Bottom; ++y) BrushSpan(y, n.Left, n.Right, brush, mix);
}

void DeviceContext::FillRect(const TRect& r, const Brush& brush) {
    FillDeviceRect(LPtoDP(r), brush, false);
}

void DeviceContext::FillSolidRect(const TRect& r, TColor c) {
    FillDeviceRect(LPtoDP(r), Brush::Solid(c), false);
}

void DeviceContext::FrameRect(const TRect& r, const Brush& brush) {
    const TRect d = LPtoDP(r.Normalized());
    if (d.IsEmpty()) return;
    FillDeviceRect(TRect(d.Left, d.Top, d.Right, d.Top + 1), brush, false);
    FillDeviceRect(TRect(d.Left, d.Bottom - 1, d.Right, d.Bottom), brush, false);
    FillDeviceRect(TRect(d.Left, d.Top + 1, d.Left + 1, d.Bottom - 1), brush, false);
    FillDeviceRect(TRect(d.Right - 1, d.Top + 1, d.Right, d.Bottom - 1), brush, false);
}

void DeviceContext::InvertRect(const TRect& r) {
    PatBlt(r.Left, r.Top, r.Width(), r.Height(), DSTINVERT);
}

bool DeviceContext::PatBlt(int x, int y, int width, int height, std::uint32_t rop) {
    return BitBlt(x, y, width, height, nullptr, 0, 0, rop);
}

bool DeviceContext::BitBlt(int x, int y, int width, int height, const DeviceContext* source, int sx,
                           int sy, std::uint32_t rop) {
    const auto rop3 = std::uint8_t((rop >> 16) & 0xFF);
    const bool needsSource = UsesSource(rop3);
    if (needsSource && !source) return false;
    const TRect dest = LPtoDP(TRect(x, y, x + width, y + height)).Normalized();
    // Only the part of the block that can change is read from the source, so that a block far
    // larger than the images costs what its visible part costs and still succeeds. Device pixel
    // (dx, dy) takes pixel (dx + at.X, dy + at.Y) of `from`; pixels without a source pixel are
    // left alone.
    TRect reach = dest;
    const QImage* from = nullptr;
    TPoint at;
    QImage before;
    if (needsSource) {
        const TPoint shift = source->LPtoDP(TPoint(sx, sy)) - dest.TopLeft();
        const QImage& image = *source->m_image;
        reach = dest.Intersect(
            TRect(0, 0, image.width(), image.height()).Offsetted(-shift.X, -shift.Y));
        from = &image;
        at = shift;
        if (&image == m_image) {
            // A copy within one image reads the pixels as they were before it.
            TRect part;
            for (const TRect& c : m_clipRects) part = part.Union(c.Intersect(reach));
            if (part.IsEmpty()) return true;
            before = image.copy(ToQRect(part.Offsetted(shift.X, shift.Y)));
            if (before.isNull()) return false;
            from = &before;
            at = TPoint(-part.Left, -part.Top);
        }
    }
    const bool pattern = UsesPattern(rop3);
    for (const TRect& c : m_clipRects) {
        const TRect area = c.Intersect(reach);
        for (int dy = area.Top; dy < area.Bottom; ++dy) {
            QRgb* row = reinterpret_cast<QRgb*>(m_image->scanLine(dy));
            const QRgb* in =
                from ? reinterpret_cast<const QRgb*>(from->constScanLine(dy + at.Y)) : nullptr;
            // The plain copy and the source-with-destination operations the controls compose
            // with, without going through the general truth table for every pixel.
            switch (rop3) {
                case 0xCC:  // SRCCOPY
                    for (int dx = area.Left; dx < area.Right; ++dx) {
                        row[dx] = in[dx + at.X] | kOpaque;
                    }
                    continue;
                case 0x66:  // SRCINVERT
                    for (int dx = area.Left; dx < area.Right; ++dx) {
                        row[dx] = (row[dx] ^ in[dx + at.X]) | kOpaque;
                    }
                    continue;
                case 0x88:  // SRCAND
                    for (int dx = area.Left; dx < area.Right; ++dx) {
                        row[dx] = (row[dx] & in[dx + at.X]) | kOpaque;
                    }
                    continue;
                case 0xEE:  // SRCPAINT
                    for (int dx = area.Left; dx < area.Right; ++dx) {
                        row[dx] = (row[dx] | in[dx + at.X]) | kOpaque;
                    }
                    continue;
                default:
                    break;
            }
            for (int dx = area.Left; dx < area.Right; ++dx) {
                const QRgb s = in ? in[dx + at.X] : 0;
                QRgb p = 0;
                if (pattern && !BrushPixel(m_state.brush, dx, dy, p)) p = 0;
                row[dx] = Rop3(rop3, p, s, row[dx]);
            }
        }
    }
    return true;
}

QRegion DeviceContext::ScrollDC(int dx, int dy, const TRect& scroll, const TRect& clip) {
    const TRect area = LPtoDP(scroll.Normalized().Intersect(clip.Normalized()))
                           .Intersect(TRect(0, 0, m_image->width(), m_image->height()));
    const TRect limit = LPtoDP(clip.Normalized());
    if (area.IsEmpty()) return QRegion();
    const QImage before = m_image->copy(ToQRect(area));
    const TRect moved = area.Offsetted(dx, dy);
    const TRect target = moved.Intersect(limit);
    for (const TRect& c : m_clipRects) {
        const TRect part = c.Intersect(target);
        for (int y = part.Top; y < part.Bottom; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(m_image->scanLine(y));
            for (int x = part.Left; x < part.Right; ++x) {
                const int bx = x - moved.Left;
                const int by = y - moved.Top;
                if (bx >= 0 && by >= 0 && bx < before.width() && by < before.height()) {
                    row[x] = before.pixel(bx, by) | kOpaque;
                }
            }
        }
    }
    QRegion uncovered = RegionFromRect(area) - RegionFromRect(moved);
    const TPoint back = m_state.windowOrg - m_state.viewportOrg;
    uncovered.translate(back.X, back.Y);
    return uncovered;
}

}  // namespace kiv::platform
