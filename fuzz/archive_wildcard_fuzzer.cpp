// Fuzzer of wildcard matching: two names from the input, compared both ways; a name always
// matches itself, and "*" matches every name that holds no wildcard itself ('?' on the name's
// side takes one character before a '*' is looked at).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "archive/wildcard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4096) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = data[0] % (input.size() + 1);
    const std::string a(input.substr(0, cut));
    const std::string b(input.substr(cut));
    const bool namesOnly = (data[0] & 0x80) != 0;
    kiv::MatchWildcard(a, b, namesOnly);
    kiv::MatchWildcard(b, a, namesOnly);
    if (!kiv::MatchWildcard(a, a, namesOnly)) std::abort();
    const bool plainName = b.find_first_of("*?") == std::string::npos;
    if (plainName && !kiv::MatchWildcard("*", b, false)) std::abort();
    return 0;
}
