// A profile (ini) file parsed once into sections and keys, read with the Windows profile rules.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/status.h"

namespace kiv::platform {

// Reading rules, those of the Windows profile reader that release files are written for:
//   - Section and key names match without regard to ASCII case.
//   - Blanks (space, tab, CR, VT, FF) around section names, keys and values are dropped, so
//     CRLF files read like LF files. Lines end at LF only.
//   - A line whose first non-blank byte is ';' is a comment. '#' is not a comment mark (the
//     Windows reader has none): "#Key=x" is a key named "#Key" and never shadows "Key".
//     Text after a value is part of it: "a=b ; c" gives "b ; c".
//   - "[name]" opens a section; the name ends at the last ']' of the line. A line that starts
//     with '[' but has no ']' opens nothing and is ignored. Key lines before any section belong
//     to no section and cannot be read.
//   - "key=value" splits at the first '='; a line without '=' defines nothing.
//   - Duplicates: the first key of a name within a section wins, and the first section of a
//     name is the only one read (later sections of the same name are ignored), as on Windows.
//   - A NUL byte ends the text of its line (the Windows reader hands out C strings).
//   - A UTF-8 byte order mark at the start of the file is skipped.
class IniFile {
public:
    // Largest value ReadString hands out, in bytes: the 2048-byte buffer of the original
    // reader less its terminating NUL.
    static constexpr std::size_t kMaxValueLength = 2047;
    // Files above this size are refused rather than read into memory.
    static constexpr std::size_t kMaxFileSize = 64u << 20;

    IniFile() = default;

    // Parses text of any content; never fails.
    static IniFile FromBytes(std::string_view bytes);

    // Replaces the contents with the file at path. A file that cannot be read (missing,
    // unreadable, a folder, too large) leaves an empty tree, so every read gives its default,
    // and the returned Status says why.
    Status LoadFromFile(const std::string& path);

    // The value of key in section with one pair of surrounding quotes ("..." or '...') removed,
    // cut to kMaxValueLength bytes (never in the middle of a UTF-8 character when the value is
    // valid UTF-8). A key that is present with an empty value yields "". A missing section or
    // key yields defaultValue without its trailing blanks, cut the same way.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    bool HasSection(std::string_view section) const;
    bool HasKey(std::string_view section, std::string_view key) const;

private:
    struct Section {
        // Folded key name -> raw value (blanks trimmed, quotes kept).
        std::unordered_map<std::string, std::string> values;
    };

    void Parse(std::string_view bytes);
    const std::string* Find(std::string_view section, std::string_view key) const;

    // Folded section name -> section.
    std::unordered_map<std::string, Section> m_sections;
};

}  // namespace kiv::platform
