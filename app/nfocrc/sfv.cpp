// Reading a .sfv checksum list, line by line, refusing what cannot be checked safely.
#include "app/nfocrc/sfv.h"

#include <optional>
#include <unordered_map>

namespace kiv::nfocrc {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<std::uint32_t> ParseCrc(std::string_view word) {
    if (word.size() != 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : word) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value << 4 | std::uint32_t(digit);
    }
    return value;
}

// The name of a line, or the reason it has none that can be used.
struct NameOrReason {
    std::string name;
    std::string reason;
};

NameOrReason CleanName(std::string_view raw) {
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
        raw = raw.substr(1, raw.size() - 2);
    }
    if (raw.empty()) return {{}, "no file name before the CRC-32"};
    if (raw.size() > kMaxNameLength) return {{}, "file name longer than 2048 bytes"};
    if (raw.find('\0') != std::string_view::npos) return {{}, "file name holds a NUL byte"};
    std::string name(raw);
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    if (!StaysInside(name)) return {{}, "'" + name + "' leads outside the release folder"};
    return {std::move(name), {}};
}

}  // namespace

bool StaysInside(std::string_view name) {
    if (name.empty() || name.front() == '/') return false;
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
        return false;
    }
    while (!name.empty()) {
        const std::size_t slash = name.find('/');
        if (name.substr(0, slash) == "..") return false;
        if (slash == std::string_view::npos) break;
        name.remove_prefix(slash + 1);
    }
    return true;
}

SfvList ParseSfv(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    SfvList list;
    std::unordered_map<std::string, int> firstLine;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';') continue;

        std::size_t split = line.size();
        while (split > 0 && !IsBlank(line[split - 1])) --split;
        const std::optional<std::uint32_t> crc = ParseCrc(line.substr(split));
        if (!crc) {
            list.problems.push_back(
                {number, "no CRC-32 (8 hexadecimal digits) at the end of the line"});
            continue;
        }
        NameOrReason name = CleanName(Trim(line.substr(0, split)));
        if (!name.reason.empty()) {
            list.problems.push_back({number, std::move(name.reason)});
            continue;
        }
        const auto [at, added] = firstLine.emplace(name.name, number);
        if (!added) {
            list.problems.push_back({number, "'" + name.name + "' is listed again (first on line " +
                                                 std::to_string(at->second) + ")"});
            continue;
        }
        list.entries.push_back({std::move(name.name), *crc, number});
    }
    return list;
}

}  // namespace kiv::nfocrc
