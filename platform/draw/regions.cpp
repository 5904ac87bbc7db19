// Regions from the shared span rasteriser, rectangle lists built in one pass, and CombineRgn.
#include "platform/draw/regions.h"

#include <QRect>
#include <algorithm>
#include <vector>

#include "platform/draw/qt_convert.h"

namespace kiv::platform {

namespace {

// Builds a region from spans that come row by row from the top, left to right and apart within
// a row. Rows with the same spans as the row above are joined into one band, so that the
// rectangle list is the canonical one (banded, coalesced) and can be handed over whole.
QRegion RegionFromOrderedSpans(const std::vector<PixelSpan>& spans) {
    std::vector<QRect> rects;
    std::size_t bandStart = 0;  // first rectangle of the last band
    std::size_t i = 0;
    while (i < spans.size()) {
        std::size_t rowEnd = i;
        while (rowEnd < spans.size() && spans[rowEnd].y == spans[i].y) ++rowEnd;
        const int y = spans[i].y;
        const std::size_t bandSize = rects.size() - bandStart;
        bool joins = bandSize == rowEnd - i && bandSize > 0 &&
                     rects[bandStart].y() + rects[bandStart].height() == y;
        for (std::size_t k = 0; joins && k < bandSize; ++k) {
            joins = rects[bandStart + k].left() == spans[i + k].x0 &&
                    rects[bandStart + k].right() + 1 == spans[i + k].x1;
        }
        if (joins) {
            for (std::size_t k = bandStart; k < rects.size(); ++k) {
                rects[k].setHeight(rects[k].height() + 1);
            }
        } else {
            bandStart = rects.size();
            for (std::size_t k = i; k < rowEnd; ++k) {
                rects.emplace_back(spans[k].x0, y, spans[k].x1 - spans[k].x0, 1);
            }
        }
        i = rowEnd;
    }
    QRegion region;
    if (!rects.empty()) region.setRects(rects.data(), int(rects.size()));
    return region;
}

// Whether `rects` are ordered as a scan produces them: by rows from the top, each one pixel
// high, apart and left to right within a row.
bool IsRowScan(std::span<const TRect> rects) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const TRect& r = rects[i];
        if (r.Height() != 1 || r.Width() <= 0) return false;
        if (i == 0) continue;
        const TRect& p = rects[i - 1];
        if (r.Top < p.Top || (r.Top == p.Top && r.Left <= p.Right)) return false;
    }
    return true;
}

}  // namespace

QRegion CreateRectRgn(int left, int top, int right, int bottom) {
    return RegionFromRect(TRect(left, top, right, bottom).Normalized());
}

QRegion CreateEllipticRgn(int left, int top, int right, int bottom) {
    const TRect box = TRect(left, top, right, bottom).Normalized();
    const auto rows = EllipseRows(box);
    std::vector<PixelSpan> spans;
    spans.reserve(rows.size());
    for (std::size_t j = 0; j < rows.size(); ++j) {
        spans.push_back({box.Top + int(j), rows[j].first, rows[j].second + 1});
    }
    return RegionFromOrderedSpans(spans);
}

QRegion CreatePolygonRgn(std::span<const TPoint> points, PolyFillMode mode) {
    return RegionFromOrderedSpans(PolygonSpans(points, mode));
}

QRegion RegionFromRects(std::span<const TRect> rects) {
    if (IsRowScan(rects)) {
        std::vector<PixelSpan> spans;
        spans.reserve(rects.size());
        for (const TRect& r : rects) spans.push_back({r.Top, r.Left, r.Right});
        return RegionFromOrderedSpans(spans);
    }
    QRegion region;
    for (const TRect& r : rects) {
        if (!r.IsEmpty()) region += ToQRect(r);
    }
    return region;
}

RegionType CombineRgn(QRegion& dest, const QRegion& a, const QRegion& b, int mode) {
    switch (mode) {
        case RGN_AND:
            dest = a & b;
            break;
        case RGN_OR:
            if (&dest == &a) {
                dest += b;
            } else {
                dest = a | b;
            }
            break;
        case RGN_XOR:
            dest = a ^ b;
            break;
        case RGN_DIFF:
            dest = a - b;
            break;
        case RGN_COPY:
            dest = a;
            break;
        default:
            return RGN_ERROR;
    }
    if (dest.isEmpty()) return NULLREGION;
    return dest.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace kiv::platform
