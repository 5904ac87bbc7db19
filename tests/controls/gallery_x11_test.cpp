// The control gallery on a real X server: the screen shows every control as the framework
// paints it and as the controls' rules say, the text scrolls, and "Live" highlights under the
// mouse.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <memory>
#include <string>

#include "controls/cool_group_box.h"
#include "platform/draw/dc_state_guard.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/forms.h"
#include "tests/support/pump.h"
#include "tests/support/screen.h"
#include "tests/support/shell.h"
#include "tools/gallery/gallery_form.h"

namespace kiv::test {
namespace {

using platform::DeviceContext;
using platform::FromQRgb;

constexpr TPoint kWindow(40, 40);           // where the gallery's design puts its window
constexpr TRect kScroll(16, 32, 150, 221);  // the running scrolling text, in the window
constexpr TRect kLive(440, 45, 464, 53);    // the "Live" button: the bar at (170, 32) + (270, 13)

TColor At(const QImage& image, int x, int y) {
    return FromQRgb(image.pixel(x, y));
}

// A windowed control and its windowed children painted into `dc` as their windows show them.
void PaintTree(TWinControl& control, DeviceContext& dc) {
    control.Perform(WM_ERASEBKGND, DCParam(dc));
    control.Perform(WM_PAINT, DCParam(dc));
    for (int i = 0; i < control.ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(control.Controls(i));
        if (!child) continue;
        platform::DcStateGuard guard(dc);
        dc.OffsetWindowOrgEx(-child->Left(), -child->Top());
        dc.IntersectClipRect({0, 0, child->Width(), child->Height()});
        PaintTree(*child, dc);
    }
}

// The text pixels of `text` in the Terminal face from (0, 0).
QImage TerminalText(const std::string& text) {
    return Reference(6 * int(text.size()), 8, clBlack, [&](DeviceContext& dc) {
        SelectTerminalText(dc, clWhite);
        platform::TextOut(dc, 0, 0, text);
    });
}

bool Lit(const QImage& mask, int x, int y) {
    return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() && At(mask, x, y) == clWhite;
}

// The gallery program, started once for the suite, and the same window painted in memory.
class Gallery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_process = std::make_unique<QProcess>();
        s_process->start(KIV_GALLERY_PROGRAM, {"--seconds", "600"});
        s_reference = std::make_unique<TGalleryForm>(nullptr);
        s_painted = BlankImage(640, 400, clBlack);
        DeviceContext dc(s_painted);
        PaintTree(*s_reference, dc);
    }
    static void TearDownTestSuite() {
        s_process->kill();
        s_process->waitForFinished();
        s_process.reset();
        s_reference.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(s_process->waitForStarted()) << s_process->errorString().toStdString();
        ASSERT_TRUE(PumpUntil([this] { return Settled(); }, "the screen shows the gallery"));
    }

    // The window's part of a fresh screenshot (null when none can be taken).
    static QImage Window() {
        const QImage shot = Screenshot();
        return shot.isNull() ? shot : shot.copy(kWindow.X, kWindow.Y, 640, 400);
    }
    // Pixels that differ from the window painted in memory, outside `skip` areas.
    static int Differing(const QImage& window, std::initializer_list<TRect> skip) {
        int count = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 640; ++x) {
                bool skipped = false;
                for (const TRect& r : skip) skipped = skipped || r.Contains({x, y});
                if (!skipped && window.pixel(x, y) != s_painted.pixel(x, y)) ++count;
            }
        return count;
    }
    bool Settled() {
        m_window = Window();
        return !m_window.isNull() && Differing(m_window, {kScroll, kLive}) == 0;
    }
    TColor Skin(int x, int y) const { return gallery::SkinColour(x, y); }

    static std::unique_ptr<QProcess> s_process;
    static std::unique_ptr<TGalleryForm> s_reference;
    static QImage s_painted;
    QImage m_window;
};

std::unique_ptr<QProcess> Gallery::s_process;
std::unique_ptr<TGalleryForm> Gallery::s_reference;
QImage Gallery::s_painted;

TEST_F(Gallery, TheScreenShowsTheButtonBarsFrameAndTextButtonsOverTheSkin) {
    const QImage& w = m_window;
    EXPECT_EQ(At(w, 630, 390), Skin(630, 390));
    EXPECT_EQ(At(w, 5, 390), Skin(5, 390));
    // The bar at (170, 32), 450 x 29, Ctl3D off: rows 5 and 28, columns 0 and 449.
    for (int x = 170; x < 620; ++x) {
        ASSERT_EQ(At(w, x, 37), clBlack) << x;
        ASSERT_EQ(At(w, x, 60), clBlack) << x;
    }
    for (int y = 37; y <= 60; ++y) {
        ASSERT_EQ(At(w, 170, y), clBlack) << y;
        ASSERT_EQ(At(w, 619, y), clBlack) << y;
    }
    EXPECT_EQ(At(w, 300, 36), Skin(300, 36));
    EXPECT_EQ(At(w, 171, 50), Skin(171, 50));
    // "Exit" plain, "Hover" with its shadow one pixel right and below.
    const QImage exit = TerminalText("Exit");
    const QImage hover = TerminalText("Hover");
    int shadow = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(At(w, 185 + x, 45 + y), Lit(exit, x, y) ? clWhite : Skin(185 + x, 45 + y));
        for (int x = 0; x < 30; ++x) {
            const bool lit = Lit(hover, x, y) || Lit(hover, x - 1, y - 1);
            ASSERT_EQ(At(w, 270 + x, 45 + y), lit ? clWhite : Skin(270 + x, 45 + y)) << x;
            shadow += lit && !Lit(hover, x, y);
        }
    }
    EXPECT_GT(shadow, 10);
    // "Off" is disabled: engraved in the button shadow and highlight colours.
    int grey = 0;
    for (int y = 45; y < 53; ++y)
        for (int x = 355; x < 373; ++x) {
            const TColor c = At(w, x, y);
            ASSERT_TRUE(c == ColorToRGB(clBtnShadow) || c == clWhite || c == Skin(x, y)) << x;
            grey += c == ColorToRGB(clBtnShadow);
        }
    EXPECT_GT(grey, 10);
}

TEST_F(Gallery, TheScreenShowsTheGaugesRules) {
    const QImage& w = m_window;
    // The installer's bar at 50 %: columns 1 to 131 filled, the text inverted over both parts.
    int magenta = 0;
    int darkGrey = 0;
    for (int y = 145; y < 157; ++y)
        for (int x = 171; x < 434; ++x) {
            const TColor c = At(w, x, y);
            if (x <= 170 + 131) {
                ASSERT_TRUE(c == clLime || c == 0xFF00FF) << x << "," << y;
                magenta += c == 0xFF00FF;
            } else {
                ASSERT_TRUE(c == clSilver || c == 0x3F3F3F) << x << "," << y;
                darkGrey += c == 0x3F3F3F;
            }
        }
    EXPECT_GT(magenta, 5);
    EXPECT_GT(darkGrey, 5);
    EXPECT_EQ(At(w, 170, 150), clBlack) << "the frame";
    EXPECT_EQ(At(w, 200, 130), clSilver) << "the empty bar";
    EXPECT_EQ(At(w, 420, 170), clLime) << "the full bar";
}

TEST_F(Gallery, TheScreenShowsTheEtchedDisabledBarAndTheBevels) {
    const QImage& w = m_window;
    // The disabled bar at (170, 70), Ctl3D on: shadow at row 5, highlight a pixel further in.
    EXPECT_EQ(At(w, 300, 75), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(w, 300, 76), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(w, 170, 100), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(w, 171, 100), ColorToRGB(clBtnHighlight));
    // Its buttons keep their look: "Unpack" has white text pixels, none grey.
    int white = 0;
    for (int y = 92; y < 100; ++y)
        for (int x = 185; x < 221; ++x) {
            ASSERT_NE(At(w, x, y), ColorToRGB(clBtnShadow)) << x << "," << y;
            white += At(w, x, y) == clWhite;
        }
    EXPECT_GT(white, 20);
    // The sunken, transparent bevel at (170, 212), 200 x 60; the raised frame filled.
    EXPECT_EQ(At(w, 170, 212), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(w, 369, 271), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(w, 300, 260), Skin(300, 260));
    EXPECT_EQ(At(w, 440, 240), ColorToRGB(clBtnFace));
    EXPECT_EQ(At(w, 560, 240), gallery::TileColour(560 - 510, 240 - 212));
}

TEST_F(Gallery, TheScrollingTextMovesAndNothingElseDoes) {
    int white = 0;
    for (int y = kScroll.Top; y < kScroll.Bottom; ++y)
        for (int x = kScroll.Left; x < kScroll.Right; ++x) white += At(m_window, x, y) == clWhite;
    EXPECT_GT(white, 20) << "the art shows";
    const QImage before = m_window;
    QImage after;
    ASSERT_TRUE(WaitUntil(
        [&] {
            after = Window();
            return DifferingPixels(after.copy(platform::ToQRect(kScroll)),
                                   before.copy(platform::ToQRect(kScroll))) > 0;
        },
        "the text moves on the screen"));
    EXPECT_EQ(Differing(after, {kScroll, kLive}), 0);
}

TEST_F(Gallery, LiveHighlightsUnderTheMouseAndLosesItOverTheSkin) {
    const QImage live = TerminalText("Live");
    auto highlighted = [&](const QImage& w) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 24; ++x) {
                const bool lit = Lit(live, x, y) || Lit(live, x - 1, y - 1);
                if (At(w, kLive.Left + x, kLive.Top + y) !=
                    (lit ? clWhite : Skin(kLive.Left + x, kLive.Top + y)))
                    return false;
            }
        return true;
    };
    EXPECT_FALSE(highlighted(m_window));
    const TPoint over = kWindow + TPoint(kLive.Left + 12, kLive.Top + 4);
    ASSERT_EQ(
        RunShell("xdotool mousemove " + std::to_string(over.X) + " " + std::to_string(over.Y)), 0);
    QImage w;
    EXPECT_TRUE(PumpUntil([&] { return highlighted(w = Window()); }, "Live shows its shadow"));
    EXPECT_EQ(Differing(w, {kScroll, kLive}), 0) << "nothing else changes";
    const TPoint away = kWindow + TPoint(600, 380);
    ASSERT_EQ(
        RunShell("xdotool mousemove " + std::to_string(away.X) + " " + std::to_string(away.Y)), 0);
    EXPECT_TRUE(PumpUntil([&] { return Differing(w = Window(), {kScroll}) == 0; },
                          "Live is plain again over the skin"));
}

}  // namespace
}  // namespace kiv::test
