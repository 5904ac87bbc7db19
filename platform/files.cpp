// Files and folders over stat, mkdir, chmod and utimensat.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace kiv::platform {
namespace {

constexpr mode_t kAllWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

std::optional<struct stat> StatOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return info;
}

}  // namespace

bool FileExists(const std::string& path) {
    const auto info = StatOf(path);
    return info && !S_ISDIR(info->st_mode);
}

bool DirectoryExists(const std::string& path) {
    const auto info = StatOf(path);
    return info && S_ISDIR(info->st_mode);
}

Status CreateDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        return Status::Failure(ErrnoText("Cannot create directory", path, errno));
    }
    return Status::Ok();
}

std::optional<std::uint32_t> GetFileAttributes(const std::string& path) {
    const auto info = StatOf(path);
    if (!info) return std::nullopt;
    std::uint32_t attributes =
        S_ISDIR(info->st_mode) ? FileAttribute::Directory : FileAttribute::Archive;
    if ((info->st_mode & S_IWUSR) == 0) attributes |= FileAttribute::ReadOnly;
    return attributes;
}

Status SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return Status::Failure(ErrnoText("Cannot set attributes of", path, errno));
    }
    if (S_ISLNK(info.st_mode)) {
        return Status::Failure("Cannot set attributes of " + path + ": is a symbolic link");
    }
    mode_t mode = info.st_mode & 07777;
    mode = (attributes & FileAttribute::ReadOnly) ? (mode & ~kAllWriteBits) : (mode | S_IWUSR);
    if (mode == (info.st_mode & 07777)) return Status::Ok();
    // No following: a link swapped in since the lstat above makes this fail, not loosen it.
    if (::fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0) {
        return Status::Failure(ErrnoText("Cannot set attributes of", path, errno));
    }
    return Status::Ok();
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    const auto info = StatOf(path);
    if (!info || !S_ISREG(info->st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info->st_size);
}

std::optional<FileTime> FileModificationTime(const std::string& path) {
    const auto info = StatOf(path);
    if (!info) return std::nullopt;
    const auto sinceEpoch = std::chrono::seconds(info->st_mtim.tv_sec) +
                            std::chrono::nanoseconds(info->st_mtim.tv_nsec);
    return FileTime(std::chrono::duration_cast<FileTime::duration>(sinceEpoch));
}

Status SetFileModificationTime(const std::string& path, FileTime time) {
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch());
    auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds.count());
    times[1].tv_nsec = static_cast<long>((sinceEpoch - seconds).count());
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        return Status::Failure(ErrnoText("Cannot set the time of", path, errno));
    }
    return Status::Ok();
}

}  // namespace kiv::platform
