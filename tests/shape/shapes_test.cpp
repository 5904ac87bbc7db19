// TEllipse, TRectangles and TMyBrush: their start, the colour of the combine mode, and drawing
// that agrees with the region pixel for pixel.
#include <gtest/gtest.h>

#include "framework/forms/pen.h"
#include "platform/draw/qt_convert.h"
#include "platform/draw/regions.h"
#include "shape/ellipse.h"
#include "shape/my_brush.h"
#include "shape/rectangles.h"
#include "tests/shape/shape_support.h"
#include "tests/support/forms.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {
namespace {

template <typename Shape>
class ShapeTest : public testing::Test {
protected:
    Shape& Make() { return form.Make<Shape>(); }
    TShapeForm form{nullptr};
};
using ShapeTypes = testing::Types<TEllipse, TRectangles>;
TYPED_TEST_SUITE(ShapeTest, ShapeTypes);

TYPED_TEST(ShapeTest, StartsAt65By65HatchedWhiteAndCombiningWithOr) {
    auto& shape = this->Make();
    EXPECT_EQ(shape.Width(), 65);
    EXPECT_EQ(shape.Height(), 65);
    EXPECT_EQ(shape.Brush()->Style(), TBrushStyle::bsBDiagonal);
    EXPECT_EQ(shape.Brush()->Color(), clWhite);
    EXPECT_EQ(shape.CombineMode(), TCombineMode::cmOR);
}

TYPED_TEST(ShapeTest, TheCombineModeColoursAHatchedBrushOnlyWhenItChanges) {
    auto& shape = this->Make();
    const std::pair<TCombineMode, TColor> table[] = {
        {TCombineMode::cmAnd, clRed},           {TCombineMode::cmXOR, clGray},
        {TCombineMode::cmDifference, clSilver}, {TCombineMode::cmCopy, clWhite},
        {TCombineMode::cmAnd, clRed},           {TCombineMode::cmOR, clWhite}};
    for (const auto& [mode, colour] : table) {
        shape.SetCombineMode(mode);
        EXPECT_EQ(shape.Brush()->Color(), colour) << int(mode);
    }
    shape.Brush()->SetColor(clBlue);
    shape.SetCombineMode(TCombineMode::cmOR);
    EXPECT_EQ(shape.Brush()->Color(), clBlue) << "the same mode keeps a colour set by hand";
    shape.Brush()->SetStyle(TBrushStyle::bsSolid);
    shape.SetCombineMode(TCombineMode::cmAnd);
    EXPECT_EQ(shape.Brush()->Color(), clBlue) << "a solid brush keeps its colour";
}

TYPED_TEST(ShapeTest, ChangingThePenOrBrushRepaints) {
    auto& shape = this->Make();
    shape.SetParent(&this->form);
    shape.SetBounds(0, 0, 10, 10);
    this->form.SetBounds(0, 0, 20, 20);
    this->form.Show();
    this->form.Update();
    TPen pen;
    pen.SetColor(clRed);
    shape.SetPen(&pen);
    EXPECT_EQ(shape.Pen()->Color(), clRed);
    this->form.Update();
    EXPECT_EQ(platform::FromQRgb(this->form.Handle().Surface().pixel(0, 5)), clRed);
}

// What the region holds for a shape at (0, 0) of this size.
QRegion RegionOf(const TControl& shape) {
    if (dynamic_cast<const TEllipse*>(&shape))
        return platform::CreateEllipticRgn(0, 0, shape.Width(), shape.Height());
    return platform::CreateRectRgn(0, 0, shape.Width(), shape.Height());
}

TYPED_TEST(ShapeTest, WithAOnePixelPenItsPaintedPixelsAreItsRegion) {
    auto& shape = this->Make();
    shape.SetBounds(0, 0, 23, 14);
    shape.Brush()->SetStyle(TBrushStyle::bsSolid);
    shape.Brush()->SetColor(clBlack);
    const QImage painted = PaintControl(shape, 30, 20, clWhite);
    EXPECT_EQ(RegionArt(RegionOfColour(painted, clBlack), 30, 20),
              RegionArt(RegionOf(shape), 30, 20));
}

TYPED_TEST(ShapeTest, AWidePenStaysInsideTheControlAndItsOutlineOnTheRegionsEdge) {
    auto& shape = this->Make();
    shape.SetBounds(0, 0, 21, 15);
    shape.Pen()->SetWidth(3);
    shape.Pen()->SetColor(clRed);
    shape.Brush()->SetStyle(TBrushStyle::bsClear);
    const QImage painted = PaintControl(shape, 30, 20, clWhite);
    const QRegion outline = RegionOfColour(painted, clRed);
    EXPECT_TRUE((outline - RegionOf(shape)).isEmpty()) << "no pen pixel outside the shape";
    EXPECT_TRUE(outline.contains(QPoint(10, 0))) << "the outline reaches the top edge";
    EXPECT_TRUE(outline.contains(QPoint(10, 14))) << "and the bottom one";
}

TEST(MyBrush, ADesignThatLeavesColourAndStyleOutMeansWhiteBackDiagonals) {
    const std::string design = R"(object Form: TShapeForm
  object Plain: TEllipse
  end
  object Solid: TRectangles
    Brush.Style = bsSolid
    Brush.Color = clNavy
  end
end
)";
    TShapeForm form(nullptr, design);
    auto* plain = dynamic_cast<TEllipse*>(form.FindComponent("Plain"));
    auto* solid = dynamic_cast<TRectangles*>(form.FindComponent("Solid"));
    ASSERT_TRUE(plain && solid);
    EXPECT_EQ(plain->Brush()->Style(), TBrushStyle::bsBDiagonal);
    EXPECT_EQ(plain->Brush()->Color(), clWhite);
    EXPECT_EQ(solid->Brush()->Style(), TBrushStyle::bsSolid);
    EXPECT_EQ(solid->Brush()->Color(), clNavy);
}

}  // namespace
}  // namespace kiv::test
