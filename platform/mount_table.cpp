// Parsing of /proc/self/mountinfo and the look-up of the mount that holds a path.
#include "platform/mount_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "platform/status.h"

namespace kiv::platform {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        line.remove_prefix(start);
        const std::size_t end = line.find(' ');
        fields.push_back(line.substr(0, end));
        line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    }
    return fields;
}

bool ParseNumber(std::string_view text, unsigned int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue":
// id, parent, major:minor, root, mount point, options, optional fields up to "-", then type,
// source, super-block options.
bool ParseLine(std::string_view line, MountEntry& entry) {
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() < 7) return false;
    const std::string_view device = fields[2];
    const std::size_t colon = device.find(':');
    if (colon == std::string_view::npos || !ParseNumber(device.substr(0, colon), entry.major) ||
        !ParseNumber(device.substr(colon + 1), entry.minor)) {
        return false;
    }
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (separator + 2 >= fields.size()) return false;
    entry.root = DecodeMountEscapes(fields[3]);
    entry.mountPoint = DecodeMountEscapes(fields[4]);
    entry.options = DecodeMountEscapes(fields[5]);
    entry.fileSystem = DecodeMountEscapes(fields[separator + 1]);
    entry.source = DecodeMountEscapes(fields[separator + 2]);
    if (entry.mountPoint.empty() || entry.mountPoint.front() != '/') return false;
    while (entry.mountPoint.size() > 1 && entry.mountPoint.back() == '/') {
        entry.mountPoint.pop_back();
    }
    return true;
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

}  // namespace

std::string DecodeMountEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && IsOctal(text[i + 1]) &&
            IsOctal(text[i + 2]) && IsOctal(text[i + 3])) {
            const int value =
                (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            if (value <= 0xFF) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

MountTable MountTable::FromText(std::string_view text) {
    MountTable table;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        MountEntry entry;
        if (ParseLine(text.substr(0, end), entry)) table.m_entries.push_back(std::move(entry));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return table;
}

Result<MountTable> MountTable::Load() {
    constexpr const char* kPath = "/proc/self/mountinfo";
    const int fd = ::open(kPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Result<MountTable>::Failure(ErrnoText("Cannot read", kPath, errno));
    std::string text;
    char chunk[16384];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int err = errno;
            ::close(fd);
            return Result<MountTable>::Failure(ErrnoText("Cannot read", kPath, err));
        }
        if (got == 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return FromText(text);
}

const MountEntry* MountTable::FindMountFor(std::string_view path) const {
    if (path.empty() || path.front() != '/') return nullptr;
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : m_entries) {
        const std::string& point = entry.mountPoint;
        const bool holds =
            point == "/" || (path.substr(0, point.size()) == point &&
                             (path.size() == point.size() || path[point.size()] == '/'));
        // ">=" so that a later mount on the same point, which hides the earlier, wins.
        if (holds && (best == nullptr || point.size() >= best->mountPoint.size())) best = &entry;
    }
    return best;
}

}  // namespace kiv::platform
