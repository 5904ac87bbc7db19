// TImage: AutoSize, placement of the picture (plain, Center, Stretch) and transparency.
#include <gtest/gtest.h>

#include <memory>

#include "framework/forms/bitmap.h"
#include "framework/forms/picture.h"
#include "framework/forms/win_control.h"
#include "framework/stdctrls/image.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

const Palette kPalette = {
    {'.', clFuchsia}, {'r', clRed}, {'g', clLime}, {'b', clBlue}, {'y', clYellow}};

void SetPictureArt(TImage& image, const std::vector<std::string>& rows) {
    TBitmap bitmap;
    bitmap.SetImage(FromArt(rows, kPalette));
    image.Picture()->SetBitmap(&bitmap);
}

struct AutoSizeCase {
    const char* name;
    bool autoSizeFirst;  // AutoSize switched on before the picture arrives
    bool autoSizeLater;  // ... or after it
    TRect expected;
    friend void PrintTo(const AutoSizeCase& c, std::ostream* os) { *os << c.name; }
};

class ImageAutoSize : public ::testing::TestWithParam<AutoSizeCase> {};

TEST_P(ImageAutoSize, FollowsThePictureOnlyWhenOn) {
    const AutoSizeCase& c = GetParam();
    TImage image(nullptr);
    image.SetBounds(4, 5, 20, 10);
    if (c.autoSizeFirst) image.SetAutoSize(true);
    SetPictureArt(image, {"rgb", "gby"});
    if (c.autoSizeLater) image.SetAutoSize(true);
    EXPECT_EQ(image.BoundsRect(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageAutoSize,
    ::testing::Values(AutoSizeCase{"Off", false, false, {4, 5, 24, 15}},
                      AutoSizeCase{"OnBeforeThePicture", true, false, {4, 5, 7, 7}},
                      AutoSizeCase{"SwitchedOnAfterThePicture", false, true, {4, 5, 7, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageAutoSizeTest, AnEmptyPictureLeavesTheSizeAlone) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 9, 8);
    image.SetAutoSize(true);
    image.Picture()->Assign(nullptr);
    EXPECT_EQ(image.BoundsRect(), TRect(0, 0, 9, 8));
}

struct PlacementCase {
    const char* name;
    int width, height;
    bool center, stretch;
    std::vector<std::string> picture;
    std::vector<std::string> expected;
    friend void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }
};

class ImagePlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(ImagePlacement, DrawsThePictureWhereTheSettingsSay) {
    const PlacementCase& c = GetParam();
    TImage image(nullptr);
    image.SetBounds(0, 0, c.width, c.height);
    image.SetCenter(c.center);
    image.SetStretch(c.stretch);
    SetPictureArt(image, c.picture);
    EXPECT_EQ(ToArt(PaintControl(image, c.width, c.height, clFuchsia), kPalette), Art(c.expected));
}

const std::vector<std::string> kTwoByTwo = {"rb", "gy"};

INSTANTIATE_TEST_SUITE_P(
    Cases, ImagePlacement,
    ::testing::Values(
        PlacementCase{"TopLeftAtItsOwnSize",
                      6,
                      4,
                      false,
                      false,
                      kTwoByTwo,
                      {"rb....", "gy....", "......", "......"}},
        PlacementCase{
            "Centred", 6, 4, true, false, kTwoByTwo, {"......", "..rb..", "..gy..", "......"}},
        PlacementCase{"CentringRoundsTowardTheTopLeft",
                      5,
                      5,
                      true,
                      false,
                      kTwoByTwo,
                      {".....", ".rb..", ".gy..", ".....", "....."}},
        PlacementCase{
            "Stretched", 6, 4, false, true, kTwoByTwo, {"rrrbbb", "rrrbbb", "gggyyy", "gggyyy"}},
        PlacementCase{"StretchedAndCentredFillsTheControl",
                      6,
                      4,
                      true,
                      true,
                      kTwoByTwo,
                      {"rrrbbb", "rrrbbb", "gggyyy", "gggyyy"}},
        PlacementCase{"LargerPictureCentredShowsItsMiddle",
                      2,
                      2,
                      true,
                      false,
                      {"rrbb", "rgyb", "gbry", "ggyy"},
                      {"gy", "br"}},
        PlacementCase{"LargerPictureIsCutAtTheRightAndBottom",
                      2,
                      2,
                      false,
                      false,
                      {"rrbb", "rgyb", "gbry", "ggyy"},
                      {"rr", "rg"}}),
    [](const auto& info) { return std::string(info.param.name); });

const std::vector<std::string> kKeyedPicture = {"rgr", "grg", "gbb"};  // bottom-left: g

struct TransparencyCase {
    const char* name;
    bool transparent;
    std::vector<std::string> expected;
    friend void PrintTo(const TransparencyCase& c, std::ostream* os) { *os << c.name; }
};

class ImageTransparency : public ::testing::TestWithParam<TransparencyCase> {};

TEST_P(ImageTransparency, ShowsTheParentThroughTheBottomLeftColour) {
    const TransparencyCase& c = GetParam();
    TWinControl parent(nullptr);
    parent.SetBounds(0, 0, 5, 5);
    parent.SetColor(clYellow);
    TImage image(nullptr);
    image.SetBounds(1, 1, 3, 3);
    image.SetParent(&parent);
    SetPictureArt(image, kKeyedPicture);
    image.SetTransparent(c.transparent);
    EXPECT_EQ(ToArt(PaintControl(parent, 5, 5, clFuchsia), kPalette), Art(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageTransparency,
    ::testing::Values(
        TransparencyCase{"Opaque", false, {"yyyyy", "yrgry", "ygrgy", "ygbby", "yyyyy"}},
        TransparencyCase{"Transparent", true, {"yyyyy", "yryry", "yyryy", "yybby", "yyyyy"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageTransparencyTest, APictureLoadedLaterTakesTheFlagToo) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 3, 3);
    image.SetTransparent(true);
    SetPictureArt(image, kKeyedPicture);
    EXPECT_EQ(ToArt(PaintControl(image, 3, 3, clFuchsia), kPalette), Art({"r.r", ".r.", ".bb"}));
}

struct OpaqueCase {
    const char* name;
    int width, height;
    bool stretch, transparent;
    bool opaque;
    friend void PrintTo(const OpaqueCase& c, std::ostream* os) { *os << c.name; }
};

class ImageOpaqueness : public ::testing::TestWithParam<OpaqueCase> {};

// The parent skips erasing under an opaque control, so a wrong flag leaves stale pixels.
TEST_P(ImageOpaqueness, IsOpaqueOnlyWhenAnUntransparentPictureCoversIt) {
    const OpaqueCase& c = GetParam();
    TImage image(nullptr);
    SetPictureArt(image, kKeyedPicture);
    image.SetStretch(c.stretch);
    image.SetTransparent(c.transparent);
    image.SetBounds(0, 0, c.width, c.height);
    EXPECT_EQ(image.ControlStyle().Contains(TControlStyleItem::csOpaque), c.opaque);
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageOpaqueness,
                         ::testing::Values(OpaqueCase{"Covers", 3, 3, false, false, true},
                                           OpaqueCase{"SmallerThanThePicture", 2, 2, false, false,
                                                      true},
                                           OpaqueCase{"TooSmall", 4, 3, false, false, false},
                                           OpaqueCase{"Stretched", 9, 9, true, false, true},
                                           OpaqueCase{"Transparent", 3, 3, false, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::test
