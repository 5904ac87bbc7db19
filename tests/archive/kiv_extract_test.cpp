// kiv-extract on written sets of up to 20 volumes: both formats, both namings, Unix- and
// Windows-made entries, compared with the source data and with unar's extraction.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/archive/support.h"
#include "tests/support/shell.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;
using fx::ArchiveFormat;
using fx::VolumeNaming;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// options: words put before the archive (already quoted for the shell).
ToolRun RunTool(const std::string& dir, const std::string& archive, const std::string& dest,
                const std::string& options = "") {
    const std::string out = dir + "/tool.out";
    const std::string err = dir + "/tool.err";
    const int status = RunShell(kToolEnvironment + ShellQuote(KIV_EXTRACT) + " " + options + " " +
                                ShellQuote(archive) + " " + ShellQuote(dest) + " > " +
                                ShellQuote(out) + " 2> " + ShellQuote(err));
    return {status, ReadFile(out), ReadFile(err)};
}

using SetParam = std::tuple<ArchiveFormat, VolumeNaming, std::uint32_t>;

class KivExtract : public ArchiveTest, public ::testing::WithParamInterface<SetParam> {
protected:
    std::vector<fx::FixtureEntry> Entries() const {
        const std::uint32_t host = std::get<2>(GetParam());
        const bool unix = host == 3;
        std::vector<fx::FixtureEntry> entries = {
            FolderEntry("docs", host),
            FileEntry("docs/readme.txt", "read me\n", host, unix ? 0100644 : 0x20),
            FileEntry("data/big.bin", Pattern(700 * 1024, 21), host, unix ? 0100755 : 0x20),
            FileEntry("empty", "", host, unix ? 0100600 : 0x20),
            FileEntry("last.bin", Pattern(300 * 1024, 22), host, unix ? 0100664 : 0x21),
        };
        return entries;
    }
};

TEST_P(KivExtract, ExtractsTwentyVolumesLikeUnar) {
    const auto [format, naming, host] = GetParam();
    const auto entries = Entries();
    const auto volumes =
        fx::WriteRarArchive(Path("set.rar"), entries, SetOptions(format, 52 * 1024, naming));
    ASSERT_EQ(volumes.size(), 20u);
    const auto before = Snapshot(volumes);
    const ToolRun run = RunTool(Dir(), volumes[0], Path("out"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("progress last.bin 100 100\n"), std::string::npos);
    for (const auto& e : entries) {
        if (e.directory) continue;
        EXPECT_TRUE(SameBytes(ReadFile(Path("out/") + e.name), e.data)) << e.name;
    }

    EXPECT_EQ(Snapshot(volumes), before);
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is missing";
    // unar does not follow RAR 5.0 sets named name.rar, name.r00, ...; the source data above is
    // the check there.
    if (format == ArchiveFormat::Rar5 && naming == VolumeNaming::Old) return;
    ASSERT_EQ(RunShell("unar -q -f -D -o " + ShellQuote(Path("unar")) + " " +
                       ShellQuote(volumes[0]) + " >/dev/null 2>&1"),
              0);
    EXPECT_EQ(ListFiles(Path("out")), ListFiles(Path("unar")));
    for (const std::string& name : ListFiles(Path("unar"))) {
        EXPECT_TRUE(SameBytes(ReadFile(Path("out/") + name), ReadFile(Path("unar/") + name)))
            << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, KivExtract,
    ::testing::Combine(::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                       ::testing::Values(VolumeNaming::Old, VolumeNaming::New),
                       ::testing::Values(2u, 3u)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == ArchiveFormat::Rar4 ? "Rar4" : "Rar5") +
               (std::get<1>(info.param) == VolumeNaming::Old ? "Old" : "New") +
               (std::get<2>(info.param) == 3 ? "Unix" : "Windows");
    });

TEST_F(ArchiveTest, KivExtractNamesAMissingVolumeAndFails) {
    const auto volumes =
        fx::WriteRarArchive(Path("set.rar"), {FileEntry("big", Pattern(300000, 23))},
                            SetOptions(ArchiveFormat::Rar4, 100000, VolumeNaming::Old));
    ASSERT_GE(volumes.size(), 3u);
    ASSERT_EQ(::unlink(volumes[2].c_str()), 0);
    const ToolRun run = RunTool(Dir(), volumes[0], Path("out"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing volume " + volumes[2] + "\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("error 25135: Broken multi-volume chain (big)"), std::string::npos)
        << run.err;
    EXPECT_TRUE(ListFiles(Path("out")).empty());
}

// Each entry that cannot be extracted says why, naming it; a link does not end the run, and
// names are printed so that they can neither forge a line nor reach the terminal as escapes.
TEST_F(ArchiveTest, KivExtractReportsEachFailureKindWithItsOwnMessage) {
    fx::FixtureEntry link = FileEntry("link", "target", 3, 0120777);
    // A RAR 5.0 compression algorithm the library does not know.
    fx::FixtureEntry packed = FileEntry("packed.bin", "data");
    packed.method = 0x33;
    packed.algorithm = 2;
    // An escape, a line break and the one-byte control sequence introducer (U+009B).
    const std::string crafted = "evil\x1b[2J\nerror 0: forged\xc2\x9b";
    fx::FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    const auto volumes =
        fx::WriteRarArchive(Path("set.rar"),
                            {FileEntry(crafted, "x"), link, FileEntry("docs/a.txt", "a"),
                             FileEntry("b.txt", "b"), packed},
                            options);
    ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
    WriteFile(Path("out/docs"), "a file where the folder belongs");
    ToolRun run = RunTool(Dir(), volumes[0], Path("out"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("progress evil\\x1B[2J\\x0Aerror 0: forged\\xC2\\x9B 100 "),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(run.out.find('\x9b'), std::string::npos);
    EXPECT_EQ(run.err,
              "error 26800: Skipped File: a link; links are not created (link)\n"
              "error 25150: Error creating dir: Not a directory (a.txt)\n");
    EXPECT_TRUE(Exists(Path("out/") + crafted));
    EXPECT_FALSE(Exists(Path("out/link")));

    ASSERT_EQ(::unlink(Path("out/docs").c_str()), 0);
    run = RunTool(Dir(), volumes[0], Path("out"));
    EXPECT_EQ(run.err,
              "error 26800: Skipped File: a link; links are not created (link)\n"
              "error 25326: Unsupported compression method (packed.bin)\n");
    EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"b.txt", "docs/a.txt", crafted}));
}

struct PasswordCase {
    const char* label;
    ArchiveFormat format;
    bool headersEncrypted;
    const char* option;  // what kiv-extract is given
    int status;
    const char* asked;   // the question lines on stdout
    const char* errors;  // stderr
};

class KivExtractPassword : public ArchiveTest,
                           public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(KivExtractPassword, AnswersTheQuestionWithTheGivenPassword) {
    const PasswordCase& c = GetParam();
    fx::FixtureEntry secret = FileEntry("secret.bin", Pattern(40000, 9));
    secret.password = "right one";
    fx::FixtureOptions options = SetOptions(c.format, 30 * 1024);
    options.kdfLog2 = 6;
    if (c.headersEncrypted) options.headerPassword = "right one";
    const auto volumes =
        fx::WriteRarArchive(Path("p.rar"), {FileEntry("plain.txt", "clear"), secret}, options);
    const ToolRun run = RunTool(Dir(), volumes[0], Path("out"), c.option);
    EXPECT_EQ(run.status, c.status) << run.err;
    std::string asked;
    for (std::size_t at = run.out.find("password "); at != std::string::npos;
         at = run.out.find("password ", at + 1)) {
        asked += run.out.substr(at, run.out.find('\n', at) - at + 1);
    }
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(run.err, c.errors);
    EXPECT_EQ(Exists(Path("out/secret.bin")), c.status == 0);
    if (c.status == 0) {
        EXPECT_TRUE(SameBytes(ReadFile(Path("out/secret.bin")), secret.data));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KivExtractPassword,
    ::testing::Values(
        PasswordCase{"Rar4Right", ArchiveFormat::Rar4, false, "--password 'right one'", 0,
                     "password secret.bin\n", ""},
        PasswordCase{"Rar4Wrong", ArchiveFormat::Rar4, false, "--password wrong", 1,
                     "password secret.bin\npassword secret.bin\npassword secret.bin\n",
                     "error 25151: File fails CRC check (secret.bin)\n"},
        PasswordCase{"Rar5Wrong", ArchiveFormat::Rar5, false, "--password wrong", 1,
                     "password secret.bin\npassword secret.bin\npassword secret.bin\n",
                     "error 26517: Invalid password (secret.bin)\n"},
        PasswordCase{"Rar5None", ArchiveFormat::Rar5, false, "", 1, "password secret.bin\n",
                     "error 26517: Invalid password (secret.bin)\n"},
        PasswordCase{"Rar4HeadersRight", ArchiveFormat::Rar4, true, "--password 'right one'", 0,
                     "password p.part1.rar\n", ""},
        PasswordCase{"Rar5HeadersRight", ArchiveFormat::Rar5, true, "--password 'right one'", 0,
                     "password p.part1.rar\n", ""},
        PasswordCase{"Rar5HeadersNone", ArchiveFormat::Rar5, true, "", 1, "password p.part1.rar\n",
                     "error 26517: Invalid password (p.part1.rar)\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ArchiveTest, KivExtractWithoutArgumentsShowsItsUsage) {
    EXPECT_EQ(RunShell(ShellQuote(KIV_EXTRACT) + " >/dev/null 2>&1"), 2);
}

}  // namespace
}  // namespace kiv::test
