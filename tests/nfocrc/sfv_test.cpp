// The .sfv reader: what lines give which entries, and which are refused with what reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/nfocrc/sfv.h"

namespace kiv::nfocrc {
namespace {

struct ParseRow {
    const char* label;
    std::string text;
    std::vector<std::string> names;  // entries, in order
    std::vector<int> problemLines;   // lines refused, in order
    std::string firstProblem;        // part of the first problem's message
};

class NfocrcSfvParse : public ::testing::TestWithParam<ParseRow> {};

TEST_P(NfocrcSfvParse, GivesTheExpectedEntriesAndProblems) {
    const ParseRow& row = GetParam();
    const SfvList list = ParseSfv(row.text);
    std::vector<std::string> names;
    for (const SfvEntry& entry : list.entries) names.push_back(entry.name);
    EXPECT_EQ(names, row.names);
    std::vector<int> lines;
    for (const SfvProblem& problem : list.problems) lines.push_back(problem.line);
    EXPECT_EQ(lines, row.problemLines);
    if (!row.firstProblem.empty()) {
        ASSERT_FALSE(list.problems.empty());
        EXPECT_NE(list.problems.front().message.find(row.firstProblem), std::string::npos)
            << list.problems.front().message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NfocrcSfvParse,
    ::testing::Values(
        ParseRow{"Plain", "a.rar 0123abcd\nb.r00 FFFFFFFF\n", {"a.rar", "b.r00"}, {}, ""},
        ParseRow{"CrlfCommentsBlanks",
                 "; made by a tool\r\n\r\n  ; indented comment\r\na.rar 0123abcd\r\n",
                 {"a.rar"},
                 {},
                 ""},
        ParseRow{"ByteOrderMark",
                 "\xEF\xBB\xBF"
                 "a.rar 0123abcd",
                 {"a.rar"},
                 {},
                 ""},
        ParseRow{"NameWithBlanks",
                 "my release  file.r00\t 0123abcd\n",
                 {"my release  file.r00"},
                 {},
                 ""},
        ParseRow{"QuotedName", "\"with space.bin\" 0123abcd\n", {"with space.bin"}, {}, ""},
        ParseRow{"WindowsSeparators", "sub\\dir\\x.bin 0123abcd\n", {"sub/dir/x.bin"}, {}, ""},
        ParseRow{"DotsInsideANameAreFine",
                 "..hidden 0123abcd\na..b/c 0123abcd\n",
                 {"..hidden", "a..b/c"},
                 {},
                 ""},
        ParseRow{"NoCrc", "a.rar\nb.rar 0123abcd\n", {"b.rar"}, {1}, "no CRC-32"},
        ParseRow{"CrcTooShort", "a.rar 123abcd\n", {}, {1}, "no CRC-32"},
        ParseRow{"CrcTooLong", "a.rar 0123abcde\n", {}, {1}, "no CRC-32"},
        ParseRow{"CrcNotHex", "a.rar 0123abcg\n", {}, {1}, "no CRC-32"},
        ParseRow{"CrcAlone", "0123abcd\n", {}, {1}, "no file name"},
        ParseRow{"EmptyQuotes", "\"\" 0123abcd\n", {}, {1}, "no file name"},
        ParseRow{"DotDotComponent",
                 "../etc/passwd 0123abcd\nok 0123abcd\n",
                 {"ok"},
                 {1},
                 "leads outside"},
        ParseRow{"DotDotInside", "a/../../x 0123abcd\n", {}, {1}, "leads outside"},
        ParseRow{"DotDotWindows", "..\\x 0123abcd\n", {}, {1}, "leads outside"},
        ParseRow{"DotDotAtEnd", "a/.. 0123abcd\n", {}, {1}, "leads outside"},
        ParseRow{"Absolute", "/etc/passwd 0123abcd\n", {}, {1}, "leads outside"},
        ParseRow{"DrivePrefix", "C:\\x.bin 0123abcd\n", {}, {1}, "leads outside"},
        ParseRow{"NulInName", std::string("a\0b 0123abcd\n", 13), {}, {1}, "NUL"},
        ParseRow{"TooLong", std::string(3000, 'x') + " 0123abcd\n", {}, {1}, "longer"},
        ParseRow{"ListedTwice",
                 "a 0123abcd\nb 0123abcd\na 0123abcd\n",
                 {"a", "b"},
                 {3},
                 "first on line 1"},
        ParseRow{"NoFinalLineBreakAndLineNumbers", ";c\n\nbad\nz 0123abcd", {"z"}, {3}, ""}),
    [](const ::testing::TestParamInfo<ParseRow>& info) { return std::string(info.param.label); });

TEST(NfocrcSfv, ReadsTheCrcInEitherCaseAndKeepsLineNumbers) {
    const SfvList list = ParseSfv("; x\nA 89ABCDEF\r\nb 0123abcd\n");
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].crc, 0x89ABCDEFu);
    EXPECT_EQ(list.entries[0].line, 2);
    EXPECT_EQ(list.entries[1].crc, 0x0123ABCDu);
    EXPECT_EQ(list.entries[1].line, 3);
}

TEST(NfocrcSfv, StaysInsideRefusesEveryWayOut) {
    for (const char* name : {"", "/a", "..", "../a", "a/../..", "a/..", "c:x", "Z:/x"})
        EXPECT_FALSE(StaysInside(name)) << name;
    for (const char* name : {"a", "a/b", "...", "a..", "./a", "1:x", "a/./b"})
        EXPECT_TRUE(StaysInside(name)) << name;
}

}  // namespace
}  // namespace kiv::nfocrc
