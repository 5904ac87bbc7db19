// UTF-8 validation and the code page 437 reading of text that is not UTF-8.
#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace kiv::platform {
namespace {

using namespace std::string_literals;

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
};

class Utf8Validation : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validation, Classifies) {
    EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, Utf8Validation,
    ::testing::Values(Utf8Case{"Empty", "", true}, Utf8Case{"Ascii", "Release 2000", true},
                      Utf8Case{"AsciiWithNulAndControls", "a\0\x01\x1F\x7F"s, true},
                      Utf8Case{"TwoByte", "\xC3\x84", true},
                      Utf8Case{"ThreeByte", "\xE2\x82\xAC", true},
                      Utf8Case{"FourByte", "\xF0\x9F\x98\x80", true},
                      Utf8Case{"LastCodePoint", "\xF4\x8F\xBF\xBF", true},
                      Utf8Case{"JustBelowSurrogates", "\xED\x9F\xBF", true},
                      Utf8Case{"JustAboveSurrogates", "\xEE\x80\x80", true},
                      Utf8Case{"LoneContinuation", "\x80", false},
                      Utf8Case{"OverlongTwoByteC0", "\xC0\x80", false},
                      Utf8Case{"OverlongTwoByteC1", "\xC1\xBF", false},
                      Utf8Case{"OverlongThreeByte", "\xE0\x80\x80", false},
                      Utf8Case{"OverlongFourByte", "\xF0\x8F\xBF\xBF", false},
                      Utf8Case{"Surrogate", "\xED\xA0\x80", false},
                      Utf8Case{"AboveLastCodePoint", "\xF4\x90\x80\x80", false},
                      Utf8Case{"LeadF5", "\xF5\x80\x80\x80", false},
                      Utf8Case{"ByteFF", "\xFF", false},
                      Utf8Case{"TruncatedTwoByte", "ab\xC3", false},
                      Utf8Case{"TruncatedFourByte", "\xF0\x9F\x98", false},
                      Utf8Case{"BadSecondByte", "\xC3\x41", false},
                      Utf8Case{"BadThirdByte", "\xE2\x82\x41", false},
                      Utf8Case{"Cp437BoxDrawing", "\xC9\xCD\xBB", false}),
    [](const ::testing::TestParamInfo<Utf8Case>& info) { return info.param.name; });

struct OemCase {
    const char* name;
    std::string oem;
    std::string utf8;
};

class OemConversion : public ::testing::TestWithParam<OemCase> {};

TEST_P(OemConversion, Converts) {
    EXPECT_EQ(OemToUtf8(GetParam().oem), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, OemConversion,
    ::testing::Values(OemCase{"UmlautA", "\x8E", "Ä"},
                      OemCase{"LowerUmlautU",
                              "\x81"
                              "ber",
                              "über"},
                      OemCase{"SharpS",
                              "Stra\xE1"
                              "e",
                              "Straße"},
                      OemCase{"DoubleBoxCorners", "\xC9\xCD\xBB\n\xC8\xCD\xBC", "╔═╗\n╚═╝"},
                      OemCase{"Shades", "\xB0\xB1\xB2\xDB", "░▒▓█"},
                      OemCase{"NoBreakSpace", "\xFF", "\xC2\xA0"},
                      OemCase{"ControlBytesStay", "\x01\x1F\x7F\x8E", "\x01\x1F\x7FÄ"},
                      OemCase{"NulStays", "\x8E\0A"s, "Ä\0A"s},
                      OemCase{"ValidUtf8Kept", "Caf\xC3\xA9 \xE2\x95\x94", "Café ╔"},
                      OemCase{"OneBadByteTurnsWholeTextToCp437", "\xC3\x84\x8E", "├äÄ"},
                      OemCase{"AsciiUnchanged", "README.TXT", "README.TXT"},
                      OemCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<OemCase>& info) { return info.param.name; });

TEST(CodePage, EveryByteBecomesOneCharacterOfValidUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = OemToUtf8(all);
    ASSERT_TRUE(IsValidUtf8(utf8));
    std::size_t characters = 0;
    for (const char c : utf8) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    EXPECT_EQ(characters, 256u);
    EXPECT_EQ(utf8.substr(0, 128), all.substr(0, 128));
}

}  // namespace
}  // namespace kiv::platform
