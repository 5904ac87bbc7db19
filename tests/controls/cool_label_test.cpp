// TCoolLabel: the text buttons' size and hover shadow, the engraved look, layout, bevels,
// wallpaper and which setters repaint at once.
#include "controls/cool_label.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <functional>
#include <map>
#include <string>

#include "framework/forms/bitmap.h"
#include "framework/forms/font.h"
#include "platform/draw/draw_edge.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "skin_form.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

using platform::DeviceContext;
using platform::DrawText;
using platform::FromQRgb;

// The text pixels of `text` in the Terminal face drawn at (x, y) of a w x h area.
QImage TextMask(int w, int h, const std::string& text, int x, int y, unsigned flags = 0) {
    return Reference(w, h, clBlack, [&](DeviceContext& dc) {
        SelectTerminalText(dc, clWhite);
        TRect r(x, y, w, h);
        DrawText(dc, text, r, flags);
    });
}

bool Lit(const QImage& mask, int x, int y) {
    return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() &&
           FromQRgb(mask.pixel(x, y)) == clWhite;
}

// A label not on any form, painted into an image of its size.
class LoneLabel : public ::testing::Test {
protected:
    void SetUp() override {
        label.SetBounds(0, 0, 30, 13);
        UseTerminalFont(*label.Font(), clWhite);
        label.SetTransparent(true);
        label.SetCaption("Ab");
    }
    QImage Paint() { return PaintControl(label, label.Width(), label.Height(), clBlack); }

    TCoolLabel label{nullptr};
};

TEST(CoolLabelButtons, FitTheirCaptionsAtLoadAndKeepTheSizeOnHover) {
    TSkinForm form(nullptr, MainDesign());
    const struct {
        const char* name;
        TRect bounds;
    } buttons[] = {{"btnExit", {15, 13, 39, 21}},
                   {"btnVerify", {247, 13, 283, 21}},
                   {"btnUnpack", {327, 13, 363, 21}},
                   {"btnPath", {407, 13, 431, 21}}};
    for (const auto& b : buttons) {
        TCoolLabel& button = form.Button(b.name);
        EXPECT_EQ(button.BoundsRect(), b.bounds) << b.name;
        button.SetShadowSize(1);
        EXPECT_EQ(button.BoundsRect(), b.bounds) << b.name << " on hover";
    }
}

// The main window's button bar, shown: hovering over "Exit" gives its caption a white shadow
// one pixel right and below, cut by the label's bounds; leaving it restores the skin.
TEST(CoolLabelHover, ShadowFallsRightAndBelowAndLeavesNoTraceWhenItGoes) {
    TSkinForm form(nullptr, MainDesign());
    TCoolGroupBox& bar = form.Group();
    bar.SetCtl3D(false);
    form.Show();
    bar.Update();
    QImage& surface = bar.Handle().Surface();
    const QImage before = surface.copy();
    // Without hover: the skin under the label, the caption in white.
    const QImage text = TextMask(24, 8, "Exit", 0, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 24; ++x) {
            const TColor want = Lit(text, x, y) ? clWhite : TSkinForm::FormColour(16 + x, 287 + y);
            ASSERT_EQ(FromQRgb(before.pixel(15 + x, 13 + y)), want) << x << "," << y;
        }

    TCoolLabel& exit = form.Button("btnExit");
    exit.SetShadowSize(1);  // what the window's mouse-move handler does; no event runs after it
    // Everything the shadow pass would put beyond the label (its rectangle reaches x = 40 and
    // y = 22 of the bar) is cut: outside the label nothing changes.
    int shadowOnly = 0;
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 450; ++x) {
            const bool inLabel = TRect(15, 13, 39, 21).Contains({x, y});
            const bool lit = inLabel && (Lit(text, x - 15, y - 13) || Lit(text, x - 16, y - 14));
            const TColor want = lit ? clWhite : FromQRgb(before.pixel(x, y));
            ASSERT_EQ(FromQRgb(surface.pixel(x, y)), want) << x << "," << y;
            shadowOnly += lit && !Lit(text, x - 15, y - 13);
        }
    EXPECT_GT(shadowOnly, 10);

    exit.SetShadowSize(0);
    EXPECT_EQ(DifferingPixels(surface, before), 0);
}

TEST_F(LoneLabel, DisabledIsEngravedWhateverItsShadowSettings) {
    label.SetShadowSize(3);
    label.SetShadowColor(clRed);
    label.SetSimpleView(true);
    label.SetEnabled(false);
    const QImage expected = Reference(30, 13, clBlack, [](DeviceContext& dc) {
        SelectTerminalText(dc, clBtnHighlight);
        TRect light(1, 1, 31, 14);
        DrawText(dc, "Ab", light, 0);
        dc.SetTextColor(ColorToRGB(clBtnShadow));
        TRect dark(0, 0, 30, 13);
        DrawText(dc, "Ab", dark, 0);
    });
    EXPECT_EQ(DifferingPixels(Paint(), expected), 0);
}

struct ShadowSetterCase {
    const char* name;
    std::function<void(TCoolLabel&)> set;
    bool simpleViewAfter;
    friend void PrintTo(const ShadowSetterCase& c, std::ostream* os) { *os << c.name; }
};

class ShadowSetter : public ::testing::TestWithParam<ShadowSetterCase> {};

TEST_P(ShadowSetter, ANewValueTurnsSimpleViewOffAndKeepsTheSize) {
    TCoolLabel label(nullptr);
    label.SetBounds(3, 4, 24, 8);
    label.SetSimpleView(true);
    GetParam().set(label);
    EXPECT_EQ(label.SimpleView(), GetParam().simpleViewAfter);
    EXPECT_EQ(label.BoundsRect(), TRect(3, 4, 27, 12));
}

INSTANTIATE_TEST_SUITE_P(
    Setters, ShadowSetter,
    ::testing::Values(
        ShadowSetterCase{"Colour", [](TCoolLabel& l) { l.SetShadowColor(clRed); }, false},
        ShadowSetterCase{"Size", [](TCoolLabel& l) { l.SetShadowSize(2); }, false},
        ShadowSetterCase{"Position",
                         [](TCoolLabel& l) { l.SetShadowPos(TShadowPosition::spRightTop); }, false},
        ShadowSetterCase{"SameColour", [](TCoolLabel& l) { l.SetShadowColor(clBtnHighlight); },
                         true},
        ShadowSetterCase{"SameSize", [](TCoolLabel& l) { l.SetShadowSize(1); }, true},
        ShadowSetterCase{"SamePosition",
                         [](TCoolLabel& l) { l.SetShadowPos(TShadowPosition::spLeftTop); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoneLabel, ShadowShowsOnceSimpleViewIsTurnedOff) {
    label.SetShadowColor(clRed);
    label.SetSimpleView(true);
    const QImage plain = Paint();
    label.SetShadowSize(2);
    const QImage shadowed = Paint();
    EXPECT_EQ(DifferingPixels(plain, TextMask(30, 13, "Ab", 0, 0)), 0);
    const QImage expected = Reference(30, 13, clBlack, [](DeviceContext& dc) {
        SelectTerminalText(dc, clRed);
        TRect shadow(0, 0, 30, 13);
        DrawText(dc, "Ab", shadow, 0);
        dc.SetTextColor(clWhite);
        TRect text(2, 2, 30, 13);
        DrawText(dc, "Ab", text, 0);
    });
    EXPECT_EQ(DifferingPixels(shadowed, expected), 0);
}

struct LayoutCase {
    const char* name;
    TTextLayout layout;
    int height;
    int top;  // first row of the text
    friend void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }
};

class Layout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, MovesTheTextDownByTheRoomLeftInTheFullHeight) {
    const LayoutCase& c = GetParam();
    TCoolLabel label(nullptr);
    label.SetBounds(0, 0, 24, c.height);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetTransparent(true);
    label.SetShadowSize(0);
    label.SetCaption("Exit");
    label.SetLayout(c.layout);
    const QImage image = PaintControl(label, 24, c.height, clBlack);
    EXPECT_EQ(DifferingPixels(image, TextMask(24, c.height, "Exit", 0, c.top)), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Layout,
                         ::testing::Values(LayoutCase{"CenterIn13", TTextLayout::tlCenter, 13, 2},
                                           LayoutCase{"CenterIn8", TTextLayout::tlCenter, 8, 0},
                                           LayoutCase{"CenterIn16", TTextLayout::tlCenter, 16, 4},
                                           LayoutCase{"BottomIn13", TTextLayout::tlBottom, 13, 5},
                                           LayoutCase{"TopIn13", TTextLayout::tlTop, 13, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FitCase {
    const char* name;
    std::string caption;
    bool showAccelChar;
    TShadowPosition position;
    TSize size;
    friend void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }
};

class Fit : public ::testing::TestWithParam<FitCase> {};

TEST_P(Fit, TakesTheMeasuredExtentFromTheClientOrigin) {
    const FitCase& c = GetParam();
    TForm form(nullptr);
    auto& label = form.Make<TCoolLabel>();
    label.SetParent(&form);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetShowAccelChar(c.showAccelChar);
    label.SetShadowPos(c.position);
    label.SetCaption(c.caption);
    label.SetCaption(c.caption + "x");  // a change fits; back to the case's caption fits again
    label.SetCaption(c.caption);
    EXPECT_EQ(TSize(label.Width(), label.Height()), c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Fit,
    ::testing::Values(
        FitCase{"ExitLeftTop", "Exit", true, TShadowPosition::spLeftTop, {25, 9}},
        FitCase{"ExitRightBottom", "Exit", true, TShadowPosition::spRightBottom, {24, 8}},
        FitCase{"EmptyIsOneBlank", "", true, TShadowPosition::spRightBottom, {6, 8}},
        FitCase{"EmptyWithItsOffset", "", true, TShadowPosition::spLeftTop, {7, 9}},
        FitCase{"LonePrefixIsABlank", "&", true, TShadowPosition::spRightBottom, {6, 8}},
        FitCase{"LoneAmpersandShown", "&", false, TShadowPosition::spRightBottom, {6, 8}},
        FitCase{"TwoLines", "a\nbc", true, TShadowPosition::spRightBottom, {12, 16}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CoolLabelFit, RightJustifiedKeepsItsRightEdge) {
    TForm form(nullptr);
    auto& label = form.Make<TCoolLabel>();
    label.SetParent(&form);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAlignment(TAlignment::taRightJustify);
    label.SetBounds(100, 5, 30, 8);
    label.SetShadowSize(0);
    label.SetCaption("Exit");
    EXPECT_EQ(label.BoundsRect(), TRect(106, 5, 130, 13));
}

TEST(CoolLabelFit, NothingWithoutAParentOrWithoutAutoSize) {
    TCoolLabel lone(nullptr);
    lone.SetBounds(0, 0, 50, 20);
    lone.SetCaption("Exit");
    EXPECT_EQ(lone.Width(), 50);
    TForm form(nullptr);
    auto& label = form.Make<TCoolLabel>();
    label.SetParent(&form);
    label.SetBevelsOffset(3);
    EXPECT_FALSE(label.AutoSize()) << "a bevel offset switches AutoSize off";
    label.SetBounds(0, 0, 50, 20);
    label.SetCaption("Exit");
    EXPECT_EQ(label.Width(), 50);
}

TEST_F(LoneLabel, BevelsDrawTheirEdgeAndMoveTheTextInBySpaceDoesNot) {
    label.SetShadowSize(0);
    const QImage plain = Paint();
    label.SetBevelOuter(TBevelCut::bvSpace);
    label.SetBevelsOffset(3);
    EXPECT_EQ(DifferingPixels(Paint(), plain), 0) << "bvSpace draws no edge and keeps the text";

    label.SetBevelOuter(TBevelCut::bvLowered);
    label.SetBevelInner(TBevelCut::bvRaised);
    const QImage framed = Paint();
    const QImage expected = Reference(30, 13, clBlack, [](DeviceContext& dc) {
        TRect edge(0, 0, 30, 13);
        platform::DrawEdge(dc, edge, platform::BDR_SUNKENOUTER | platform::BDR_RAISEDINNER,
                           platform::BF_RECT);
        SelectTerminalText(dc, clWhite);
        TRect text(3, 3, 27, 10);
        DrawText(dc, "Ab", text, 0);
    });
    EXPECT_EQ(DifferingPixels(framed, expected), 0);
}

TEST_F(LoneLabel, ShowAccelCharOffDrawsTheAmpersandItself) {
    label.SetShadowSize(0);
    label.SetCaption("A&B");
    EXPECT_EQ(DifferingPixels(Paint(), TextMask(30, 13, "A&B", 0, 0)), 0);
    label.SetShowAccelChar(false);
    EXPECT_EQ(DifferingPixels(Paint(), TextMask(30, 13, "A&B", 0, 0, platform::DT_NOPREFIX)), 0);
}

TEST_F(LoneLabel, AnOpaqueLabelFillsWithItsWallpaperTiledOrElseItsColour) {
    label.SetShadowSize(0);
    label.SetCaption("");
    label.SetTransparent(false);
    label.SetColor(clNavy);
    label.SetIdWallpaper(0);  // no bitmap list: an index alone is no wallpaper
    EXPECT_FALSE(label.HasWallpaper());
    EXPECT_EQ(FromQRgb(Paint().pixel(20, 10)), clNavy);
    label.Wallpaper();  // made on first use, empty: still no wallpaper
    EXPECT_FALSE(label.HasWallpaper());

    TBitmap tile;
    tile.SetImage(
        FromArt({"ry", "gb"}, {{'r', clRed}, {'y', clYellow}, {'g', clLime}, {'b', clBlue}}));
    label.SetWallpaper(&tile);
    EXPECT_TRUE(label.HasWallpaper());
    EXPECT_EQ(ToArt(Paint().copy(0, 0, 5, 3),
                    {{'r', clRed}, {'y', clYellow}, {'g', clLime}, {'b', clBlue}}),
              Art({"ryryr", "gbgbg", "ryryr"}));
}

// Counts the paints a control receives.
int& PaintCounter(TControl& control) {
    static std::map<TControl*, int> counts;
    int& count = counts[&control];
    TWndMethod previous = control.WindowProc();
    control.SetWindowProc([previous, &count](TMessage& message) {
        if (message.Msg == WM_PAINT) ++count;
        previous(message);
    });
    return count;
}

TEST(CoolLabelRepaint, ShadowAndBevelSettersRepaintAtOnceTheWallpaperIndexWaits) {
    TSkinForm form(nullptr, MainDesign());
    form.Show();
    form.Group().Update();
    TCoolLabel& exit = form.Button("btnExit");
    int& paints = PaintCounter(exit);
    exit.SetShadowColor(clYellow);
    EXPECT_EQ(paints, 1);
    exit.SetShadowColor(clYellow);
    EXPECT_EQ(paints, 1) << "an unchanged value does nothing";
    exit.SetBevelOuter(TBevelCut::bvRaised);
    EXPECT_EQ(paints, 2);
    exit.SetIdWallpaper(3);
    EXPECT_EQ(paints, 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 3) << "invalidated, painted in the next paint cycle";
}

}  // namespace
}  // namespace kiv::test
