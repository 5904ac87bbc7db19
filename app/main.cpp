// kiv-installer: the release installer. Binds the RAR library, builds the main window and the
// folder dialog, and runs until the main window is closed. It takes no command line.
#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <exception>

#include "app/frm_kiv.h"
#include "app/frm_path.h"
#include "app/stop_signals.h"
#include "app/throttled_pump.h"
#include "archive/unrar_binding.h"
#include "framework/forms/application.h"

int main() {
    try {
        // Bound once, before any window; a library deployed during start-up is loaded by the
        // first "Unpack".
        kiv::ArchiveEngine engine;
        kiv::TApplication application;
        application.SetTitle("KIV Installer 2000");
        // The engine lets messages through before every chunk it reports; a hundred times a
        // second keeps the window as lively and costs the extraction next to nothing.
        kiv::ThrottledPump pump(std::chrono::milliseconds(10));
        auto& main = application.CreateForm<kiv::TfrmKIV>();
        auto& path = application.CreateForm<kiv::TfrmPath>();
        main.SetPathDialog(&path);
        path.SetMainWindow(&main);
        // The session ending closes the window as the window manager's close does; a question
        // on screen is closed first (it answers as Cancel would), or it would keep the program.
        kiv::StopSignals stop([&main] {
            while (QWidget* modal = QApplication::activeModalWidget()) {
                if (!modal->close()) break;
            }
            main.Close();
        });
        application.Run();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kiv-installer: %s\n", error.what());
        return 1;
    }
}
