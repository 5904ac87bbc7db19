// TGauge: the installer's bar and its inverted percentage, the other kinds, the value rules and
// when it repaints.
#include "controls/gauge.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <functional>
#include <string>

#include "framework/forms/errors.h"
#include "framework/forms/font.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "skin_form.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

using platform::DeviceContext;
using platform::FromQRgb;

constexpr TColor kGrey = 0x3F3F3F;
constexpr TColor kMagenta = 0xFF00FF;

// The installer's gauge: 265 x 14, silver and lime, its font the sans face.
class InstallerGauge : public ::testing::Test {
protected:
    void SetUp() override {
        gauge.SetBounds(0, 0, 265, 14);
        gauge.SetBackColor(clSilver);
        gauge.SetForeColor(clLime);
        gauge.SetColor(clBlack);
        gauge.Font()->SetColor(clBlack);
    }
    QImage Paint() { return PaintControl(gauge, 265, 14, clWhite); }
    // The pixels of the percentage text, white on black, where the gauge writes it.
    QImage TextMask(const std::string& text) {
        return Reference(265, 14, clBlack, [&](DeviceContext& dc) {
            dc.SelectFont(platform::Font{});
            dc.SetTextColor(clWhite);
            dc.SetBkMode(platform::TRANSPARENT);
            const TSize extent = platform::GetTextExtentPoint(dc, text);
            dc.IntersectClipRect({1, 1, 264, 13});
            platform::TextOut(dc, (264 - extent.cx) / 2, (13 - extent.cy) / 2, text);
        });
    }

    TGauge gauge{nullptr};
};

TEST_F(InstallerGauge, HalfWayFillsColumnsOneTo131AndInvertsTheTextOverBothParts) {
    gauge.SetProgress(50);
    const QImage image = Paint();
    const QImage text = TextMask("50%");
    int overFill = 0;
    int overBack = 0;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 265; ++x) {
            const TColor c = FromQRgb(image.pixel(x, y));
            if (x == 0 || x == 264 || y == 0 || y == 13) {
                ASSERT_EQ(c, clBlack) << "frame at " << x << "," << y;
                continue;
            }
            const bool filled = x <= 131;
            const bool lit = FromQRgb(text.pixel(x, y)) == clWhite;
            ASSERT_EQ(c, filled ? (lit ? kMagenta : clLime) : (lit ? kGrey : clSilver))
                << x << "," << y;
            (filled ? overFill : overBack) += lit;
        }
    EXPECT_GT(overFill, 5) << "the text straddles the fill's edge";
    EXPECT_GT(overBack, 5);
}

struct BarCase {
    const char* name;
    int progress;
    int lastFilled;  // -1: nothing filled
    std::string text;
    friend void PrintTo(const BarCase& c, std::ostream* os) { *os << c.name; }
};

class InstallerGaugeBar : public InstallerGauge, public ::testing::WithParamInterface<BarCase> {};

TEST_P(InstallerGaugeBar, FillsUpToItsShareAndWritesThePercentage) {
    const BarCase& c = GetParam();
    gauge.SetProgress(c.progress);
    const QImage image = Paint();
    const QImage text = TextMask(c.text);
    for (int y = 1; y < 13; ++y)
        for (int x = 1; x < 264; ++x) {
            const bool lit = FromQRgb(text.pixel(x, y)) == clWhite;
            const bool filled = x <= c.lastFilled;
            ASSERT_EQ(FromQRgb(image.pixel(x, y)),
                      filled ? (lit ? kMagenta : clLime) : (lit ? kGrey : clSilver))
                << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Shares, InstallerGaugeBar,
                         ::testing::Values(BarCase{"Empty", 0, -1, "0%"},
                                           BarCase{"OnePercent", 1, 1, "1%"},
                                           BarCase{"Quarter", 25, 65, "25%"},
                                           BarCase{"Full", 100, 263, "100%"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallerGauge, WithoutABorderThereIsNoFrame) {
    gauge.SetBorderStyle(TBorderStyle::bsNone);
    gauge.SetShowText(false);
    gauge.SetProgress(100);
    const QImage image = Paint();
    EXPECT_EQ(FromQRgb(image.pixel(0, 0)), clLime);
    EXPECT_EQ(FromQRgb(image.pixel(264, 13)), clLime);
}

struct ValueCase {
    const char* name;
    std::function<void(TGauge&)> set;
    int min, max, progress, percent;
    friend void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }
};

class GaugeValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(GaugeValues, KeepMinProgressAndMaxInOrder) {
    const ValueCase& c = GetParam();
    TGauge gauge(nullptr);
    c.set(gauge);
    EXPECT_EQ(gauge.MinValue(), c.min);
    EXPECT_EQ(gauge.MaxValue(), c.max);
    EXPECT_EQ(gauge.Progress(), c.progress);
    EXPECT_EQ(gauge.PercentDone(), c.percent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GaugeValues,
    ::testing::Values(
        ValueCase{"AboveMaxIsClamped", [](TGauge& g) { g.SetProgress(130); }, 0, 100, 100, 100},
        ValueCase{"BelowMinIsClamped", [](TGauge& g) { g.SetProgress(-5); }, 0, 100, 0, 0},
        ValueCase{"RaisingMinRaisesProgress",
                  [](TGauge& g) {
                      g.SetProgress(10);
                      g.SetMinValue(40);
                  },
                  40, 100, 40, 0},
        ValueCase{"LoweringMaxLowersProgress",
                  [](TGauge& g) {
                      g.SetProgress(90);
                      g.SetMaxValue(60);
                  },
                  0, 60, 60, 100},
        ValueCase{"EqualEndsGiveZeroPercent",
                  [](TGauge& g) {
                      g.SetMaxValue(0);
                      g.SetProgress(0);
                  },
                  0, 0, 0, 0},
        ValueCase{"PercentIsTruncated",
                  [](TGauge& g) {
                      g.SetMaxValue(3);
                      g.SetProgress(2);
                  },
                  0, 3, 2, 66},
        ValueCase{"WideRangesDoNotOverflow",
                  [](TGauge& g) {
                      g.SetMinValue(-2147483647 - 1);
                      g.SetMaxValue(2147483647);
                      g.SetProgress(2147483647);
                  },
                  -2147483647 - 1, 2147483647, 2147483647, 100}),
    [](const auto& info) { return std::string(info.param.name); });

struct RangeCase {
    const char* name;
    std::function<void(TGauge&)> set;
    const char* message;
    friend void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }
};

class GaugeRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(GaugeRange, IsRefusedWithItsMessageAndChangesNothing) {
    TGauge gauge(nullptr);
    gauge.SetProgress(30);
    try {
        GetParam().set(gauge);
        FAIL() << "no error";
    } catch (const EInvalidOperation& error) {
        EXPECT_EQ(error.Message(), GetParam().message);
    }
    EXPECT_EQ(gauge.MinValue(), 0);
    EXPECT_EQ(gauge.MaxValue(), 100);
    EXPECT_EQ(gauge.Progress(), 30);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GaugeRange,
    ::testing::Values(RangeCase{"MinAboveMax", [](TGauge& g) { g.SetMinValue(101); },
                                "Value must be between -2147483647 and 99"},
                      RangeCase{"MaxBelowMin", [](TGauge& g) { g.SetMaxValue(-1); },
                                "Value must be between 1 and 2147483647"}),
    [](const auto& info) { return std::string(info.param.name); });

// Counts the paints a control receives.
int PaintsDuring(TControl& control, const std::function<void()>& action) {
    int paints = 0;
    TWndMethod previous = control.WindowProc();
    control.SetWindowProc([previous, &paints](TMessage& message) {
        if (message.Msg == WM_PAINT) ++paints;
        previous(message);
    });
    action();
    control.SetWindowProc(nullptr);
    return paints;
}

TEST(GaugeRepaint, OnlyAChangeOfTheWholePercentageRepaintsAndAtOnce) {
    TSkinForm form(nullptr, MainDesign());
    TGauge& gauge = form.Gauge();
    gauge.Show();
    form.Show();
    form.Update();
    gauge.SetMaxValue(100000);
    EXPECT_EQ(PaintsDuring(gauge, [&] { gauge.SetProgress(1000); }), 1);
    EXPECT_EQ(PaintsDuring(gauge, [&] { gauge.SetProgress(1004); }), 0);
    EXPECT_EQ(PaintsDuring(gauge, [&] { gauge.SetProgress(1999); }), 0);
    EXPECT_EQ(PaintsDuring(gauge, [&] { gauge.SetProgress(2000); }), 1);
    EXPECT_EQ(PaintsDuring(gauge, [&] { gauge.SetKind(TGaugeKind::gkHorizontalBar); }), 0);
    EXPECT_EQ(PaintsDuring(gauge, [&] { gauge.SetForeColor(clRed); }), 1);
    // The window's pixels show the new state before any event runs.
    EXPECT_EQ(FromQRgb(form.Handle().Surface().pixel(171, 220)), clRed);
}

// s: silver, l: lime, k: black, and the text's inversions.
const Palette kKinds = {{'s', clSilver}, {'l', clLime}, {'k', clBlack}};

TEST(GaugeKinds, TextShowsTheBackgroundOnlyAndTheVerticalBarFillsFromTheBottom) {
    TGauge gauge(nullptr);
    gauge.SetBounds(0, 0, 10, 12);
    gauge.SetBackColor(clSilver);
    gauge.SetForeColor(clLime);
    gauge.SetShowText(false);
    gauge.SetProgress(50);
    gauge.SetKind(TGaugeKind::gkText);
    EXPECT_EQ(ToArt(PaintControl(gauge, 10, 12, clWhite).copy(0, 5, 10, 1), kKinds), "kssssssssk");
    gauge.SetKind(TGaugeKind::gkVerticalBar);
    // H = 11 rows: 5 filled, rows 6 to 10, cut by the frame at row 11.
    const QImage image = PaintControl(gauge, 10, 12, clWhite);
    EXPECT_EQ(ToArt(image.copy(4, 0, 1, 12), kKinds),
              Art({"k", "s", "s", "s", "s", "s", "l", "l", "l", "l", "l", "k"}));
}

TEST(GaugeKinds, APieFillsItsShareClockwiseFromTwelve) {
    TGauge gauge(nullptr);
    gauge.SetBounds(0, 0, 42, 42);
    gauge.SetBackColor(clSilver);
    gauge.SetForeColor(clLime);
    gauge.SetColor(clBlack);
    gauge.SetShowText(false);
    gauge.SetKind(TGaugeKind::gkPie);
    gauge.SetProgress(25);
    QImage image = PaintControl(gauge, 42, 42, clWhite);
    auto at = [&](int x, int y) { return FromQRgb(image.pixel(x, y)); };
    EXPECT_EQ(at(30, 12), clLime) << "upper right quarter";
    EXPECT_EQ(at(12, 12), clSilver);
    EXPECT_EQ(at(12, 30), clSilver);
    EXPECT_EQ(at(30, 30), clSilver);
    EXPECT_EQ(at(2, 2), clBlack) << "outside the ellipse: Color";
    gauge.SetProgress(75);
    image = PaintControl(gauge, 42, 42, clWhite);
    EXPECT_EQ(at(30, 30), clLime);
    EXPECT_EQ(at(12, 30), clLime);
    EXPECT_EQ(at(12, 12), clSilver);
    gauge.SetProgress(100);
    image = PaintControl(gauge, 42, 42, clWhite);
    EXPECT_EQ(at(12, 12), clLime);
}

TEST(GaugeKinds, TheNeedleTurnsFromLeftThroughUpToRight) {
    TGauge gauge(nullptr);
    gauge.SetBounds(0, 0, 42, 22);
    gauge.SetBackColor(clSilver);
    gauge.SetForeColor(clLime);
    gauge.SetColor(clBlack);
    gauge.SetShowText(false);
    gauge.SetKind(TGaugeKind::gkNeedle);
    gauge.SetProgress(50);
    // The paint rectangle is (1, 1, 41, 21): the baseline is row 20, its middle column 21.
    QImage image = PaintControl(gauge, 42, 22, clWhite);
    auto at = [&](int x, int y) { return FromQRgb(image.pixel(x, y)); };
    for (int y = 2; y <= 20; ++y) ASSERT_EQ(at(21, y), clLime) << "straight up at 50 %, " << y;
    EXPECT_EQ(at(10, 8), clSilver) << "the dial";
    EXPECT_EQ(at(1, 1), clBlack) << "outside the dial: Color";
    EXPECT_EQ(at(10, 20), clLime) << "the baseline";
    gauge.SetProgress(25);
    image = PaintControl(gauge, 42, 22, clWhite);
    EXPECT_EQ(at(13, 13), clLime) << "up and to the left at 25 %";
    EXPECT_EQ(at(21, 8), clSilver);
    gauge.SetProgress(75);
    image = PaintControl(gauge, 42, 22, clWhite);
    EXPECT_EQ(at(28, 13), clLime) << "up and to the right at 75 %";
    EXPECT_EQ(at(13, 13), clSilver);
    gauge.SetProgress(0);
    image = PaintControl(gauge, 42, 22, clWhite);
    EXPECT_EQ(at(21, 8), clSilver) << "no needle at 0 %";
}

}  // namespace
}  // namespace kiv::test
