// The pre-scan's counts against what the library returns: every wanted file the library returns
// is counted, so the stop rule never ends a run before the last of them.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

// The password flow processes the same header once per password; the library must answer each
// try (the first one's "unknown header" made every later try fail as a broken volume chain).
TEST_F(Counts, EachPasswordTryIsAnsweredForTheSameEntry) {
    fx::FixtureEntry locked = FileEntry("secret.txt", "secret");
    locked.encrypted = true;
    const auto volumes = Write({locked, FileEntry("after.txt", "after")}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    int prompts = 0;
    rar->SetOnGetPassword([&](TObject*, const std::string&, std::string& password, bool&) {
        ++prompts;
        password = "guess " + std::to_string(prompts);
    });
    EXPECT_EQ(rar->Extract(), 2);  // both begun, the encrypted one failed
    EXPECT_EQ(prompts, 3);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].fn, "secret.txt");
    // The library's answer to a wrong password: its own code, or a failed check where the
    // format has no check value for the password.
    const int code = log.errors[0].code;
    EXPECT_TRUE(code == msg::InvalidPassword || code == msg::CrcFailed) << code;
    EXPECT_EQ(ListFiles(Path("out")), std::vector<std::string>{"after.txt"});
}

// OnNextVolume names another existing file in place of an existing volume: the pre-scan reads
// the named file, and the library must read the same one, or the files only the pre-scan saw
// go missing without a report.
class RenamedVolume : public RealLibraryTest,
                      public ::testing::WithParamInterface<fx::ArchiveFormat> {};

TEST_P(RenamedVolume, IsReadByTheLibraryAsByThePreScan) {
    const std::string big = Pattern(150 * 1024, 21);
    const fx::FixtureOptions options = SetOptions(GetParam(), 100 * 1024);
    const auto volumes = Write({FileEntry("big.bin", big), FileEntry("c.txt", "c")}, options);
    ASSERT_EQ(::mkdir(Path("other").c_str(), 0755), 0);
    const auto other =
        Write({FileEntry("big.bin", big), FileEntry("c.txt", "c"), FileEntry("d.txt", "d")},
              options, "other/set.rar");
    ASSERT_EQ(volumes.size(), 2u);
    ASSERT_EQ(other.size(), 2u);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    rar->SetOnNextVolume(
        [&](TObject*, std::string& name, const std::string& id, bool exists, bool& cancel) {
            log.volumeIds.push_back(id);
            EXPECT_TRUE(exists);
            if (name == volumes[1]) name = other[1];
            cancel = false;
        });
    EXPECT_EQ(rar->Extract(), 3);
    EXPECT_EQ(rar->ArchiveFileCount(), 3);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(log.volumeIds, std::vector<std::string>{"0"});
    EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"big.bin", "c.txt", "d.txt"}));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/big.bin")), big));
}

INSTANTIATE_TEST_SUITE_P(Formats, RenamedVolume,
                         ::testing::Values(fx::ArchiveFormat::Rar4, fx::ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == fx::ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

}  // namespace
}  // namespace kiv::test
