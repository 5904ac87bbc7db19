// The shared drawing routines: shadowed text and its measuring rule, the parent's background
// behind a windowed control, and tiled bitmaps.
#include "controls/cool_utils.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string>

#include "controls/cool_group_box.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/form.h"
#include "framework/forms/picture.h"
#include "framework/stdctrls/image.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

using platform::DeviceContext;
using platform::DrawText;
using platform::DT_CALCRECT;
using platform::FromQRgb;

struct MeasureCase {
    const char* name;
    TShadowPosition position;
    std::uint8_t size;
    TRect measured;  // "Exit" from (0, 0): 24 x 8 in the Terminal face
    friend void PrintTo(const MeasureCase& c, std::ostream* os) { *os << c.name; }
};

class ShadowMeasure : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(ShadowMeasure, IncludesTheTextsOffsetButNotTheShadowsOverhang) {
    const MeasureCase& c = GetParam();
    QImage image = BlankImage(1, 1, clBlack);
    DeviceContext dc(image);
    SelectTerminalText(dc, clWhite);
    TRect rect(0, 0, 100, 20);
    DrawTextWithShadow(dc, rect, c.position, "Exit", DT_CALCRECT, clWhite, clBlue, c.size);
    EXPECT_EQ(rect, c.measured);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, ShadowMeasure,
    ::testing::Values(
        MeasureCase{"LeftTopMovesBothWays", TShadowPosition::spLeftTop, 1, {1, 1, 25, 9}},
        MeasureCase{"LeftBottomMovesRight", TShadowPosition::spLeftBottom, 1, {1, 0, 25, 8}},
        MeasureCase{"RightBottomStaysPut", TShadowPosition::spRightBottom, 1, {0, 0, 24, 8}},
        MeasureCase{"RightTopMovesDown", TShadowPosition::spRightTop, 1, {0, 1, 24, 9}},
        MeasureCase{"LeftTopSizeThree", TShadowPosition::spLeftTop, 3, {3, 3, 27, 11}},
        MeasureCase{"SizeZeroStaysPut", TShadowPosition::spLeftTop, 0, {0, 0, 24, 8}},
        MeasureCase{"UnknownPositionStaysPut", static_cast<TShadowPosition>(9), 2, {0, 0, 24, 8}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DrawCase {
    const char* name;
    TShadowPosition position;
    TPoint text;    // where the text pass lands from (2, 2) with size 1
    TPoint shadow;  // where the shadow pass lands
    friend void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }
};

class ShadowDraw : public ::testing::TestWithParam<DrawCase> {};

TEST_P(ShadowDraw, DrawsTheShadowFirstThenTheTextAtTheirOffsets) {
    const DrawCase& c = GetParam();
    QImage image = BlankImage(30, 14, clBlack);
    DeviceContext dc(image);
    dc.SelectFont(TerminalFont());
    dc.SetBkMode(platform::TRANSPARENT);
    TRect rect(2, 2, 30, 14);
    DrawTextWithShadow(dc, rect, c.position, "Ab", 0, clWhite, clBtnShadow, 1);
    const QImage expected = Reference(30, 14, clBlack, [&](DeviceContext& ref) {
        SelectTerminalText(ref, clBtnShadow);
        TRect s(c.shadow.X, c.shadow.Y, 30, 14);
        DrawText(ref, "Ab", s, 0);
        ref.SetTextColor(clWhite);
        TRect t(c.text.X, c.text.Y, 30, 14);
        DrawText(ref, "Ab", t, 0);
    });
    EXPECT_EQ(DifferingPixels(image, expected), 0);
    EXPECT_EQ(rect.TopLeft(), c.text) << "the rectangle comes back moved as the text pass was";
    EXPECT_EQ(dc.GetTextColor(), clWhite);
    EXPECT_EQ(dc.GetBkMode(), platform::TRANSPARENT);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, ShadowDraw,
    ::testing::Values(DrawCase{"LeftTop", TShadowPosition::spLeftTop, {3, 3}, {2, 2}},
                      DrawCase{"LeftBottom", TShadowPosition::spLeftBottom, {3, 2}, {2, 3}},
                      DrawCase{"RightBottom", TShadowPosition::spRightBottom, {2, 2}, {3, 3}},
                      DrawCase{"RightTop", TShadowPosition::spRightTop, {2, 3}, {3, 2}},
                      DrawCase{"Unknown", static_cast<TShadowPosition>(4), {2, 2}, {2, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrawTextWithShadow, SizeZeroShowsOnlyTheTextColour) {
    QImage image = BlankImage(30, 10, clBlack);
    DeviceContext dc(image);
    SelectTerminalText(dc, clWhite);
    for (auto position : {TShadowPosition::spLeftTop, TShadowPosition::spRightBottom}) {
        TRect rect(0, 0, 30, 10);
        DrawTextWithShadow(dc, rect, position, "Exit", 0, clLime, clBlue, 0);
        EXPECT_EQ(rect, TRect(0, 0, 30, 10));
    }
    int lime = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 30; ++x) {
            const TColor c = FromQRgb(image.pixel(x, y));
            ASSERT_TRUE(c == clLime || c == clBlack) << x << "," << y;
            lime += c == clLime;
        }
    EXPECT_GT(lime, 20);
}

TEST(DrawTextWithShadow, SizeZeroOverAnOpaqueBackgroundStillFillsTheCellsOnce) {
    QImage image = BlankImage(30, 10, clBlack);
    DeviceContext dc(image);
    dc.SelectFont(TerminalFont());
    dc.SetBkMode(platform::OPAQUE);
    dc.SetBkColor(clNavy);
    TRect rect(0, 0, 30, 10);
    DrawTextWithShadow(dc, rect, TShadowPosition::spRightBottom, "Ab", 0, clWhite, clRed, 0);
    const QImage expected = Reference(30, 10, clBlack, [](DeviceContext& ref) {
        ref.SelectFont(TerminalFont());
        ref.FillSolidRect({0, 0, 12, 8}, clNavy);
        ref.SetBkMode(platform::TRANSPARENT);
        ref.SetTextColor(clWhite);
        TRect r(0, 0, 30, 10);
        DrawText(ref, "Ab", r, 0);
    });
    EXPECT_EQ(DifferingPixels(image, expected), 0) << "the shadow pass fills, the text covers it";
}

// A form (without a window) 40 x 30, black, with a red 10 x 10 image at (2, 2), a lime one at
// (8, 8) above it, and a windowed blue box at (20, 0): the parent's background as the routine
// must see it.
class ParentBackground : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetBorderStyle(TFormBorderStyle::bsNone);
        form.SetBounds(0, 0, 40, 30);
        form.SetColor(clBlack);
        AddImage(TRect(2, 2, 12, 12), clRed);
        AddImage(TRect(8, 8, 18, 18), clLime);
        auto& sibling = form.Make<TCoolGroupBox>();
        sibling.SetParent(&form);
        sibling.SetBounds(20, 0, 20, 30);
        sibling.SetColor(clBlue);
        box.SetParent(&form);
        box.SetBounds(5, 4, 20, 20);
    }

    void AddImage(const TRect& bounds, TColor color) {
        auto& image = form.Make<TImage>();
        image.SetParent(&form);
        image.SetBoundsRect(bounds);
        TBitmap bitmap;
        bitmap.SetSize(bounds.Width(), bounds.Height());
        bitmap.SetImage(BlankImage(bounds.Width(), bounds.Height(), color));
        image.Picture()->SetBitmap(&bitmap);
    }

    static TColor FormAt(int x, int y) {
        if (TRect(8, 8, 18, 18).Contains({x, y})) return clLime;
        if (TRect(2, 2, 12, 12).Contains({x, y})) return clRed;
        return clBlack;
    }

    TForm form{nullptr};
    TCoolGroupBox& box = form.Make<TCoolGroupBox>();
};

TEST_F(ParentBackground, PaintsWhatTheParentShowsAtTheControlsPlaceWithoutWindowedSiblings) {
    QImage image = BlankImage(20, 20, clWhite);
    DeviceContext dc(image);
    PaintParentBackground(&box, dc);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(FromQRgb(image.pixel(x, y)), FormAt(x + 5, y + 4)) << x << "," << y;
    EXPECT_EQ(dc.SavedDepth(), 0);
    EXPECT_EQ(dc.GetWindowOrgEx(), TPoint(0, 0));
}

TEST_F(ParentBackground, WithoutAParentNothingIsDrawn) {
    box.SetParent(nullptr);
    QImage image = BlankImage(20, 20, clWhite);
    DeviceContext dc(image);
    PaintParentBackground(&box, dc);
    PaintParentBackground(nullptr, dc);
    EXPECT_EQ(DifferingPixels(image, BlankImage(20, 20, clWhite)), 0);
}

TEST_F(ParentBackground, ClippedPaintsOnlyTheRectangleAndGivesTheClipBack) {
    QImage image = BlankImage(20, 20, clWhite);
    DeviceContext dc(image);
    dc.IntersectClipRect({0, 0, 15, 15});
    PaintParentBackgroundClipped(&box, dc, {2, 3, 8, 6});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const TColor want = TRect(2, 3, 8, 6).Contains({x, y}) ? FormAt(x + 5, y + 4) : clWhite;
            ASSERT_EQ(FromQRgb(image.pixel(x, y)), want) << x << "," << y;
        }
    EXPECT_EQ(dc.GetClipBox(), TRect(0, 0, 15, 15));
}

// A 30 x 20 bitmap whose every pixel differs from the others.
std::unique_ptr<TBitmap> Wallpaper30x20() {
    QImage pixels(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            pixels.setPixel(x, y,
                            platform::ToQRgb(RGB(std::uint8_t(x * 8), std::uint8_t(y * 12), 77)));
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(pixels);
    return bitmap;
}

TEST(DrawTiledBitmap, RepeatsTheBitmapInRowsAndColumnsCutByTheRectangle) {
    const auto owned = Wallpaper30x20();
    const TBitmap& bitmap = *owned;
    QImage image = BlankImage(110, 60, clWhite);
    DeviceContext dc(image);
    DrawTiledBitmap(dc, bitmap, {5, 5, 105, 55}, platform::SRCCOPY, true);
    int corners = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 110; ++x) {
            const bool inside = TRect(5, 5, 105, 55).Contains({x, y});
            const QRgb want = inside ? bitmap.Image().pixel((x - 5) % 30, (y - 5) % 20)
                                     : platform::ToQRgb(clWhite);
            ASSERT_EQ(image.pixel(x, y), want) << x << "," << y;
            corners += image.pixel(x, y) == bitmap.Image().pixel(0, 0);
        }
    EXPECT_EQ(corners, 4 * 3) << "4 x 3 copies";
    // The last column and row of copies show 10 of the bitmap's columns and rows.
    EXPECT_EQ(image.pixel(104, 54), bitmap.Image().pixel(9, 9));
}

TEST(DrawTiledBitmap, WithoutTilingCopiesThePartAtTheRectanglesOwnPlace) {
    const auto owned = Wallpaper30x20();
    const TBitmap& bitmap = *owned;
    QImage image = BlankImage(50, 30, clWhite);
    DeviceContext dc(image);
    DrawTiledBitmap(dc, bitmap, {10, 5, 40, 25}, platform::SRCCOPY, false);
    EXPECT_EQ(image.pixel(10, 5), bitmap.Image().pixel(10, 5));
    EXPECT_EQ(image.pixel(29, 19), bitmap.Image().pixel(29, 19));
    EXPECT_EQ(FromQRgb(image.pixel(35, 10)), clWhite) << "beyond the bitmap nothing is copied";
    EXPECT_EQ(FromQRgb(image.pixel(9, 5)), clWhite);
}

}  // namespace
}  // namespace kiv::test
