// TCoolGroupBox: the button bar's frame over the skin, moving, the caption cell, disabling.
#include "controls/cool_group_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <string>

#include "framework/forms/bitmap.h"
#include "framework/forms/font.h"
#include "platform/draw/qt_convert.h"
#include "skin_form.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

using platform::FromQRgb;

constexpr TPoint kBar(1, 274);  // kivGrp's place on the main window

// The main window's bar as its paint cycle paints it, without a window: erased with the skin,
// framed, the text buttons over it.
class ButtonBar : public ::testing::Test {
protected:
    QImage Paint() { return PaintControl(bar, 450, 29, clWhite); }
    // The skin at a point of the bar.
    static TColor Skin(int x, int y) { return TSkinForm::FormColour(kBar.X + x, kBar.Y + y); }
    // Whether (x, y) of the bar lies on one of the text buttons.
    bool OnButton(int x, int y) const {
        for (int i = 0; i < bar.ControlCount(); ++i)
            if (bar.Controls(i)->BoundsRect().Contains({x, y})) return true;
        return false;
    }

    TSkinForm form{nullptr, MainDesign()};
    TCoolGroupBox& bar = form.Group();
};

TEST_F(ButtonBar, WithoutCtl3DIsAOnePixelFrameOverTheSkin) {
    bar.SetCtl3D(false);
    const QImage image = Paint();
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 450; ++x) {
            const bool frame = (y >= 5 && (x == 0 || x == 449)) || y == 5 || y == 28;
            const TColor c = FromQRgb(image.pixel(x, y));
            if (frame) {
                ASSERT_EQ(c, ColorToRGB(clWindowFrame)) << x << "," << y;
            } else if (!OnButton(x, y) || c != clWhite) {
                ASSERT_EQ(c, Skin(x, y)) << x << "," << y;
            }
        }
}

TEST_F(ButtonBar, WithCtl3DIsAnEtchedPair) {
    bar.SetCtl3D(true);
    const QImage image = Paint();
    const TColor shadow = ColorToRGB(clBtnShadow);
    const TColor light = ColorToRGB(clBtnHighlight);
    auto at = [&](int x, int y) { return FromQRgb(image.pixel(x, y)); };
    for (int x = 0; x <= 448; ++x) ASSERT_EQ(at(x, 5), shadow) << x;
    EXPECT_EQ(at(449, 5), Skin(449, 5));
    for (int x = 1; x <= 447; ++x) ASSERT_EQ(at(x, 6), light) << x;
    for (int x = 1; x <= 449; ++x) ASSERT_EQ(at(x, 28), light) << x;
    EXPECT_EQ(at(0, 28), Skin(0, 28));
    for (int x = 0; x <= 448; ++x) ASSERT_EQ(at(x, 27), shadow) << x;
    for (int y = 5; y <= 27; ++y) {
        ASSERT_EQ(at(0, y), shadow) << y;
        ASSERT_EQ(at(448, y), shadow) << y;
    }
    for (int y = 6; y <= 28; ++y) ASSERT_EQ(at(449, y), light) << y;
    for (int y = 7; y <= 26; ++y) ASSERT_EQ(at(1, y), light) << y;
    EXPECT_EQ(at(200, 4), Skin(200, 4));
    EXPECT_EQ(at(200, 20), Skin(200, 20));
}

TEST(CoolGroupBoxMove, AMovedTransparentBoxShowsTheSkinOfItsNewPlace) {
    TSkinForm form(nullptr, MainDesign());
    TCoolGroupBox& bar = form.Group();
    form.Show();
    bar.Update();
    bar.SetBounds(1, 100, 450, 29);
    bar.Update();
    const QImage& surface = bar.Handle().Surface();
    EXPECT_EQ(FromQRgb(surface.pixel(200, 15)), TSkinForm::FormColour(201, 115));
    EXPECT_EQ(FromQRgb(surface.pixel(100, 2)), TSkinForm::FormColour(101, 102));
}

TEST(CoolGroupBoxCaption, ATransparentBoxsCaptionCellShowsTheParentBehindIt) {
    TSkinForm form(nullptr, MainDesign());
    TCoolGroupBox& bar = form.Group();
    UseTerminalFont(*bar.Font(), clWhite);  // "0" is 8 high: the frame's top line is row 3
    bar.SetCtl3D(false);
    bar.SetShadowSize(2);
    bar.SetCaption("Ab");
    const QImage image = PaintControl(bar, 450, 29, clWhite);
    // The caption's cell runs from 8 - 2 to 8 + 12 + 2; the frame line stops on both sides.
    for (int x = 0; x < 40; ++x) {
        const TColor c = FromQRgb(image.pixel(x, 3));
        const bool cell = x >= 6 && x < 22;
        if (!cell) {
            ASSERT_EQ(c, clBlack) << x;
        } else if (c != clWhite && c != ColorToRGB(clBtnHighlight)) {
            ASSERT_EQ(c, TSkinForm::FormColour(kBar.X + x, kBar.Y + 3)) << x;
        }
    }
}

TEST(CoolGroupBoxCaption, AnOpaqueBoxFillsTheCaptionCellsWithItsColour) {
    TCoolGroupBox box(nullptr);
    box.SetBounds(0, 0, 40, 12);
    box.SetColor(clNavy);
    UseTerminalFont(*box.Font(), clWhite);
    box.SetCtl3D(false);
    box.SetSimpleView(true);
    box.SetCaption("A");
    const QImage image = PaintControl(box, 40, 12, clWhite);
    // The cell is widened by ShadowSize (1) on the left, where the text then starts.
    for (int x = 0; x < 40; ++x) {
        const TColor c = FromQRgb(image.pixel(x, 3));
        if (x < 7 || x >= 13) {
            ASSERT_EQ(c, clBlack) << x;
        } else {
            ASSERT_TRUE(c == clNavy || c == clWhite) << x;
        }
    }
}

TEST(CoolGroupBoxSetters, ShadowSettersTurnSimpleViewOffAndTellTheParent) {
    TSkinForm form(nullptr, MainDesign());
    TCoolGroupBox& bar = form.Group();
    int changes = 0;
    TWndMethod previous = form.WindowProc();
    form.SetWindowProc([&](TMessage& message) {
        if (message.Msg == CM_CHANGED) ++changes;
        previous(message);
    });
    ASSERT_TRUE(bar.SimpleView());
    bar.SetShadowSize(1);
    EXPECT_EQ(changes, 0) << "an unchanged value does nothing";
    EXPECT_TRUE(bar.SimpleView());
    bar.SetShadowSize(2);
    EXPECT_FALSE(bar.SimpleView());
    EXPECT_EQ(changes, 1);
    bar.SetSimpleView(true);
    EXPECT_EQ(changes, 2);
    form.SetWindowProc(nullptr);
}

TEST(CoolGroupBoxEnabled, ADisabledBarLetsNoClickThroughAndKeepsItsLook) {
    TSkinForm form(nullptr, MainDesign());
    TCoolGroupBox& bar = form.Group();
    int clicks = 0;
    form.Button("btnExit").SetOnClick([&](TObject*) { ++clicks; });
    form.Show();
    bar.Update();
    QWindow* window = WindowOf(form);
    ASSERT_NE(window, nullptr);
    QWidget* top = QWidget::find(window->winId());
    ASSERT_NE(top, nullptr);
    QWidget* barWidget = top->childAt(kBar.X + 20, kBar.Y + 16);
    ASSERT_NE(barWidget, nullptr);
    const QPoint onExit(20, 16);
    QTest::mouseClick(barWidget, Qt::LeftButton, {}, onExit);
    EXPECT_EQ(clicks, 1);

    const QImage before = bar.Handle().Surface().copy();
    bar.SetEnabled(false);
    bar.Update();
    QTest::mouseClick(barWidget, Qt::LeftButton, {}, onExit);
    EXPECT_EQ(clicks, 1) << "no input reaches the buttons";
    EXPECT_TRUE(form.Button("btnExit").Enabled());
    EXPECT_EQ(DifferingPixels(bar.Handle().Surface(), before), 0);

    bar.SetEnabled(true);
    QTest::mouseClick(barWidget, Qt::LeftButton, {}, onExit);
    EXPECT_EQ(clicks, 2);
}

TEST(CoolGroupBoxWallpaper, AnOpaqueBoxErasesWithItsWallpaperOrItsColour) {
    TCoolGroupBox box(nullptr);
    box.SetBounds(0, 0, 20, 20);
    box.SetColor(clTeal);
    box.SetCtl3D(false);
    EXPECT_EQ(FromQRgb(PaintControl(box, 20, 20, clWhite).pixel(10, 10)), clTeal);
    TBitmap tile;
    tile.SetImage(FromArt({"ry"}, {{'r', clRed}, {'y', clYellow}}));
    box.SetWallpaper(&tile);
    const QImage image = PaintControl(box, 20, 20, clWhite);
    EXPECT_EQ(FromQRgb(image.pixel(10, 10)), clRed);
    EXPECT_EQ(FromQRgb(image.pixel(11, 10)), clYellow);
    box.SetWallpaper(box.Wallpaper());  // its own bitmap: nothing changes
    EXPECT_TRUE(box.HasWallpaper());
}

}  // namespace
}  // namespace kiv::test
