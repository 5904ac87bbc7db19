// shape-gallery: shows a window shaped by every kind of region-giving control, or prints its
// region.
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "framework/forms/application.h"
#include "shape/transparent_form.h"
#include "tools/shape-gallery/gallery_form.h"

namespace {

constexpr const char* kUsage =
    "usage: shape-gallery [--at X,Y] [--region]\n"
    "  Shows a borderless window shaped by a masked image, an ellipse, a rectangle with a hole\n"
    "  and a star polygon. Press anywhere on it to drag it; close it with the window system.\n"
    "  --at X,Y   place the window's top-left corner at X,Y on the screen (else centred)\n"
    "  --region   print the window region over the window, '#' inside and '.' outside, and exit\n";

struct Options {
    std::optional<std::pair<int, int>> at;
    bool region = false;
};

std::optional<Options> Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--region") {
            options.region = true;
        } else if (arg == "--at" && i + 1 < argc) {
            int x = 0, y = 0;
            char end = 0;
            if (std::sscanf(argv[++i], "%d,%d%c", &x, &y, &end) != 2) return std::nullopt;
            options.at = std::make_pair(x, y);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

void PrintRegion(const kiv::TGalleryForm& form) {
    const std::optional<QRegion> region = form.Controller().BuildRegion();
    for (int y = 0; y < kiv::TGalleryForm::kHeight; ++y) {
        std::string row;
        for (int x = 0; x < kiv::TGalleryForm::kWidth; ++x)
            row.push_back(!region || region->contains(QPoint(x, y)) ? '#' : '.');
        std::puts(row.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::optional<Options> options = Parse(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        kiv::TApplication application;
        application.SetTitle("Shape gallery");
        auto& form = application.CreateForm<kiv::TGalleryForm>();
        if (options->region) {
            PrintRegion(form);
            return 0;
        }
        if (options->at)
            form.SetBounds(options->at->first, options->at->second, form.Width(), form.Height());
        else
            form.SetPosition(kiv::TPosition::poScreenCenter);
        application.Run();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "shape-gallery: %s\n", error.what());
        return 1;
    }
}
