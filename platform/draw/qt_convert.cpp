// Conversions between our Windows-shaped value types and Qt's; the only place that knows
// QRect's inclusive right and bottom edges.
#include "platform/draw/qt_convert.h"

namespace kiv::platform {

QRect ToQRect(const TRect& r) {
    if (r.IsEmpty()) return QRect();
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

TRect FromQRect(const QRect& r) {
    if (r.isEmpty()) return TRect();
    return TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

QPoint ToQPoint(TPoint p) {
    return QPoint(p.X, p.Y);
}
TPoint FromQPoint(const QPoint& p) {
    return TPoint(p.x(), p.y());
}
QSize ToQSize(TSize s) {
    return QSize(s.cx, s.cy);
}
TSize FromQSize(const QSize& s) {
    return TSize(s.width(), s.height());
}

QRgb ToQRgb(TColor c) {
    TColor rgb = ColorToRGB(c);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QColor ToQColor(TColor c) {
    return QColor::fromRgb(ToQRgb(c));
}

TColor FromQRgb(QRgb rgb) {
    return RGB(std::uint8_t(qRed(rgb)), std::uint8_t(qGreen(rgb)), std::uint8_t(qBlue(rgb)));
}

TColor FromQColor(const QColor& c) {
    return FromQRgb(c.rgb());
}

QRegion RegionFromRect(const TRect& r) {
    return r.IsEmpty() ? QRegion() : QRegion(ToQRect(r));
}

TRect RegionBounds(const QRegion& region) {
    return FromQRect(region.boundingRect());
}

}  // namespace kiv::platform
