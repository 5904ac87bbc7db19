// Parsing and reading of profile (ini) files.
#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/code_page.h"

namespace kiv::platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Fold(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Cuts to the reader's buffer size; a cut that would split a UTF-8 character of valid UTF-8
// text drops the whole character, so the value stays valid for the text layers above.
std::string CutToLimit(std::string_view value) {
    if (value.size() <= IniFile::kMaxValueLength) return std::string(value);
    std::size_t cut = IniFile::kMaxValueLength;
    if (IsValidUtf8(value)) {
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    }
    return std::string(value.substr(0, cut));
}

Status ReadWholeFile(const std::string& path, std::string& bytes) {
    // O_NONBLOCK: a FIFO in place of the file must not hang the reader; regular files ignore it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Status::Failure(ErrnoText("Cannot open", path, errno));
    struct stat info {};
    Status status = Status::Ok();
    if (::fstat(fd, &info) != 0) {
        status = Status::Failure(ErrnoText("Cannot read", path, errno));
    } else if (!S_ISREG(info.st_mode)) {
        status = Status::Failure("Cannot read " + path + ": not a regular file");
    } else if (static_cast<unsigned long long>(info.st_size) > IniFile::kMaxFileSize) {
        status = Status::Failure("Cannot read " + path + ": file too large");
    } else {
        // The size is only a hint: read until end of file, within the limit.
        char chunk[65536];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                status = Status::Failure(ErrnoText("Cannot read", path, errno));
                break;
            }
            if (got == 0) break;
            bytes.append(chunk, static_cast<std::size_t>(got));
            if (bytes.size() > IniFile::kMaxFileSize) {
                status = Status::Failure("Cannot read " + path + ": file too large");
                break;
            }
        }
    }
    ::close(fd);
    if (!status) bytes.clear();
    return status;
}

}  // namespace

IniFile IniFile::FromBytes(std::string_view bytes) {
    IniFile file;
    file.Parse(bytes);
    return file;
}

Status IniFile::LoadFromFile(const std::string& path) {
    m_sections.clear();
    std::string bytes;
    Status status = ReadWholeFile(path, bytes);
    if (status) Parse(bytes);
    return status;
}

void IniFile::Parse(std::string_view bytes) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());

    Section* current = nullptr;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);

        line = Trim(line.substr(0, line.find('\0')));
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == 0 || close == std::string_view::npos) continue;
            const auto [it, inserted] =
                m_sections.try_emplace(Fold(Trim(line.substr(1, close - 1))));
            // Only the first section of a name is read; keys of a repeated one go nowhere.
            current = inserted ? &it->second : nullptr;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        if (key.empty()) continue;
        current->values.try_emplace(Fold(key), Trim(line.substr(equals + 1)));
    }
}

const std::string* IniFile::Find(std::string_view section, std::string_view key) const {
    const auto sectionIt = m_sections.find(Fold(section));
    if (sectionIt == m_sections.end()) return nullptr;
    const auto& values = sectionIt->second.values;
    const auto keyIt = values.find(Fold(key));
    return keyIt == values.end() ? nullptr : &keyIt->second;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    if (const std::string* value = Find(section, key)) return CutToLimit(StripQuotes(*value));
    while (!defaultValue.empty() && IsBlank(defaultValue.back())) defaultValue.remove_suffix(1);
    return CutToLimit(defaultValue);
}

bool IniFile::HasSection(std::string_view section) const {
    return m_sections.count(Fold(section)) != 0;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
    return Find(section, key) != nullptr;
}

}  // namespace kiv::platform
