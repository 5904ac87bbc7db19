// TCoolBevel: the background fill before the outline, and the folder dialog's frame.
#include "controls/cool_bevel.h"

#include <gtest/gtest.h>

#include "framework/forms/bitmap.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

using platform::FromQRgb;

// s: button shadow, w: highlight, f: button face, k: the background under the bevel.
const Palette kPalette = {
    {'s', clBtnShadow}, {'w', clBtnHighlight}, {'f', clBtnFace}, {'k', clBlack}, {'r', clRed}};

struct BevelCase {
    const char* name;
    bool transparent;
    bool wallpaper;
    std::vector<std::string> art;  // a 5 x 4 bsBox, bsLowered
    friend void PrintTo(const BevelCase& c, std::ostream* os) { *os << c.name; }
};

class CoolBevelFill : public ::testing::TestWithParam<BevelCase> {};

TEST_P(CoolBevelFill, FillsWhenNotTransparentThenDrawsTheOutline) {
    const BevelCase& c = GetParam();
    TCoolBevel bevel(nullptr);
    bevel.SetBounds(0, 0, 5, 4);
    bevel.SetTransparent(c.transparent);
    if (c.wallpaper) {
        TBitmap tile;
        tile.SetImage(FromArt({"r"}, kPalette));
        bevel.SetWallpaper(&tile);
    }
    EXPECT_EQ(ToArt(PaintControl(bevel, 5, 4, clBlack), kPalette), Art(c.art));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoolBevelFill,
    ::testing::Values(
        BevelCase{"TransparentByDefault", true, false, {"ssssw", "skkkw", "skkkw", "swwww"}},
        BevelCase{"OpaqueFillsWithButtonFace", false, false, {"ssssw", "sfffw", "sfffw", "swwww"}},
        BevelCase{"OpaqueTilesItsWallpaper", false, true, {"ssssw", "srrrw", "srrrw", "swwww"}},
        BevelCase{
            "TransparentIgnoresTheWallpaper", true, true, {"ssssw", "skkkw", "skkkw", "swwww"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CoolBevel, DefaultsAreTheFolderDialogsSunkenBox) {
    TCoolBevel bevel(nullptr);
    EXPECT_TRUE(bevel.Transparent());
    EXPECT_EQ(bevel.Color(), clBtnFace);
    EXPECT_FALSE(bevel.ParentColor());
    EXPECT_EQ(bevel.Shape(), TBevelShape::bsBox);
    EXPECT_EQ(bevel.Style(), TBevelStyle::bsLowered);
    EXPECT_EQ(bevel.IdWallpaper(), -1);
    bevel.SetBounds(2, 2, 235, 167);
    const QImage image = PaintControl(bevel, 235, 167, clBlack);
    EXPECT_EQ(FromQRgb(image.pixel(0, 0)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(FromQRgb(image.pixel(0, 166)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(FromQRgb(image.pixel(234, 0)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(FromQRgb(image.pixel(234, 166)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(FromQRgb(image.pixel(100, 80)), clBlack);
}

}  // namespace
}  // namespace kiv::test
