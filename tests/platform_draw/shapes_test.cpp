// Lines, rectangles, ellipses and polygons, pixel by pixel.
#include <gtest/gtest.h>

#include <functional>

#include "platform/draw/device_context.h"
#include "tests/support/pixel_art.h"

namespace kiv::platform {
namespace {

using test::Art;
using test::BlankImage;
using test::ToArt;

const test::Palette kPalette = {
    {'.', clWhite}, {'#', clBlack}, {'r', clRed}, {'b', clBlue}, {'c', clAqua}};

struct ShapeCase {
    const char* name;
    int width;
    int height;
    std::function<void(DeviceContext&)> draw;
    std::vector<std::string> art;
};

class Shapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(Shapes, DrawExactlyThesePixels) {
    const ShapeCase& c = GetParam();
    QImage image = BlankImage(c.width, c.height, clWhite);
    DeviceContext dc(image);
    dc.SelectBrush(Brush::Solid(clRed));
    c.draw(dc);
    EXPECT_EQ(ToArt(image, kPalette), Art(c.art));
}

void Line(DeviceContext& dc, int x0, int y0, int x1, int y1) {
    dc.MoveToEx(x0, y0);
    dc.LineTo(x1, y1);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Shapes,
    ::testing::Values(ShapeCase{"HorizontalLeavesEndOut",
                                6,
                                3,
                                [](DeviceContext& dc) { Line(dc, 1, 1, 5, 1); },
                                {"......", ".####.", "......"}},
                      ShapeCase{"LeftwardLeavesEndOut",
                                6,
                                3,
                                [](DeviceContext& dc) { Line(dc, 5, 1, 1, 1); },
                                {"......", "..####", "......"}},
                      ShapeCase{"VerticalLeavesEndOut",
                                3,
                                5,
                                [](DeviceContext& dc) { Line(dc, 1, 0, 1, 4); },
                                {".#.", ".#.", ".#.", ".#.", "..."}},
                      ShapeCase{"Diagonal",
                                5,
                                5,
                                [](DeviceContext& dc) { Line(dc, 0, 0, 4, 4); },
                                {"#....", ".#...", "..#..", "...#.", "....."}},
                      ShapeCase{"ShallowSlopeSteps",
                                7,
                                3,
                                [](DeviceContext& dc) { Line(dc, 0, 0, 6, 2); },
                                {"##.....", "..###..", ".....#."}},
                      ShapeCase{"SteepUpward",
                                3,
                                5,
                                [](DeviceContext& dc) { Line(dc, 0, 4, 2, 0); },
                                {"...", ".#.", ".#.", "#..", "#.."}},
                      ShapeCase{"ZeroLengthDrawsNothing",
                                3,
                                3,
                                [](DeviceContext& dc) { Line(dc, 1, 1, 1, 1); },
                                {"...", "...", "..."}},
                      ShapeCase{"NullPenDrawsNothing",
                                4,
                                1,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    Line(dc, 0, 0, 4, 0);
                                },
                                {"...."}},
                      ShapeCase{"WidePenIsCentred",
                                6,
                                5,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Solid(clBlue, 3));
                                    Line(dc, 1, 2, 4, 2);
                                },
                                {"......", "bbbbb.", "bbbbb.", "bbbbb.", "......"}},
                      ShapeCase{"PolylineDrawsEachVertexOnceAndLeavesTheLastOut",
                                5,
                                5,
                                [](DeviceContext& dc) {
                                    const TPoint pts[] = {{0, 0}, {3, 0}, {3, 3}, {1, 3}};
                                    dc.Polyline(pts);
                                },
                                {"####.", "...#.", "...#.", "..##.", "....."}},
                      ShapeCase{"XorPenInvertsTwiceDrawnPixelsBack",
                                5,
                                1,
                                [](DeviceContext& dc) {
                                    dc.SetROP2(R2_XORPEN);
                                    dc.SelectPen(Pen::Solid(clWhite));
                                    Line(dc, 0, 0, 4, 0);
                                    Line(dc, 2, 0, 5, 0);
                                },
                                {"##..#"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Areas, Shapes,
    ::testing::Values(ShapeCase{"RectangleOutlineAndInside",
                                6,
                                5,
                                [](DeviceContext& dc) { dc.Rectangle(1, 1, 5, 4); },
                                {"......", ".####.", ".#rr#.", ".####.", "......"}},
                      ShapeCase{"RectangleCornersInEitherOrder",
                                6,
                                5,
                                [](DeviceContext& dc) { dc.Rectangle(5, 4, 1, 1); },
                                {"......", ".####.", ".#rr#.", ".####.", "......"}},
                      ShapeCase{"RectangleNullPenFillsOnePixelLess",
                                6,
                                5,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    dc.Rectangle(1, 1, 5, 4);
                                },
                                {"......", ".rrr..", ".rrr..", "......", "......"}},
                      ShapeCase{"RectangleClearBrushOnlyOutlines",
                                5,
                                4,
                                [](DeviceContext& dc) {
                                    dc.SelectBrush(Brush::Clear());
                                    dc.Rectangle(0, 0, 5, 4);
                                },
                                {"#####", "#...#", "#...#", "#####"}},
                      ShapeCase{"RectangleWidePenCentredOnEdges",
                                7,
                                7,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Solid(clBlack, 3));
                                    dc.Rectangle(1, 1, 6, 6);
                                },
                                {"#######", "#######", "#######", "###r###", "#######", "#######",
                                 "#######"}},
                      ShapeCase{"EllipseTouchesEachSideOnce",
                                8,
                                8,
                                [](DeviceContext& dc) { dc.Ellipse(0, 0, 8, 8); },
                                {"..####..", ".#rrrr#.", "#rrrrrr#", "#rrrrrr#", "#rrrrrr#",
                                 "#rrrrrr#", ".#rrrr#.", "..####.."}},
                      ShapeCase{"EllipseNullPenFillsOnePixelLess",
                                9,
                                9,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    dc.Ellipse(0, 0, 9, 9);
                                },
                                {"..rrrr...", ".rrrrrr..", "rrrrrrrr.", "rrrrrrrr.", "rrrrrrrr.",
                                 "rrrrrrrr.", ".rrrrrr..", "..rrrr...", "........."}},
                      ShapeCase{"HugeEllipseReachesItsLeftEdgeOnTheMiddleRows",
                                4,
                                4,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    dc.SetWindowOrgEx(-2, 27998);
                                    dc.Ellipse(0, 0, 56001, 56001);
                                },
                                {"..rr", "..rr", "..rr", "..rr"}},
                      ShapeCase{"FlatEllipseIsALine",
                                5,
                                3,
                                [](DeviceContext& dc) { dc.Ellipse(0, 1, 5, 2); },
                                {".....", "#####", "....."}},
                      ShapeCase{"PolygonFillMeetsItsOutline",
                                8,
                                8,
                                [](DeviceContext& dc) {
                                    const TPoint pts[] = {{0, 0}, {6, 0}, {0, 6}};
                                    dc.Polygon(pts);
                                },
                                {"#######.", "#rrrr#..", "#rrr#...", "#rr#....", "#r#.....",
                                 "##......", "#.......", "........"}},
                      ShapeCase{"PolygonNullPenFill",
                                8,
                                8,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    const TPoint pts[] = {{0, 0}, {6, 0}, {0, 6}};
                                    dc.Polygon(pts);
                                },
                                {"rrrrrr..", "rrrrr...", "rrrr....", "rrr.....", "rr......",
                                 "r.......", "........", "........"}},
                      ShapeCase{"PolygonAlternateFillLeavesAHole",
                                8,
                                8,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    const TPoint pts[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 0},
                                                          {2, 2}, {2, 6}, {6, 6}, {6, 2}, {2, 2}};
                                    dc.Polygon(pts);
                                },
                                {"rrrrrrrr", "rrrrrrrr", "rr....rr", "rr....rr", "rr....rr",
                                 "rr....rr", "rrrrrrrr", "rrrrrrrr"}},
                      ShapeCase{"PolygonTracedTwiceIsEmptyUnderAlternate",
                                4,
                                4,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    const TPoint pts[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4},
                                                          {0, 0}, {4, 0}, {4, 4}, {0, 4}};
                                    dc.Polygon(pts);
                                },
                                {"....", "....", "....", "...."}},
                      ShapeCase{"RectangularPolygonOutlinesBothEdges",
                                6,
                                6,
                                [](DeviceContext& dc) {
                                    const TPoint pts[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
                                    dc.Polygon(pts);
                                },
                                {"......", ".####.", ".#rr#.", ".#rr#.", ".####.", "......"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Arc and Pie on an 8 x 8 box: its centre is (4, 4), so radials through (8, 4), (4, 0), (0, 4)
// and (4, 8) are the four half axes, and each quarter of the box is one quadrant. A radius along
// pixel edges takes the pixels on the sweep's side. In the XOR case the brush (red) turns the
// white inside aqua and the white pen turns the outline black: drawn twice, a pixel would be
// white again.
INSTANTIATE_TEST_SUITE_P(
    Sweeps, Shapes,
    ::testing::Values(ShapeCase{"PieFromRightToTopIsTheUpperRightQuarter",
                                8,
                                8,
                                [](DeviceContext& dc) { dc.Pie(0, 0, 8, 8, 8, 4, 4, 0); },
                                {"....##..", "....#r#.", "....#rr#", "....####", "........",
                                 "........", "........", "........"}},
                      ShapeCase{"PieRunsCounterclockwiseFromTopToRight",
                                8,
                                8,
                                [](DeviceContext& dc) { dc.Pie(0, 0, 8, 8, 4, 0, 8, 4); },
                                {"..##....", ".#r#....", "#rr#....", "#rr#....", "#rrr####",
                                 "#rrrrrr#", ".#rrrr#.", "..####.."}},
                      ShapeCase{"PieWithOneRadialIsTheWholeEllipse",
                                8,
                                8,
                                [](DeviceContext& dc) { dc.Pie(0, 0, 8, 8, 0, 1, 0, 1); },
                                {"..####..", ".#rrrr#.", "#rrrrrr#", "#rrrrrr#", "#rrrrrr#",
                                 "#rrrrrr#", ".#rrrr#.", "..####.."}},
                      ShapeCase{"PieWithTheNullPenFillsOnePixelLess",
                                9,
                                9,
                                [](DeviceContext& dc) {
                                    dc.SelectPen(Pen::Null());
                                    dc.Pie(0, 0, 9, 9, 0, 4, 9, 4);
                                },
                                {".........", ".........", ".........", ".........", "rrrrrrrr.",
                                 "rrrrrrrr.", ".rrrrrr..", "..rrrr...", "........."}},
                      ShapeCase{"ArcDrawsOnlyThatPartOfTheOutline",
                                8,
                                8,
                                [](DeviceContext& dc) { dc.Arc(0, 0, 8, 8, 0, 4, 8, 4); },
                                {"........", "........", "........", "........", "#......#",
                                 "#......#", ".#....#.", "..####.."}},
                      ShapeCase{"XorPieDrawsEachPixelOnce",
                                8,
                                8,
                                [](DeviceContext& dc) {
                                    dc.SetROP2(R2_XORPEN);
                                    dc.SelectPen(Pen::Solid(clWhite));
                                    dc.Pie(0, 0, 8, 8, 8, 0, 0, 0);
                                },
                                {"..####..", ".#cccc#.", "..#cc#..", "...##...", "........",
                                 "........", "........", "........"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::platform
