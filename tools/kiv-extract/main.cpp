// kiv-extract FIRST-VOLUME DEST: extracts a RAR set headless, driving TUnRAR exactly as the
// installer's main window does, and prints its progress and errors.
//
// Output: one line per progress report on stdout ("progress NAME BYFILE BYARCHIVE"), one line
// per error on stderr ("error CODE: TEXT (NAME)"). A missing volume is not waited for: the
// volume question is answered with Cancel and the missing name is printed. The exit status is
// 0 only when no error was reported, 1 when one was, 2 for a usage error.
#include <cstdio>
#include <exception>
#include <string>

#include "archive/err_msgs.h"
#include "archive/un_rar.h"
#include "archive/unrar_binding.h"
#include "archive/wildcard.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace {

std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    auto current = kiv::platform::CurrentFolder();
    return (current ? *current : std::string("/")) + "/" + path;
}

int Run(const std::string& firstVolume, const std::string& dest) {
    kiv::ArchiveEngine engine;
    if (!kiv::LibraryLoaded()) {
        std::fprintf(stderr, "kiv-extract: %s\n", kiv::RarLibraryError().c_str());
    }
    kiv::TUnRAR rar(nullptr);
    bool failed = false;
    rar.SetOnProgress([&](kiv::TObject*, std::uint8_t byFile, std::uint8_t byArchive) {
        std::printf("progress %s %u %u\n", std::string(kiv::FileNamePart(rar.FileName())).c_str(),
                    byFile, byArchive);
    });
    rar.SetOnError([&](kiv::TObject*, const std::string& fn, const std::string&, const std::string&,
                       int code) {
        failed = true;
        std::fprintf(stderr, "error %d: %s (%s)\n", code, kiv::ErrorMessage(code).c_str(),
                     fn.c_str());
    });
    rar.SetOnNextVolume(
        [&](kiv::TObject*, std::string& name, const std::string&, bool exists, bool& cancel) {
            cancel = !exists;
            if (!exists) {
                failed = true;
                std::fprintf(stderr, "missing volume %s\n", name.c_str());
            }
        });
    // The order and settings of the installer's main window.
    rar.SetConfirmOverwrites(false);
    rar.SetExtractDir(Absolute(dest));
    rar.SetArchiveFile(Absolute(firstVolume));
    rar.FileSpec()->Add("*.*");
    try {
        rar.Extract();
    } catch (const kiv::Exception& e) {
        std::fprintf(stderr, "kiv-extract: %s\n", e.Message().c_str());
        return 1;
    }
    std::fflush(stdout);
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kiv-extract FIRST-VOLUME DEST\n");
        return 2;
    }
    try {
        return Run(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiv-extract: %s\n", e.what());
        return 1;
    }
}
