// The profile reader's rules: names, blanks, quotes, comments, duplicates, limits, files.
#include "platform/ini_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace kiv::platform {
namespace {

using test::TempFolder;
using test::WriteFile;

struct IniCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    const char* defaultValue;
    std::string expected;
};

class IniFileRules : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniFileRules, ReadsValue) {
    const IniCase& c = GetParam();
    const IniFile ini = IniFile::FromBytes(c.text);
    EXPECT_EQ(ini.ReadString(c.section, c.key, c.defaultValue), c.expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    IniFile, IniFileRules,
    ::testing::Values(
        IniCase{"SectionNameIgnoresCase", "[kiv]\nRelease=X\n", "KIV", "Release", "d", "X"},
        IniCase{"KeyNameIgnoresCase", "[KIV]\nrElEaSe=X\n", "KIV", "RELEASE", "d", "X"},
        IniCase{"BlanksAroundKeyAndValueDropped", "[KIV]\n \t Release \t=\t  Foo  Bar \t\n", "KIV",
                "Release", "d", "Foo  Bar"},
        IniCase{"BlanksInsideBracketsDropped", "  [ KIV ]  \nA=1\n", "KIV", "A", "d", "1"},
        IniCase{"TextAfterBracketIgnored", "[KIV] trailing\nA=1\n", "KIV", "A", "d", "1"},
        IniCase{"DoubleQuotesRemovedBlanksInsideKept", "[KIV]\nA=  \"  x  \"  \n", "KIV", "A", "d",
                "  x  "},
        IniCase{"SingleQuotesRemoved", "[KIV]\nA='x y'\n", "KIV", "A", "d", "x y"},
        IniCase{"OnlyOnePairOfQuotesRemoved", "[KIV]\nA=\"\"x\"\"\n", "KIV", "A", "d", "\"x\""},
        IniCase{"MismatchedQuotesKept", "[KIV]\nA=\"x'\n", "KIV", "A", "d", "\"x'"},
        IniCase{"LoneQuoteKept", "[KIV]\nA=\"\n", "KIV", "A", "d", "\""},
        IniCase{"EmptyQuotesGiveEmpty", "[KIV]\nA=\"\"\n", "KIV", "A", "d", ""},
        IniCase{"QuotesInsideValueKept", "[KIV]\nA=a \"b\"\n", "KIV", "A", "d", "a \"b\""},
        IniCase{"PresentEmptyValueIsEmpty", "[KIV]\nRelease=\n", "KIV", "Release", "[Release]", ""},
        IniCase{"PresentBlankValueIsEmpty", "[KIV]\nRelease=   \t\n", "KIV", "Release", "[Release]",
                ""},
        IniCase{"MissingKeyGivesDefault", "[KIV]\nOther=1\n", "KIV", "Release", "[Release]",
                "[Release]"},
        IniCase{"MissingSectionGivesDefault", "[Else]\nRelease=1\n", "KIV", "Release", "def",
                "def"},
        IniCase{"EmptyTextGivesDefault", "", "KIV", "Release", "def", "def"},
        IniCase{"DefaultLosesTrailingBlanks", "", "KIV", "A", "  def \t ", "  def"},
        IniCase{"KeyBeforeAnySectionUnreadable", "A=1\n[KIV]\n", "KIV", "A", "d", "d"},
        IniCase{"KeyOfOtherSectionNotSeen", "[KIV]\n[Else]\nA=1\n", "KIV", "A", "d", "d"},
        IniCase{"SemicolonLineIsComment", "[KIV]\n;A=1\n", "KIV", "A", "d", "d"},
        IniCase{"IndentedSemicolonLineIsComment", "[KIV]\n \t;A=1\n", "KIV", "A", "d", "d"},
        IniCase{"HashLineDoesNotDefineKey", "[KIV]\n#A=1\n", "KIV", "A", "d", "d"},
        IniCase{"HashLineIsOrdinaryKey", "[KIV]\n#A=1\n", "KIV", "#A", "d", "1"},
        IniCase{"SemicolonAfterValueKept", "[KIV]\nA=b ; c\n", "KIV", "A", "d", "b ; c"},
        IniCase{"CrLfLinesReadLikeLf", "[KIV]\r\nA=1\r\nB=two\r\n", "KIV", "B", "d", "two"},
        IniCase{"CrLfValueHasNoCr", "[KIV]\r\nA=1\r\n", "KIV", "A", "d", "1"},
        IniCase{"LastLineWithoutNewline", "[KIV]\nA=1", "KIV", "A", "d", "1"},
        IniCase{"FirstDuplicateKeyWins", "[KIV]\nA=first\na=second\n", "KIV", "A", "d", "first"},
        IniCase{"FirstDuplicateSectionWins", "[KIV]\nA=1\n[Else]\n[kiv]\nA=2\n", "KIV", "A", "d",
                "1"},
        IniCase{"RepeatedSectionAddsNothing", "[KIV]\nA=1\n[kiv]\nB=2\n", "KIV", "B", "d", "d"},
        IniCase{"ValueSplitsAtFirstEquals", "[KIV]\nA = b=c\n", "KIV", "A", "d", "b=c"},
        IniCase{"LineWithoutEqualsDefinesNothing", "[KIV]\nA\n", "KIV", "A", "d", "d"},
        IniCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF[KIV]\nA=1\n", "KIV", "A", "d", "1"},
        IniCase{"NulEndsItsLine", "[KIV]\nA=ab\0cd\nB=2\n"s, "KIV", "A", "d", "ab"},
        IniCase{"LineAfterNulStillRead", "[KIV]\nA=ab\0cd\nB=2\n"s, "KIV", "B", "d", "2"},
        IniCase{"EmptySectionName", "[]\nA=1\n", "", "A", "d", "1"},
        IniCase{"BytesAbove127KeptAsTheyAre", "[KIV]\nA=\xC9\xCD\xBB caf\xC3\xA9\n", "KIV", "A",
                "d", "\xC9\xCD\xBB caf\xC3\xA9"}),
    [](const ::testing::TestParamInfo<IniCase>& info) { return info.param.name; });

std::string Section(const std::string& value) {
    return "[KIV]\nA=" + value + "\n";
}

TEST(IniFile, LongValueIsCutTo2047Bytes) {
    const IniFile ini = IniFile::FromBytes(Section(std::string(3000, 'x')));
    EXPECT_EQ(ini.ReadString("KIV", "A", ""), std::string(2047, 'x'));
}

TEST(IniFile, ValueOfExactly2047BytesIsWhole) {
    const std::string value = std::string(2046, 'x') + "y";
    EXPECT_EQ(IniFile::FromBytes(Section(value)).ReadString("KIV", "A", ""), value);
}

TEST(IniFile, QuotesAreRemovedBeforeTheCut) {
    const std::string inner = std::string(2046, 'x') + "y";
    EXPECT_EQ(IniFile::FromBytes(Section("\"" + inner + "\"")).ReadString("KIV", "A", ""), inner);
}

TEST(IniFile, CutNeverSplitsAUtf8Character) {
    // 2046 bytes, then a two-byte character across the limit.
    const std::string value = std::string(2046, 'a') + "\xC3\xA9" + "tail";
    const std::string read = IniFile::FromBytes(Section(value)).ReadString("KIV", "A", "");
    EXPECT_EQ(read, std::string(2046, 'a'));
    EXPECT_TRUE(IsValidUtf8(read));
}

TEST(IniFile, CutOfNonUtf8TextIsByByte) {
    const std::string value = std::string(2046, 'a') + "\xC9\xCD\xBB";
    const std::string read = IniFile::FromBytes(Section(value)).ReadString("KIV", "A", "");
    EXPECT_EQ(read, std::string(2046, 'a') + "\xC9");
}

TEST(IniFile, LongDefaultIsCutToo) {
    EXPECT_EQ(IniFile().ReadString("KIV", "A", std::string(2100, 'd')).size(), 2047u);
}

TEST(IniFile, PresentEmptyKeyIsKnownMissingKeyIsNot) {
    const IniFile ini = IniFile::FromBytes("[KIV]\nEmpty=\n");
    EXPECT_TRUE(ini.HasSection("kiv"));
    EXPECT_TRUE(ini.HasKey("KIV", "EMPTY"));
    EXPECT_FALSE(ini.HasKey("KIV", "Missing"));
    EXPECT_FALSE(ini.HasSection("Missing"));
}

class IniFileOnDisk : public ::testing::Test {
protected:
    TempFolder m_temp;
};

TEST_F(IniFileOnDisk, ReadsCrLfFile) {
    WriteFile(m_temp / "kiv.ini",
              "[KIV]\r\nRelease=\"My Release\"\r\nDisks = 15\r\nDiskSize=2.88\r\nInfoLine5=\r\n");
    IniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(m_temp / "kiv.ini").ok());
    EXPECT_EQ(ini.ReadString("KIV", "Release", "[Release]"), "My Release");
    EXPECT_EQ(ini.ReadString("KIV", "Disks", "[Disks]"), "15");
    EXPECT_EQ(ini.ReadString("KIV", "InfoLine5", "x"), "");
    EXPECT_EQ(ini.ReadString("KIV", "InfoLine6", "x"), "x");
}

TEST_F(IniFileOnDisk, MissingFileGivesDefaultsAndSaysWhy) {
    IniFile ini;
    const Status status = ini.LoadFromFile(m_temp / "kiv.ini");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find(m_temp / "kiv.ini"), std::string::npos) << status.error();
    EXPECT_EQ(ini.ReadString("KIV", "Release", "[Release]"), "[Release]");
}

TEST_F(IniFileOnDisk, FolderIsRefused) {
    IniFile ini;
    EXPECT_FALSE(ini.LoadFromFile(m_temp.Path()).ok());
    EXPECT_EQ(ini.ReadString("KIV", "A", "d"), "d");
}

TEST_F(IniFileOnDisk, FifoIsRefusedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo((m_temp / "kiv.ini").c_str(), 0644), 0);
    IniFile ini;
    EXPECT_FALSE(ini.LoadFromFile(m_temp / "kiv.ini").ok());
    EXPECT_EQ(ini.ReadString("KIV", "A", "d"), "d");
}

TEST_F(IniFileOnDisk, FailedLoadForgetsEarlierContents) {
    WriteFile(m_temp / "a.ini", "[KIV]\nA=1\n");
    IniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(m_temp / "a.ini").ok());
    ASSERT_EQ(ini.ReadString("KIV", "A", "d"), "1");
    EXPECT_FALSE(ini.LoadFromFile(m_temp / "missing.ini").ok());
    EXPECT_EQ(ini.ReadString("KIV", "A", "d"), "d");
}

}  // namespace
}  // namespace kiv::platform
