// The mounted file systems of this process, read from /proc/self/mountinfo.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace kiv::platform {

// One mounted file system. Text fields have mountinfo's octal escapes (\040 and the like)
// decoded.
struct MountEntry {
    unsigned int major = 0;
    unsigned int minor = 0;
    std::string root;        // the folder of the file system that is mounted here
    std::string mountPoint;  // absolute, without a trailing '/' except for "/"
    std::string fileSystem;  // type, such as "ext4", "tmpfs", "fuse.sshfs"
    std::string source;      // device or other source, such as "/dev/sda1" or "server:/x"
    std::string options;     // per-mount options, such as "rw,relatime"
};

class MountTable {
public:
    MountTable() = default;

    // Parses mountinfo text; malformed lines are skipped.
    static MountTable FromText(std::string_view text);
    // Reads /proc/self/mountinfo.
    static Result<MountTable> Load();

    const std::vector<MountEntry>& Entries() const { return m_entries; }

    // The mount holding the absolute, canonical path: the longest mount point that is the path
    // or one of its parent folders; of two mounts on the same point the later one, which hides
    // the earlier. nullptr when none matches (an empty table or a relative path). The pointer
    // lives as long as the table.
    const MountEntry* FindMountFor(std::string_view path) const;

private:
    std::vector<MountEntry> m_entries;
};

// Decodes the \ooo escapes that the kernel writes for blanks, tabs, new lines and '\'.
std::string DecodeMountEscapes(std::string_view text);

}  // namespace kiv::platform
