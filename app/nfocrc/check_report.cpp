// The headless check: the release's lists, every file's result and the summary, as text.
#include "app/nfocrc/check_report.h"

#include <atomic>

#include "app/nfocrc/release_check.h"

namespace kiv::nfocrc {

int CheckFolder(const std::string& folder, std::FILE* out, std::FILE* err) {
    const platform::Result<ReleaseFiles> release = FindReleaseFiles(folder);
    if (!release) {
        std::fprintf(err, "nfocrc: %s\n", release.error().c_str());
        return kCannotCheck;
    }
    if (release->sfvFiles.empty()) {
        std::fprintf(err, "nfocrc: no .sfv file in %s\n", release->folder.c_str());
        return kCannotCheck;
    }
    const CheckList list = ReadCheckList(*release);
    for (const std::string& sfv : release->sfvFiles) {
        std::fprintf(out, "checking %s%s\n", release->folder.c_str(), sfv.c_str());
    }
    for (const std::string& problem : list.problems) {
        std::fprintf(out, "REFUSED  %s\n", problem.c_str());
    }
    if (list.entries.empty()) {
        std::fprintf(err, "nfocrc: the .sfv lists no file that can be checked\n");
        return kCannotCheck;
    }
    ReleaseCheck check(release->folder, list.entries);
    const std::atomic<bool> stop{false};
    check.Run(stop, [out](const FileResult& result) {
        std::fprintf(out, "%s\n", ResultLine(result).c_str());
        std::fflush(out);
    });
    const Summary summary = Summarise(check.Results(), list.problems.size(), check.Stopped());
    std::fprintf(out, "%s\n", SummaryText(summary, list.entries.size()).c_str());
    return summary.AllOk() ? kAllOk : kNotAllOk;
}

}  // namespace kiv::nfocrc
