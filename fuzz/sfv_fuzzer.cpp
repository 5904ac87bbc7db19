// Feeds arbitrary bytes to the .sfv reader and checks what must hold for any list: every name
// stays inside the folder, is unique and clean, and every line is accounted for at most once.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "app/nfocrc/sfv.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kiv::nfocrc::SfvList list = kiv::nfocrc::ParseSfv(text);
    int lines = 0;
    for (const char c : text) lines += c == '\n';
    if (!text.empty() && text.back() != '\n') ++lines;

    std::set<std::string> names;
    std::set<int> used;
    int previous = 0;
    for (const kiv::nfocrc::SfvEntry& entry : list.entries) {
        Check(kiv::nfocrc::StaysInside(entry.name));
        Check(entry.name.size() <= kiv::nfocrc::kMaxNameLength);
        Check(entry.name.find('\0') == std::string::npos);
        Check(entry.name.find('\\') == std::string::npos);
        Check(names.insert(entry.name).second);
        Check(entry.line > previous && entry.line <= lines);
        previous = entry.line;
        Check(used.insert(entry.line).second);
    }
    for (const kiv::nfocrc::SfvProblem& problem : list.problems) {
        Check(problem.line >= 1 && problem.line <= lines);
        Check(!problem.message.empty());
        Check(used.insert(problem.line).second);
    }
    // Parsing the entries written back gives the same list.
    std::string again;
    for (const kiv::nfocrc::SfvEntry& entry : list.entries) {
        char crc[10];
        std::snprintf(crc, sizeof crc, " %08x", entry.crc);
        again += entry.name + crc + "\n";
    }
    const kiv::nfocrc::SfvList reread = kiv::nfocrc::ParseSfv(again);
    // A name that starts or ends with a blank, or is quoted, cannot be written back as it is.
    bool plain = true;
    for (const kiv::nfocrc::SfvEntry& entry : list.entries) {
        const char first = entry.name.front(), last = entry.name.back();
        plain = plain && first != ' ' && first != '\t' && last != ' ' && last != '\t' &&
                first != ';' && first != '"' && entry.name.find('\n') == std::string::npos &&
                entry.name.find('\r') == std::string::npos &&
                entry.name.find('\v') == std::string::npos &&
                entry.name.find('\f') == std::string::npos &&
                !entry.name.starts_with("\xEF\xBB\xBF");
    }
    if (plain) {
        Check(reread.problems.empty());
        Check(reread.entries.size() == list.entries.size());
        for (std::size_t i = 0; i < list.entries.size(); ++i) {
            Check(reread.entries[i].name == list.entries[i].name);
            Check(reread.entries[i].crc == list.entries[i].crc);
        }
    }
    return 0;
}
