// Link entries through the engine: copies of files extracted in the same run are written as
// files, every other link is skipped with a report that names it a link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

constexpr std::uint32_t kUnixSymlink = 1, kHardLink = 4, kFileCopy = 5;

fx::FixtureEntry Link(const std::string& name, std::uint32_t type, const std::string& target,
                      const std::string& targetData) {
    fx::FixtureEntry e = FileEntry(name, targetData, 3, 0100644);
    e.redirection = type;
    e.linkTarget = target;
    return e;
}

class Links : public RealLibraryTest {
protected:
    std::vector<std::string> WriteSet() {
        return Write({FileEntry("dir/t.txt", "target", 3, 0100644),
                      Link("copy.txt", kFileCopy, "dir/t.txt", "target"),
                      Link("hard.txt", kHardLink, "dir/t.txt", "target"),
                      Link("sym", kUnixSymlink, "dir/t.txt", "target"),
                      FileEntry("dev", "", 3, 020644), FileEntry("later.txt", "later")},
                     SetOptions(fx::ArchiveFormat::Rar5));
    }
};

TEST_F(Links, CopiesOfExtractedFilesAreWrittenAndOtherLinksReported) {
    const auto volumes = WriteSet();
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 6);
    EXPECT_EQ(ListFiles(Path("out")),
              (std::vector<std::string>{"copy.txt", "dir/t.txt", "hard.txt", "later.txt"}));
    EXPECT_EQ(ReadFile(Path("out/copy.txt")), "target");
    EXPECT_EQ(ReadFile(Path("out/hard.txt")), "target");
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(log.errors[0].code, msg::SkippedFile);
    EXPECT_EQ(log.errors[0].fn, "sym");
    EXPECT_EQ(log.errors[0].msgEx, "a link; links are not created");
    EXPECT_EQ(log.errors[1].code, msg::SkippedFile);
    EXPECT_EQ(log.errors[1].fn, "dev");
    EXPECT_EQ(log.errors[1].msgEx, "a device, pipe or socket; these are not created");
}

// The target is not wanted, so it is not extracted in this run: the copy is a link like any.
TEST_F(Links, ACopyWhoseTargetThisRunDidNotExtractIsReportedAsALink) {
    const auto volumes = WriteSet();
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    rar->FileSpec()->Clear();
    rar->FileSpec()->Add("copy.*");
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::SkippedFile);
    EXPECT_EQ(log.errors[0].fn, "copy.txt");
    EXPECT_EQ(log.errors[0].msgEx, "a link; links are not created");
    EXPECT_TRUE(ListFiles(Path("out")).empty());
}

}  // namespace
}  // namespace kiv::test
