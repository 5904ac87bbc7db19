// The check of a release folder: file CRCs over chunk boundaries, every verdict, the summary,
// the headless report and its exit status, and the .nfo's lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "app/nfocrc/check_report.h"
#include "app/nfocrc/file_crc.h"
#include "app/nfocrc/release_check.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace kiv::nfocrc {
namespace {

using test::Pattern;
using test::WriteFile;

std::string Hex(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::uint32_t CrcOf(const std::string& bytes) {
    return Crc32(0, bytes.data(), bytes.size());
}

// What CheckFolder printed and returned.
struct Report {
    int status = -1;
    std::string out, err;
};

Report RunCheck(const std::string& folder) {
    Report report;
    char* outText = nullptr;
    char* errText = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* err = open_memstream(&errText, &errSize);
    report.status = CheckFolder(folder, out, err);
    std::fclose(out);
    std::fclose(err);
    report.out.assign(outText, outSize);
    report.err.assign(errText, errSize);
    std::free(outText);
    std::free(errText);
    return report;
}

TEST(NfocrcCrc32, MatchesTheCheckValueAndRunsOnInPieces) {
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    const std::string bytes = Pattern(100000, 7);
    const std::uint32_t whole = CrcOf(bytes);
    const std::uint32_t first = Crc32(0, bytes.data(), 33333);
    EXPECT_EQ(Crc32(first, bytes.data() + 33333, bytes.size() - 33333), whole);
}

class NfocrcFileCrc : public test::TempFolderTest {};

TEST_F(NfocrcFileCrc, ReadsEveryChunkOfAnyBufferSize) {
    const std::string bytes = Pattern(70001, 3);
    WriteFile(Path("f"), bytes);
    for (const std::size_t size : {std::size_t(1), std::size_t(7), std::size_t(4096),
                                   std::size_t(70001), std::size_t(1) << 20}) {
        std::vector<std::uint8_t> buffer(size);
        std::size_t seen = 0;
        const FileCrc crc = FileCrc32(Path("f"), buffer, [&](std::size_t n) { seen += n; }, {});
        EXPECT_EQ(crc.outcome, FileCrc::Outcome::Done) << size;
        EXPECT_EQ(crc.crc, CrcOf(bytes)) << size;
        EXPECT_EQ(seen, bytes.size()) << size;
    }
}

TEST_F(NfocrcFileCrc, TellsMissingFailedAndStoppedApart) {
    std::vector<std::uint8_t> buffer(16);
    EXPECT_EQ(FileCrc32(Path("none"), buffer, {}, {}).outcome, FileCrc::Outcome::Missing);
    EXPECT_EQ(FileCrc32(Path("none/deeper"), buffer, {}, {}).outcome, FileCrc::Outcome::Missing);
    test::TempFolder sub;
    const FileCrc folder = FileCrc32(sub.Path(), buffer, {}, {});
    EXPECT_EQ(folder.outcome, FileCrc::Outcome::Failed);
    EXPECT_NE(folder.error.find("not a regular file"), std::string::npos) << folder.error;
    // A FIFO would block an open for reading until a writer came.
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    const FileCrc fifo = FileCrc32(Path("fifo"), buffer, {}, {});
    EXPECT_EQ(fifo.outcome, FileCrc::Outcome::Failed);
    EXPECT_EQ(fifo.error, "not a regular file");
    WriteFile(Path("f"), Pattern(1000, 1));
    int asked = 0;
    const FileCrc stopped = FileCrc32(Path("f"), buffer, {}, [&] { return ++asked < 3; });
    EXPECT_EQ(stopped.outcome, FileCrc::Outcome::Stopped);
    EXPECT_EQ(asked, 3);
}

class NfocrcReleaseCheck : public test::TempFolderTest {
protected:
    // Writes `name` with `bytes` and returns its .sfv line.
    std::string Put(const std::string& name, const std::string& bytes) {
        WriteFile(Path(name), bytes);
        return name + " " + Hex(CrcOf(bytes)) + "\r\n";
    }
};

TEST_F(NfocrcReleaseCheck, GivesEveryFileItsVerdictAndExitStatus) {
    std::string sfv = "; release\r\n";
    sfv += Put("a.rar", Pattern(300000, 1));
    sfv += Put("with space.r00", Pattern(5000, 2));
    m_temp.MakeFolder("sub");
    sfv += Put("sub/c.bin", "");
    sfv += "bad.r01 " + Hex(CrcOf("right")) + "\r\n";
    WriteFile(Path("bad.r01"), "wrong");
    sfv += "gone.r02 12345678\r\n";
    WriteFile(Path("release.sfv"), sfv);

    const Report report = RunCheck(Dir());
    EXPECT_EQ(report.status, kNotAllOk);
    EXPECT_NE(report.out.find("OK       a.rar\n"), std::string::npos) << report.out;
    EXPECT_NE(report.out.find("OK       with space.r00\n"), std::string::npos);
    EXPECT_NE(report.out.find("OK       sub/c.bin\n"), std::string::npos);
    EXPECT_NE(report.out.find("BAD      bad.r01 (CRC-32 " + Hex(CrcOf("wrong")) + ", listed " +
                              Hex(CrcOf("right")) + ")"),
              std::string::npos);
    EXPECT_NE(report.out.find("MISSING  gone.r02\n"), std::string::npos);
    EXPECT_TRUE(report.out.ends_with("5 files: 3 OK, 1 bad, 1 missing\n")) << report.out;

    WriteFile(Path("bad.r01"), "right");
    WriteFile(Path("release.sfv"), sfv.substr(0, sfv.find("gone.r02")));
    const Report good = RunCheck(Dir());
    EXPECT_EQ(good.status, kAllOk) << good.out;
    EXPECT_TRUE(good.out.ends_with("4 files: 4 OK, 0 bad, 0 missing\n")) << good.out;
}

TEST_F(NfocrcReleaseCheck, ARefusedLineOrAnEscapeFailsTheCheck) {
    test::TempFolder outside;
    WriteFile(outside / "secret", "x");
    std::string sfv = Put("a", "a");
    sfv += "../" + std::string("secret ") + Hex(CrcOf("x")) + "\n";
    ASSERT_EQ(::symlink((outside / "secret").c_str(), Path("link").c_str()), 0);
    sfv += "link " + Hex(CrcOf("x")) + "\n";
    WriteFile(Path("r.sfv"), sfv);
    const Report report = RunCheck(Dir());
    EXPECT_EQ(report.status, kNotAllOk);
    EXPECT_NE(report.out.find("REFUSED  r.sfv line 2: '../secret' leads outside"),
              std::string::npos)
        << report.out;
    EXPECT_NE(report.out.find("UNREADABLE link: leads outside the release folder"),
              std::string::npos)
        << report.out;
    EXPECT_TRUE(
        report.out.ends_with("2 files: 1 OK, 0 bad, 0 missing, 1 unreadable, 1 line "
                             "refused\n"))
        << report.out;
}

TEST_F(NfocrcReleaseCheck, NothingToCheckIsNoSuccess) {
    EXPECT_EQ(RunCheck(Path("absent")).status, kCannotCheck);
    const Report none = RunCheck(Dir());
    EXPECT_EQ(none.status, kCannotCheck);
    EXPECT_NE(none.err.find("no .sfv file"), std::string::npos) << none.err;
    WriteFile(Path("empty.SFV"), "; nothing\r\n");
    const Report empty = RunCheck(Dir());
    EXPECT_EQ(empty.status, kCannotCheck);
    EXPECT_NE(empty.err.find("lists no file"), std::string::npos) << empty.err;
}

TEST_F(NfocrcReleaseCheck, SecondListsAddFilesButCheckEachOnce) {
    WriteFile(Path("a.sfv"), Put("x", "1"));
    WriteFile(Path("b.sfv"), Put("x", "1") + Put("y", "2"));
    const platform::Result<ReleaseFiles> release = FindReleaseFiles(Dir());
    ASSERT_TRUE(release.ok());
    EXPECT_EQ(release->sfvFiles, (std::vector<std::string>{"a.sfv", "b.sfv"}));
    const CheckList list = ReadCheckList(*release);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[1].name, "y");
    ASSERT_EQ(list.problems.size(), 1u);
    EXPECT_EQ(list.problems[0], "b.sfv line 1: 'x' is listed by an earlier .sfv already");
}

TEST_F(NfocrcReleaseCheck, ProgressCountsEveryByteAndAStopEndsEarly) {
    std::vector<SfvEntry> entries;
    for (int i = 0; i < 3; ++i) {
        const std::string bytes = Pattern(std::size_t(kChunkSize) + 17, std::uint32_t(i));
        WriteFile(Path("f" + std::to_string(i)), bytes);
        entries.push_back({"f" + std::to_string(i), CrcOf(bytes), i + 1});
    }
    entries.push_back({"missing", 0, 4});
    ReleaseCheck check(Dir(), entries);
    EXPECT_EQ(check.TotalBytes(), 3 * (std::uint64_t(kChunkSize) + 17));
    std::atomic<bool> stop{false};
    std::vector<Verdict> heard;
    check.Run(stop, [&](const FileResult& result) { heard.push_back(result.verdict); });
    EXPECT_EQ(heard,
              (std::vector<Verdict>{Verdict::Ok, Verdict::Ok, Verdict::Ok, Verdict::Missing}));
    EXPECT_EQ(check.BytesDone(), check.TotalBytes());
    EXPECT_EQ(check.Current(), entries.size());
    EXPECT_FALSE(check.Stopped());

    ReleaseCheck stopped(Dir(), entries);
    stop = true;
    stopped.Run(stop);
    EXPECT_TRUE(stopped.Stopped());
    EXPECT_TRUE(stopped.Results().empty());
    const Summary summary = Summarise(stopped.Results(), 0, true);
    EXPECT_FALSE(summary.AllOk());
    EXPECT_EQ(SummaryText(summary, entries.size()), "4 files: 0 OK, 0 bad, 0 missing (stopped)");
}

TEST_F(NfocrcReleaseCheck, NfoLinesComeFromCodePage437WithTabsExpanded) {
    WriteFile(Path("b.nfo"), "later");
    WriteFile(Path("A.NFO"), "\xC9\xCD\xBB\r\n\xBA\tx\r\n\r\nend");
    const platform::Result<ReleaseFiles> release = FindReleaseFiles(Dir());
    ASSERT_TRUE(release.ok());
    EXPECT_EQ(release->nfoFile, "A.NFO");
    EXPECT_EQ(ReadNfoLines(*release), (std::vector<std::string>{"╔═╗", "║       x", "", "end"}));
}

}  // namespace
}  // namespace kiv::nfocrc
