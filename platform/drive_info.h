// Drives: the mounted file system that holds a path, with the details the Windows volume,
// drive-type and free-space queries gave, and the list of drives a drive box shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mount_table.h"
#include "platform/result.h"

namespace kiv::platform {

// The Windows drive types with their values, which index the drive type names.
enum class DriveType : int {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CDRom = 5,
    RamDisk = 6,
};

struct DriveInfo {
    std::string mountPoint;           // the "drive": the mount point holding the path
    std::string label;                // see VolumeLabel
    std::string fileSystem;           // "ext4", "vfat", "nfs4", ...
    std::string source;               // "/dev/sdb1", "server:/export", ...
    std::uint32_t serial = 0;         // the file-system id folded to 32 bits
    std::uint32_t maxNameLength = 0;  // longest file name, in bytes
    std::uint64_t flags = 0;          // statvfs flags: ST_RDONLY, ST_NOSUID, ...
    DriveType type = DriveType::Unknown;
    std::uint64_t freeBytes = 0;   // free to this user (unprivileged)
    std::uint64_t totalBytes = 0;  // size of the file system
};

// The drive of path (absolute or relative to the current folder; symbolic links resolved). A
// path that does not exist is taken by its nearest existing parent folder. Fails, naming the
// path, when nothing of it exists, the mount table cannot be read or statvfs fails. May block
// as long as the file system does (a dead network mount).
Result<DriveInfo> GetDriveInfo(const std::string& path);

// The drive type of a mount: network file systems are Remote, iso9660 and udf CDRom, tmpfs
// and ramfs RamDisk, a block device whose sysfs entry (below sysBlockFolder, by major:minor)
// says removable is Removable, anything else Fixed; Unknown without a file-system type.
DriveType DriveTypeOf(const MountEntry& mount,
                      const std::string& sysBlockFolder = "/sys/dev/block");

// The label of a mount: the file-system label when byLabelFolder holds a link for the mount's
// device (udev's \xNN escapes decoded), else the mount point's last component ("" for "/").
std::string VolumeLabel(const MountEntry& mount,
                        const std::string& byLabelFolder = "/dev/disk/by-label");

// The mounts a drive box offers, in mount order: kernel and virtual file systems (proc, sysfs,
// cgroup, devpts, ...) and everything below /proc, /sys, /dev and /run (but /run/media) left
// out; of several mounts on one point only the last, visible one.
std::vector<MountEntry> ListDrives(const MountTable& table);
// The same for this process's mounts, also leaving out mount points that are not folders.
Result<std::vector<MountEntry>> ListDrives();

}  // namespace kiv::platform
