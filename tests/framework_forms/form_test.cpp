// TForm's window effects: the recorded window region, stay-on-top, frame, placement, mapping.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <QWindow>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/forms/window_handle.h"
#include "probe_controls.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

QWidget* WidgetOf(TForm& form) {
    QWindow* window = WindowOf(form);
    return window ? QWidget::find(window->winId()) : nullptr;
}

class FormTest : public testing::Test {
protected:
    void SetUp() override {
        form.SetCaption(testing::UnitTest::GetInstance()->current_test_info()->name());
        form.SetBorderStyle(TFormBorderStyle::bsNone);
        form.SetBounds(30, 40, 120, 80);
    }
    TProbeForm form{nullptr};
};

TEST_F(FormTest, AWindowRegionIsRecordedAppliedAndRemoved) {
    QRegion ellipse(0, 0, 120, 80, QRegion::Ellipse);
    form.SetWindowRgn(ellipse);  // before the window exists
    ASSERT_TRUE(form.WindowRgn().has_value());
    EXPECT_EQ(*form.WindowRgn(), ellipse);
    form.Show();
    QWidget* widget = WidgetOf(form);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->mask(), ellipse) << "applied when the window was made";
    QRegion cut = QRegion(0, 0, 120, 80) - QRegion(10, 10, 20, 20);
    form.SetWindowRgn(cut);
    EXPECT_EQ(*form.WindowRgn(), cut);
    EXPECT_EQ(widget->mask(), cut);
    form.SetWindowRgn(std::nullopt);
    EXPECT_FALSE(form.WindowRgn().has_value());
    EXPECT_TRUE(widget->mask().isEmpty()) << "the whole rectangle shows again";
}

TEST_F(FormTest, AnEmptyRegionLeavesNothingOfTheWindowToSeeOrClick) {
    auto& shape = form.Make<TProbeShape>();
    shape.SetParent(&form);
    shape.SetBounds(0, 0, 120, 80);
    form.Show();
    QWidget* widget = WidgetOf(form);
    ASSERT_NE(widget, nullptr);
    form.SetWindowRgn(QRegion());
    ASSERT_TRUE(form.WindowRgn().has_value()) << "an empty region is a region, not none";
    EXPECT_TRUE(form.WindowRgn()->isEmpty());
    EXPECT_FALSE(widget->mask().isEmpty()) << "an empty mask would show the whole window";
    EXPECT_TRUE((widget->mask() & widget->rect()).isEmpty());
    QTest::mouseClick(WindowOf(form), Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(shape.clicks, 0);
    form.SetWindowRgn(std::nullopt);
    EXPECT_TRUE(widget->mask().isEmpty());
    QTest::mouseClick(WindowOf(form), Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(shape.clicks, 1);
}

TEST_F(FormTest, PressesOutsideTheRegionReachNoControl) {
    auto& shape = form.Make<TProbeShape>();
    shape.SetParent(&form);
    shape.SetBounds(0, 0, 120, 80);
    form.Show();
    form.SetWindowRgn(QRegion(10, 10, 30, 20));
    QTest::mouseClick(WindowOf(form), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(shape.clicks, 0);
    QTest::mouseClick(WindowOf(form), Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(shape.clicks, 1);
}

TEST_F(FormTest, AFramedFormsRegionIsInWindowCoordinates) {
    form.SetBorderStyle(TFormBorderStyle::bsSingle);
    form.Show();
    QWidget* widget = WidgetOf(form);
    ASSERT_NE(widget, nullptr);
    const TPoint frame = form.ClientOrigin() - form.Handle().Bounds().TopLeft();
    ASSERT_NE(frame, TPoint(0, 0)) << "the platform gives framed windows a frame";
    // Client pixels (5, 6) to (25, 16), given as the window sees them.
    form.SetWindowRgn(QRegion(5 + frame.X, 6 + frame.Y, 20, 10));
    EXPECT_EQ(widget->mask(), QRegion(5, 6, 20, 10));
}

TEST_F(FormTest, TheStayOnTopFlagReachesTheWindowAndIsKeptWhenShownLater) {
    form.SetTopmost(true);
    form.Show();
    QWidget* widget = WidgetOf(form);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form.SetTopmost(false);
    EXPECT_FALSE(form.Topmost());
    EXPECT_FALSE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(widget->isVisible()) << "changing the flag keeps the window shown";
    form.SetFormStyle(TFormStyle::fsStayOnTop);
    EXPECT_TRUE(form.Topmost());
    EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(FormTest, ABorderlessFormHasNoFrameAndItsClientAreaIsTheWholeWindow) {
    form.Show();
    QWidget* widget = WidgetOf(form);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form.ClientRect(), TRect(0, 0, 120, 80));
    EXPECT_EQ(form.ClientOrigin(), TPoint(30, 40));
    EXPECT_EQ(form.ClientToScreen({5, 6}), TPoint(35, 46));
    EXPECT_EQ(form.ScreenToClient({35, 46}), TPoint(5, 6));
    EXPECT_EQ(widget->windowTitle().toStdString(), form.Caption());
}

TEST_F(FormTest, ControlsMapTheirClientCoordinatesThroughTheirParents) {
    auto& box = form.Make<TProbeBox>();
    box.SetParent(&form);
    box.SetBounds(10, 20, 50, 40);
    auto& shape = form.Make<TProbeShape>();
    shape.SetParent(&box);
    shape.SetBounds(3, 4, 5, 5);
    EXPECT_EQ(shape.ClientOrigin(), TPoint(30 + 10 + 3, 40 + 20 + 4)) << "before any window";
    form.Show();
    EXPECT_EQ(shape.ClientToScreen({1, 1}), TPoint(44, 65));
}

TEST_F(FormTest, ScreenCentrePlacesTheFormInTheMiddleOfTheDesktopTheFirstTime) {
    form.SetPosition(TPosition::poScreenCenter);
    form.Show();
    TRect area = DesktopWorkArea();
    ASSERT_FALSE(area.IsEmpty());
    EXPECT_EQ(form.Left(), area.Left + (area.Width() - 120) / 2);
    EXPECT_EQ(form.Top(), area.Top + (area.Height() - 80) / 2);
    form.Hide();
    form.SetLeft(3);
    form.Show();
    EXPECT_EQ(form.Left(), 3) << "later showings keep where the form was";
}

TEST_F(FormTest, OwnerCentreCentresOverTheOwningForm) {
    auto& dialog = form.Make<TProbeForm>();
    dialog.SetBorderStyle(TFormBorderStyle::bsNone);
    dialog.SetBounds(0, 0, 40, 20);
    dialog.SetPosition(TPosition::poOwnerFormCenter);
    dialog.Show();
    EXPECT_EQ(dialog.BoundsRect(), TRect(70, 70, 110, 90));
}

TEST_F(FormTest, ADisabledFormGetsNoMouseInput) {
    auto& shape = form.Make<TProbeShape>();
    shape.SetParent(&form);
    shape.SetBounds(0, 0, 120, 80);
    form.Show();
    form.SetEnabled(false);
    QTest::mouseClick(WindowOf(form), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(shape.hits.empty());
    EXPECT_EQ(shape.clicks, 0);
    form.SetEnabled(true);
    QTest::mouseClick(WindowOf(form), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(shape.clicks, 1);
}

TEST_F(FormTest, DestroyingAChildTakesItOutOfItsParentsList) {
    auto& box = form.Make<TProbeBox>();
    box.SetParent(&form);
    auto& shape = form.Make<TProbeShape>();
    shape.SetParent(&form);
    auto& inner = form.Make<TProbeShape>();
    inner.SetParent(&box);
    form.Show();
    form.DestroyComponent(box);
    ASSERT_EQ(form.ControlCount(), 1);
    EXPECT_EQ(form.Controls(0), &shape);
    EXPECT_EQ(inner.Parent(), nullptr) << "the box's children lose their parent";
    form.DestroyComponent(shape);
    EXPECT_EQ(form.ControlCount(), 0);
    form.Repaint();  // paints without touching the destroyed children
}

// Subclasses its owner form the way a shaped-window controller does, and puts the previous
// procedure back when it is destroyed. The installed procedure holds more than fits in
// std::function's small buffer, so writing into a form whose procedure is already gone would
// free it twice (ASan) as well as miss the form.
class TSubclasser : public TComponent {
public:
    explicit TSubclasser(TComponent* owner, std::vector<std::string>& log)
        : TComponent(owner), m_owner(owner), m_form(dynamic_cast<TForm*>(owner)), m_log(log) {
        m_previous = m_form->WindowProc();
        std::array<long, 8> ballast{};
        m_form->SetWindowProc([this, previous = m_previous, ballast](TMessage& message) {
            previous(message);
            if (message.Msg == WM_LBUTTONDOWN)
                m_log.push_back("press" + std::to_string(ballast[0]));
        });
    }
    ~TSubclasser() override {
        // The owner list lets go before the destructor runs (Owner() is null by now), so the
        // form is looked at through the pointer kept from construction.
        TForm* whole = dynamic_cast<TForm*>(m_owner);
        m_log.push_back(whole ? "owner is a form" : "owner is no longer a form");
        if (m_owner->ComponentState().Contains(TComponentStateItem::csDestroying))
            m_log.push_back("owner is going");
        if (whole) whole->SetWindowProc(m_previous);
    }

private:
    TComponent* m_owner;
    TForm* m_form;
    std::vector<std::string>& m_log;
    TWndMethod m_previous;
};

TEST(FormDestruction, ComponentsAreDestroyedWhileTheFormIsStillWhole) {
    std::vector<std::string> log;
    auto owned = std::make_unique<TProbeForm>(nullptr);
    TProbeForm& form = *owned;
    form.SetCaption("FormDestruction");
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetBounds(10, 10, 40, 30);
    auto& shape = form.Make<TProbeShape>();
    shape.SetParent(&form);
    shape.SetBounds(0, 0, 40, 30);
    form.Make<TSubclasser>(log);
    form.Show();
    QTest::mouseClick(WindowOf(form), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(log, (std::vector<std::string>{"press0"}));
    EXPECT_EQ(shape.clicks, 1);
    owned.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"press0", "owner is a form", "owner is going"}));
}

TEST_F(FormTest, TheWindowSystemsCloseRequestClosesTheForm) {
    form.Show();
    QWidget* widget = WidgetOf(form);
    ASSERT_NE(widget, nullptr);
    widget->close();
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(widget->isVisible());
}

}  // namespace
}  // namespace kiv::test
