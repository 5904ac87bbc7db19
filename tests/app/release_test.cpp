// kiv.ini as the window reads it, the volume names and sizes of a set, and the texts the window
// shows about a run.
#include <gtest/gtest.h>

#include <fstream>

#include "app/frm_path.h"
#include "app/release_ini.h"
#include "app/release_set.h"
#include "app/run_report.h"
#include "tests/app/support.h"
#include "tests/support/temp_folder.h"

namespace kiv::test {
namespace {

struct IniRow {
    const char* name;
    const char* text;  // nullptr: no kiv.ini at all
    const char* release;
    const char* date;
    const char* disks;
    const char* firstDisk;
    const char* line5;
    const char* line6;
};

class ReleaseIni : public ::testing::TestWithParam<IniRow> {};

TEST_P(ReleaseIni, FillsEveryValueOrItsDefault) {
    const IniRow& row = GetParam();
    TempFolder folder;
    if (row.text != nullptr) std::ofstream(folder / "kiv.ini", std::ios::binary) << row.text;
    const ReleaseDescription release = ReadReleaseDescription(folder / "kiv.ini");
    EXPECT_EQ(release.release, row.release);
    EXPECT_EQ(release.date, row.date);
    EXPECT_EQ(release.disks, row.disks);
    EXPECT_EQ(release.firstDisk, row.firstDisk);
    EXPECT_EQ(release.infoLines[4], row.line5);
    EXPECT_EQ(release.infoLines[5], row.line6);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReleaseIni,
    ::testing::Values(
        IniRow{"Absent", nullptr, "[Release]", "[Date]", "[Disks] * [DiskSize]MB", "", "", ""},
        IniRow{"Full",
               "[KIV]\nFirstDisk=game.rar\nRelease=Game\nDate=1999\nDisks=3\nDiskSize=1.44\n"
               "InfoLine5=five\nInfoLine6=six\n",
               "Game", "1999", "3 * 1.44MB", "game.rar", "five", "six"},
        IniRow{"LineFiveMissing", "[KIV]\nInfoLine4=four\nInfoLine6=six\n", "[Release]", "[Date]",
               "[Disks] * [DiskSize]MB", "", "", "six"},
        IniRow{"EmptyValueIsNoDefault", "[KIV]\nRelease=\nDisks=15\nDiskSize=2.88\n", "", "[Date]",
               "15 * 2.88MB", "", "", ""},
        IniRow{"CaseBlanksAndQuotes", "[kiv]\r\n  release = \"Quoted Name\" \r\nDATE='x'\r\n",
               "Quoted Name", "x", "[Disks] * [DiskSize]MB", "", "", ""},
        IniRow{"OtherSectionOnly", "[Other]\nRelease=No\n", "[Release]", "[Date]",
               "[Disks] * [DiskSize]MB", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReleaseIniLimits, KeepsTwentyLinesAndCutsLongValues) {
    TempFolder folder;
    std::string text =
        "[KIV]\nInfoLine21=never\nInfoLine01=padded\nRelease=" + std::string(3000, 'r') + "\n";
    for (int n = 1; n <= 20; ++n)
        text += "InfoLine" + std::to_string(n) + "=L" + std::to_string(n) + "\n";
    std::ofstream(folder / "kiv.ini", std::ios::binary) << text;
    const ReleaseDescription release = ReadReleaseDescription(folder / "kiv.ini");
    EXPECT_EQ(release.release.size(), 2047u);
    EXPECT_EQ(release.infoLines.front(), "L1");
    EXPECT_EQ(release.infoLines.back(), "L20");
}

TEST(VolumeNames, FollowBothNamingSchemes) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"/r/set.rar", "/r/set.r00"},
        {"/r/set.r00", "/r/set.r01"},
        {"/r/set.r09", "/r/set.r10"},
        {"/r/set.r99", "/r/set.s00"},
        {"/r/SET.RAR", "/r/SET.R00"},
        {"/r/set.part1.rar", "/r/set.part2.rar"},
        {"/r/set.part09.rar", "/r/set.part10.rar"},
        {"/r/set.part99.rar", "/r/set.part100.rar"},
        {"/r/set.001", "/r/set.002"},
        {"/r/set.999", ""},
        {"/r/set.z99", ""},
        {"/r.d/set", ""},
        {"/r/set.txt", ""},
    };
    for (const auto& [volume, next] : rows) EXPECT_EQ(NextVolumeName(volume), next) << volume;
}

TEST(StoredNames, BecomeRelativeWithSlashes) {
    EXPECT_EQ(RelativeStoredName("dir\\sub\\a.txt"), "dir/sub/a.txt");
    EXPECT_EQ(RelativeStoredName("C:\\a.txt"), "a.txt");
    EXPECT_EQ(RelativeStoredName("//abs/a.txt"), "abs/a.txt");
    EXPECT_EQ(RelativeStoredName("a:b"), "b");
    EXPECT_EQ(RelativeStoredName("ab:c"), "ab:c");
}

class SetScanTest : public ReleaseTest {};

TEST_F(SetScanTest, SumsEveryFileOfEveryVolume) {
    const auto volumes = WriteSet({File("a.bin", Pattern(50000, 1)),
                                   File("d/b.bin", Pattern(70000, 2)), File("c.txt", "small")},
                                  40000);
    ASSERT_GE(volumes.size(), 3u);
    const SetScan scan = ScanReleaseSet(volumes.front());
    EXPECT_TRUE(scan.complete);
    EXPECT_EQ(scan.volumes, int(volumes.size()));
    ASSERT_EQ(scan.files.size(), 3u);
    EXPECT_EQ(scan.files[1].name, "d/b.bin");
    EXPECT_EQ(scan.unpackedTotal, 50000u + 70000u + 5u);
    EXPECT_EQ(scan.SizeOf("d/b.bin"), 70000u);
    EXPECT_EQ(scan.SizeOf("missing"), 0u);
}

TEST_F(SetScanTest, StopsAtAMissingOrForeignVolume) {
    const auto volumes =
        WriteSet({File("a.bin", Pattern(50000, 1)), File("b.bin", Pattern(70000, 2))}, 40000);
    ASSERT_GE(volumes.size(), 3u);
    std::ofstream(volumes[2], std::ios::binary | std::ios::trunc) << "not a RAR volume";
    const SetScan cut = ScanReleaseSet(volumes.front());
    EXPECT_EQ(cut.volumes, 2);
    std::remove(volumes[1].c_str());
    const SetScan first = ScanReleaseSet(volumes.front());
    EXPECT_EQ(first.volumes, 1);
    ASSERT_EQ(first.files.size(), 1u);
    EXPECT_EQ(first.unpackedTotal, 50000u);
}

TEST(Failures, ListTheFirstTwentyAndCountTheRest) {
    FailureList one;
    one.Add("a.txt", "File fails CRC check");
    EXPECT_NE(one.Text().find("1 problem was reported"), std::string::npos);
    EXPECT_NE(one.Text().find("\na.txt: File fails CRC check"), std::string::npos);
    EXPECT_TRUE(one.Names("/dest/dir/a.txt"));
    EXPECT_FALSE(one.Names("/dest/b.txt"));

    FailureList many;
    for (int i = 1; i <= 25; ++i) many.Add("f" + std::to_string(i), "bad");
    const std::string text = many.Text();
    EXPECT_NE(text.find("25 problems were reported"), std::string::npos);
    EXPECT_NE(text.find("\nf20: bad"), std::string::npos);
    EXPECT_EQ(text.find("\nf21: bad"), std::string::npos);
    EXPECT_NE(text.find("... and 5 more."), std::string::npos);
}

TEST(Texts, SizesAndQuestionsSayTheNumbers) {
    EXPECT_EQ(FormatBytes(0), "0 bytes");
    EXPECT_EQ(FormatBytes(1), "1 byte");
    EXPECT_EQ(FormatBytes(1023), "1023 bytes");
    EXPECT_EQ(FormatBytes(1536), "1.5 KiB");
    EXPECT_EQ(FormatBytes(5ull << 30), "5.0 GiB");
    EXPECT_EQ(SpaceQuestion(3 << 20, 1 << 20, "/mnt/games"),
              "The release needs 3.0 MiB but only 1.0 MiB are free for /mnt/games.\n\n"
              "Extract it anyway?");
    EXPECT_NE(StoppedText(2, 5, "/x/").find("2 of 5 files were extracted to /x/"),
              std::string::npos);
}

TEST(NewFolder, JoinsTheNameToTheListsFolder) {
    EXPECT_EQ(NewFolderPath("/", "Game"), "/Game");
    EXPECT_EQ(NewFolderPath("/tmp", "Game"), "/tmp/Game");
    EXPECT_EQ(NewFolderPath("/tmp", "a/b"), "/tmp/a/b");
}

}  // namespace
}  // namespace kiv::test
