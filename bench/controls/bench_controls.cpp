// The cost of one scrolling-text tick with the main window's settings (a transparent redraw
// through a 452 x 304 window) and of one gauge repaint, each against the same picture drawn by
// a plain Qt widget with QPainter, measured in the same run on Qt's offscreen platform.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "controls/thread_timer.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/font.h"
#include "framework/forms/form.h"
#include "framework/forms/picture.h"
#include "framework/stdctrls/image.h"
#include "framework/string_list.h"
#include "platform/draw/font.h"
#include "tools/gallery/gallery_form.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMinSeconds = 2.0;

// Microseconds per call of `step`, over at least kMinSeconds, after a warm-up.
double MicrosPer(const std::function<void(int)>& step) {
    for (int i = 0; i < 50; ++i) step(i);
    int calls = 0;
    const Clock::time_point start = Clock::now();
    double seconds = 0;
    while (seconds < kMinSeconds) {
        for (int i = 0; i < 100; ++i) step(calls++);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    return seconds * 1e6 / calls;
}

QImage SkinImage() {
    QImage image(450, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 450; ++x)
            image.setPixel(x, y, 0xFF000000u | kiv::ColorToRGB(kiv::gallery::SkinColour(x, y)));
    return image.rgbSwapped();
}

void UseTerminal(kiv::TFont& font) {
    font.SetName("Terminal");
    font.SetCharset(kiv::platform::OEM_CHARSET);
    font.SetHeight(-8);
    font.SetColor(kiv::clWhite);
}

// The main window in code: the skin, kivScroll with twenty information lines, kivGauge.
class MainWindow {
public:
    MainWindow() {
        m_form.SetBorderStyle(kiv::TFormBorderStyle::bsNone);
        m_form.SetBounds(0, 0, 452, 304);
        m_form.SetColor(kiv::clBlack);
        auto& skin = m_form.Make<kiv::TImage>();
        skin.SetParent(&m_form);
        skin.SetBounds(1, 2, 450, 300);
        kiv::TBitmap bitmap;
        bitmap.SetImage(SkinImage());
        skin.Picture()->SetBitmap(&bitmap);
        scroll.SetParent(&m_form);
        scroll.SetBounds(22, 58, 134, 189);
        scroll.SetScrollDirection(kiv::TScrollDirection::sdBottomToTop);
        scroll.SetTransparent(true);
        scroll.SetShadowSize(0);
        scroll.SetShadowPos(kiv::TShadowPosition::spRightBottom);
        UseTerminal(*scroll.Font());
        for (int i = 1; i <= 20; ++i)
            scroll.Strings()->Add("Information line " + std::to_string(i));
        gauge.SetParent(&m_form);
        gauge.SetBounds(170, 216, 265, 14);
        gauge.SetBackColor(kiv::clSilver);
        gauge.SetForeColor(kiv::clLime);
        gauge.Font()->SetColor(kiv::clBlack);
        m_form.Show();
        m_form.Update();
    }

private:
    kiv::TForm m_form{nullptr};

public:
    kiv::TCoolScrollingText& scroll = m_form.Make<kiv::TCoolScrollingText>();
    kiv::TGauge& gauge = m_form.Make<kiv::TGauge>();
};

// The same two pictures as a plain Qt widget paints them: the skin, twenty lines of text, and a
// bar with its percentage inverted over it.
class PeerWindow : public QWidget {
public:
    PeerWindow() : m_skin(SkinImage()) {
        setWindowFlag(Qt::FramelessWindowHint);
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(452, 304);
        show();
    }
    int textTop = 189;
    int percent = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(1, 2, m_skin);
        painter.setPen(Qt::white);
        for (int i = 0; i < 20; ++i)
            painter.drawText(22, 58 + textTop + 8 * i + 8,
                             QString("Information line %1").arg(i + 1));
        const QRect bar(171, 217, 263, 12);
        painter.fillRect(bar, Qt::lightGray);
        painter.fillRect(QRect(171, 217, 263 * percent / 100, 12), Qt::green);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.drawText(bar, Qt::AlignCenter, QString("%1%").arg(percent));
    }

private:
    QImage m_skin;
};

void Report(const char* what, double ours, double peer) {
    std::printf("%-52s %9.1f us   Qt widget %9.1f us   ratio %5.2f\n", what, ours, peer,
                ours / peer);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    MainWindow main;
    PeerWindow peer;
    QCoreApplication::processEvents();

    // A tick and the event loop's turn that puts it on the screen.
    const double tick = MicrosPer([&](int) {
        main.scroll.Timer().FireTimer();
        QCoreApplication::processEvents();
    });
    const QRect scrollArea(22, 58, 134, 189);
    const double peerTick = MicrosPer([&](int) {
        peer.textTop = peer.textTop > -168 ? peer.textTop - 1 : 189;
        peer.update(scrollArea);
        QCoreApplication::processEvents();
    });
    Report("scrolling-text tick (transparent, 452 x 304 parent)", tick, peerTick);

    main.gauge.SetMaxValue(1000000);
    const double gauge = MicrosPer([&](int i) { main.gauge.SetProgress((i % 100) * 10000); });
    const QRect gaugeArea(170, 216, 265, 14);
    const double peerGauge = MicrosPer([&](int i) {
        peer.percent = i % 100;
        peer.repaint(gaugeArea);
    });
    Report("gauge repaint (265 x 14, immediate)", gauge, peerGauge);
    std::printf("At the main window's 50 ms interval a tick costs %.2f %% of one core.\n",
                tick / 50000.0 * 100.0);
    return 0;
}
