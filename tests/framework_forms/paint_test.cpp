// Painting: into any device context at an offset, immediate and deferred repaints, scrolling.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QScreen>
#include <QWindow>

#include "framework/forms/canvas.h"
#include "framework/forms/win_control.h"
#include "platform/draw/device_context.h"
#include "platform/draw/qt_convert.h"
#include "probe_controls.h"
#include "tests/support/forms.h"
#include "tests/support/pixel_art.h"
#include "tests/support/pump.h"

namespace kiv::test {
namespace {

using platform::DeviceContext;

// A form 40 x 30, black, holding: Low (red) at (2, 2, 12, 12), High (lime) at (8, 8, 18, 18)
// above it, a hidden yellow shape over everything, and a blue windowed box at (20, 0, 40, 30).
class PaintTest : public testing::Test {
protected:
    void SetUp() override {
        form.SetBorderStyle(TFormBorderStyle::bsNone);
        form.SetBounds(0, 0, 40, 30);
        form.SetColor(clBlack);
        low = Add(TRect(2, 2, 12, 12), clRed);
        high = Add(TRect(8, 8, 18, 18), clLime);
        hidden = Add(TRect(0, 0, 40, 30), clYellow);
        hidden->SetVisible(false);
        box = &form.Make<TProbeBox>();
        box->SetParent(&form);
        box->SetBounds(20, 0, 20, 30);
        box->SetColor(clBlue);
    }

    TProbeShape* Add(const TRect& bounds, TColor color) {
        auto& shape = form.Make<TProbeShape>();
        shape.SetParent(&form);
        shape.SetBoundsRect(bounds);
        shape.SetColor(color);
        return &shape;
    }

    // What the form shows at a point of its client area without its windowed children.
    static TColor Expected(int x, int y) {
        if (TRect(8, 8, 18, 18).Contains({x, y})) return clLime;
        if (TRect(2, 2, 12, 12).Contains({x, y})) return clRed;
        return clBlack;
    }

    TProbeForm form{nullptr};
    TProbeShape* low = nullptr;
    TProbeShape* high = nullptr;
    TProbeShape* hidden = nullptr;
    TProbeBox* box = nullptr;
};

TEST_F(PaintTest, PerformPaintsTheParentAndItsWindowlessChildrenIntoAnyContextAtAnOffset) {
    QImage image = BlankImage(16, 16, clWhite);
    DeviceContext dc(image);
    // The parent's point (5, 4) falls on the context's (0, 0).
    dc.SetWindowOrgEx(5, 4);
    form.Perform(WM_ERASEBKGND, DCParam(dc));
    form.Perform(WM_PAINT, DCParam(dc));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(platform::FromQRgb(image.pixel(x, y)), Expected(x + 5, y + 4))
                << "at " << x << "," << y;
    EXPECT_EQ(hidden->paints, 0);
    EXPECT_FALSE(form.HandleAllocated()) << "painting into a context needs no window";
    EXPECT_EQ(dc.GetWindowOrgEx(), TPoint(5, 4)) << "the context's state is given back";
}

TEST_F(PaintTest, WindowlessChildIsClippedToItsBounds) {
    low->SetOverdraw(3);
    QImage image = BlankImage(20, 20, clWhite);
    DeviceContext dc(image);
    form.Perform(WM_ERASEBKGND, DCParam(dc));
    form.Perform(WM_PAINT, DCParam(dc));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(platform::FromQRgb(image.pixel(x, y)), Expected(x, y))
                << "at " << x << "," << y;
}

TEST_F(PaintTest, WindowedChildrenAreNotPaintedIntoTheParentsContext) {
    QImage image = BlankImage(40, 30, clWhite);
    DeviceContext dc(image);
    form.Perform(WM_ERASEBKGND, DCParam(dc));
    form.Perform(WM_PAINT, DCParam(dc));
    EXPECT_EQ(platform::FromQRgb(image.pixel(30, 15)), clBlack);
}

TEST_F(PaintTest, ShownFormShowsItsChildrenInItsWindowPixels) {
    form.Show();
    form.Update();
    QImage& surface = form.Handle().Surface();
    ASSERT_EQ(surface.size(), QSize(40, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(platform::FromQRgb(surface.pixel(x, y)), Expected(x, y))
                << "at " << x << "," << y;
    QImage& boxSurface = box->Handle().Surface();
    box->Update();
    EXPECT_EQ(platform::FromQRgb(boxSurface.pixel(5, 5)), clBlue);
}

TEST_F(PaintTest, InvalidateWaitsForTheNextPaintWhileRepaintPaintsBeforeReturning) {
    form.Show();
    form.Update();
    QImage& surface = form.Handle().Surface();
    high->SetColor(clWhite);  // invalidates: nothing painted yet
    EXPECT_EQ(platform::FromQRgb(surface.pixel(15, 15)), clLime);
    high->SetColor(clFuchsia);
    high->Repaint();
    EXPECT_EQ(platform::FromQRgb(surface.pixel(15, 15)), clFuchsia);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(9, 9)), clFuchsia);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(3, 3)), clRed);
}

TEST_F(PaintTest, DeferredPaintHappensWhenMessagesAreProcessed) {
    form.Show();
    form.Update();
    QImage& surface = form.Handle().Surface();
    low->SetColor(clNavy);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(3, 3)), clRed);
    QCoreApplication::processEvents();
    EXPECT_EQ(platform::FromQRgb(surface.pixel(3, 3)), clNavy);
}

TEST_F(PaintTest, RepaintOfAnOpaqueControlRepaintsTheControlsAboveItButNotTheBackground) {
    form.Show();
    form.Update();
    QImage& surface = form.Handle().Surface();
    low->SetOpaque(true);
    // A pixel only the background paints: an opaque repaint must leave it alone.
    surface.setPixel(1, 1, platform::ToQRgb(clAqua));
    int highPaints = high->paints;
    low->SetColor(clMaroon);
    low->Repaint();
    EXPECT_EQ(platform::FromQRgb(surface.pixel(3, 3)), clMaroon);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(10, 10)), clLime) << "High stays on top";
    EXPECT_GT(high->paints, highPaints);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(1, 1)), clAqua);
}

// What the window system shows of a shown form, read without letting any event through.
TColor OnScreen(const TForm& form, int x, int y) {
    QWindow* window = WindowOf(form);
    if (!window) return platform::CLR_INVALID;
    QImage shot = window->screen()->grabWindow(window->winId(), x, y, 1, 1).toImage();
    return shot.isNull() ? platform::CLR_INVALID : platform::FromQRgb(shot.pixel(0, 0));
}

TEST_F(PaintTest, AnImmediateRepaintReachesTheScreenBeforeTheNextTurnOfTheLoop) {
    form.SetCaption("PaintTest immediate repaint");
    form.Show();
    ASSERT_TRUE(PumpUntil([&] { return OnScreen(form, 3, 3) == clRed; }, "the form is shown"));
    // An opaque control paints itself straight onto the window's pixels; a transparent one has
    // its parent repaint the area. Neither may wait for the message loop to show the result.
    low->SetOpaque(true);
    low->SetColor(clMaroon);
    low->Repaint();
    EXPECT_EQ(OnScreen(form, 3, 3), clMaroon);
    high->SetColor(clTeal);
    high->Repaint();
    EXPECT_EQ(OnScreen(form, 15, 15), clTeal);
}

TEST_F(PaintTest, CanvasOutsideAPaintCycleDrawsOnTheParentsPixelsAtTheControlsPlace) {
    form.Show();
    form.Update();
    QImage& surface = form.Handle().Surface();
    low->Canvas()->Brush()->SetColor(clWhite);
    low->Canvas()->FillRect({-5, -5, 3, 3});  // clipped to the control
    EXPECT_EQ(platform::FromQRgb(surface.pixel(2, 2)), clWhite);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(4, 4)), clWhite);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(5, 5)), clRed);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(1, 1)), clBlack);
}

TEST_F(PaintTest, ScrollWindowExMovesThePixelsAndRepaintsTheUncoveredStrip) {
    form.Show();
    form.Update();
    QImage& surface = form.Handle().Surface();
    // Paint a marker that the form's own painting would not restore.
    surface.setPixel(5, 20, platform::ToQRgb(clWhite));
    TRect area(0, 16, 20, 30);
    form.ScrollWindowEx(0, -1, &area, &area, SW_INVALIDATE | SW_ERASE);
    EXPECT_EQ(platform::FromQRgb(surface.pixel(5, 19)), clWhite) << "moved up by one";
    form.Update();
    EXPECT_EQ(platform::FromQRgb(surface.pixel(5, 29)), clBlack) << "uncovered row painted";
    EXPECT_EQ(platform::FromQRgb(surface.pixel(5, 19)), clWhite) << "moved pixels kept";
}

}  // namespace
}  // namespace kiv::test
