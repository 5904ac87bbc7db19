// The one place where our types meet Qt's: QRect's inclusive edges, QRgb's byte order.
#include <gtest/gtest.h>

#include "platform/draw/qt_convert.h"

namespace kiv::platform {
namespace {

TEST(QtConvert, RectKeepsTheSamePixels) {
    const QRect q = ToQRect(TRect(2, 3, 5, 7));
    EXPECT_EQ(q.left(), 2);
    EXPECT_EQ(q.top(), 3);
    EXPECT_EQ(q.right(), 4);
    EXPECT_EQ(q.bottom(), 6);
    EXPECT_EQ(q.width(), 3);
    EXPECT_EQ(q.height(), 4);
    EXPECT_EQ(FromQRect(q), TRect(2, 3, 5, 7));
    EXPECT_EQ(FromQRect(QRect(0, 0, 1, 1)), TRect(0, 0, 1, 1));
}

TEST(QtConvert, EmptyRectsBecomeNullAndBack) {
    EXPECT_TRUE(ToQRect(TRect(4, 4, 4, 9)).isEmpty());
    EXPECT_TRUE(ToQRect(TRect(4, 4, 2, 9)).isEmpty());
    EXPECT_EQ(FromQRect(QRect()), TRect());
    EXPECT_EQ(FromQRect(QRect(5, 5, 0, 3)), TRect());
}

TEST(QtConvert, RegionFromRectCoversExactlyTheRect) {
    const QRegion r = RegionFromRect(TRect(1, 1, 3, 2));
    EXPECT_TRUE(r.contains(QPoint(1, 1)));
    EXPECT_TRUE(r.contains(QPoint(2, 1)));
    EXPECT_FALSE(r.contains(QPoint(3, 1)));
    EXPECT_FALSE(r.contains(QPoint(1, 2)));
    EXPECT_TRUE(RegionFromRect(TRect(3, 3, 3, 3)).isEmpty());
    EXPECT_EQ(RegionBounds(r | RegionFromRect(TRect(5, 0, 6, 4))), TRect(1, 0, 6, 4));
    EXPECT_EQ(RegionBounds(QRegion()), TRect());
}

TEST(QtConvert, ColoursSwapToQtByteOrder) {
    EXPECT_EQ(ToQRgb(clRed), qRgb(255, 0, 0));
    EXPECT_EQ(ToQRgb(RGB(1, 2, 3)), qRgb(1, 2, 3));
    EXPECT_EQ(ToQRgb(clBtnShadow), qRgb(128, 128, 128));
    EXPECT_EQ(FromQRgb(qRgba(10, 20, 30, 0)), RGB(10, 20, 30));
    EXPECT_EQ(FromQColor(ToQColor(clTeal)), clTeal);
    EXPECT_EQ(ToQColor(clBtnFace), QColor(212, 208, 200));
}

TEST(QtConvert, PointsAndSizes) {
    EXPECT_EQ(ToQPoint(TPoint(-3, 4)), QPoint(-3, 4));
    EXPECT_EQ(FromQPoint(QPoint(7, -8)), TPoint(7, -8));
    EXPECT_EQ(ToQSize(TSize(3, 4)), QSize(3, 4));
    EXPECT_EQ(FromQSize(QSize(5, 6)), TSize(5, 6));
}

}  // namespace
}  // namespace kiv::platform
