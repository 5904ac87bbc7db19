// Reading a .sfv checksum list: one "name CRC-32" pair per line, comments after ';'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::nfocrc {

// One file the list names, with the CRC-32 it must have. `name` is relative to the list's
// folder, with '/' as the separator (a '\' of a list written on Windows is turned into '/').
struct SfvEntry {
    std::string name;
    std::uint32_t crc = 0;
    int line = 0;  // 1-based
};

// A line that names no file that can be checked, with the reason for the user.
struct SfvProblem {
    int line = 0;  // 1-based
    std::string message;
};

struct SfvList {
    std::vector<SfvEntry> entries;
    std::vector<SfvProblem> problems;
};

// Lists larger than this are refused rather than read into memory.
inline constexpr std::size_t kMaxSfvSize = 16u << 20;
// Longer names than this are refused (PATH_MAX less room for the folder).
inline constexpr std::size_t kMaxNameLength = 2048;

// Parses a list's text. Rules:
//   - Lines end at LF; a CR before it, blanks around the line and a UTF-8 byte order mark at
//     the start of the text are dropped. Empty lines and lines whose first non-blank byte is ';'
//     are skipped.
//   - The CRC-32 is the line's last blank-separated word, exactly 8 hexadecimal digits in either
//     case; everything before it, less the blanks between, is the name, so names may hold
//     blanks. A name in double quotes loses the quotes.
//   - Refused with a problem, never listed: a line without such a CRC-32 word or without a name;
//     a name holding a NUL byte or longer than kMaxNameLength; a name that would leave the
//     folder (absolute, a drive prefix such as "C:", or a ".." component); a name listed again
//     (the first line wins).
// Never fails; any text gives a list.
SfvList ParseSfv(std::string_view text);

// Whether a name (with '/' separators) stays inside the folder it is relative to: not empty,
// not absolute, no drive prefix, no ".." component.
bool StaysInside(std::string_view name);

}  // namespace kiv::nfocrc
