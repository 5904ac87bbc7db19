// Regions with the device context's pixels: ellipses and polygons agree with what is painted,
// rectangle lists build the same region in any order, and CombineRgn's modes.
#include <gtest/gtest.h>

#include <vector>

#include "platform/draw/regions.h"
#include "tests/support/pixel_art.h"

namespace kiv::platform {
namespace {

using test::Art;
using test::RegionArt;
using test::RegionFromArt;
using test::RegionOfColour;

// Whether two regions hold the same pixels, whatever their rectangle lists.
bool SamePixels(const QRegion& a, const QRegion& b) {
    return (a ^ b).isEmpty();
}

// The pixels a drawing call paints in black on white.
QRegion Painted(int width, int height, const std::function<void(DeviceContext&)>& draw) {
    const QImage image = test::Reference(width, height, clWhite, [&](DeviceContext& dc) {
        dc.SelectBrush(Brush::Solid(clBlack));
        dc.SelectPen(Pen::Solid(clBlack));
        draw(dc);
    });
    return RegionOfColour(image, clBlack);
}

struct BoxCase {
    const char* name;
    TRect box;
};
class EllipticRegion : public testing::TestWithParam<BoxCase> {};

TEST_P(EllipticRegion, HoldsExactlyThePixelsOfTheEllipseDrawnWithAOnePixelPen) {
    const TRect b = GetParam().box;
    const QRegion region = CreateEllipticRgn(b.Left, b.Top, b.Right, b.Bottom);
    const QRegion painted =
        Painted(80, 80, [&](DeviceContext& dc) { dc.Ellipse(b.Left, b.Top, b.Right, b.Bottom); });
    EXPECT_FALSE(painted.isEmpty());
    EXPECT_EQ(RegionArt(region, 80, 80), RegionArt(painted, 80, 80));
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, EllipticRegion,
    testing::Values(BoxCase{"OnePixel", {3, 3, 4, 4}}, BoxCase{"TwoByThree", {1, 2, 3, 5}},
                    BoxCase{"WideAndFlat", {0, 10, 31, 14}}, BoxCase{"Square", {5, 5, 15, 15}},
                    BoxCase{"ShapeDefault", {7, 9, 72, 74}}, BoxCase{"TallOdd", {40, 1, 53, 78}},
                    BoxCase{"CornersSwapped", {30, 40, 2, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EllipticRegion, SmallEllipseIsTheseRows) {
    EXPECT_EQ(RegionArt(CreateEllipticRgn(1, 1, 9, 6), 10, 7), Art({
                                                                   "..........",
                                                                   "...####...",
                                                                   ".########.",
                                                                   ".########.",
                                                                   ".########.",
                                                                   "...####...",
                                                                   "..........",
                                                               }));
    EXPECT_TRUE(CreateEllipticRgn(4, 4, 4, 9).isEmpty()) << "no width, no pixels";
}

struct PolygonCase {
    const char* name;
    std::vector<TPoint> points;
    PolyFillMode mode;
    std::vector<std::string> art;
};
class PolygonRegion : public testing::TestWithParam<PolygonCase> {};

TEST_P(PolygonRegion, HoldsTheseExactPixels) {
    const PolygonCase& c = GetParam();
    const int width = int(c.art[0].size());
    const int height = int(c.art.size());
    EXPECT_EQ(RegionArt(CreatePolygonRgn(c.points, c.mode), width, height), Art(c.art));
}

// The pentagram's points in drawing order; its centre is wound twice.
const std::vector<TPoint> kStar = {{5, 0}, {8, 10}, {0, 3}, {10, 3}, {2, 10}};

INSTANTIATE_TEST_SUITE_P(
    Shapes, PolygonRegion,
    testing::Values(
        PolygonCase{"SquareKeepsItsLeftAndTopEdgesOnly",
                    {{1, 1}, {5, 1}, {5, 4}, {1, 4}},
                    ALTERNATE,
                    {"......", ".####.", ".####.", ".####.", "......"}},
        PolygonCase{"Triangle",
                    {{0, 0}, {6, 0}, {0, 6}},
                    ALTERNATE,
                    {"######", "#####.", "####..", "###...", "##....", "#....."}},
        PolygonCase{
            "StarAlternateLeavesTheCentreOut",
            kStar,
            ALTERNATE,
            {"..........", ".....#....", ".....#....", "#####.####", "..##...##.", "...#...#..",
             "..........", "...##.##..", "...##.##..", "...#...#..", ".........."}},
        PolygonCase{
            "StarWindingFillsTheCentre",
            kStar,
            WINDING,
            {"..........", ".....#....", ".....#....", "##########", "..#######.", "...#####..",
             "....###...", "...#####..", "...##.##..", "...#...#..", ".........."}},
        PolygonCase{"TwoPointsHaveNoInside", {{0, 0}, {4, 4}}, ALTERNATE, {"....", "...."}},
        PolygonCase{
            "UnknownModeGivesNothing", {{0, 0}, {3, 0}, {3, 2}}, PolyFillMode(7), {"...", "..."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PolygonRegion, IsWhatPolygonFillsAndItsOutlineStartsOnIt) {
    const std::vector<TPoint> points = {{2, 1}, {17, 4}, {12, 15}, {9, 6}, {1, 12}};
    const QRegion region = CreatePolygonRgn(points, ALTERNATE);
    const QRegion filled = Painted(20, 20, [&](DeviceContext& dc) {
        dc.SelectPen(Pen::Null());
        dc.Polygon(points);
    });
    EXPECT_EQ(RegionArt(region, 20, 20), RegionArt(filled, 20, 20));
    const QRegion outline = Painted(20, 20, [&](DeviceContext& dc) {
        dc.SelectBrush(Brush::Clear());
        dc.Polygon(points);
    });
    EXPECT_TRUE(SamePixels(region | outline,
                           Painted(20, 20, [&](DeviceContext& dc) { dc.Polygon(points); })))
        << "region and outline together are the painted polygon";
}

TEST(RegionFromRects, AScannedListIsTheCanonicalRegionOfItsPixels) {
    const std::vector<std::string> art = {
        "##..###.", "##..###.", "........", ".#.#.#.#", "######..", "######..",
    };
    std::vector<TRect> rects;
    for (int y = 0; y < int(art.size()); ++y)
        for (int x = 0; x < int(art[y].size()); ++x) {
            if (art[y][x] != '#') continue;
            int end = x;
            while (end < int(art[y].size()) && art[y][end] == '#') ++end;
            rects.emplace_back(x, y, end, y + 1);
            x = end;
        }
    const QRegion scanned = RegionFromRects(rects);
    EXPECT_EQ(RegionArt(scanned, 8, 6), Art(art));
    // Rows with the same runs make one band: rows 0-1 and rows 4-5 each give theirs once.
    EXPECT_EQ(scanned.rectCount(), 2 + 4 + 1);
    EXPECT_TRUE(SamePixels(scanned, RegionFromArt(art)));
}

TEST(RegionFromRects, AnyOrderAndOverlapGiveTheUnionAndEmptyRectanglesNothing) {
    const std::vector<TRect> rects = {{4, 2, 6, 5}, {0, 0, 3, 3}, {2, 2, 5, 3}, {9, 9, 9, 12}};
    EXPECT_EQ(RegionArt(RegionFromRects(rects), 7, 5), Art({
                                                           "###....",
                                                           "###....",
                                                           "######.",
                                                           "....##.",
                                                           "....##.",
                                                       }));
    EXPECT_TRUE(RegionFromRects({}).isEmpty());
}

struct CombineCase {
    const char* name;
    int mode;
    RegionType type;
    std::vector<std::string> art;
};
class CombineRegion : public testing::TestWithParam<CombineCase> {};

// a is the left square, b the right one; they share the middle column.
const QRegion kA = RegionFromArt({"###..", "###..", "###.."});
const QRegion kB = RegionFromArt({"..###", "..###", "..###"});

TEST_P(CombineRegion, CombinesTheFirstWithTheSecondInItsMode) {
    QRegion dest = RegionFromArt({"#...."});
    EXPECT_EQ(CombineRgn(dest, kA, kB, GetParam().mode), GetParam().type);
    EXPECT_EQ(RegionArt(dest, 5, 3), Art(GetParam().art));
    QRegion accumulated = kA;
    CombineRgn(accumulated, accumulated, kB, GetParam().mode);
    EXPECT_EQ(RegionArt(accumulated, 5, 3), Art(GetParam().art)) << "into its own first operand";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CombineRegion,
    testing::Values(CombineCase{"And", RGN_AND, SIMPLEREGION, {"..#..", "..#..", "..#.."}},
                    CombineCase{"Or", RGN_OR, SIMPLEREGION, {"#####", "#####", "#####"}},
                    CombineCase{"Xor", RGN_XOR, COMPLEXREGION, {"##.##", "##.##", "##.##"}},
                    CombineCase{"Diff", RGN_DIFF, SIMPLEREGION, {"##...", "##...", "##..."}},
                    CombineCase{"Copy", RGN_COPY, SIMPLEREGION, {"###..", "###..", "###.."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CombineRegion, AnUnknownModeLeavesTheDestinationAlone) {
    QRegion dest = RegionFromArt({"#...."});
    EXPECT_EQ(CombineRgn(dest, kA, kB, 0), RGN_ERROR);
    EXPECT_EQ(CombineRgn(dest, kA, kB, 6), RGN_ERROR);
    EXPECT_EQ(RegionArt(dest, 5, 1), "#....");
    QRegion empty;
    EXPECT_EQ(CombineRgn(empty, kA, kB, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(empty, kA, kA, RGN_DIFF), NULLREGION);
}

}  // namespace
}  // namespace kiv::platform
