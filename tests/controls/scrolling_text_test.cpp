// TCoolScrollingText: passes with the main window's settings, the gap between passes, the end
// of a pass, the three redraws, the timer's life with the control, and the text block.
#include "controls/cool_scrolling_text.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "controls/thread_timer.h"
#include "framework/design_reader.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/errors.h"
#include "framework/forms/font.h"
#include "framework/modal.h"
#include "framework/string_list.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "skin_form.h"
#include "tests/support/forms.h"
#include "tests/support/pump.h"
#include "tests/support/queued_call.h"

namespace kiv::test {
namespace {

using platform::DeviceContext;
using platform::FromQRgb;

constexpr TRect kScrollBounds(22, 58, 156, 247);

// Twenty lines one cell high; the first is three full blocks (code page 437 0xDB), so that its
// top pixel row is lit.
void FillInformationLines(TStrings& lines) {
    lines.Clear();
    lines.Add("\xDB\xDB\xDB");
    for (int i = 2; i <= 20; ++i) lines.Add("Line " + std::to_string(i));
}

// The main window, shown, with kivScroll filled as start-up fills it; ticks are driven here.
class MainWindowScroll : public ::testing::Test {
protected:
    void SetUp() override {
        form.Show();
        form.Update();
        FillInformationLines(*scroll.Strings());
    }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) scroll.Timer().FireTimer();
    }
    // Whether the control's area on the window shows only the skin.
    bool Empty() {
        const QImage& surface = form.Handle().Surface();
        for (int y = kScrollBounds.Top; y < kScrollBounds.Bottom; ++y)
            for (int x = kScrollBounds.Left; x < kScrollBounds.Right; ++x)
                if (FromQRgb(surface.pixel(x, y)) != TSkinForm::FormColour(x, y)) return false;
        return true;
    }

    TSkinForm form{nullptr, MainDesign()};
    TCoolScrollingText& scroll = form.Scroll();
};

TEST_F(MainWindowScroll, OneCycleTakes358Ticks) {
    EXPECT_EQ(scroll.TextTop(), 189) << "after loading the block waits below the bottom edge";
    EXPECT_EQ(scroll.MeasureText().Height(), 21 * 8) << "twenty lines and the trailing blank";
    int ticks = 0;
    int lowest = scroll.TextTop();
    do {
        Tick();
        ++ticks;
        lowest = std::min(lowest, scroll.TextTop());
    } while (scroll.TextTop() != 189 && ticks < 1000);
    EXPECT_EQ(ticks, 189 + 168 + 1);
    EXPECT_EQ(lowest, -168);
    EXPECT_EQ(form.passes, 1);
    EXPECT_EQ(scroll.TextLeft(), 0);
}

TEST_F(MainWindowScroll, StaysEmptyForLinePlusOneTicksBetweenPasses) {
    Tick(189 + 160);  // the last line's bottom row has just left the top edge
    ASSERT_EQ(scroll.TextTop(), -160);
    EXPECT_TRUE(Empty());
    for (int i = 1; i <= 8 + 1; ++i) {
        Tick();
        EXPECT_TRUE(Empty()) << "tick " << i << " after the last line left";
    }
    ASSERT_EQ(scroll.TextTop(), 189);
    Tick();
    // The first line's top pixel row shows on the bottom row, and nothing else.
    const QImage& surface = form.Handle().Surface();
    const int row = kScrollBounds.Bottom - 1;
    for (int y = kScrollBounds.Top; y < kScrollBounds.Bottom; ++y)
        for (int x = kScrollBounds.Left; x < kScrollBounds.Right; ++x) {
            const bool block = y == row && x < kScrollBounds.Left + 18;
            ASSERT_EQ(FromQRgb(surface.pixel(x, y)), block ? clWhite : TSkinForm::FormColour(x, y))
                << x << "," << y;
        }
}

TEST_F(MainWindowScroll, EachTickShowsTheParentsAreaWithTheTextAtItsNewPlaceAtOnce) {
    Tick(100);
    const QImage painted =
        PaintControl(form, 452, 304, clBlack).copy(platform::ToQRect(kScrollBounds));
    EXPECT_EQ(
        DifferingPixels(form.Handle().Surface().copy(platform::ToQRect(kScrollBounds)), painted),
        0);
    EXPECT_FALSE(Empty());
}

TEST_F(MainWindowScroll, RefillingTheLinesDoesNotRestartThePass) {
    Tick(50);
    ASSERT_EQ(scroll.TextTop(), 139);
    FillInformationLines(*scroll.Strings());
    EXPECT_EQ(scroll.TextTop(), 139);
    Tick();
    EXPECT_EQ(scroll.TextTop(), 138);
    EXPECT_EQ(form.passes, 0);
}

TEST_F(MainWindowScroll, AHandlerAskingForTheInitialPositionStartsTheNextPassInFullView) {
    form.startInView = true;
    Tick(189 + 168 + 1);
    EXPECT_EQ(form.passes, 1);
    EXPECT_EQ(scroll.TextTop(), 0);
    EXPECT_EQ(scroll.TextLeft(), 0);
    Tick();
    EXPECT_EQ(scroll.TextTop(), -1) << "from there it moves on as usual";
}

TEST_F(MainWindowScroll, AnOpaqueControlMovesThePixelsAndPaintsTheUncoveredStripLater) {
    scroll.SetTransparent(false);
    form.Update();
    Tick(20);
    form.Update();
    QImage& surface = form.Handle().Surface();
    // A marker the control's own painting would not restore.
    surface.setPixel(60, 200, platform::ToQRgb(clFuchsia));
    Tick();
    EXPECT_EQ(FromQRgb(surface.pixel(60, 199)), clFuchsia) << "the pixels moved up by one";
    form.Update();
    EXPECT_EQ(FromQRgb(surface.pixel(60, 199)), clFuchsia) << "moved pixels are not repainted";
    const QImage painted = PaintControl(form, 452, 304, clBlack);
    EXPECT_EQ(DifferingPixels(surface.copy(22, 246, 134, 1), painted.copy(22, 246, 134, 1)), 0)
        << "the uncovered bottom row is painted in the next paint cycle";
}

TEST_F(MainWindowScroll, AWallpaperedControlComposesItselfAndShowsItAtOnce) {
    scroll.SetTransparent(false);
    TBitmap tile;
    tile.SetImage(FromArt({"ry", "yr"}, {{'r', clRed}, {'y', clYellow}}));
    scroll.SetWallpaper(&tile);
    Tick(30);
    const QImage own = PaintControl(scroll, 134, 189, clBlack);
    EXPECT_EQ(DifferingPixels(form.Handle().Surface().copy(platform::ToQRect(kScrollBounds)), own),
              0);
    EXPECT_EQ(FromQRgb(own.pixel(0, 0)), clRed);
}

TEST(ScrollTimerLife, RunsOnItsThreadAtTheMainWindowsInterval) {
    TSkinForm form(nullptr, MainDesign(true));
    TCoolScrollingText& scroll = form.Scroll();
    EXPECT_TRUE(scroll.Timer().TimerEnabled());
    EXPECT_EQ(scroll.Timer().SleepInterval(), 50);
    EXPECT_TRUE(PumpUntil([&] { return scroll.TextTop() <= 186; }, "three ticks have run"));
}

TEST(ScrollTimerLife, AfterActiveIsSwitchedOffNoTickRunsAndTheWorkerRests) {
    TSkinForm form(nullptr, MainDesign());
    TCoolScrollingText& scroll = form.Scroll();
    scroll.SetInterval(0);
    scroll.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return scroll.TextTop() < 180; }, "ticks run"));
    // With no sleep between ticks, one is nearly always on its way to the UI thread now.
    scroll.SetActive(false);
    const int stopped = scroll.TextTop();
    EXPECT_TRUE(PumpUntil([&] { return scroll.Timer().Held(); }, "the worker is held"));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(scroll.TextTop(), stopped);
    scroll.SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return scroll.TextTop() < stopped; }, "ticks run again"));
}

// Counts the modal questions asked (the standard error report is one) while it lives.
class QuestionCounter {
public:
    QuestionCounter() {
        ModalAnswerer answerer;
        answerer.messageBox = [this](const ModalQuestion&) {
            ++asked;
            return TModalResult::mrOk;
        };
        m_previous = SetModalAnswerer(std::move(answerer));
    }
    ~QuestionCounter() { SetModalAnswerer(std::move(m_previous)); }
    QuestionCounter(const QuestionCounter&) = delete;
    QuestionCounter& operator=(const QuestionCounter&) = delete;
    int asked = 0;

private:
    ModalAnswerer m_previous;
};

TEST(ScrollTimerLife, AnErrorInATickEndsTheTimerQuietlyForGood) {
    QuestionCounter questions;
    TForm form(nullptr);
    auto& scroll = form.Make<TCoolScrollingText>();
    scroll.SetParent(&form);
    scroll.SetBounds(0, 0, 20, 1);
    scroll.SetScrollDirection(TScrollDirection::sdTopToBottom);  // the second tick ends a pass
    scroll.SetOnTextScrolled([](TObject*, bool&) { throw EInvalidOperation("tick failed"); });
    scroll.SetInterval(0);
    scroll.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return scroll.Timer().Finished(); }, "the worker ends"));
    EXPECT_EQ(scroll.TextTop(), 1) << "the text stays where it was";
    scroll.SetActive(false);
    scroll.SetActive(true);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(scroll.TextTop(), 1) << "switching it off and on does not restart it";
    EXPECT_EQ(questions.asked, 0) << "no error report";
}

TEST(ScrollTimerLife, DestroyingTheControlWhileATickWaitsForTheUiThreadIsSafe) {
    TSkinForm form(nullptr, MainDesign());
    TCoolScrollingText* scroll = &form.Scroll();
    scroll->SetInterval(0);
    bool destroyed = false;
    BeforeQueuedCall destroy([&] {
        form.DestroyComponent(*scroll);
        destroyed = true;
    });
    scroll->SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }, "a tick reaches the UI thread"));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(form.FindComponent("kivScroll"), nullptr);
}

TEST(ScrollTimerLife, DestroyingTheFormWhileATickWaitsForTheUiThreadIsSafe) {
    auto form = std::make_unique<TSkinForm>(nullptr, MainDesign());
    form->Show();
    form->Scroll().SetInterval(0);
    BeforeQueuedCall destroy([&] { form.reset(); });
    form->Scroll().SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return form == nullptr; }, "a tick reaches the UI thread"));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

TEST(ScrollTimerLife, InDesignModeTheTimerRestsAndTheTextStaysInView) {
    TSkinForm form(nullptr);
    form.SetDesigning(true);
    ReadDesign(form, MainDesign(true), "skin_form.kfm", SkinFiles());
    TCoolScrollingText& scroll = form.Scroll();
    EXPECT_TRUE(scroll.Active());
    EXPECT_FALSE(scroll.Timer().TimerEnabled());
    EXPECT_EQ(scroll.TextTop(), 0);
}

struct IntervalCase {
    std::uint32_t interval;
    std::uint16_t sleep;
};

class ScrollInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(ScrollInterval, OnlyTheLowSixteenBitsReachTheTimer) {
    TCoolScrollingText scroll(nullptr);
    scroll.SetInterval(GetParam().interval);
    EXPECT_EQ(scroll.Interval(), GetParam().interval);
    EXPECT_EQ(scroll.Timer().SleepInterval(), GetParam().sleep);
}

INSTANTIATE_TEST_SUITE_P(Values, ScrollInterval,
                         ::testing::Values(IntervalCase{50, 50}, IntervalCase{65535, 65535},
                                           IntervalCase{65536, 0}, IntervalCase{70000, 4464}));

struct DirectionCase {
    const char* name;
    TScrollDirection direction;
    TAlignment alignment;  // after starting from taCenter
    TPoint start;          // ResetPosition(false) on a 97 x 15 control
    friend void PrintTo(const DirectionCase& c, std::ostream* os) { *os << c.name; }
};

// Exposes ResetPosition for the table below.
class ResettableScroll : public TCoolScrollingText {
public:
    using TCoolScrollingText::ResetPosition;
    using TCoolScrollingText::TCoolScrollingText;
};

class ScrollDirectionTest : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(ScrollDirectionTest, SetsTheAlignmentForSidewaysTextAndStartsBeyondTheEntryEdge) {
    const DirectionCase& c = GetParam();
    ResettableScroll scroll(nullptr);
    scroll.SetScrollDirection(TScrollDirection::sdBottomToTop);
    scroll.SetAlignment(TAlignment::taCenter);
    scroll.SetScrollDirection(c.direction);
    EXPECT_EQ(scroll.Alignment(), c.alignment);
    EXPECT_EQ(TPoint(scroll.TextLeft(), scroll.TextTop()), TPoint(0, 0)) << "no reset";
    scroll.ResetPosition(false);
    EXPECT_EQ(TPoint(scroll.TextLeft(), scroll.TextTop()), c.start);
    scroll.ResetPosition(true);
    EXPECT_EQ(TPoint(scroll.TextLeft(), scroll.TextTop()), TPoint(0, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Directions, ScrollDirectionTest,
    ::testing::Values(
        DirectionCase{
            "BottomToTop", TScrollDirection::sdBottomToTop, TAlignment::taCenter, {0, 15}},
        DirectionCase{
            "TopToBottom", TScrollDirection::sdTopToBottom, TAlignment::taCenter, {0, -15}},
        DirectionCase{
            "LeftToRight", TScrollDirection::sdLeftToRight, TAlignment::taLeftJustify, {-97, 0}},
        DirectionCase{
            "RightToLeft", TScrollDirection::sdRightToLeft, TAlignment::taLeftJustify, {97, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollSideways, RightToLeftPassesLastTheMeasuredWidthPlusTheControlsWidth) {
    TForm form(nullptr);
    auto& scroll = form.Make<TCoolScrollingText>();
    scroll.SetParent(&form);
    UseTerminalFont(*scroll.Font(), clWhite);
    scroll.SetBounds(0, 0, 50, 10);
    scroll.Strings()->Add("Hello");  // 30 pixels wide
    int ticks = 0;
    do {
        scroll.Timer().FireTimer();
        ++ticks;
    } while (scroll.TextLeft() != 0 && ticks < 200);
    // From 0 down to -30, the pass end, 50 .. 1 and back to 0.
    EXPECT_EQ(ticks, 30 + 1 + 50);
}

TEST(ScrollSideways, AnUnknownDirectionMovesNothing) {
    TCoolScrollingText scroll(nullptr);
    scroll.SetScrollDirection(static_cast<TScrollDirection>(7));
    scroll.Timer().FireTimer();
    EXPECT_EQ(TPoint(scroll.TextLeft(), scroll.TextTop()), TPoint(0, 0));
}

// A lone 134 x 40 control in the Terminal face.
class LoneScroll : public ::testing::Test {
protected:
    void SetUp() override {
        scroll.SetBounds(0, 0, 134, 40);
        UseTerminalFont(*scroll.Font(), clWhite);
        scroll.SetTransparent(true);
        scroll.SetShadowSize(0);
    }
    QImage Paint() { return PaintControl(scroll, 134, 40, clBlack); }
    int Measured() { return scroll.MeasureText().Height(); }

    TCoolScrollingText scroll{nullptr};
};

TEST_F(LoneScroll, AnEmptyListIsABlockOneLineHigh) {
    EXPECT_EQ(Measured(), 8);
}

TEST_F(LoneScroll, OverWideLinesAreMeasuredWrappedOnlyWithTwoOrMoreLines) {
    const std::string wide = "aaaaaaaaaa bbbbbbbbbb cccccccccc";  // 32 cells in a 22-cell control
    scroll.Strings()->Add(wide);
    EXPECT_EQ(Measured(), 2 * 8) << "one line: unwrapped, and the blank line";
    scroll.Strings()->Add("x");
    EXPECT_EQ(Measured(), 4 * 8) << "the wide line takes two";
    // Drawn unwrapped and cut at the right edge.
    const QImage expected = Reference(134, 40, clBlack, [&](DeviceContext& dc) {
        SelectTerminalText(dc, clWhite);
        TRect r(0, 0, 134, 40);
        platform::DrawText(dc, wide + "\r\nx\r\n ", r, platform::DT_NOPREFIX);
    });
    EXPECT_EQ(DifferingPixels(Paint(), expected), 0);
}

TEST_F(LoneScroll, ShowAccelCharDrawsTheAmpersandAndOffUnderlines) {
    scroll.Strings()->Add("A&B");
    const auto text = [](unsigned flags) {
        return Reference(134, 40, clBlack, [flags](DeviceContext& dc) {
            SelectTerminalText(dc, clWhite);
            TRect r(0, 0, 134, 40);
            platform::DrawText(dc, "A&B\r\n ", r, flags);
        });
    };
    EXPECT_EQ(DifferingPixels(Paint(), text(platform::DT_NOPREFIX)), 0);
    scroll.SetShowAccelChar(false);
    EXPECT_EQ(DifferingPixels(Paint(), text(0)), 0);
}

TEST_F(LoneScroll, DisabledShowsTheLinesEngraved) {
    scroll.Strings()->Add("Ab");
    scroll.SetShadowColor(clRed);
    scroll.SetShadowSize(2);
    scroll.SetEnabled(false);
    const QImage expected = Reference(134, 40, clBlack, [](DeviceContext& dc) {
        SelectTerminalText(dc, clBtnHighlight);
        TRect light(1, 1, 135, 41);
        platform::DrawText(dc, "Ab", light, platform::DT_NOPREFIX);
        dc.SetTextColor(ColorToRGB(clBtnShadow));
        TRect dark(0, 0, 134, 40);
        platform::DrawText(dc, "Ab", dark, platform::DT_NOPREFIX);
    });
    EXPECT_EQ(DifferingPixels(Paint(), expected), 0);
    EXPECT_EQ(Measured(), 8) << "the engraved lines have no trailing blank";
}

TEST_F(LoneScroll, ShadowSettersTurnSimpleViewOff) {
    scroll.SetSimpleView(true);
    scroll.SetShadowPos(TShadowPosition::spRightBottom);
    EXPECT_FALSE(scroll.SimpleView());
    scroll.SetSimpleView(true);
    scroll.SetShadowPos(TShadowPosition::spRightBottom);
    EXPECT_TRUE(scroll.SimpleView()) << "an unchanged value does nothing";
    scroll.SetShadowColor(clRed);
    EXPECT_FALSE(scroll.SimpleView());
}

TEST_F(LoneScroll, TheLinesAreACopyOfTheAssignedList) {
    TStringList lines;
    lines.Add("one");
    scroll.SetStrings(&lines);
    lines.Add("two");
    EXPECT_EQ(scroll.Strings()->Count(), 1);
}

TEST(ScrollName, LinesShowingTheOldNameFollowARename) {
    TForm form(nullptr);
    auto& scroll = form.Make<TCoolScrollingText>();
    scroll.SetName("Alpha");
    EXPECT_EQ(scroll.Strings()->Text(), "Alpha\n");
    scroll.SetName("Beta");
    EXPECT_EQ(scroll.Strings()->Text(), "Beta\n");
    scroll.Strings()->SetText("news");
    scroll.SetName("Gamma");
    EXPECT_EQ(scroll.Strings()->Text(), "news\n");
}

TEST(ScrollAccelerator, TheTextsAcceleratorFocusesTheFocusControl) {
    TForm form(nullptr);
    auto& box = form.Make<TCoolGroupBox>();
    box.SetParent(&form);
    auto& scroll = form.Make<TCoolScrollingText>();
    scroll.SetParent(&form);
    scroll.Strings()->SetText("&Hello");
    EXPECT_EQ(scroll.Perform(CM_DIALOGCHAR, 'h'), 0) << "no focus control";
    scroll.SetFocusControl(&box);
    EXPECT_EQ(scroll.Perform(CM_DIALOGCHAR, 'h'), 1);
    EXPECT_EQ(scroll.Perform(CM_DIALOGCHAR, 'x'), 0);
    scroll.SetShowAccelChar(false);
    EXPECT_EQ(scroll.Perform(CM_DIALOGCHAR, 'h'), 0);
    form.DestroyComponent(box);
    EXPECT_EQ(scroll.FocusControl(), nullptr);
}

}  // namespace
}  // namespace kiv::test
