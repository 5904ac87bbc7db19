// Drive information from the mount table, statvfs, sysfs and udev's label links.
#include "platform/drive_info.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/files.h"
#include "platform/status.h"

namespace kiv::platform {
namespace {

bool IsOneOf(std::string_view value, const auto& list) {
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

constexpr std::string_view kRemoteTypes[] = {
    "nfs",        "nfs4",       "cifs",        "smb",       "smb3",           "smbfs",
    "sshfs",      "fuse.sshfs", "ncpfs",       "afs",       "ceph",           "9p",
    "coda",       "davfs",      "fuse.davfs2", "glusterfs", "fuse.glusterfs", "lustre",
    "fuse.rclone"};

// Kernel and virtual file systems that hold no user files.
constexpr std::string_view kVirtualTypes[] = {
    "proc",      "sysfs",   "cgroup",      "cgroup2",        "devpts", "devtmpfs",   "mqueue",
    "debugfs",   "tracefs", "securityfs",  "pstore",         "bpf",    "configfs",   "fusectl",
    "hugetlbfs", "autofs",  "binfmt_misc", "efivarfs",       "nsfs",   "rpc_pipefs", "selinuxfs",
    "nfsd",      "rootfs",  "squashfs",    "fuse.gvfsd-fuse"};

struct FreeDeleter {
    void operator()(char* p) const { ::free(p); }
};
struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

std::optional<std::string> RealPath(const std::string& path) {
    const std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.c_str(), nullptr));
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

// The folder holding path, trailing slashes ignored: "." for a bare name, "/" for a top-level one.
std::string ParentPath(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    path.resize(slash == 0 ? 1 : slash);
    return path;
}

// The canonical form of path or, when it does not exist, of its nearest existing parent.
Result<std::string> CanonicalExistingPath(const std::string& path) {
    std::string candidate = path.empty() ? "." : path;
    int firstError = 0;
    for (;;) {
        if (auto resolved = RealPath(candidate)) return *resolved;
        if (firstError == 0) firstError = errno;
        if (errno != ENOENT || candidate == "." || candidate == "/") break;
        candidate = ParentPath(std::move(candidate));
    }
    return Result<std::string>::Failure(ErrnoText("Cannot find the drive of", path, firstError));
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string DecodeUdevEscapes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3])));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool ReadsOne(const std::string& path) {
    std::ifstream file(path);
    char c = 0;
    return file.get(c) && c == '1';
}

bool IsRemovableDevice(const MountEntry& mount, const std::string& sysBlockFolder) {
    // Major 0 is the kernel's anonymous devices: no disk behind them.
    if (mount.major == 0) return false;
    const std::string device =
        sysBlockFolder + "/" + std::to_string(mount.major) + ":" + std::to_string(mount.minor);
    // A partition has no "removable" of its own; its disk, the folder above, has.
    return ReadsOne(device + "/removable") || ReadsOne(device + "/../removable");
}

bool IsHiddenPlace(const std::string& mountPoint) {
    auto below = [&mountPoint](std::string_view folder) {
        return mountPoint.size() >= folder.size() &&
               std::string_view(mountPoint).substr(0, folder.size()) == folder &&
               (mountPoint.size() == folder.size() || mountPoint[folder.size()] == '/');
    };
    if (below("/run/media")) return false;
    return below("/proc") || below("/sys") || below("/dev") || below("/run");
}

}  // namespace

DriveType DriveTypeOf(const MountEntry& mount, const std::string& sysBlockFolder) {
    const std::string& type = mount.fileSystem;
    if (type.empty()) return DriveType::Unknown;
    if (IsOneOf(type, kRemoteTypes)) return DriveType::Remote;
    if (type == "iso9660" || type == "udf") return DriveType::CDRom;
    if (type == "tmpfs" || type == "ramfs") return DriveType::RamDisk;
    if (IsRemovableDevice(mount, sysBlockFolder)) return DriveType::Removable;
    return DriveType::Fixed;
}

std::string VolumeLabel(const MountEntry& mount, const std::string& byLabelFolder) {
    if (!mount.source.empty() && mount.source.front() == '/') {
        if (const auto device = RealPath(mount.source)) {
            if (DIR* folder = ::opendir(byLabelFolder.c_str())) {
                const std::unique_ptr<DIR, DirCloser> guard(folder);
                const std::string prefix = byLabelFolder + "/";
                while (const dirent* entry = ::readdir(folder)) {
                    const std::string name = entry->d_name;
                    if (name == "." || name == "..") continue;
                    if (RealPath(prefix + name) == device) {
                        return DecodeUdevEscapes(name);
                    }
                }
            }
        }
    }
    const std::size_t slash = mount.mountPoint.rfind('/');
    return slash == std::string::npos ? mount.mountPoint : mount.mountPoint.substr(slash + 1);
}

Result<DriveInfo> GetDriveInfo(const std::string& path) {
    const Result<std::string> canonical = CanonicalExistingPath(path);
    if (!canonical) return Result<DriveInfo>::Failure(canonical.error());
    const Result<MountTable> table = MountTable::Load();
    if (!table) return Result<DriveInfo>::Failure(table.error());
    const MountEntry* mount = table->FindMountFor(*canonical);
    if (mount == nullptr) {
        return Result<DriveInfo>::Failure("Cannot find the drive of " + path + ": no mount holds " +
                                          *canonical);
    }
    struct statvfs stats {};
    if (::statvfs(canonical->c_str(), &stats) != 0) {
        return Result<DriveInfo>::Failure(ErrnoText("Cannot query the drive of", path, errno));
    }
    DriveInfo info;
    info.mountPoint = mount->mountPoint;
    info.label = VolumeLabel(*mount);
    info.fileSystem = mount->fileSystem;
    info.source = mount->source;
    const std::uint64_t fsid = stats.f_fsid;
    info.serial = static_cast<std::uint32_t>(fsid ^ (fsid >> 32));
    info.maxNameLength = static_cast<std::uint32_t>(stats.f_namemax);
    info.flags = stats.f_flag;
    info.type = DriveTypeOf(*mount);
    info.freeBytes = static_cast<std::uint64_t>(stats.f_bavail) * stats.f_frsize;
    info.totalBytes = static_cast<std::uint64_t>(stats.f_blocks) * stats.f_frsize;
    return info;
}

std::vector<MountEntry> ListDrives(const MountTable& table) {
    std::vector<MountEntry> drives;
    for (const MountEntry& entry : table.Entries()) {
        if (IsOneOf(entry.fileSystem, kVirtualTypes) || IsHiddenPlace(entry.mountPoint)) continue;
        // A later mount on the same point hides the earlier one.
        std::erase_if(drives, [&entry](const MountEntry& known) {
            return known.mountPoint == entry.mountPoint;
        });
        drives.push_back(entry);
    }
    return drives;
}

Result<std::vector<MountEntry>> ListDrives() {
    const Result<MountTable> table = MountTable::Load();
    if (!table) return Result<std::vector<MountEntry>>::Failure(table.error());
    std::vector<MountEntry> drives = ListDrives(*table);
    std::erase_if(drives,
                  [](const MountEntry& entry) { return !DirectoryExists(entry.mountPoint); });
    return drives;
}

}  // namespace kiv::platform
