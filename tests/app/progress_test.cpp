// The whole-set share: it only moves forward while the extractor's own percentage starts again
// for each batch of volumes.
#include <gtest/gtest.h>

#include "app/release_set.h"
#include "app/set_progress.h"
#include "tests/app/support.h"

namespace kiv::test {
namespace {

class SetProgressTest : public ReleaseTest {
protected:
    SetScan Scan() {
        const auto volumes =
            WriteSet({File("a.bin", Pattern(30000, 1)), File("d/b.bin", Pattern(60000, 2)),
                      File("empty", ""), File("c.bin", Pattern(10000, 3))},
                     40000);
        return ScanReleaseSet(volumes.front());
    }
};

TEST_F(SetProgressTest, ReckonsFromSizesAndNeverGoesBack) {
    const SetScan scan = Scan();
    ASSERT_EQ(scan.unpackedTotal, 100000u);
    SetProgress progress(scan, "/dest/");
    // The extractor's archive percentage as a two-batch run gives it: up to 100, back to 0.
    EXPECT_EQ(progress.Report("/dest/a.bin", 0, 0), 0);
    EXPECT_EQ(progress.Report("/dest/a.bin", 50, 100), 15);
    EXPECT_EQ(progress.Report("/dest/a.bin", 100, 100), 30);
    EXPECT_EQ(progress.Report("/dest/d/b.bin", 0, 0), 30);
    EXPECT_EQ(progress.Report("/dest/d/b.bin", 50, 20), 60);
    EXPECT_EQ(progress.FilesCompleted(), 1);
    // A report that would go back (a repeated start of the same file) keeps the share shown.
    EXPECT_EQ(progress.Report("/dest/d/b.bin", 10, 0), 60);
    EXPECT_EQ(progress.Report("/dest/d/b.bin", 100, 100), 90);
    EXPECT_EQ(progress.Report("/dest/empty", 0, 100), 90);
    EXPECT_EQ(progress.FilesCompleted(), 3);  // an empty file is whole at once
    EXPECT_EQ(progress.Report("/dest/c.bin", 0, 0), 90);
    EXPECT_EQ(progress.Report("/dest/c.bin", 100, 100), 100);
    EXPECT_EQ(progress.FilesCompleted(), 4);
}

TEST_F(SetProgressTest, UnknownFilesAndNoScanFallBack) {
    const SetScan scan = Scan();
    SetProgress progress(scan, "/dest/");
    EXPECT_EQ(progress.Report("/elsewhere/x", 100, 40), 0);
    EXPECT_EQ(progress.FilesCompleted(), 1);
    const SetScan none;
    SetProgress plain(none, "/dest/");
    EXPECT_EQ(plain.Report("/dest/a", 10, 70), 70);
    EXPECT_EQ(plain.Report("/dest/a", 10, 20), 20);
}

}  // namespace
}  // namespace kiv::test
