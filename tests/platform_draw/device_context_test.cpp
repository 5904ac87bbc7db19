// DeviceContext: mapping, clip region, state stack, pixels and area fills.
#include <gtest/gtest.h>

#include "platform/draw/dc_state_guard.h"
#include "platform/draw/device_context.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/pixel_art.h"

namespace kiv::platform {
namespace {

using test::Art;
using test::BlankImage;
using test::ToArt;

const test::Palette kPalette = {{'.', clWhite}, {'#', clBlack}, {'r', clRed}, {'b', clBlue}};

TEST(DeviceContext, RejectsImagesThatAreNot32Bit) {
    QImage indexed(4, 4, QImage::Format_Indexed8);
    EXPECT_THROW(DeviceContext{indexed}, std::invalid_argument);
    QImage null;
    EXPECT_THROW(DeviceContext{null}, std::invalid_argument);
    QImage argb(2, 2, QImage::Format_ARGB32);
    EXPECT_NO_THROW(DeviceContext{argb});
}

TEST(DeviceContext, FillRectLeavesRightAndBottomEdgesOut) {
    QImage image = BlankImage(6, 5, clWhite);
    DeviceContext dc(image);
    dc.FillRect(TRect(1, 1, 4, 3), Brush::Solid(clBlack));
    EXPECT_EQ(ToArt(image, kPalette), Art({"......",  //
                                           ".###..",  //
                                           ".###..",  //
                                           "......",  //
                                           "......"}));
}

TEST(DeviceContext, FillRectWithEmptyOrInvertedRectDrawsNothingOrTheNormalisedRect) {
    QImage image = BlankImage(4, 3, clWhite);
    DeviceContext dc(image);
    dc.FillRect(TRect(2, 0, 2, 3), Brush::Solid(clBlack));
    dc.FillRect(TRect(1, 1, 1, 1), Brush::Solid(clBlack));
    EXPECT_EQ(ToArt(image, kPalette), Art({"....", "....", "...."}));
    dc.FillRect(TRect(3, 2, 1, 1), Brush::Solid(clBlack));
    EXPECT_EQ(ToArt(image, kPalette), Art({"....", ".##.", "...."}));
}

TEST(DeviceContext, WindowOriginShiftsEveryLogicalPoint) {
    QImage image = BlankImage(5, 4, clWhite);
    DeviceContext dc(image);
    EXPECT_EQ(dc.SetWindowOrgEx(2, 1), TPoint(0, 0));
    dc.FillSolidRect(TRect(2, 1, 4, 2), clBlack);  // device (0,0)-(2,1)
    dc.SetPixel(5, 4, clRed);                      // device (3,3)
    EXPECT_EQ(dc.GetPixel(5, 4), clRed);
    EXPECT_EQ(dc.LPtoDP(TPoint(5, 4)), TPoint(3, 3));
    EXPECT_EQ(dc.OffsetWindowOrgEx(-2, -1), TPoint(2, 1));
    dc.SetViewportOrgEx(1, 0);
    dc.SetPixel(0, 2, clBlue);                       // device (1,2)
    EXPECT_EQ(ToArt(image, kPalette), Art({"##...",  //
                                           ".....",  //
                                           ".b...",  //
                                           "...r."}));
}

TEST(DeviceContext, PixelsOutsideImageOrClipReadAsInvalidAndAreNotWritten) {
    QImage image = BlankImage(3, 3, clWhite);
    DeviceContext dc(image);
    EXPECT_EQ(dc.SetPixel(3, 0, clBlack), CLR_INVALID);
    EXPECT_EQ(dc.SetPixel(-1, 0, clBlack), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(0, 3), CLR_INVALID);
    dc.IntersectClipRect(TRect(1, 1, 2, 2));
    EXPECT_EQ(dc.SetPixel(0, 0, clBlack), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(0, 0), CLR_INVALID);
    EXPECT_EQ(dc.SetPixel(1, 1, clBtnShadow), RGB(128, 128, 128));
    EXPECT_EQ(ToArt(image, {{'.', clWhite}, {'g', clGray}}), Art({"...", ".g.", "..."}));
}

TEST(DeviceContext, ClipRectsCombine) {
    QImage image = BlankImage(6, 4, clWhite);
    DeviceContext dc(image);
    EXPECT_EQ(dc.IntersectClipRect(TRect(1, 0, 5, 4)), SIMPLEREGION);
    EXPECT_EQ(dc.ExcludeClipRect(TRect(2, 1, 4, 3)), COMPLEXREGION);
    EXPECT_EQ(dc.GetClipBox(), TRect(1, 0, 5, 4));
    dc.FillSolidRect(TRect(0, 0, 6, 4), clBlack);
    EXPECT_EQ(ToArt(image, kPalette), Art({".####.",  //
                                           ".#..#.",  //
                                           ".#..#.",  //
                                           ".####."}));
    EXPECT_FALSE(dc.PtVisible(2, 1));
    EXPECT_TRUE(dc.PtVisible(1, 1));
    EXPECT_EQ(dc.IntersectClipRect(TRect(2, 1, 4, 3)), NULLREGION);
    EXPECT_EQ(dc.GetClipBox(), TRect());
}

TEST(DeviceContext, ClipRegionIsInDeviceCoordinatesWhileClipRectsAreLogical) {
    QImage image = BlankImage(4, 3, clWhite);
    DeviceContext dc(image);
    dc.SetWindowOrgEx(10, 0);
    const QRegion deviceRegion(QRect(0, 0, 2, 3));
    EXPECT_EQ(dc.SelectClipRgn(&deviceRegion), SIMPLEREGION);
    EXPECT_EQ(dc.GetClipBox(), TRect(10, 0, 12, 3));
    dc.ExcludeClipRect(TRect(10, 1, 11, 2));  // device (0,1)
    dc.FillSolidRect(TRect(10, 0, 14, 3), clBlack);
    EXPECT_EQ(ToArt(image, kPalette), Art({"##..", ".#..", "##.."}));
    dc.SelectClipRgn(nullptr);
    EXPECT_FALSE(dc.GetClipRgn().has_value());
    dc.FillSolidRect(TRect(13, 0, 14, 3), clRed);
    EXPECT_EQ(ToArt(image, kPalette), Art({"##.r", ".#.r", "##.r"}));
}

TEST(DeviceContext, OffsetClipRgnMovesTheRegion) {
    QImage image = BlankImage(4, 1, clWhite);
    DeviceContext dc(image);
    dc.IntersectClipRect(TRect(0, 0, 1, 1));
    dc.OffsetClipRgn(2, 0);
    dc.FillSolidRect(TRect(0, 0, 4, 1), clBlack);
    EXPECT_EQ(ToArt(image, kPalette), "..#.");
}

TEST(DeviceContext, SaveAndRestoreBringBackEveryAttribute) {
    QImage image = BlankImage(4, 4, clWhite);
    DeviceContext dc(image);
    const int level = dc.SaveDC();
    EXPECT_EQ(level, 1);
    dc.SetWindowOrgEx(3, 3);
    dc.IntersectClipRect(TRect(3, 3, 4, 4));
    dc.SetTextColor(clRed);
    dc.SetBkColor(clBlue);
    dc.SetBkMode(TRANSPARENT);
    dc.SetROP2(R2_XORPEN);
    Font f;
    f.name = "Terminal";
    dc.SelectFont(f);
    dc.SelectBrush(Brush::Clear());
    dc.SelectPen(Pen::Null());
    dc.MoveToEx(2, 2);
    EXPECT_EQ(dc.SaveDC(), 2);
    EXPECT_TRUE(dc.RestoreDC(level));
    EXPECT_EQ(dc.SavedDepth(), 0);
    EXPECT_EQ(dc.GetWindowOrgEx(), TPoint(0, 0));
    EXPECT_FALSE(dc.GetClipRgn().has_value());
    EXPECT_EQ(dc.GetTextColor(), clBlack);
    EXPECT_EQ(dc.GetBkColor(), clWhite);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    EXPECT_EQ(dc.GetFont(), Font{});
    EXPECT_EQ(dc.GetBrush(), Brush{});
    EXPECT_EQ(dc.GetPen(), Pen{});
    EXPECT_EQ(dc.GetCurrentPositionEx(), TPoint(0, 0));
    dc.FillSolidRect(TRect(0, 0, 1, 1), clBlack);  // the restored clip lets this through
    EXPECT_EQ(dc.GetPixel(0, 0), clBlack);
}

TEST(DeviceContext, RestoreDCCountsRelativeAndRejectsBadLevels) {
    QImage image = BlankImage(1, 1, clWhite);
    DeviceContext dc(image);
    EXPECT_FALSE(dc.RestoreDC(-1));
    dc.SetTextColor(clRed);
    dc.SaveDC();
    dc.SetTextColor(clLime);
    dc.SaveDC();
    dc.SetTextColor(clBlue);
    EXPECT_FALSE(dc.RestoreDC(3));
    EXPECT_FALSE(dc.RestoreDC(0));
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetTextColor(), clLime);
    EXPECT_EQ(dc.SavedDepth(), 1);
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetTextColor(), clRed);
    EXPECT_FALSE(dc.RestoreDC(-1));
}

TEST(DcStateGuard, RestoresOnScopeExitAndOnException) {
    QImage image = BlankImage(1, 1, clWhite);
    DeviceContext dc(image);
    {
        DcStateGuard guard(dc);
        dc.SetWindowOrgEx(5, 5);
        EXPECT_EQ(dc.SavedDepth(), 1);
    }
    EXPECT_EQ(dc.GetWindowOrgEx(), TPoint(0, 0));
    EXPECT_EQ(dc.SavedDepth(), 0);
    try {
        DcStateGuard guard(dc);
        dc.SetTextColor(clRed);
        throw std::runtime_error("paint failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(dc.GetTextColor(), clBlack);
    EXPECT_EQ(dc.SavedDepth(), 0);
}

TEST(DeviceContext, FrameRectDrawsOnePixelBorderInside) {
    QImage image = BlankImage(6, 5, clWhite);
    DeviceContext dc(image);
    dc.FrameRect(TRect(1, 0, 5, 4), Brush::Solid(clBlack));
    dc.FrameRect(TRect(0, 4, 1, 5), Brush::Solid(clRed));
    EXPECT_EQ(ToArt(image, kPalette), Art({".####.",  //
                                           ".#..#.",  //
                                           ".#..#.",  //
                                           ".####.",  //
                                           "r....."}));
}

TEST(DeviceContext, HatchedBrushFollowsBackgroundMode) {
    QImage image = BlankImage(8, 8, clWhite);
    DeviceContext dc(image);
    dc.SetBkColor(clBlue);
    dc.SetBkMode(OPAQUE);
    dc.FillRect(TRect(0, 0, 8, 2), Brush::Hatched(HS_BDIAGONAL, clBlack));
    dc.SetBkMode(TRANSPARENT);
    dc.FillRect(TRect(0, 2, 8, 8), Brush::Hatched(HS_CROSS, clRed));
    EXPECT_EQ(ToArt(image, kPalette), Art({"bbbbbbb#",  //
                                           "bbbbbb#b",  //
                                           "....r...",  //
                                           "....r...",  //
                                           "rrrrrrrr",  //
                                           "....r...",  //
                                           "....r...",  //
                                           "....r..."}));
}

struct HatchCase {
    const char* name;
    HatchStyle style;
    std::vector<std::string> art;
};

class HatchPatterns : public ::testing::TestWithParam<HatchCase> {};

TEST_P(HatchPatterns, RepeatEveryEightPixelsFromTheBrushOrigin) {
    QImage image = BlankImage(8, 8, clWhite);
    DeviceContext dc(image);
    dc.SetBkMode(TRANSPARENT);
    dc.FillRect(TRect(0, 0, 8, 8), Brush::Hatched(GetParam().style, clBlack));
    EXPECT_EQ(ToArt(image, kPalette), Art(GetParam().art));
    // Moving the window origin does not move the pattern: it is anchored to the device.
    QImage moved = BlankImage(8, 8, clWhite);
    DeviceContext other(moved);
    other.SetBkMode(TRANSPARENT);
    other.SetWindowOrgEx(3, 5);
    other.FillRect(TRect(3, 5, 11, 13), Brush::Hatched(GetParam().style, clBlack));
    EXPECT_EQ(ToArt(moved, kPalette), Art(GetParam().art));
}

INSTANTIATE_TEST_SUITE_P(
    Styles, HatchPatterns,
    ::testing::Values(HatchCase{"Horizontal",
                                HS_HORIZONTAL,
                                {"........", "........", "........", "........", "########",
                                 "........", "........", "........"}},
                      HatchCase{"Vertical",
                                HS_VERTICAL,
                                {"....#...", "....#...", "....#...", "....#...", "....#...",
                                 "....#...", "....#...", "....#..."}},
                      HatchCase{"FDiagonal",
                                HS_FDIAGONAL,
                                {"#.......", ".#......", "..#.....", "...#....", "....#...",
                                 ".....#..", "......#.", ".......#"}},
                      HatchCase{"DiagCross",
                                HS_DIAGCROSS,
                                {"#......#", ".#....#.", "..#..#..", "...##...", "...##...",
                                 "..#..#..", ".#....#.", "#......#"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::platform
