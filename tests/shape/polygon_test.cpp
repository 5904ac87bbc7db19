// TPolygon and its point list: notices, drawing, the right-button editor, the point limit and
// designs.
#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>

#include "framework/design_writer.h"
#include "framework/forms/pen.h"
#include "framework/modal.h"
#include "platform/draw/qt_convert.h"
#include "platform/draw/regions.h"
#include "shape/my_brush.h"
#include "shape/polygon.h"
#include "tests/shape/shape_support.h"
#include "tests/support/forms.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {
namespace {

class PolygonTest : public testing::Test {
protected:
    void SetUp() override {
        polygon.SetOnChange([this](TObject* sender) {
            ++notices;
            lastSender = sender;
        });
    }
    TShapeForm form{nullptr};
    TPolygon& polygon = form.Make<TPolygon>();
    int notices = 0;
    TObject* lastSender = nullptr;
};

TEST_F(PolygonTest, StartsEmptyAt150By104InTheDrawState) {
    EXPECT_EQ(polygon.Width(), 150);
    EXPECT_EQ(polygon.Height(), 104);
    EXPECT_EQ(polygon.Points()->Count(), 0);
    EXPECT_TRUE(polygon.DrawingEnabled());
    EXPECT_FALSE(polygon.HidePoints());
    EXPECT_FALSE(polygon.HideButtons());
    EXPECT_EQ(polygon.State(), TPolygon::EditState::Draw);
    EXPECT_EQ(polygon.HotButton(), -1);
    EXPECT_EQ(polygon.Brush()->Style(), TBrushStyle::bsBDiagonal);
}

TEST_F(PolygonTest, TheListTellsOfEachPointAddedDeletedOrMovedButNotOfClearing) {
    TPoints& points = *polygon.Points();
    points.Add(3, 4);
    EXPECT_EQ(notices, 2) << "once created, once placed";
    EXPECT_EQ(lastSender, &points);
    points.Item(0)->SetX(3);
    EXPECT_EQ(notices, 2) << "the same x";
    points.Item(0)->SetX(5);
    points.Item(0)->SetY(6);
    EXPECT_EQ(notices, 4);
    points.Delete(7);
    points.Delete(-1);
    EXPECT_EQ(notices, 4) << "outside the list: ignored";
    EXPECT_EQ(points.Count(), 1);
    TPoints copy(nullptr);
    copy.Add(1, 1);
    copy.Add(2, 2);
    copy.Add(3, 3);
    polygon.SetPoints(&copy);
    EXPECT_EQ(notices, 7) << "one per point created";
    EXPECT_EQ(points.Item(2)->Point(), TPoint(3, 3));
    points.Delete(0);
    EXPECT_EQ(notices, 8);
    points.Clear();
    EXPECT_EQ(notices, 8);
}

TEST_F(PolygonTest, OnePointDrawsNoPolygonOnlyItsFrameHandleAndTools) {
    polygon.SetBounds(0, 0, 40, 104);
    polygon.Points()->Add(10, 10);
    polygon.Brush()->SetStyle(TBrushStyle::bsSolid);
    polygon.Brush()->SetColor(clBlue);
    const QImage painted = PaintControl(polygon, 40, 104, clWhite);
    EXPECT_EQ(RegionArt(RegionOfColour(painted, clBlue), 40, 20),
              RegionArt(QRegion(9, 9, 2, 2), 40, 20))
        << "only the handle's inside is filled";
    EXPECT_EQ(RegionArt(RegionOfColour(painted, clLime), 14, 14),
              RegionArt(QRegion(8, 8, 4, 4) - QRegion(9, 9, 2, 2), 14, 14));
    EXPECT_EQ(platform::FromQRgb(painted.pixel(0, 50)), clBlack) << "the frame";
    EXPECT_EQ(platform::FromQRgb(painted.pixel(40 - 21, 1)), clYellow) << "the draw tool's frame";
}

TEST_F(PolygonTest, ThePolygonIsDrawnThroughItsPointsAndToolsHideOnRequest) {
    polygon.SetBounds(0, 0, 30, 20);
    for (TPoint p : {TPoint(2, 2), TPoint(20, 2), TPoint(2, 15)}) polygon.Points()->Add(p.X, p.Y);
    polygon.SetHidePoints(true);
    polygon.SetHideButtons(true);
    polygon.Pen()->SetStyle(TPenStyle::psClear);
    polygon.Brush()->SetStyle(TBrushStyle::bsSolid);
    polygon.Brush()->SetColor(clBlue);
    const QImage painted = PaintControl(polygon, 30, 20, clWhite);
    const std::vector<TPoint> points = {{2, 2}, {20, 2}, {2, 15}};
    EXPECT_EQ(RegionArt(RegionOfColour(painted, clBlue), 30, 20),
              RegionArt(platform::CreatePolygonRgn(points, platform::ALTERNATE), 30, 20));
}

// The editor, driven through the mouse messages the form hands the polygon.
class PolygonEditing : public PolygonTest {
protected:
    void SetUp() override {
        PolygonTest::SetUp();
        polygon.SetParent(&form);
        polygon.SetBounds(0, 0, 150, 104);
    }
    void Right(unsigned msg, int x, int y, WPARAM keys = 0) {
        polygon.Perform(msg, keys, MAKELPARAM(x, y));
    }
    void Click(int x, int y, WPARAM keys = 0) {
        Right(WM_RBUTTONDOWN, x, y, keys);
        Right(WM_RBUTTONUP, x, y, keys);
    }
    std::vector<TPoint> Points() const {
        std::vector<TPoint> list;
        for (int i = 0; i < polygon.Points()->Count(); ++i)
            list.push_back(polygon.Points()->Item(i)->Point());
        return list;
    }
    // The middle of tool button `index`.
    static TPoint Tool(int index) { return {150 - 11, index * 20 + 10}; }
};

TEST_F(PolygonEditing, ARightPressOnEmptySpaceAppendsAPoint) {
    Click(10, 10);
    Click(50, 12);
    EXPECT_EQ(Points(), (std::vector<TPoint>{{10, 10}, {50, 12}}));
}

TEST_F(PolygonEditing, APointIsMovedFromPressToReleaseAndDeletedWithCtrl) {
    Click(10, 10);
    Click(50, 12);
    Right(WM_RBUTTONDOWN, 52, 9);  // within 4 pixels of (50, 12)
    EXPECT_EQ(polygon.State(), TPolygon::EditState::Moving);
    Right(WM_MOUSEMOVE, 70, 30);
    Right(WM_RBUTTONUP, 70, 30);
    EXPECT_EQ(polygon.State(), TPolygon::EditState::Draw);
    EXPECT_EQ(Points(), (std::vector<TPoint>{{10, 10}, {70, 30}}));
    Click(12, 13, MK_CONTROL);
    EXPECT_EQ(Points(), (std::vector<TPoint>{{70, 30}}));
    Click(14, 10);  // not within 4 pixels: a new point
    EXPECT_EQ(Points().size(), 2u);
}

TEST_F(PolygonEditing, TheToolButtonsSwitchStatesToggleHandlesClearAndUndo) {
    Click(10, 10);
    Click(50, 12);
    Click(30, 60);
    Click(Tool(1).X, Tool(1).Y);
    EXPECT_EQ(polygon.State(), TPolygon::EditState::Delete);
    EXPECT_EQ(Points().size(), 3u) << "a press on a button adds no point";
    Click(50, 12);
    EXPECT_EQ(Points(), (std::vector<TPoint>{{10, 10}, {30, 60}}));
    Click(90, 90);
    EXPECT_EQ(Points().size(), 2u) << "in the delete state empty space does nothing";
    Click(Tool(4).X, Tool(4).Y);
    EXPECT_EQ(Points().size(), 3u) << "undo brings the deleted point back";
    Click(Tool(2).X, Tool(2).Y);
    EXPECT_TRUE(polygon.HidePoints());
    Click(Tool(3).X, Tool(3).Y);
    EXPECT_TRUE(Points().empty());
    Click(Tool(4).X, Tool(4).Y);
    EXPECT_EQ(Points().size(), 3u) << "undo brings the cleared list back";
    Click(Tool(0).X, Tool(0).Y);
    EXPECT_EQ(polygon.State(), TPolygon::EditState::Draw);
}

TEST_F(PolygonEditing, TheHintNamesTheButtonUnderTheMouse) {
    Right(WM_MOUSEMOVE, Tool(2).X, Tool(2).Y);
    EXPECT_EQ(polygon.HotButton(), 2);
    EXPECT_EQ(polygon.Hint(), "Hide points");
    polygon.SetHidePoints(true);
    EXPECT_EQ(polygon.ToolCaption(2), "Show points");
    Right(WM_MOUSEMOVE, 150 - 21, 99);
    EXPECT_EQ(polygon.Hint(), "Undo") << "the column starts a pixel left of the pictures";
    Right(WM_MOUSEMOVE, 60, 60);
    EXPECT_EQ(polygon.Hint(), "");
    Right(WM_MOUSEMOVE, Tool(0).X, Tool(0).Y);
    EXPECT_EQ(polygon.Hint(), "Draw poly / Move point");
    polygon.SetHideButtons(true);
    EXPECT_EQ(polygon.HotButton(), -1);
    EXPECT_EQ(polygon.Hint(), "");
}

TEST_F(PolygonEditing, NothingIsEditedWhileDrawingIsDisabled) {
    polygon.SetDrawingEnabled(false);
    Click(10, 10);
    Click(Tool(3).X, Tool(3).Y);
    EXPECT_TRUE(Points().empty());
}

TEST_F(PolygonEditing, MoreThanTheLimitIsToldOnceAndEveryPointStillShapes) {
    std::vector<std::string> told;
    ModalAnswerer previous = SetModalAnswerer({[&](const ModalQuestion& question) {
                                                   told.push_back(question.text);
                                                   return TModalResult::mrOk;
                                               },
                                               {}});
    for (int i = 0; i <= TPolygon::kMaxPoints; ++i) polygon.Points()->Add(i % 100, i / 100);
    PaintControl(polygon, 150, 104, clWhite);
    PaintControl(polygon, 150, 104, clWhite);
    SetModalAnswerer(previous);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0],
              "Number of points more than 200, the maximum points allowed. Please change the "
              "constant in Polygon to a higher value. An exception might occur after this "
              "message");
}

TEST(PolygonDesign, PointsAndSettingsGoToADesignAndComeBack) {
    const std::string design = R"(object Form: TShapeForm
  object Shape: TPolygon
    Left = 4
    Top = 5
    Width = 40
    Height = 30
    DrawingEnabled = False
    HidePoints = True
    Points = <
      item
        x = 1
        y = 2
      end
      item
        x = 30
        y = 2
      end
      item
        x = 15
        y = 25
      end>
  end
end
)";
    TShapeForm form(nullptr, design);
    auto* polygon = dynamic_cast<TPolygon*>(form.FindComponent("Shape"));
    ASSERT_NE(polygon, nullptr);
    ASSERT_EQ(polygon->Points()->Count(), 3);
    EXPECT_EQ(polygon->Points()->Item(2)->Point(), TPoint(15, 25));
    EXPECT_FALSE(polygon->DrawingEnabled());
    EXPECT_TRUE(polygon->HidePoints());
    const std::string written = WriteDesign(form);
    TShapeForm again(nullptr, written);
    auto* read = dynamic_cast<TPolygon*>(again.FindComponent("Shape"));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Points()->Count(), 3);
    EXPECT_EQ(read->Points()->Item(1)->Point(), TPoint(30, 2));
    EXPECT_FALSE(read->DrawingEnabled());
    EXPECT_TRUE(read->HidePoints());
}

}  // namespace
}  // namespace kiv::test
