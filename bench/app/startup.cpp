// bench_app_startup --installer | --qt: builds the installer's two windows as kiv-installer does
// (or, as the peer, a plain frameless Qt window painting the same picture), shows the main one
// and exits at its first painted frame, printing the monotonic clock then and the peak
// resident memory: "painted-ns N" and "peak-kib N". The runner measures from its own spawn.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "app/bundle.h"
#include "app/frm_kiv.h"
#include "app/frm_path.h"
#include "app/throttled_pump.h"
#include "archive/unrar_binding.h"
#include "framework/forms/application.h"
#include "framework/forms/messages.h"

namespace {

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

long PeakKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void Report() {
    std::printf("painted-ns %lld\npeak-kib %ld\n", MonotonicNs(), PeakKib());
    std::fflush(stdout);
}

// The peer: what a plain Qt program needs to show the same 452 x 304 picture.
class PictureWindow : public QWidget {
public:
    PictureWindow() {
        setWindowFlag(Qt::FramelessWindowHint);
        setFixedSize(452, 304);
        const auto bytes = kiv::bundle::Files()("kiv_background.bmp");
        m_picture.loadFromData(bytes->data(), int(bytes->size()), "BMP");
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(1, 2, m_picture);
        if (!m_reported) {
            m_reported = true;
            QTimer::singleShot(0, [] {
                Report();
                QApplication::quit();
            });
        }
    }

private:
    QImage m_picture;
    bool m_reported = false;
};

int Installer() {
    kiv::ArchiveEngine engine;
    kiv::TApplication application;
    application.SetTitle("KIV Installer 2000");
    kiv::ThrottledPump pump(std::chrono::milliseconds(10));
    auto& main = application.CreateForm<kiv::TfrmKIV>();
    auto& path = application.CreateForm<kiv::TfrmPath>();
    main.SetPathDialog(&path);
    path.SetMainWindow(&main);
    kiv::TWndMethod previous = main.WindowProc();
    bool reported = false;
    main.SetWindowProc([&](kiv::TMessage& message) {
        previous(message);
        if (message.Msg == kiv::WM_PAINT && !reported) {
            reported = true;
            QTimer::singleShot(0, [&] {
                Report();
                application.Terminate();
            });
        }
    });
    application.Run();
    return 0;
}

int Peer(int argc, char** argv) {
    QApplication application(argc, argv);
    PictureWindow window;
    window.show();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--installer") == 0) return Installer();
    if (argc == 2 && std::strcmp(argv[1], "--qt") == 0) return Peer(argc, argv);
    std::fputs("usage: bench_app_startup --installer | --qt\n", stderr);
    return 2;
}
