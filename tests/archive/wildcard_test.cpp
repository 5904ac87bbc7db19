// MatchWildcard and MatchFileSpec.
#include <gtest/gtest.h>

#include <string>

#include "archive/un_rar.h"
#include "archive/wildcard.h"

namespace kiv {
namespace {

struct WildcardRow {
    const char* label;
    const char* a;
    const char* b;
    bool namesOnly;
    bool match;
};

class MatchWildcardTable : public ::testing::TestWithParam<WildcardRow> {};

TEST_P(MatchWildcardTable, Matches) {
    const WildcardRow& row = GetParam();
    EXPECT_EQ(MatchWildcard(row.a, row.b, row.namesOnly), row.match) << row.a << " vs " << row.b;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MatchWildcardTable,
    ::testing::Values(
        WildcardRow{"StarExtensionIgnoresCase", "*.TXT", "readme.txt", false, true},
        WildcardRow{"StarExtensionOtherExtension", "*.TXT", "readme.doc", false, false},
        WildcardRow{"QuestionMatchesOne", "a?c", "abc", false, true},
        WildcardRow{"QuestionNeedsACharacter", "a?c", "ac", false, false},
        WildcardRow{"StarMatchesAll", "*", "readme", false, true},
        WildcardRow{"DoubleStarAtEndMatchesNothingLeft", "a**", "a", false, true},
        WildcardRow{"StarDotStarMatchesNameWithoutExtension", "*.*", "readme", false, true},
        WildcardRow{"StarDotStarMatchesDottedName", "*.*", "read.me", false, true},
        WildcardRow{"OnlyAsciiFoldsCase", "\xC3\x84*", "\xC3\xA4x", false, false},
        WildcardRow{"AsciiFoldsBothWays", "ReadMe.*", "README.TXT", false, true},
        WildcardRow{"WildcardOnTheRightSide", "readme.txt", "*.txt", false, true},
        WildcardRow{"BothEmpty", "", "", false, true},
        WildcardRow{"EmptyAgainstName", "", "a", false, false},
        WildcardRow{"EmptyAgainstStar", "", "*", false, true},
        WildcardRow{"TrailingDotDropped", "readme.", "readme", false, true},
        WildcardRow{"FolderCompared", "*.txt", "docs/a.txt", false, true},
        WildcardRow{"FolderMaskWithFullNames", "docs/*.txt", "docs/a.txt", false, true},
        WildcardRow{"FolderMaskOtherFolder", "docs/*.txt", "src/a.txt", false, false},
        WildcardRow{"NamesOnlyDropsFolders", "docs/*.txt", "src/a.txt", true, true},
        WildcardRow{"MiddleStarBacktracks", "a*b*c", "aXbYbZc", false, true},
        WildcardRow{"MiddleStarFails", "a*b*c", "aXbYbZ", false, false},
        WildcardRow{"ExactLengthDiffers", "abc", "abcd", false, false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(MatchWildcard, ManyStarsAgainstALongNameNeitherBacktrackNorRecurse) {
    // Trying every split of a long name for each '*' takes exponential time, and following
    // the wildcards of a long stored name one call deeper each overflows the stack.
    const std::string mask = "*a*a*a*a*a*a*a*a*a*a*a*a*b";
    const std::string name(4000, 'a');
    EXPECT_FALSE(MatchWildcard(mask, name, false));
    EXPECT_TRUE(MatchWildcard(mask, name + "b", false));
    const std::string stars(200000, '*');
    EXPECT_TRUE(MatchWildcard("*.txt", stars, false));
    EXPECT_FALSE(MatchWildcard("x?", std::string(100000, '?'), false));
}

TEST(MatchFileSpec, FirstMatchingMaskWinsAndEmptyListWantsNothing) {
    TUnRAR rar(nullptr);
    EXPECT_FALSE(rar.MatchFileSpec("a.txt", false));
    rar.FileSpec()->Add("*.doc");
    EXPECT_FALSE(rar.MatchFileSpec("a.txt", false));
    rar.FileSpec()->Add("*.TXT");
    EXPECT_TRUE(rar.MatchFileSpec("a.txt", false));
}

TEST(MatchFileSpec, StarDotStarWantsNamesWithoutExtensionAndInFolders) {
    TUnRAR rar(nullptr);
    rar.FileSpec()->Add("*.*");
    EXPECT_TRUE(rar.MatchFileSpec("README", false));
    EXPECT_TRUE(rar.MatchFileSpec("docs/sub/x", false));
}

TEST(FileSpecSetter, KeepsFileNamePartsAndDropsEmptyMasks) {
    TUnRAR rar(nullptr);
    TStringList masks;
    masks.Add("docs\\*.txt");
    masks.Add("");
    masks.Add("src/");
    masks.Add("*.c");
    rar.SetFileSpec(&masks);
    ASSERT_EQ(rar.FileSpec()->Count(), 2);
    EXPECT_EQ(rar.FileSpec()->Strings(0), "*.txt");
    EXPECT_EQ(rar.FileSpec()->Strings(1), "*.c");
}

}  // namespace
}  // namespace kiv
