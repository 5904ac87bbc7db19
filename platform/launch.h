// Opening a file the way the shell's "open" does: start it detached, or hand it to xdg-open.
#pragma once

#include <string>

#include "platform/status.h"

namespace kiv::platform {

// Starts path without waiting for it: an executable regular file runs itself (no arguments),
// anything else is handed to `xdg-open path` (found through $PATH). The new process runs in
// its own session, in this process's current folder, with this environment, default signal
// handling, an empty signal mask and only descriptors 0-2 inherited. It is never left as a
// zombie: a detached thread waits for exactly that process and nothing else, so no SIGCHLD
// handling of the program is touched. Fails with a text naming path when the program cannot
// be started (missing file, no xdg-open, exec failure); what the program does later is not
// observed.
Status OpenDetached(const std::string& path);

}  // namespace kiv::platform
