// The program's own folders: where the executable lies, the per-user library folder that
// stands for the Windows system directory, and the process's current folder.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"
#include "platform/status.h"

namespace kiv::platform {

// The folder of the running executable (/proc/self/exe) with a trailing '/'.
Result<std::string> ExecutableFolder();

// The multiarch tuple of this build, such as "x86_64-linux-gnu".
std::string_view MultiarchTuple();

// ~/.local/lib/<multiarch tuple>, without a trailing '/', created with its missing parents
// (mode 0755 before the umask) when absent. The home folder is $HOME when that is an absolute
// path, else the password database's entry for the user. Fails when the folder cannot be
// created or a non-folder stands in its way.
Result<std::string> SystemDirectory();

// The process's current folder, absolute, without a trailing '/' (except the root "/").
Result<std::string> CurrentFolder();

// chdir(path). Affects the whole process, every thread.
Status SetCurrentFolder(const std::string& path);

}  // namespace kiv::platform
