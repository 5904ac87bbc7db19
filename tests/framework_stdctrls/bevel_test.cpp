// TBevel: the lines of every shape in both styles, pixel by pixel.
#include <gtest/gtest.h>

#include "framework/stdctrls/bevel.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

// '.': untouched background; s: button shadow; w: button highlight.
const Palette kPalette = {{'.', clBlack}, {'s', clBtnShadow}, {'w', clBtnHighlight}};

struct BevelCase {
    const char* name;
    TBevelShape shape;
    TBevelStyle style;
    std::vector<std::string> art;  // 5 x 4
    friend void PrintTo(const BevelCase& c, std::ostream* os) { *os << c.name; }
};

class BevelShapes : public ::testing::TestWithParam<BevelCase> {};

TEST_P(BevelShapes, DrawsTheLinesOfItsShape) {
    const BevelCase& c = GetParam();
    TBevel bevel(nullptr);
    bevel.SetBounds(0, 0, 5, 4);
    bevel.SetShape(c.shape);
    bevel.SetStyle(c.style);
    EXPECT_EQ(ToArt(PaintControl(bevel, 5, 4, clBlack), kPalette), Art(c.art));
}

using enum TBevelShape;
using enum TBevelStyle;

INSTANTIATE_TEST_SUITE_P(
    Cases, BevelShapes,
    ::testing::Values(
        BevelCase{"BoxLowered", bsBox, bsLowered, {"ssssw", "s...w", "s...w", "swwww"}},
        BevelCase{"BoxRaised", bsBox, bsRaised, {"wwwws", "w...s", "w...s", "wssss"}},
        BevelCase{"FrameLowered", bsFrame, bsLowered, {"ssss.", "swwsw", "ssssw", ".wwww"}},
        BevelCase{"FrameRaised", bsFrame, bsRaised, {"wwww.", "wssws", "wwwws", ".ssss"}},
        BevelCase{"TopLine", bsTopLine, bsLowered, {"sssss", "wwwww", ".....", "....."}},
        BevelCase{"BottomLineRaised", bsBottomLine, bsRaised, {".....", ".....", "wwwww", "sssss"}},
        BevelCase{"LeftLine", bsLeftLine, bsLowered, {"sw...", "sw...", "sw...", "sw..."}},
        BevelCase{"RightLine", bsRightLine, bsLowered, {"...sw", "...sw", "...sw", "...sw"}},
        BevelCase{"Spacer", bsSpacer, bsLowered, {".....", ".....", ".....", "....."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BevelTest, DefaultsToALoweredBoxAndDrawsOnlyTheOutline) {
    TBevel bevel(nullptr);
    EXPECT_EQ(bevel.Shape(), bsBox);
    EXPECT_EQ(bevel.Style(), bsLowered);
    bevel.SetBounds(0, 0, 235, 167);
    QImage image = PaintControl(bevel, 235, 167, clBlack);
    int outline = 0;
    for (int y = 0; y < 167; ++y)
        for (int x = 0; x < 235; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0) ++outline;
    EXPECT_EQ(outline, 2 * 235 + 2 * 167 - 4);
    EXPECT_EQ(ToArt(image.copy(0, 165, 2, 2), kPalette), Art({"s.", "sw"}));
    EXPECT_EQ(ToArt(image.copy(233, 0, 2, 2), kPalette), Art({"sw", ".w"}));
}

}  // namespace
}  // namespace kiv::test
