// The pre-scan's counts against what the library returns: every wanted file the library returns
// is counted, so the stop rule never ends a run before the last of them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

class Counts : public RealLibraryTest {};

struct MaskRow {
    const char* label;
    const char* mask;
    std::vector<std::string> names;
    std::vector<std::string> extracted;
};

void PrintTo(const MaskRow& row, std::ostream* os) {
    *os << row.label;
}

class MaskRule : public RealLibraryTest, public ::testing::WithParamInterface<MaskRow> {};

TEST_P(MaskRule, CountsAndExtractsTheSameFiles) {
    const MaskRow& row = GetParam();
    std::vector<fx::FixtureEntry> entries;
    for (const std::string& name : row.names) entries.push_back(FileEntry(name, name));
    const auto volumes = Write(entries, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    rar->FileSpec()->Clear();
    rar->FileSpec()->Add(row.mask);
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), static_cast<int>(row.extracted.size()));
    EXPECT_EQ(rar->ArchiveFileCount(), static_cast<int>(row.extracted.size()));
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(ListFiles(Path("out")), row.extracted);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MaskRule,
    ::testing::Values(
        // A mask that matches a folder's name wants no file in it.
        MaskRow{
            "FolderNameIsNoMatch", "d*", {"docs/x.txt", "d1.txt", "d2.txt"}, {"d1.txt", "d2.txt"}},
        // A file-name mask finds the file in any folder.
        MaskRow{"FileNameInAnyFolder",
                "x*.txt",
                {"docs/x.txt", "a.txt", "sub/x2.txt"},
                {"docs/x.txt", "sub/x2.txt"}},
        MaskRow{"NothingWanted", "*.doc", {"docs/a.txt", "b.txt"}, {}}),
    [](const auto& info) { return std::string(info.param.label); });

// Flag 0x4000 on a file header asks old versions to drop the block when they update the
// archive; the library returns the entry all the same, so the pre-scan must count it.
TEST_F(Counts, FileHeadersFlaggedForOldVersionsAreCounted) {
    fx::FixtureEntry flagged = FileEntry("a.txt", "a");
    flagged.extraFlags = 0x4000;
    const auto volumes = Write({flagged, FileEntry("b.txt", "b"), FileEntry("c.txt", "c")}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 3);
    EXPECT_EQ(rar->ArchiveFileCount(), 3);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

}  // namespace
}  // namespace kiv::test
