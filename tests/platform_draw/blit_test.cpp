// Block transfers with raster operations, and scrolling a rectangle's pixels.
#include <gtest/gtest.h>

#include "platform/draw/device_context.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/pixel_art.h"

namespace kiv::platform {
namespace {

using test::Art;
using test::BlankImage;
using test::ToArt;

const test::Palette kPalette = {{'.', clWhite}, {'#', clBlack}, {'r', clRed},
                                {'b', clBlue},  {'g', clLime},  {'y', clYellow}};

constexpr TColor kDest = RGB(0x0F, 0x33, 0xAA);
constexpr TColor kSource = RGB(0x55, 0xF0, 0x3C);
constexpr TColor kPattern = RGB(0x81, 0x7E, 0x18);

struct RopCase {
    const char* name;
    std::uint32_t rop;
    TColor expected;
};

class RasterOps : public ::testing::TestWithParam<RopCase> {};

TEST_P(RasterOps, CombineSourcePatternAndDestinationBitwise) {
    QImage src = BlankImage(1, 1, kSource);
    QImage dst = BlankImage(1, 1, kDest);
    DeviceContext s(src);
    DeviceContext d(dst);
    d.SelectBrush(Brush::Solid(kPattern));
    ASSERT_TRUE(d.BitBlt(0, 0, 1, 1, &s, 0, 0, GetParam().rop));
    EXPECT_EQ(FromQRgb(dst.pixel(0, 0)), GetParam().expected & 0xFFFFFF);
    EXPECT_EQ(qAlpha(dst.pixel(0, 0)), 255);
}

INSTANTIATE_TEST_SUITE_P(Named, RasterOps,
                         ::testing::Values(RopCase{"SRCCOPY", SRCCOPY, kSource},
                                           RopCase{"SRCPAINT", SRCPAINT, kDest | kSource},
                                           RopCase{"SRCAND", SRCAND, kDest& kSource},
                                           RopCase{"SRCINVERT", SRCINVERT, kDest ^ kSource},
                                           RopCase{"SRCERASE", SRCERASE, kSource & ~kDest},
                                           RopCase{"NOTSRCCOPY", NOTSRCCOPY, ~kSource},
                                           RopCase{"NOTSRCERASE", NOTSRCERASE, ~(kDest | kSource)},
                                           RopCase{"MERGEPAINT", MERGEPAINT, ~kSource | kDest},
                                           RopCase{"DSTINVERT", DSTINVERT, ~kDest},
                                           RopCase{"PATCOPY", PATCOPY, kPattern},
                                           RopCase{"PATINVERT", PATINVERT, kPattern ^ kDest},
                                           RopCase{"BLACKNESS", BLACKNESS, 0},
                                           RopCase{"WHITENESS", WHITENESS, 0xFFFFFF}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BitBlt, CopiesTheBlockBetweenOriginsAndClips) {
    QImage src = BlankImage(4, 2, clWhite);
    DeviceContext s(src);
    s.FillSolidRect(TRect(0, 0, 2, 1), clRed);
    s.FillSolidRect(TRect(2, 1, 4, 2), clBlue);
    s.SetWindowOrgEx(10, 10);  // the source's mapping applies to the source point

    QImage dst = BlankImage(5, 3, clWhite);
    DeviceContext d(dst);
    d.SetWindowOrgEx(-1, 0);               // logical (0,1) is device (1,1)
    d.ExcludeClipRect(TRect(2, 2, 3, 3));  // device (3,2)
    ASSERT_TRUE(d.BitBlt(0, 1, 4, 2, &s, 10, 10, SRCCOPY));
    EXPECT_EQ(ToArt(dst, kPalette), Art({".....",  //
                                         ".rr..",  //
                                         "....b"}));
}

TEST(BitBlt, SourcePixelsOutsideTheSourceImageLeaveTheDestinationAlone) {
    QImage src = BlankImage(2, 2, clRed);
    QImage dst = BlankImage(4, 1, clWhite);
    DeviceContext s(src);
    DeviceContext d(dst);
    ASSERT_TRUE(d.BitBlt(0, 0, 4, 1, &s, -1, 0, SRCCOPY));
    EXPECT_EQ(ToArt(dst, kPalette), ".rr.");
}

TEST(BitBlt, BlockFarLargerThanBothImagesCopiesTheVisiblePart) {
    QImage src = BlankImage(3, 2, clYellow);
    DeviceContext s(src);
    s.SetPixel(0, 0, clRed);
    s.SetPixel(2, 1, clBlue);
    QImage dst = BlankImage(4, 3, clWhite);
    DeviceContext d(dst);
    ASSERT_TRUE(d.BitBlt(1, 1, 1 << 20, 1 << 20, &s, 0, 0, SRCCOPY));
    EXPECT_EQ(ToArt(dst, kPalette), Art({"....",  //
                                         ".ryy",  //
                                         ".yyb"}));
}

TEST(BitBlt, OverlappingCopyWithinOneImageReadsThePixelsAsTheyWere) {
    QImage image = BlankImage(6, 1, clWhite);
    DeviceContext dc(image);
    dc.SetPixel(0, 0, clRed);
    dc.SetPixel(1, 0, clBlue);
    dc.SetPixel(2, 0, clLime);
    ASSERT_TRUE(dc.BitBlt(1, 0, 3, 1, &dc, 0, 0, SRCCOPY));
    EXPECT_EQ(ToArt(image, kPalette), "rrbg..");
    ASSERT_TRUE(dc.BitBlt(0, 0, 4, 1, &dc, 1, 0, SRCCOPY));
    EXPECT_EQ(ToArt(image, kPalette), "rbg...");
}

TEST(BitBlt, XorTwiceRestoresAndNeedsASource) {
    QImage src = BlankImage(2, 1, clYellow);
    QImage dst = BlankImage(2, 1, clBlue);
    DeviceContext s(src);
    DeviceContext d(dst);
    ASSERT_TRUE(d.BitBlt(0, 0, 2, 1, &s, 0, 0, SRCINVERT));
    EXPECT_EQ(ToArt(dst, kPalette), "..");  // yellow ^ blue = white
    ASSERT_TRUE(d.BitBlt(0, 0, 1, 1, &s, 0, 0, SRCINVERT));
    EXPECT_EQ(ToArt(dst, kPalette), "b.");
    EXPECT_FALSE(d.BitBlt(0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(d.PatBlt(0, 0, 1, 1, BLACKNESS));
    EXPECT_EQ(ToArt(dst, kPalette), "#.");
}

TEST(BitBlt, HatchedPatternUsesTheBackgroundBetweenItsLines) {
    QImage image = BlankImage(8, 1, clWhite);
    DeviceContext dc(image);
    dc.SelectBrush(Brush::Hatched(HS_VERTICAL, clRed));
    dc.SetBkColor(clBlue);
    ASSERT_TRUE(dc.PatBlt(0, 0, 8, 1, PATCOPY));
    EXPECT_EQ(ToArt(image, kPalette), "bbbbrbbb");
}

TEST(InvertRect, InvertsOnlyInsideAndClipped) {
    QImage image = BlankImage(4, 2, clWhite);
    DeviceContext dc(image);
    dc.SetWindowOrgEx(1, 0);
    dc.IntersectClipRect(TRect(1, 0, 4, 1));
    dc.InvertRect(TRect(2, 0, 9, 9));
    EXPECT_EQ(ToArt(image, kPalette), Art({".##.", "...."}));
}

TEST(ScrollDC, MovesPixelsAndReportsTheUncoveredStrip) {
    QImage image = BlankImage(4, 5, clWhite);
    DeviceContext dc(image);
    dc.FillSolidRect(TRect(0, 0, 4, 1), clRed);
    dc.FillSolidRect(TRect(0, 1, 4, 2), clBlue);
    dc.FillSolidRect(TRect(0, 4, 4, 5), clLime);
    const TRect area(0, 0, 4, 4);
    const QRegion strip = dc.ScrollDC(0, -1, area, area);
    EXPECT_EQ(ToArt(image, kPalette), Art({"bbbb", "....", "....", "....", "gggg"}));
    EXPECT_EQ(strip, QRegion(0, 3, 4, 1));
}

TEST(ScrollDC, WorksInLogicalCoordinatesAndStaysInsideTheClipRect) {
    QImage image = BlankImage(5, 2, clWhite);
    DeviceContext dc(image);
    dc.SetWindowOrgEx(10, 0);
    dc.SetPixel(10, 0, clRed);
    dc.SetPixel(11, 0, clBlue);
    dc.SetPixel(12, 0, clLime);
    const QRegion strip = dc.ScrollDC(2, 0, TRect(10, 0, 15, 1), TRect(10, 0, 14, 1));
    EXPECT_EQ(ToArt(image, kPalette), Art({"rbrb.", "....."}));
    EXPECT_EQ(strip, QRegion(10, 0, 2, 1));
}

}  // namespace
}  // namespace kiv::platform
