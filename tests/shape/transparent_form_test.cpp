// TTransparentForm: construction checks, the region builder with every combine mode, applying
// and clearing the window's shape, dragging, staying on top, and showing the shapes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "framework/design_writer.h"
#include "framework/forms/bitmap.h"
#include "framework/stdctrls/custom_group_box.h"
#include "shape/ellipse.h"
#include "shape/notify_error.h"
#include "shape/polygon.h"
#include "shape/rectangles.h"
#include "shape/trans_image.h"
#include "shape/transparent_form.h"
#include "tests/shape/shape_support.h"
#include "tests/support/forms.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {
namespace {

// A 12 x 8 borderless form at (40, 30).
class ControllerTest : public testing::Test {
protected:
    void SetUp() override { form.SetBounds(40, 30, 12, 8); }

    template <typename T>
    T& Add(const TRect& bounds, TCombineMode mode = TCombineMode::cmOR) {
        auto& control = form.Make<T>();
        control.SetParent(&form);
        control.SetBoundsRect(bounds);
        control.SetCombineMode(mode);
        return control;
    }
    TTransImage& AddImage(const TRect& bounds, const std::vector<std::string>& mask,
                          TMode mode = TMode::NT_Safe) {
        auto& image = Add<TTransImage>(bounds);
        auto picture = MaskPicture(mask);
        image.SetMask(picture.get());
        image.SetMode(mode);
        return image;
    }
    std::string Built(const TTransparentForm& controller) {
        const std::optional<QRegion> region = controller.BuildRegion();
        return region ? RegionArt(*region, 12, 8) : "none";
    }

    TShapeForm form{nullptr};
};

TEST(TransparentForm, AnOwnerThatIsNoFormIsRefusedBeforeAnythingHappens) {
    TComponent plain(nullptr);
    try {
        plain.Make<TTransparentForm>();
        FAIL() << "constructed without a form";
    } catch (const ENotifyError& error) {
        EXPECT_EQ(error.Message(), "Owner must be a TForm!");
    }
    EXPECT_EQ(plain.ComponentCount(), 0);
    EXPECT_THROW(TTransparentForm(nullptr), ENotifyError);
}

struct ModeCase {
    const char* name;
    TCombineMode mode;
    std::vector<std::string> art;
};
class CombineModes : public ControllerTest, public testing::WithParamInterface<ModeCase> {};

// The first shape, an ellipse over the whole form, is taken as it is (its own mode would cut
// everything away); the rectangle over the top right corner joins it in its own mode.
TEST_P(CombineModes, TheSecondShapeJoinsTheFirstInItsMode) {
    Add<TEllipse>({0, 0, 12, 8}, TCombineMode::cmAnd);
    Add<TRectangles>({7, 0, 12, 4}, GetParam().mode);
    auto& controller = form.Make<TTransparentForm>();
    EXPECT_EQ(Built(controller), Art(GetParam().art));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CombineModes,
    testing::Values(ModeCase{"And",
                             TCombineMode::cmAnd,
                             {".......##...", ".......####.", ".......#####", ".......#####",
                              "............", "............", "............", "............"}},
                    ModeCase{"Copy",
                             TCombineMode::cmCopy,
                             {"...######...", ".##########.", "############", "############",
                              "############", "############", ".##########.", "...######..."}},
                    ModeCase{"Difference",
                             TCombineMode::cmDifference,
                             {"...####.....", ".######.....", "#######.....", "#######.....",
                              "############", "############", ".##########.", "...######..."}},
                    ModeCase{"OR",
                             TCombineMode::cmOR,
                             {"...#########", ".###########", "############", "############",
                              "############", "############", ".##########.", "...######..."}},
                    ModeCase{"XOR",
                             TCombineMode::cmXOR,
                             {"...####..###", ".######....#", "#######.....", "#######.....",
                              "############", "############", ".##########.", "...######..."}},
                    ModeCase{"OutsideTheEnumerationJoinsNothing",
                             TCombineMode(9),
                             {"...######...", ".##########.", "############", "############",
                              "############", "############", ".##########.", "...######..."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControllerTest, OnlyEnabledShapesContributeWhetherShownOrNot) {
    auto& hidden = Add<TRectangles>({0, 0, 2, 2});
    hidden.SetVisible(false);
    auto& disabled = Add<TRectangles>({4, 0, 6, 2});
    disabled.SetEnabled(false);
    Add<TEllipse>({8, 4, 12, 8}, TCombineMode::cmXOR);
    auto& controller = form.Make<TTransparentForm>();
    EXPECT_EQ(Built(controller),
              Art({"##..........", "##..........", "............", "............", ".........##.",
                   "........####", "........####", ".........##."}));
}

TEST_F(ControllerTest, ImagesGiveTheirMaskAtTheirPlaceAndPolygonsTheirPoints) {
    AddImage({1, 1, 5, 3}, {"#..#", ".##."});
    auto& polygon = Add<TPolygon>({6, 2, 12, 8});
    polygon.Points()->Add(0, 0);
    polygon.Points()->Add(5, 0);
    polygon.Points()->Add(0, 5);
    Add<TPolygon>({0, 0, 12, 8});  // no points: nothing
    auto& controller = form.Make<TTransparentForm>();
    EXPECT_EQ(Built(controller),
              Art({"............", ".#..#.......", "..##..#####.", "......####..", "......###...",
                   "......##....", "......#.....", "............"}));
}

TEST_F(ControllerTest, AFirstImageWithoutARegionLeavesNoneAndLaterShapesAreNotJoined) {
    AddImage({0, 0, 4, 2}, {"....", "...."}, TMode::NT_Safe);
    Add<TRectangles>({0, 0, 12, 8});
    auto& controller = form.Make<TTransparentForm>();
    EXPECT_EQ(Built(controller), "none");
    EXPECT_FALSE(form.WindowRgn().has_value()) << "the window keeps its whole rectangle";
}

TEST_F(ControllerTest, AnImageWithoutBlackUnderFastMakesTheWholeWindowTransparent) {
    AddImage({0, 0, 4, 2}, {"....", "...."}, TMode::Fast);
    auto& controller = form.Make<TTransparentForm>();
    controller.SetAutoTransparent(true);
    form.Show();
    ASSERT_TRUE(form.WindowRgn().has_value());
    EXPECT_TRUE(form.WindowRgn()->isEmpty());
    QWidget* widget = QWidget::find(WindowOf(form)->winId());
    EXPECT_TRUE((widget->mask() & widget->rect()).isEmpty()) << "nothing of the window shows";
    EXPECT_TRUE(controller.AutoTransparent());
}

TEST_F(ControllerTest, AutoTransparentAppliesTheRegionAndAFormWithoutShapesGetsItsRectBack) {
    auto& rectangle = Add<TRectangles>({2, 2, 6, 6});
    auto& controller = form.Make<TTransparentForm>();
    EXPECT_FALSE(form.WindowRgn().has_value()) << "construction only sets the value";
    controller.SetAutoTransparent(true);
    ASSERT_TRUE(form.WindowRgn().has_value()) << "setting it applies the region";
    EXPECT_EQ(AppliedArt(form, 8, 7), Art({"........", "........", "..####..", "..####..",
                                           "..####..", "..####..", "........"}));
    rectangle.SetBounds(0, 0, 1, 1);
    controller.SetAutoTransparent(false);
    EXPECT_EQ(form.WindowRgn()->boundingRect(), QRect(2, 2, 4, 4)) << "false keeps the region";
    controller.SetAutoTransparent(true);
    EXPECT_EQ(AppliedArt(form, 2, 2), Art({"#.", ".."})) << "true builds it again";
    rectangle.SetEnabled(false);
    controller.SetAutoTransparent(true);
    EXPECT_FALSE(form.WindowRgn().has_value());
}

TEST_F(ControllerTest, AFramedFormsRegionIsMovedByItsFrame) {
    form.SetBorderStyle(TFormBorderStyle::bsSingle);
    form.Show();
    Add<TRectangles>({2, 1, 6, 3});
    auto& controller = form.Make<TTransparentForm>();
    const TPoint frame = form.ClientOrigin() - form.Handle().Bounds().TopLeft();
    ASSERT_NE(frame, TPoint(0, 0));
    controller.ApplyRegion();
    ASSERT_TRUE(form.WindowRgn().has_value());
    EXPECT_EQ(*form.WindowRgn(), QRegion(2 + frame.X, 1 + frame.Y, 4, 2));
    QWidget* widget = QWidget::find(WindowOf(form)->winId());
    EXPECT_EQ(widget->mask(), QRegion(2, 1, 4, 2)) << "the client area is shaped where it was";
}

TEST_F(ControllerTest, ShapesVisibleShowsAndHidesTheShapesTheFormOwnsOnEveryAssignment) {
    auto& ellipse = Add<TEllipse>({0, 0, 4, 4});
    auto& polygon = Add<TPolygon>({0, 0, 4, 4});
    auto& image = AddImage({0, 0, 4, 4}, {"#"});
    auto& box = form.Make<TCustomGroupBox>();
    box.SetParent(&form);
    auto& inner = form.Make<TRectangles>();
    inner.SetParent(&box);
    auto& controller = form.Make<TTransparentForm>();
    EXPECT_FALSE(ellipse.Visible());
    EXPECT_FALSE(polygon.Visible());
    EXPECT_FALSE(inner.Visible()) << "owned by the form, wherever it lies";
    EXPECT_TRUE(image.Visible());
    EXPECT_TRUE(box.Visible());
    controller.SetShapesVisible(true);
    EXPECT_TRUE(ellipse.Visible());
    EXPECT_TRUE(inner.Visible());
    ellipse.SetVisible(false);
    controller.SetShapesVisible(true);
    EXPECT_TRUE(ellipse.Visible()) << "the same value is applied again";
}

// Counts the times the window is hidden: changing its stay-on-top flag hides and shows it.
class HideCounter : public QObject {
public:
    int hides = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) ++hides;
        return false;
    }
};

TEST_F(ControllerTest, AlwaysOnTopTouchesTheWindowOnlyWhenItsStateDiffers) {
    auto& controller = form.Make<TTransparentForm>();
    form.Show();
    QWidget* widget = QWidget::find(WindowOf(form)->winId());
    HideCounter counter;
    widget->installEventFilter(&counter);
    controller.SetAlwaysOnTop(false);
    EXPECT_EQ(counter.hides, 0);
    controller.SetAlwaysOnTop(true);
    EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(counter.hides, 1);
    controller.SetAlwaysOnTop(true);
    EXPECT_EQ(counter.hides, 1) << "already on top: no call";
    form.SetTopmost(false);
    counter.hides = 0;
    controller.SetAlwaysOnTop(true);
    EXPECT_EQ(counter.hides, 1) << "the window's own state counts, not the stored value";
    widget->removeEventFilter(&counter);
}

// A windowless control that counts its clicks.
class TClickShape : public TGraphicControl {
public:
    explicit TClickShape(TComponent* owner) : TGraphicControl(owner) {}
    int clicks = 0;

protected:
    void Click() override { ++clicks; }
};

class Dragging : public ControllerTest {
protected:
    void SetUp() override {
        form.SetBounds(100, 100, 60, 40);
        label = &form.Make<TClickShape>();
        label->SetParent(&form);
        label->SetBounds(0, 0, 20, 20);
        box = &form.Make<TCustomGroupBox>();
        box->SetParent(&form);
        box->SetBounds(30, 0, 30, 40);
        controller = &form.Make<TTransparentForm>();
        form.Show();
        window = WindowOf(form);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(window, Qt::LeftButton, {}, from);
        moved = form.Handle().Moving();
        QTest::mouseMove(window, to);
        QTest::mouseRelease(window, Qt::LeftButton, {}, to);
        QCoreApplication::processEvents();
    }

    TClickShape* label = nullptr;
    TCustomGroupBox* box = nullptr;
    TTransparentForm* controller = nullptr;
    QWindow* window = nullptr;
    bool moved = false;
};

TEST_F(Dragging, APressOnAWindowlessControlMovesTheWindowAndMakesNoClick) {
    Drag({5, 5}, {15, 12});
    EXPECT_TRUE(moved) << "offscreen has no window-system move: the manual one runs";
    EXPECT_FALSE(form.Handle().Moving());
    EXPECT_GT(form.Left(), 100);
    EXPECT_EQ(label->clicks, 0);
    EXPECT_FALSE(label->ControlState().Contains(TControlStateItem::csLButtonDown));
}

TEST_F(Dragging, APressOnTheFormsBackgroundMovesTheWindow) {
    Drag({25, 30}, {27, 35});
    EXPECT_TRUE(moved);
}

TEST_F(Dragging, APressOnAControlWithItsOwnWindowDoesNotMoveIt) {
    Drag({40, 10}, {45, 15});
    EXPECT_FALSE(moved);
    EXPECT_EQ(form.Left(), 100);
}

TEST_F(Dragging, WithoutDragableAPressIsAnOrdinaryClick) {
    controller->SetDragable(false);
    Drag({5, 5}, {6, 6});
    EXPECT_FALSE(moved);
    EXPECT_EQ(label->clicks, 1);
}

TEST_F(Dragging, TheControllerPutsThePreviousProcedureBackWhenDestroyed) {
    form.DestroyComponent(*controller);
    Drag({5, 5}, {6, 6});
    EXPECT_FALSE(moved);
    EXPECT_EQ(label->clicks, 1);
}

TEST(TransparentFormDesign, ReadingAutoTransparentAppliesTheRegionOfTheControlsReadBefore) {
    const std::string design = R"(object Form: TShapeForm
  Left = 10
  Top = 10
  Width = 12
  Height = 8
  object First: TRectangles
    Left = 0
    Top = 0
    Width = 4
    Height = 2
    CombineMode = cmXOR
    Brush.Color = clRed
    Pen.Width = 2
  end
  object Controller: TTransparentForm
    ShapesVisible = False
    Dragable = True
    AlwaysOnTop = False
    AutoTransparent = True
  end
  object Late: TEllipse
    Left = 0
    Top = 0
    Width = 12
    Height = 8
  end
end
)";
    TShapeForm form(nullptr, design);
    EXPECT_EQ(AppliedArt(form, 6, 3), Art({"####..", "####..", "......"}));
    auto* first = dynamic_cast<TRectangles*>(form.FindComponent("First"));
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->Visible()) << "ShapesVisible hid it";

    auto* controller = dynamic_cast<TTransparentForm*>(form.FindComponent("Controller"));
    ASSERT_NE(controller, nullptr);
    controller->SetDragable(false);
    const std::string written = WriteDesign(form);
    for (const char* line :
         {"ShapesVisible = False", "Dragable = False", "AlwaysOnTop = False",
          "AutoTransparent = True", "CombineMode = cmXOR", "Brush.Color = clRed", "Pen.Width = 2"})
        EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;
}

}  // namespace
}  // namespace kiv::test
