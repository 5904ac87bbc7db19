// Destination names, their safety, folder creation, DOS dates and percentages.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "archive/arx_paths.h"
#include "archive/err_msgs.h"
#include "archive/un_rar.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

struct DestinationRow {
    const char* label;
    const char* stored;
    bool useStoredDirs;
    const char* expected;  // below the test folder's "out/"
};

class DestinationName : public ArchiveTest, public ::testing::WithParamInterface<DestinationRow> {};

TEST_P(DestinationName, IsComposedBelowExtractDir) {
    const DestinationRow& row = GetParam();
    TUnRAR rar(nullptr);
    rar.SetExtractDir(Path("out"));
    rar.SetUseStoredDirs(row.useStoredDirs);
    rar.SetDestinationName(row.stored);
    EXPECT_EQ(rar.FileName(), Path("out/") + row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DestinationName,
    ::testing::Values(DestinationRow{"LeadingSlash", "/docs/a.txt", true, "docs/a.txt"},
                      DestinationRow{"LeadingBackslash", "\\docs\\a.txt", true, "docs/a.txt"},
                      DestinationRow{"DriveAndRoot", "C:\\docs\\a.txt", true, "docs/a.txt"},
                      DestinationRow{"BareDrive", "C:a.txt", true, "a.txt"},
                      DestinationRow{"ColonInsideIsOrdinary", "docs/a:b.txt", true, "docs/a:b.txt"},
                      DestinationRow{"NoStoredDirs", "/docs/a.txt", false, "a.txt"},
                      DestinationRow{"NoStoredDirsDrive", "C:\\docs\\a.txt", false, "a.txt"},
                      DestinationRow{"PlainName", "a.txt", true, "a.txt"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ArchiveTest, ExtractDirAlwaysEndsInSlashAndEmptyTakesTheArchiveFolder) {
    TUnRAR rar(nullptr);
    rar.SetExtractDir("x\\y");
    EXPECT_EQ(rar.ExtractDir(), "x/y/");
    WriteFile(Path("set.rar"), std::string(40, 'z'));
    rar.SetArchiveFile(Path("set.rar"));
    rar.SetExtractDir("");
    EXPECT_EQ(rar.ExtractDir(), Dir() + "/");
}

TEST_F(ArchiveTest, RelativeExtractDirIsTakenFromTheCurrentFolderNotTheRoot) {
    TUnRAR rar(nullptr);
    rar.SetExtractDir("out");
    rar.SetDestinationName("docs/a.txt");
    EXPECT_EQ(rar.FileName(), Dir() + "/out/docs/a.txt");
}

TEST_F(ArchiveTest, EmptyExtractDirWithoutArchiveIsTheCurrentFolder) {
    TUnRAR rar(nullptr);
    rar.SetDestinationName("a.txt");
    EXPECT_EQ(rar.FileName(), Dir() + "/a.txt");
    EXPECT_EQ(rar.ExtractDir(), Dir() + "/");
}

struct SafetyRow {
    const char* label;
    const char* stored;
    bool useStoredDirs;
    bool safe;
};

class DestinationSafety : public ArchiveTest, public ::testing::WithParamInterface<SafetyRow> {};

TEST_P(DestinationSafety, RefusesNamesThatLeaveExtractDir) {
    const SafetyRow& row = GetParam();
    ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("elsewhere").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(Path("elsewhere").c_str(), Path("out/link").c_str()), 0);
    ASSERT_EQ(::symlink(Path("elsewhere/f").c_str(), Path("out/filelink").c_str()), 0);
    TUnRAR rar(nullptr);
    rar.SetExtractDir(Path("out"));
    rar.SetUseStoredDirs(row.useStoredDirs);
    rar.SetDestinationName(row.stored);
    EXPECT_EQ(rar.DestinationIsSafe(row.stored), row.safe) << rar.FileName();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DestinationSafety,
    ::testing::Values(SafetyRow{"Plain", "docs/a.txt", true, true},
                      SafetyRow{"DotDotFolder", "../a.txt", true, false},
                      SafetyRow{"DotDotInside", "docs/../../a.txt", true, false},
                      SafetyRow{"DotDotBackslashes", "..\\..\\a.txt", true, false},
                      SafetyRow{"DotDotWithoutStoredDirs", "../a.txt", false, false},
                      SafetyRow{"DotDotAsFileName", "docs/..", true, false},
                      SafetyRow{"DotDotInAName", "docs/..a.txt", true, true},
                      SafetyRow{"ThroughLinkedFolder", "link/a.txt", true, false},
                      SafetyRow{"OntoLinkedFile", "filelink", true, false},
                      SafetyRow{"MissingFolderIsFine", "new/deeper/a.txt", true, true},
                      SafetyRow{"DriveRootRemovedFirst", "C:\\etc\\passwd", true, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ArchiveTest, MakeDirectoriesCreatesParentsAndRefusesAnEmptyName) {
    MakeDirectories(Path("a/b/c/"));
    EXPECT_TRUE(DirExists(Path("a/b/c")));
    MakeDirectories(Path("a/b/c"));  // existing: nothing to do
    MakeDirectories("/");
    EXPECT_TRUE(DirExists(""));
    EXPECT_FALSE(DirExists(Path("missing")));
    try {
        MakeDirectories("");
        FAIL() << "no error for an empty name";
    } catch (const E_RAISE&) {
        FAIL() << "a plain error was expected";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to create directory");
    }
}

struct DosDateRow {
    const char* label;
    std::uint32_t value;
    double expected;
};

class DosDate : public ::testing::TestWithParam<DosDateRow> {};

TEST_P(DosDate, Converts) {
    EXPECT_DOUBLE_EQ(DosDateToDateTime(GetParam().value), GetParam().expected);
}

constexpr std::uint32_t Dos(unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi,
                            unsigned s) {
    return ((y - 1980) << 25) | (mo << 21) | (d << 16) | (h << 11) | (mi << 5) | (s / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DosDate,
    ::testing::Values(DosDateRow{"Zero", 0, 29221.0},
                      DosDateRow{"FirstDay", Dos(1980, 1, 1, 0, 0, 0), 29221.0},
                      DosDateRow{"Noon", Dos(2000, 1, 1, 12, 0, 0), 36526.5},
                      DosDateRow{"LeapDay", Dos(2024, 2, 29, 6, 0, 0), 45351.25},
                      DosDateRow{"NoLeapDay", Dos(2023, 2, 29, 0, 0, 0), 29221.0},
                      DosDateRow{"MonthZero", Dos(2000, 0, 1, 0, 0, 0), 29221.0},
                      DosDateRow{"Hour24", Dos(2000, 1, 1, 24, 0, 0), 29221.0},
                      DosDateRow{"Minute60", Dos(2000, 1, 1, 0, 60, 0), 29221.0}),
    [](const auto& info) { return std::string(info.param.label); });

struct PercentRow {
    const char* label;
    std::int64_t part;
    std::int64_t whole;
    int expected;
};

class PercentTable : public ::testing::TestWithParam<PercentRow> {};

TEST_P(PercentTable, Rounds) {
    EXPECT_EQ(Percent(GetParam().part, GetParam().whole), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PercentTable,
    ::testing::Values(PercentRow{"NoWhole", 5, 0, 0}, PercentRow{"NegativeWhole", 5, -3, 0},
                      PercentRow{"NegativePart", -5, 100, 0}, PercentRow{"Half", 1, 2, 50},
                      PercentRow{"HalfToEvenDown", 5, 1000, 0},
                      PercentRow{"HalfToEvenUp", 15, 1000, 2},
                      PercentRow{"OverWhole", 300, 100, 100},
                      PercentRow{"AboveFourGiB", 5'000'000'000LL, 10'000'000'000LL, 50},
                      PercentRow{"NearlyAll", 9'999'999'999LL, 10'000'000'000LL, 100}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::test
