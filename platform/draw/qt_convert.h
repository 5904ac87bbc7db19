// Every conversion between our value types (TRect, TPoint, TSize, TColor) and Qt's.
#pragma once

#include <QtGui/qrgb.h>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

#include "platform/draw/color.h"
#include "platform/draw/rect.h"

namespace kiv::platform {

// QRect keeps an inclusive right/bottom; TRect an exclusive one. An empty TRect becomes a null
// QRect (and back), whatever its corners.
QRect ToQRect(const TRect& r);
TRect FromQRect(const QRect& r);

QPoint ToQPoint(TPoint p);
TPoint FromQPoint(const QPoint& p);
QSize ToQSize(TSize s);
TSize FromQSize(const QSize& s);

// An opaque pixel value (0xFFRRGGBB) for `c`, system-colour references resolved.
QRgb ToQRgb(TColor c);
QColor ToQColor(TColor c);
// The colour of a pixel; alpha is dropped.
TColor FromQRgb(QRgb rgb);
TColor FromQColor(const QColor& c);

// A region made of one rectangle; an empty rectangle gives the empty region.
QRegion RegionFromRect(const TRect& r);
// The bounding rectangle of a region; the empty region gives (0, 0, 0, 0).
TRect RegionBounds(const QRegion& region);

}  // namespace kiv::platform
