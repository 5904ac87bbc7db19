// Shell commands for tests: quoting, a time limit on every run, and the environment our own
// tools run in.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#if defined(__SANITIZE_ADDRESS__)
#define KIV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIV_TEST_ASAN 1
#endif
#endif

namespace kiv::test {

// How long one command may run before it is killed.
inline constexpr std::chrono::seconds kCommandLimit{60};

// `text` as one word for sh, in single quotes.
std::string ShellQuote(std::string_view text);

// Runs `command` with sh under timeout(1), which kills it with all it started once `limit` has
// passed. The exit status: 124 after a timeout, -1 when the shell did not exit normally.
int RunShell(const std::string& command, std::chrono::seconds limit = kCommandLimit);

// Whether sh finds `name` as a command.
bool HasCommand(const std::string& name);

#if defined(KIV_TEST_ASAN)
// Put before a command line that starts one of our tools (kiv-extract). libgomp, which libb2
// loads, leaves its start-up allocation behind when libunrar.so is unloaded at the end; that is
// not ours to find here, and with the library gone its stack cannot be matched by a suppression.
inline const std::string kToolEnvironment = "ASAN_OPTIONS=detect_leaks=0 ";
#else
inline const std::string kToolEnvironment;
#endif

}  // namespace kiv::test
