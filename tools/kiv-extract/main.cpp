// kiv-extract [--password PASSWORD] FIRST-VOLUME DEST: extracts a RAR set headless, driving
// TUnRAR exactly as the installer's main window does, and prints its progress and errors.
//
// The extractor's password question (for an encrypted entry, or for an archive whose headers
// are encrypted) is answered with PASSWORD each time it is asked, as a user typing it into the
// window's box would; each question prints a line "password NAME" on stdout. Without
// --password the question is cancelled, as by a user without the password.
//
// Output: one line per progress report on stdout ("progress NAME BYFILE BYARCHIVE"), one line
// per error on stderr ("error CODE: TEXT (NAME)", or "error CODE: TEXT: REASON (NAME)" when the
// engine gives the system's reason). Names come from the archive and are printed with control
// characters, stray bytes that are no UTF-8 and backslashes escaped (\xHH, \\), so that a
// crafted name can neither forge a line nor send terminal escapes. A missing volume is not
// waited for: the volume question is answered with Cancel and the missing name is printed. The
// exit status is 0 only when no error was reported, 1 when one was, 2 for a usage error.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "archive/un_rar.h"
#include "archive/unrar_binding.h"
#include "archive/wildcard.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace {

// The length of the valid UTF-8 sequence at text[at] that encodes a printable character
// (U+00A0 and above), or 0.
std::size_t PrintableSequence(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                         : lead >= 0xE0                ? 3
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                                                       : 0;
    if (length == 0 || at + length > text.size()) return 0;
    std::uint32_t cp = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    const bool shortest = cp >= (length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u);
    if (!shortest || cp < 0xA0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

// `text` safe for one line of a terminal: printable ASCII and printable UTF-8 as they are,
// every other byte as \xHH, and the backslash doubled.
std::string Escaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            out += "\\\\";
            ++i;
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = PrintableSequence(text, i); n > 0) {
            out.append(text, i, n);
            i += n;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
            ++i;
        }
    }
    return out;
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    auto current = kiv::platform::CurrentFolder();
    return (current ? *current : std::string("/")) + "/" + path;
}

int Run(const std::string& firstVolume, const std::string& dest,
        const std::optional<std::string>& password) {
    kiv::ArchiveEngine engine;
    if (!kiv::LibraryLoaded()) {
        std::fprintf(stderr, "kiv-extract: %s\n", kiv::RarLibraryError().c_str());
    }
    kiv::TUnRAR rar(nullptr);
    bool failed = false;
    rar.SetOnProgress([&](kiv::TObject*, std::uint8_t byFile, std::uint8_t byArchive) {
        std::printf("progress %s %u %u\n",
                    Escaped(std::string(kiv::FileNamePart(rar.FileName()))).c_str(), byFile,
                    byArchive);
    });
    rar.SetOnError([&](kiv::TObject*, const std::string& fn, const std::string& reason,
                       const std::string&, int code) {
        failed = true;
        const std::string text =
            kiv::ErrorMessage(code) + (reason.empty() ? "" : ": " + Escaped(reason));
        std::fprintf(stderr, "error %d: %s (%s)\n", code, text.c_str(), Escaped(fn).c_str());
    });
    rar.SetOnNextVolume(
        [&](kiv::TObject*, std::string& name, const std::string&, bool exists, bool& cancel) {
            cancel = !exists;
            if (!exists) {
                failed = true;
                std::fprintf(stderr, "missing volume %s\n", Escaped(name).c_str());
            }
        });
    rar.SetOnGetPassword(
        [&](kiv::TObject*, const std::string& fn, std::string& answer, bool& tryAgain) {
            std::printf("password %s\n", Escaped(std::string(kiv::FileNamePart(fn))).c_str());
            if (password) {
                answer = *password;
            } else {
                tryAgain = false;
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
    std::optional<std::string> password;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--password") {
        password = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kiv-extract [--password PASSWORD] FIRST-VOLUME DEST\n");
        return 2;
    }
    try {
        return Run(args[0], args[1], password);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kiv-extract: %s\n", e.what());
        return 1;
    }
}
