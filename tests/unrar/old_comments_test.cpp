// Comments as RAR 1.5-2.x keeps them, inside the main header and inside file headers, where the
// header's check value leaves them out: they are passed over and the entries extract as unar
// extracts them.
#include "tests/support/shell.h"
#include "tests/unrar/rar20_stream_writer.h"
#include "tests/unrar/support.h"

namespace kiv::test {
namespace {

using fixture::FixtureEntry;
using fixture::FixtureOptions;
using fixture::OldComment;
using fixture::VolumeNaming;

// RAR packs comments; a peer unpacks them whatever the method says. Literals alone will do.
OldComment Packed(const std::string& text) {
    rar20::StreamWriter w;
    w.LzTables(rar20::FullLzLengths());
    for (char c : text) w.Literal(static_cast<uint8_t>(c));
    const std::vector<uint8_t> bytes = w.Finish();
    return {text, std::string(bytes.begin(), bytes.end())};
}

struct CommentCase {
    const char* label;
    const char* archiveComment;
    bool fileComments;
    uint64_t volumeSize;
};

void PrintTo(const CommentCase& c, std::ostream* os) {
    *os << c.label;
}

class OldComments : public TempFolderTest, public ::testing::WithParamInterface<CommentCase> {
protected:
    std::vector<std::string> WriteArchive() {
        const CommentCase& c = GetParam();
        const char* names[] = {"readme.txt", "sub/data.bin", "last"};
        for (int i = 0; i < 3; ++i) {
            FixtureEntry e;
            e.name = names[i];
            e.data = Pattern(static_cast<size_t>(700 + 300 * i), static_cast<uint32_t>(i + 40));
            e.unpVer = 20;
            if (c.fileComments) e.comment = Packed("comment of " + e.name + "\r\n");
            m_entries.push_back(e);
        }
        FixtureOptions options;
        if (*c.archiveComment != '\0') options.archiveComment = Packed(c.archiveComment);
        options.volumeSize = c.volumeSize;
        options.naming = VolumeNaming::Old;
        options.endBlocks = false;
        return fixture::WriteRarArchive(Path("old.rar"), m_entries, options);
    }
    std::vector<FixtureEntry> m_entries;
};

TEST_P(OldComments, ArePassedOverAndEveryEntryExtracts) {
    const auto volumes = WriteArchive();
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    ASSERT_TRUE(h);
    RARSetChangeVolProc(h.get(), [](char*, int) { return 1; });
    RARHeaderData header{};
    size_t n = 0;
    int r = 0;
    while ((r = RARReadHeader(h.get(), &header)) == 0) {
        ASSERT_LT(n, m_entries.size());
        EXPECT_EQ(header.FileName, m_entries[n].name);
        const std::string dest = Path("ours/" + m_entries[n].name);
        EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, const_cast<char*>(dest.c_str())), 0)
            << dest;
        EXPECT_EQ(ReadFile(dest), m_entries[n].data);
        ++n;
    }
    EXPECT_EQ(r, ERAR_END_ARCHIVE);
    EXPECT_EQ(n, m_entries.size());
}

// A peer reads the same layout: the comments are no entries and no entry is lost to them.
TEST_P(OldComments, UnarExtractsTheSameEntries) {
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is not installed";
    const auto volumes = WriteArchive();
    const std::string out = Path("unar-out");
    const std::string command =
        "unar -q -f -D -o " + ShellQuote(out) + " " + ShellQuote(volumes[0]) + " >/dev/null 2>&1";
    ASSERT_EQ(RunShell(command), 0) << command;
    for (const FixtureEntry& e : m_entries) EXPECT_EQ(ReadFile(out + "/" + e.name), e.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OldComments,
    ::testing::Values(CommentCase{"ArchiveComment", "archive comment\r\n", false, 0},
                      CommentCase{"FileComments", "", true, 0},
                      CommentCase{"Both", "archive comment\r\n", true, 0},
                      CommentCase{"BothInOldVolumes", "archive comment\r\n", true, 900}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::test
