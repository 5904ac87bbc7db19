// Mouse input through the window toolkit: routing to windowless children, capture, enter and
// leave, disabled windows, cursors, and a subclass starting the window move.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "probe_controls.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

// A 100 x 60 form: Back fills it; A (10, 10, 30, 30) and B (20, 20, 40, 40) overlap, B on top;
// a disabled shape D at (60, 5, 70, 15); a windowed Box at (50, 20, 90, 55) holding Inner at
// (5, 5, 25, 25) of the box.
class MouseTest : public testing::Test {
protected:
    void SetUp() override {
        form.SetCaption(testing::UnitTest::GetInstance()->current_test_info()->name());
        form.SetBorderStyle(TFormBorderStyle::bsNone);
        form.SetBounds(100, 100, 100, 60);
        back = Add(form, "Back", {0, 0, 100, 60});
        a = Add(form, "A", {10, 10, 30, 30});
        b = Add(form, "B", {20, 20, 40, 40});
        d = Add(form, "D", {60, 5, 70, 15});
        d->SetEnabled(false);
        box = &form.Make<TProbeBox>();
        box->SetName("Box");
        box->SetParent(&form);
        box->SetBounds(50, 20, 40, 35);
        inner = Add(*box, "Inner", {5, 5, 25, 25});
        form.Show();
        window = WindowOf(form);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }

    TProbeShape* Add(TWinControl& parent, const char* name, const TRect& bounds) {
        auto& shape = form.Make<TProbeShape>();
        shape.SetName(name);
        shape.SetParent(&parent);
        shape.SetBoundsRect(bounds);
        return &shape;
    }

    void Click(QPoint p) {
        QTest::mousePress(window, Qt::LeftButton, {}, p);
        QTest::mouseRelease(window, Qt::LeftButton, {}, p);
    }

    // The messages from the first press on: the test driver moves the pointer to where it
    // presses first, and those moves do not matter here.
    static std::vector<unsigned> Messages(const std::vector<MouseHit>& hits) {
        std::vector<unsigned> msgs;
        for (const MouseHit& hit : hits)
            if (!msgs.empty() || hit.msg != WM_MOUSEMOVE) msgs.push_back(hit.msg);
        return msgs;
    }
    static std::vector<unsigned> Messages(const TProbeShape& shape) { return Messages(shape.hits); }
    static MouseHit FirstPress(const std::vector<MouseHit>& hits) {
        for (const MouseHit& hit : hits)
            if (hit.msg == WM_LBUTTONDOWN) return hit;
        return {};
    }

    TProbeForm form{nullptr};
    TProbeShape* back = nullptr;
    TProbeShape* a = nullptr;
    TProbeShape* b = nullptr;
    TProbeShape* d = nullptr;
    TProbeShape* inner = nullptr;
    TProbeBox* box = nullptr;
    QWindow* window = nullptr;
};

TEST_F(MouseTest, TheTopmostWindowlessControlUnderThePointerGetsTheMessageInItsCoordinates) {
    QTest::mouseMove(window, QPoint(25, 26));
    ASSERT_FALSE(b->hits.empty());
    EXPECT_EQ(b->hits.back(), (MouseHit{WM_MOUSEMOVE, 5, 6}));
    EXPECT_TRUE(a->hits.empty());
    EXPECT_TRUE(back->hits.empty());
    QTest::mouseMove(window, QPoint(12, 13));
    ASSERT_FALSE(a->hits.empty());
    EXPECT_EQ(a->hits.back(), (MouseHit{WM_MOUSEMOVE, 2, 3}));
}

TEST_F(MouseTest, PressAndReleaseInsideMakeAClick) {
    Click(QPoint(25, 25));
    EXPECT_EQ(b->clicks, 1);
    EXPECT_EQ(Messages(*b), (std::vector<unsigned>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(a->clicks, 0);
}

TEST_F(MouseTest, ThePressedControlKeepsTheMouseUntilTheReleaseAndClicksOnlyInside) {
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseMove(window, QPoint(5, 50));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(5, 50));
    EXPECT_EQ(Messages(*a), (std::vector<unsigned>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    EXPECT_EQ(a->hits.back(), (MouseHit{WM_LBUTTONUP, -5, 40}));
    EXPECT_EQ(a->clicks, 0);
    EXPECT_TRUE(back->hits.empty());
}

TEST_F(MouseTest, ADisabledWindowlessControlLeavesTheMouseToItsParent) {
    Click(QPoint(65, 10));
    EXPECT_TRUE(d->hits.empty());
    EXPECT_EQ(Messages(*back), (std::vector<unsigned>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(MouseTest, AWindowedChildGetsItsOwnMouseAndPassesItToItsWindowlessChildren) {
    Click(QPoint(60, 30));  // Inner at box (10, 10)
    EXPECT_EQ(inner->clicks, 1);
    EXPECT_EQ(FirstPress(inner->hits), (MouseHit{WM_LBUTTONDOWN, 5, 5}));
    EXPECT_TRUE(back->hits.empty());
    Click(QPoint(85, 50));  // the box's own area
    ASSERT_FALSE(box->hits.empty());
    EXPECT_EQ(box->hits.back(), (MouseHit{WM_LBUTTONUP, 35, 30}));
}

TEST_F(MouseTest, ADisabledWindowedBoxAndItsChildrenGetNoMouseInput) {
    box->SetEnabled(false);
    Click(QPoint(60, 30));
    QTest::mouseMove(window, QPoint(62, 32));
    EXPECT_TRUE(inner->hits.empty());
    EXPECT_EQ(inner->clicks, 0);
    // The window system hands the input to the form, as the window under the pointer.
    EXPECT_FALSE(back->hits.empty());
    box->SetEnabled(true);
    Click(QPoint(60, 30));
    EXPECT_EQ(inner->clicks, 1);
}

TEST_F(MouseTest, EnterAndLeaveNoticesFollowThePointerAcrossControls) {
    QTest::mouseMove(window, QPoint(12, 12));
    QTest::mouseMove(window, QPoint(35, 35));
    QTest::mouseMove(window, QPoint(5, 55));
    EXPECT_EQ(a->notices, (std::vector<unsigned>{CM_MOUSEENTER, CM_MOUSELEAVE}));
    EXPECT_EQ(b->notices, (std::vector<unsigned>{CM_MOUSEENTER, CM_MOUSELEAVE}));
    ASSERT_FALSE(back->notices.empty());
    EXPECT_EQ(back->notices.back(), CM_MOUSEENTER);
}

TEST_F(MouseTest, ThePointerTakesTheCursorOfTheControlUnderIt) {
    b->SetCursor(crHandPoint);
    QWidget* widget = QWidget::find(window->winId());
    ASSERT_NE(widget, nullptr);
    QTest::mouseMove(window, QPoint(25, 25));
    EXPECT_EQ(widget->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(window, QPoint(5, 55));
    EXPECT_EQ(widget->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(MouseTest, ASubclassedFormSeesTheMessageAfterItsHandlingAndCanStartTheMove) {
    std::vector<std::string> seen;
    TWndMethod previous = form.WindowProc();
    form.SetWindowProc([&, previous](TMessage& message) {
        previous(message);
        if (message.Msg != WM_LBUTTONDOWN) return;
        seen.push_back("press after " + std::to_string(Messages(*a).size()) + " presses on A");
        form.Perform(WM_SYSCOMMAND, SC_MOVE + HTCAPTION, 0);
    });
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(seen, (std::vector<std::string>{"press after 1 presses on A"}));
    ASSERT_TRUE(form.Handle().Moving()) << "offscreen has no window-system move";
    QTest::mouseMove(window, QPoint(22, 17));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(22, 17));
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.Handle().Moving());
    // The test driver derives the pointer's screen position from the moving window, so only the
    // direction of the move is certain here.
    EXPECT_GT(form.Left(), 100);
    EXPECT_GT(form.Top(), 100);
    EXPECT_EQ(a->clicks, 0) << "the move takes the release";
    EXPECT_EQ(Messages(*a), (std::vector<unsigned>{WM_LBUTTONDOWN}));
    EXPECT_FALSE(a->ControlState().Contains(TControlStateItem::csLButtonDown));
    EXPECT_FALSE(a->ControlState().Contains(TControlStateItem::csClicked))
        << "nothing stays pressed";

    form.SetWindowProc(previous);
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(seen.size(), 1u) << "the old procedure is back";
    EXPECT_EQ(a->clicks, 1);
}

}  // namespace
}  // namespace kiv::test
