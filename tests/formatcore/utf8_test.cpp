// UTF-8 encoding at the boundaries of each sequence length, and of values that have no encoding.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "formatcore/utf8.h"

namespace kiv::format {
namespace {

struct Utf8Row {
    const char* label;
    std::uint32_t cp;
    std::string bytes;
};

class AppendUtf8Rows : public ::testing::TestWithParam<Utf8Row> {};

TEST_P(AppendUtf8Rows, AppendsTheEncoding) {
    std::string out = "x";
    AppendUtf8(out, GetParam().cp);
    EXPECT_EQ(out, "x" + GetParam().bytes);
}

const std::string kReplacement = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(Rows, AppendUtf8Rows,
                         ::testing::Values(Utf8Row{"Nul", 0x00, std::string(1, '\0')},
                                           Utf8Row{"LastOneByte", 0x7F, "\x7F"},
                                           Utf8Row{"FirstTwoBytes", 0x80, "\xC2\x80"},
                                           Utf8Row{"LastTwoBytes", 0x7FF, "\xDF\xBF"},
                                           Utf8Row{"FirstThreeBytes", 0x800, "\xE0\xA0\x80"},
                                           Utf8Row{"BelowSurrogates", 0xD7FF, "\xED\x9F\xBF"},
                                           Utf8Row{"AboveSurrogates", 0xE000, "\xEE\x80\x80"},
                                           Utf8Row{"ReplacementItself", 0xFFFD, kReplacement},
                                           Utf8Row{"LastThreeBytes", 0xFFFF, "\xEF\xBF\xBF"},
                                           Utf8Row{"FirstFourBytes", 0x10000, "\xF0\x90\x80\x80"},
                                           Utf8Row{"LastCodePoint", 0x10FFFF, "\xF4\x8F\xBF\xBF"},
                                           Utf8Row{"FirstSurrogate", 0xD800, kReplacement},
                                           Utf8Row{"LastSurrogate", 0xDFFF, kReplacement},
                                           Utf8Row{"PastTheLastCodePoint", 0x110000, kReplacement},
                                           Utf8Row{"PastFourBytes", 0x200000, kReplacement},
                                           Utf8Row{"Largest", UINT32_MAX, kReplacement}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::format
