// Reaching folders below a trusted folder without ever passing through a symbolic link, even
// while another process swaps links in: every step starts from a descriptor of the folder
// above it.
#pragma once

#include <string>
#include <vector>

#include "unrar/fd.h"

namespace kiv::rar {

// The components of a '/'-separated path, without empty and "." ones.
std::vector<std::string> SplitPath(const std::string& path);

// Opens the trusted folder `base` ("" for the current folder), creating it and its missing
// parents as it is named when it does not exist. Throws RarError(ERAR_ECREATE).
Fd OpenBase(const std::string& base);

// Opens the folder reached from `from` through `folders`, creating missing ones (mode 0777,
// through the umask). Anything on the way that is not a folder, a symbolic link in particular,
// is refused. Uses openat2 with RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS where the kernel has it,
// openat with O_NOFOLLOW | O_DIRECTORY one component at a time elsewhere. Throws
// RarError(ERAR_ECREATE) with the failing call's errno (EPERM for a refusal).
Fd OpenFolderBelow(const Fd& from, const std::vector<std::string>& folders);

}  // namespace kiv::rar
