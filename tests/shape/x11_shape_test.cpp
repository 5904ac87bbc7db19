// The shaped window on a real X server: what shows, where input goes, and dragging with and
// without a window manager.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QWindow>

#include "framework/forms/canvas.h"
#include "framework/forms/graphic_control.h"
#include "platform/draw/qt_convert.h"
#include "shape/rectangles.h"
#include "shape/transparent_form.h"
#include "tests/shape/shape_support.h"
#include "tests/support/files.h"
#include "tests/support/forms.h"
#include "tests/support/pixel_art.h"
#include "tests/support/pump.h"
#include "tests/support/screen.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace kiv::test {
namespace {

constexpr int kGalleryWidth = 320;
constexpr int kGalleryHeight = 200;

// The shown pixels of a screen area as art: '#' where anything but the black root shows.
std::string ShownArt(const QImage& shot, TPoint at, int width, int height) {
    std::string out;
    for (int y = 0; y < height; ++y) {
        if (y) out.push_back('\n');
        for (int x = 0; x < width; ++x)
            out.push_back(platform::FromQRgb(shot.pixel(at.X + x, at.Y + y)) == clBlack ? '.'
                                                                                        : '#');
    }
    return out;
}

// Where two arts of one size differ, for a failure message.
std::string FirstDifferences(const std::string& a, const std::string& b, int width) {
    std::string out;
    int shown = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size() && shown < 8; ++i)
        if (a[i] != b[i]) {
            const int row = int(i) / (width + 1);
            out +=
                " (" + std::to_string(int(i) - row * (width + 1)) + "," + std::to_string(row) + ")";
            ++shown;
        }
    return out;
}

// The gallery program, running on the test's display until the end of the scope.
class Gallery {
public:
    explicit Gallery(TPoint at) {
        m_process.setProgram(KIV_SHAPE_GALLERY);
        m_process.setArguments(
            {"--at", QString::fromStdString(std::to_string(at.X) + "," + std::to_string(at.Y))});
        m_process.start();
    }
    ~Gallery() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool Started() { return m_process.waitForStarted(10000); }

private:
    QProcess m_process;
};

std::string GalleryRegionArt() {
    const TempFolder temp;
    const std::string out = temp / "region.txt";
    if (RunShell("QT_QPA_PLATFORM=offscreen " + ShellQuote(KIV_SHAPE_GALLERY) + " --region > " +
                 ShellQuote(out)) != 0)
        return {};
    std::string art = ReadFile(out);
    while (!art.empty() && art.back() == '\n') art.pop_back();
    return art;
}

TEST(ShapedWindowBare, TheGalleryShowsExactlyItsRegionAndDragsWithThePointer) {
    const std::string expected = GalleryRegionArt();
    ASSERT_EQ(expected.size(), std::size_t((kGalleryWidth + 1) * kGalleryHeight - 1));
    const TPoint at(200, 150);
    Gallery gallery(at);
    ASSERT_TRUE(gallery.Started());
    QImage shot;
    std::string shown;
    EXPECT_TRUE(PumpUntil(
        [&] {
            shot = Screenshot();
            if (shot.isNull()) return true;
            shown = ShownArt(shot, at, kGalleryWidth, kGalleryHeight);
            return shown == expected;
        },
        "the screen shows the gallery's region and nothing else of it"));
    ASSERT_FALSE(shot.isNull()) << "import -window root failed";
    EXPECT_EQ(shown, expected) << "differs at" << FirstDifferences(shown, expected, kGalleryWidth);
    shot.save(KIV_SHOT_OUT "/gallery.png");

    // Pressed on the ring's bar at (60, 100) of the window, dragged by (40, 30).
    ASSERT_TRUE(
        XDoTool("mousemove 260 250 mousedown 1 mousemove 280 265 mousemove 300 280 "
                "mouseup 1"));
    EXPECT_TRUE(PumpUntil(
        [&] {
            const std::optional<TPoint> now = WindowPosition("Shape gallery");
            return now && *now == TPoint(240, 180);
        },
        "the gallery follows the pointer to (240, 180)"));
}

// A form that counts the clicks on its surface through a windowless control covering it.
class TClickPad : public TGraphicControl {
public:
    explicit TClickPad(TComponent* owner) : TGraphicControl(owner) {}
    int clicks = 0;

protected:
    void Click() override { ++clicks; }
    void Paint() override {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect({0, 0, Width(), Height()});
    }
};

struct PadForm {
    PadForm(const std::string& caption, TColor colour, const TRect& bounds) {
        form.SetCaption(caption);
        form.SetBoundsRect(bounds);
        pad = &form.Make<TClickPad>();
        pad->SetParent(&form);
        pad->SetBounds(0, 0, bounds.Width(), bounds.Height());
        pad->SetColor(colour);
    }
    bool ShowAndWait() {
        form.Show();
        QWindow* window = WindowOf(form);
        return window && QTest::qWaitForWindowExposed(window);
    }
    TShapeForm form{nullptr};
    TClickPad* pad = nullptr;
};

// A blue 100 x 60 window with a 40 x 20 hole over a red one of the same place.
class ShapedOverPlain : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(below.ShowAndWait());
        auto& whole = above.form.Make<TRectangles>();
        whole.SetParent(&above.form);
        whole.SetBounds(0, 0, 100, 60);
        auto& hole = above.form.Make<TRectangles>();
        hole.SetParent(&above.form);
        hole.SetBounds(30, 20, 40, 20);
        hole.SetCombineMode(TCombineMode::cmDifference);
        controller = &above.form.Make<TTransparentForm>();
        controller->SetAutoTransparent(true);
        ASSERT_TRUE(above.ShowAndWait());
    }

    PadForm below{"Below", clRed, {300, 300, 400, 360}};
    PadForm above{"Above", clBlue, {300, 300, 400, 360}};
    TTransparentForm* controller = nullptr;
};

TEST_F(ShapedOverPlain, TheHoleShowsAndPassesClicksToTheWindowBelow) {
    controller->SetDragable(false);
    EXPECT_TRUE(PumpUntil(
        [&] {
            const QImage shot = Screenshot();
            return shot.isNull() || (platform::FromQRgb(shot.pixel(350, 330)) == clRed &&
                                     platform::FromQRgb(shot.pixel(310, 310)) == clBlue);
        },
        "red shows through the hole, blue around it"));
    ASSERT_TRUE(XDoTool("mousemove 350 330 click 1"));
    EXPECT_TRUE(PumpUntil([&] { return below.pad->clicks == 1; }, "the window below is clicked"));
    EXPECT_EQ(above.pad->clicks, 0);
    ASSERT_TRUE(XDoTool("mousemove 310 310 click 1"));
    EXPECT_TRUE(PumpUntil([&] { return above.pad->clicks == 1; }, "the shaped window is clicked"));
    EXPECT_EQ(below.pad->clicks, 1);
}

// Drags the shaped window by (30, 20) from its pad and checks where it went and that the pad
// took no click and is not left pressed.
void DragAndCheck(PadForm& shaped, TPoint start) {
    // With pauses, as a hand would make them: the window manager takes the pointer over only
    // once the press has gone through the toolkit.
    const TPoint press = start + TPoint(10, 45);
    ASSERT_TRUE(XDoToolLive("mousemove " + std::to_string(press.X) + " " + std::to_string(press.Y) +
                            " mousedown 1 sleep 0.5 mousemove_relative 15 10 sleep 0.2 "
                            "mousemove_relative 15 10 sleep 0.2 mouseup 1"));
    const TPoint end = start + TPoint(30, 20);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return WindowPosition(shaped.form.Caption()) == end && !shaped.form.Handle().Moving();
        },
        "the shaped window moves by the drag"));
    QTest::qWait(100);  // whatever the release brings has arrived
    EXPECT_EQ(shaped.pad->clicks, 0) << "the move took the release";
    EXPECT_FALSE(shaped.pad->ControlState().Contains(TControlStateItem::csLButtonDown));
    EXPECT_FALSE(shaped.pad->ControlState().Contains(TControlStateItem::csClicked));
}

TEST_F(ShapedOverPlain, WithoutAWindowManagerTheWindowFollowsThePointerItself) {
    DragAndCheck(above, {300, 300});
}

TEST(ShapedWindowManaged, TheWindowManagerMovesTheWindowAndTheReleaseMakesNoClick) {
    PadForm below{"Below", clRed, {300, 300, 400, 360}};
    ASSERT_TRUE(below.ShowAndWait());
    PadForm above{"Above", clBlue, {300, 300, 400, 360}};
    auto& controller = above.form.Make<TTransparentForm>();
    controller.SetAutoTransparent(true);
    ASSERT_TRUE(above.ShowAndWait());
    // The window manager may place the window as it likes; the drag is measured from there.
    std::optional<TPoint> start;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const std::optional<TPoint> now = WindowPosition("Above");
            const bool settled = now && now == start;
            start = now;
            return settled;
        },
        "the window manager has placed the window"));
    DragAndCheck(above, *start);
    EXPECT_FALSE(above.form.Handle().Moving()) << "the window manager ran the move";
}

}  // namespace
}  // namespace kiv::test
