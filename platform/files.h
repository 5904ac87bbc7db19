// Files and folders with the Windows meaning of their calls: existence, one-level folder
// creation, attributes mapped onto permission bits, size and modification time.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/status.h"

namespace kiv::platform {

// Windows file attribute values, so that attribute words from archives keep their meaning.
namespace FileAttribute {
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
}  // namespace FileAttribute

using FileTime = std::chrono::system_clock::time_point;

// True when something other than a folder exists at path (symbolic links followed).
bool FileExists(const std::string& path);

// True when a folder exists at path (symbolic links followed).
bool DirectoryExists(const std::string& path);

// Creates the one folder path names (mode 0777 before the umask). Fails when it already
// exists, when its parent is missing, or for any other reason mkdir gives.
Status CreateDirectory(const std::string& path);

// Windows attributes of path: Directory for a folder, Archive for anything else, plus ReadOnly
// when the owner may not write. std::nullopt when nothing exists at path.
std::optional<std::uint32_t> GetFileAttributes(const std::string& path);

// Applies the one attribute that has a meaning here: with ReadOnly every write permission bit
// is cleared, without it the owner's write bit is set (Archive, Normal, 0). Hidden, System,
// Directory and unknown bits have no effect. A symbolic link is refused rather than followed,
// so that an attribute reset on a destination path cannot loosen the link's target.
Status SetFileAttributes(const std::string& path, std::uint32_t attributes);

// Size in bytes of the regular file at path.
std::optional<std::uint64_t> FileSize(const std::string& path);

// Last modification time of path, to the nanosecond.
std::optional<FileTime> FileModificationTime(const std::string& path);

// Sets the modification time of path (the access time is left alone).
Status SetFileModificationTime(const std::string& path, FileTime time);

}  // namespace kiv::platform
