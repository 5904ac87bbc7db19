// DrawEdge: ring order, colours and corners of the classic 3-D borders.
#include <gtest/gtest.h>

#include "platform/draw/draw_edge.h"
#include "tests/support/pixel_art.h"

namespace kiv::platform {
namespace {

using test::Art;
using test::BlankImage;
using test::ToArt;

// m: untouched background; f: 3-D light (= button face); w: highlight; s: shadow; k: dark shadow.
const test::Palette kPalette = {{'m', clFuchsia},
                                {'f', cl3DLight},
                                {'w', clBtnHighlight},
                                {'s', clBtnShadow},
                                {'k', cl3DDkShadow}};

struct EdgeCase {
    const char* name;
    TRect rect;
    unsigned edge;
    unsigned flags;
    std::vector<std::string> art;
    TRect after;
};

class DrawEdges : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(DrawEdges, PaintRingsInSystemColours) {
    const EdgeCase& c = GetParam();
    QImage image = BlankImage(int(c.art[0].size()), int(c.art.size()), clFuchsia);
    DeviceContext dc(image);
    TRect r = c.rect;
    EXPECT_TRUE(DrawEdge(dc, r, c.edge, c.flags));
    EXPECT_EQ(ToArt(image, kPalette), Art(c.art));
    EXPECT_EQ(r, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawEdges,
    ::testing::Values(EdgeCase{"Raised",
                               {0, 0, 6, 5},
                               EDGE_RAISED,
                               BF_RECT,
                               {"fffffk", "fwwwsk", "fwmmsk", "fssssk", "kkkkkk"},
                               {0, 0, 6, 5}},
                      EdgeCase{"Sunken",
                               {0, 0, 6, 5},
                               EDGE_SUNKEN,
                               BF_RECT,
                               {"sssssw", "skkkfw", "skmmfw", "sffffw", "wwwwww"},
                               {0, 0, 6, 5}},
                      EdgeCase{"LoneInnerPartDrawsOnTheOutermostPixels",
                               {0, 0, 4, 3},
                               BDR_RAISEDINNER,
                               BF_RECT,
                               {"wwws", "wmms", "ssss"},
                               {0, 0, 4, 3}},
                      EdgeCase{"SunkenInnerAlone",
                               {1, 1, 5, 4},
                               BDR_SUNKENINNER,
                               BF_RECT,
                               {"mmmmmm", "mkkkfm", "mkmmfm", "mffffm", "mmmmmm"},
                               {1, 1, 5, 4}},
                      EdgeCase{"TopLeftOnlyWithAdjust",
                               {0, 0, 5, 4},
                               EDGE_SUNKEN,
                               BF_TOPLEFT | BF_ADJUST,
                               {"sssss", "skkkk", "skmmm", "skmmm"},
                               {2, 2, 5, 4}},
                      EdgeCase{"EtchedWithMiddleAndAdjust",
                               {0, 0, 5, 5},
                               EDGE_ETCHED,
                               BF_RECT | BF_MIDDLE | BF_ADJUST,
                               {"ssssw", "swwsw", "swfsw", "ssssw", "wwwww"},
                               {2, 2, 3, 3}},
                      EdgeCase{"BottomRightOnly",
                               {0, 0, 4, 3},
                               BDR_RAISEDOUTER,
                               BF_BOTTOMRIGHT,
                               {"mmmk", "mmmk", "kkkk"},
                               {0, 0, 4, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrawEdge, NoBorderNamedDrawsNothing) {
    QImage image = BlankImage(3, 3, clFuchsia);
    DeviceContext dc(image);
    TRect r(0, 0, 3, 3);
    EXPECT_FALSE(DrawEdge(dc, r, 0, BF_RECT));
    EXPECT_FALSE(DrawEdge(dc, r, BDR_RAISEDOUTER | BDR_SUNKENOUTER, BF_RECT));
    EXPECT_EQ(ToArt(image, kPalette), Art({"mmm", "mmm", "mmm"}));
}

}  // namespace
}  // namespace kiv::platform
