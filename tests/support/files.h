// Whole-file reads and writes, listings and byte comparisons for tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::test {

// The file's bytes; "" when it cannot be read.
std::string ReadFile(const std::string& path);
// Creates or replaces the file with `bytes`, then gives it `mode` when one is given. Throws
// std::runtime_error naming the path and the reason on failure.
void WriteFile(const std::string& path, std::string_view bytes);
void WriteFile(const std::string& path, std::string_view bytes, mode_t mode);
// Whether anything, a dangling symbolic link included, has this name.
bool Exists(const std::string& path);
// The path with symbolic links resolved; "" when it does not exist.
std::string Canonical(const std::string& path);

// The names directly inside `folder`, sorted; empty when it cannot be read.
std::vector<std::string> ListNames(const std::string& folder);
// The regular files below `folder` (not through symbolic links) as sorted relative paths.
std::vector<std::string> ListFiles(const std::string& folder);
// The contents of each file, in order: taken before and after a run to show nothing changed.
std::vector<std::string> Snapshot(const std::vector<std::string>& paths);

// Compares file contents without printing megabytes on failure.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);
// `size` reproducible bytes that differ with `seed` and do not repeat in any short period.
std::string Pattern(std::size_t size, std::uint32_t seed);

}  // namespace kiv::test
