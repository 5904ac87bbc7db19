// gallery: shows every skinned control in its states in one frameless window.
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "framework/forms/application.h"
#include "framework/forms/control.h"
#include "tools/gallery/gallery_form.h"

namespace {

const char* const kUsage =
    "Usage: gallery [--seconds N]\n"
    "Shows every skinned control in its states in one frameless window at (40, 40): text\n"
    "buttons hovered and not (\"Live\" highlights under the mouse), disabled labels and bars,\n"
    "gauges of every kind, a running scrolling text, group boxes and bevels.\n"
    "  --seconds N  close the window after N seconds and print how often the scrolling text\n"
    "               was painted meanwhile (for tests and measurements)\n";

}  // namespace

int main(int argc, char** argv) {
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return EXIT_SUCCESS;
        }
        if (arg == "--seconds" && i + 1 < argc) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value <= 0 || value > 86400) {
                std::fprintf(stderr, "gallery: --seconds wants a whole number from 1 to 86400\n");
                return EXIT_FAILURE;
            }
            seconds = int(value);
            continue;
        }
        std::fprintf(stderr, "gallery: unknown argument '%s'\n%s", arg.c_str(), kUsage);
        return EXIT_FAILURE;
    }
    try {
        kiv::TApplication application;
        application.SetTitle("KIV controls gallery");
        auto& form = application.CreateForm<kiv::TGalleryForm>();
        // Every tick of the scrolling text paints it once, so its paints count its ticks.
        long paints = 0;
        if (kiv::TComponent* scroll = form.FindComponent("scrArt")) {
            auto& control = static_cast<kiv::TControl&>(*scroll);
            kiv::TWndMethod previous = control.WindowProc();
            control.SetWindowProc([previous, &paints](kiv::TMessage& message) {
                if (message.Msg == kiv::WM_PAINT) ++paints;
                previous(message);
            });
        }
        if (seconds > 0) QTimer::singleShot(seconds * 1000, [&] { application.Terminate(); });
        application.Run();
        if (seconds > 0)
            std::printf("gallery: the scrolling text was painted %ld times in %d s\n", paints,
                        seconds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gallery: %s\n", error.what());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
