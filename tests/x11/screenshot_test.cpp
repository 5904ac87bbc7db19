// A frameless form read from a design, shown on a real X server and checked in a screenshot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/form.h"
#include "framework/forms/graphic_control.h"
#include "framework/forms/picture.h"
#include "platform/draw/device_context.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/files.h"
#include "tests/support/forms.h"
#include "tests/support/pump.h"
#include "tests/support/screen.h"
#include "tests/support/shell.h"

namespace kiv::test {
namespace {

// The image and text controls of the design; they draw what they hold and nothing else.
class TShotImage : public TGraphicControl {
public:
    explicit TShotImage(TComponent* owner)
        : TGraphicControl(owner), m_picture(std::make_unique<TPicture>()) {
        m_picture->OnChange = [this](TObject*) {
            SetBounds(Left(), Top(), m_picture->Width(), m_picture->Height());
        };
    }
    TPicture* Picture() const { return m_picture.get(); }

protected:
    void Paint() override { Canvas()->Draw(0, 0, m_picture->Graphic()); }

private:
    std::unique_ptr<TPicture> m_picture;
};

class TShotText : public TGraphicControl {
public:
    explicit TShotText(TComponent* owner) : TGraphicControl(owner) {}

protected:
    void Paint() override {
        Canvas()->Font()->Assign(Font());
        Canvas()->Brush()->SetStyle(TBrushStyle::bsClear);
        Canvas()->TextOut(0, 0, Caption());
    }
};

class TShotForm : public TForm {
public:
    explicit TShotForm(TComponent* owner) : TForm(owner) {}
    TShotForm(TComponent* owner, std::string_view design) : TForm(owner) {
        LoadDesign(design, "screenshot_form.kfm");
    }
};

const bool registered = RegisterClass<TShotImage, TGraphicControl>(
                            "TShotImage", {Prop("Picture", &TShotImage::Picture)}) &&
                        RegisterClass<TShotText, TGraphicControl>("TShotText") &&
                        RegisterClass<TShotForm, TForm>("TShotForm");

// The colour of the design's picture at (x, y): quadrants red, green, blue, yellow, with a
// white diagonal.
TColor PictureColour(int x, int y) {
    if (x == y) return clWhite;
    if (y < 8) return x < 12 ? clRed : clLime;
    return x < 12 ? clBlue : clYellow;
}

TColor At(const QImage& image, int x, int y) {
    return platform::FromQRgb(image.pixel(x, y));
}

// The form's part of a screenshot.
QImage AreaOf(const TForm& form, const QImage& shot) {
    const TPoint origin = form.ClientOrigin();
    return shot.copy(origin.X, origin.Y, form.Width(), form.Height());
}

TEST(Screenshot, AFramelessFormFromADesignShowsItsImageAndLabelsOnTheScreen) {
    ASSERT_TRUE(registered);
    std::string design = ReadFile(KIV_SCREENSHOT_DESIGN);
    ASSERT_FALSE(design.empty()) << KIV_SCREENSHOT_DESIGN;
    TShotForm form(nullptr, design);
    form.Show();
    QWindow* window = WindowOf(form);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    const TPoint origin = form.ClientOrigin();
    EXPECT_EQ(origin, TPoint(96, 64)) << "a frameless window has its client area at its place";
    const QImage expected = PaintControl(form, form.Width(), form.Height(), clGray);

    // The X server shows the window once its paint has been flushed.
    QImage shot;
    EXPECT_TRUE(PumpUntil(
        [&] {
            shot = Screenshot();
            return shot.isNull() || DifferingPixels(AreaOf(form, shot), expected) == 0;
        },
        "the screen shows the form as it paints itself"));
    ASSERT_FALSE(shot.isNull()) << "import -window root failed";
    ASSERT_EQ(shot.size(), QSize(1024, 768)) << "the screenshot is of the whole root window";
    const QImage window_pixels = AreaOf(form, shot);

    // What the design asks for, pixel by pixel, independent of the framework's own painting.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(At(window_pixels, 8 + x, 6 + y), PictureColour(x, y)) << x << "," << y;
    EXPECT_EQ(At(window_pixels, 2, 2), clBlack);
    EXPECT_EQ(At(window_pixels, 150, 80), clBlack);

    // The title: exactly the pixels the text engine sets for it, in lime.
    const QImage text = Reference(100, 9, clBlack, [](platform::DeviceContext& dc) {
        SelectTerminalText(dc, clLime);
        platform::TextOut(dc, 0, 0, "KIV INSTALLER");
    });
    int lime = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 100; ++x) {
            ASSERT_EQ(At(window_pixels, 40 + x, 8 + y), At(text, x, y)) << x << "," << y;
            lime += At(text, x, y) == clLime;
        }
    EXPECT_GT(lime, 40) << "the title drew visible text";

    int white = 0;
    for (int y = 30; y < 43; ++y)
        for (int x = 40; x < 150; ++x) white += At(window_pixels, x, y) == clWhite;
    EXPECT_GT(white, 20) << "the detail line drew visible text";

    // And the framework's own painting agrees with the screen everywhere.
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (At(window_pixels, x, y) != At(expected, x, y)) {
                if (differing++ < 5)
                    ADD_FAILURE() << "at " << x << "," << y << ": screen " << std::hex
                                  << At(window_pixels, x, y) << ", painted " << At(expected, x, y);
            }
    EXPECT_EQ(differing, 0);
}

TEST(Screenshot, PressingTheFormAndDraggingMovesTheWindow) {
    std::string design = ReadFile(KIV_SCREENSHOT_DESIGN);
    TShotForm form(nullptr, design);
    TWndMethod previous = form.WindowProc();
    form.SetWindowProc([&form, previous](TMessage& message) {
        previous(message);
        if (message.Msg == WM_LBUTTONDOWN) form.Perform(WM_SYSCOMMAND, SC_MOVE + HTCAPTION);
    });
    form.Show();
    QWindow* window = WindowOf(form);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    // The pointer finds the window once the X server shows it at its place.
    const QImage painted = PaintControl(form, form.Width(), form.Height(), clGray);
    ASSERT_TRUE(PumpUntil([&] { return DifferingPixels(AreaOf(form, Screenshot()), painted) == 0; },
                          "the screen shows the form"));
    ASSERT_EQ(RunShell("xdotool mousemove 226 134 mousedown 1 mousemove 246 154 "
                       "mousemove 266 174 mouseup 1"),
              0);
    EXPECT_TRUE(PumpUntil(
        [&] { return form.Left() == 136 && form.Top() == 104 && !form.Handle().Moving(); },
        "the drag has moved the form to (136, 104) and ended"));
    EXPECT_EQ(form.Left(), 136);
    EXPECT_EQ(form.Top(), 104);
    EXPECT_FALSE(form.Handle().Moving());
}

}  // namespace
}  // namespace kiv::test
