// TRect's Windows rules and the system colour table.
#include <gtest/gtest.h>

#include "platform/draw/color.h"
#include "platform/draw/rect.h"

namespace kiv {
namespace {

TEST(TRect, RightAndBottomLieOutside) {
    const TRect r(2, 3, 5, 7);
    EXPECT_EQ(r.Width(), 3);
    EXPECT_EQ(r.Height(), 4);
    EXPECT_TRUE(r.Contains(TPoint(2, 3)));
    EXPECT_TRUE(r.Contains(TPoint(4, 6)));
    EXPECT_FALSE(r.Contains(TPoint(5, 6)));
    EXPECT_FALSE(r.Contains(TPoint(4, 7)));
    EXPECT_FALSE(r.Contains(TPoint(1, 3)));
}

TEST(TRect, EmptyWhenRightOrBottomDoNotPassLeftOrTop) {
    EXPECT_TRUE(TRect(3, 0, 3, 5).IsEmpty());
    EXPECT_TRUE(TRect(0, 4, 5, 4).IsEmpty());
    EXPECT_TRUE(TRect(5, 0, 3, 5).IsEmpty());
    EXPECT_FALSE(TRect(0, 0, 1, 1).IsEmpty());
    EXPECT_FALSE(TRect(0, 0, 0, 5).Contains(TPoint(0, 0)));
}

struct RectCase {
    const char* name;
    TRect a;
    TRect b;
    TRect intersection;
    TRect unionRect;
};

class TRectPairs : public ::testing::TestWithParam<RectCase> {};

TEST_P(TRectPairs, IntersectAndUnion) {
    const RectCase& c = GetParam();
    EXPECT_EQ(c.a.Intersect(c.b), c.intersection);
    EXPECT_EQ(c.b.Intersect(c.a), c.intersection);
    EXPECT_EQ(c.a.Union(c.b), c.unionRect);
    EXPECT_EQ(c.b.Union(c.a), c.unionRect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TRectPairs,
    ::testing::Values(
        RectCase{"Overlapping", {0, 0, 4, 4}, {2, 1, 6, 3}, {2, 1, 4, 3}, {0, 0, 6, 4}},
        RectCase{"TouchingEdgesShareNoPixel", {0, 0, 4, 4}, {4, 0, 8, 4}, {}, {0, 0, 8, 4}},
        RectCase{"Nested", {0, 0, 10, 10}, {3, 3, 5, 5}, {3, 3, 5, 5}, {0, 0, 10, 10}},
        RectCase{"EmptyOperandIgnoredByUnion", {1, 1, 3, 3}, {7, 7, 7, 9}, {}, {1, 1, 3, 3}},
        RectCase{"Disjoint", {0, 0, 2, 2}, {5, 5, 6, 6}, {}, {0, 0, 6, 6}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TRect, OffsetInflateAndNormalize) {
    TRect r(1, 2, 4, 6);
    r.Offset(10, -2);
    EXPECT_EQ(r, TRect(11, 0, 14, 4));
    r.Inflate(1, 2);
    EXPECT_EQ(r, TRect(10, -2, 15, 6));
    r.Inflate(-2, -3);
    EXPECT_EQ(r, TRect(12, 1, 13, 3));
    EXPECT_EQ(TRect(5, 6, 1, 2).Normalized(), TRect(1, 2, 5, 6));
    EXPECT_TRUE(TRect(0, 0, 10, 10).Contains(TRect(0, 0, 10, 10)));
    EXPECT_FALSE(TRect(0, 0, 10, 10).Contains(TRect(0, 0, 11, 10)));
}

TEST(ColorToRGB, PlainColoursKeepTheirBgrBytes) {
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    EXPECT_EQ(GetRValue(clRed), 255);
    EXPECT_EQ(GetBValue(clBlue), 255);
    EXPECT_EQ(RGB(1, 2, 3), 0x030201u);
    EXPECT_EQ(ColorToRGB(clNone), 0xFFFFFFu);
}

struct SysCase {
    const char* name;
    TColor ref;
    TColor rgb;
};

class SystemColours : public ::testing::TestWithParam<SysCase> {};

TEST_P(SystemColours, ResolveThroughTheClassicTable) {
    EXPECT_EQ(ColorToRGB(GetParam().ref), GetParam().rgb);
}

INSTANTIATE_TEST_SUITE_P(
    Windows2000, SystemColours,
    ::testing::Values(SysCase{"BtnFace", clBtnFace, RGB(212, 208, 200)},
                      SysCase{"BtnShadow", clBtnShadow, RGB(128, 128, 128)},
                      SysCase{"BtnHighlight", clBtnHighlight, RGB(255, 255, 255)},
                      SysCase{"DkShadow", cl3DDkShadow, RGB(64, 64, 64)},
                      SysCase{"Window", clWindow, RGB(255, 255, 255)},
                      SysCase{"WindowFrame", clWindowFrame, RGB(0, 0, 0)},
                      SysCase{"Highlight", clHighlight, RGB(10, 36, 106)},
                      SysCase{"Background", clBackground, RGB(58, 110, 165)},
                      SysCase{"InfoBk", clInfoBk, RGB(255, 255, 225)},
                      SysCase{"RawButtonHighlightValue", TColor(0x80000014), RGB(255, 255, 255)},
                      SysCase{"UnknownIndexIsBlack", TColor(0x80000063), RGB(0, 0, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv
