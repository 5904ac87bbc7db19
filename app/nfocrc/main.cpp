// nfocrc: checks a release folder against its .sfv lists, in a window or headless.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/nfocrc/check_report.h"
#include "app/nfocrc/nfocrc_form.h"
#include "framework/forms/application.h"
#include "platform/folders.h"

namespace {

const char* const kUsage =
    "Usage: nfocrc [FOLDER]\n"
    "       nfocrc --check FOLDER\n"
    "Checks every file the .sfv lists of a release folder name against their CRC-32.\n"
    "Without --check a window shows the release's .nfo, a gauge over the check and the\n"
    "summary; FOLDER defaults to the folder nfocrc lies in (the release it came with).\n"
    "  --check FOLDER  no window: prints one line per file and the summary; the exit status\n"
    "                  is 0 only when every listed file is OK, 1 when any is bad, missing or\n"
    "                  unreadable or a line of a list was refused, 2 when nothing could be\n"
    "                  checked (no folder, no .sfv, no usable line)\n";

int Usage(const std::string& complaint) {
    std::fprintf(stderr, "nfocrc: %s\n%s", complaint.c_str(), kUsage);
    return kiv::nfocrc::kCannotCheck;
}

int ShowWindow(const std::string& folder) {
    try {
        kiv::TApplication application;
        application.SetTitle("NFOCRC");
        auto& form = application.CreateForm<kiv::TNfocrcForm>();
        form.Check(folder);
        application.Run();
        return form.Running() || !form.LastSummary().AllOk() ? kiv::nfocrc::kNotAllOk
                                                             : kiv::nfocrc::kAllOk;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "nfocrc: %s\n", error.what());
        return kiv::nfocrc::kCannotCheck;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return EXIT_SUCCESS;
        }
        if (arg == "--check") {
            if (i + 1 >= argc) return Usage("--check wants a folder");
            headless = true;
            folder = argv[++i];
            continue;
        }
        if (!arg.empty() && arg.front() == '-') return Usage("unknown option '" + arg + "'");
        if (!folder.empty()) return Usage("one folder only");
        folder = arg;
    }
    if (headless) return kiv::nfocrc::CheckFolder(folder, stdout, stderr);
    if (folder.empty()) {
        const kiv::platform::Result<std::string> own = kiv::platform::ExecutableFolder();
        if (!own) return Usage(own.error());
        folder = *own;
    }
    return ShowWindow(folder);
}
