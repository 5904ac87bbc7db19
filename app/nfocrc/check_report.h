// The headless check of a release folder, as scripts and tests run it.
#pragma once

#include <cstdio>
#include <string>

namespace kiv::nfocrc {

// Exit statuses of the headless check.
inline constexpr int kAllOk = 0;
inline constexpr int kNotAllOk = 1;     // a file bad, missing or unreadable, or a line refused
inline constexpr int kCannotCheck = 2;  // no folder, no .sfv, or lists that name no file

// Checks `folder` against its .sfv lists and prints to `out` the lists read, every refused line,
// one line per file (ResultLine) as it is checked, and the summary last. Errors that prevent
// the check go to `err`. Returns one of the statuses above.
int CheckFolder(const std::string& folder, std::FILE* out, std::FILE* err);

}  // namespace kiv::nfocrc
