// What rarfixture writes, unar lists and extracts byte-identically: keeps the writer honest.
#include "tests/support/shell.h"
#include "tests/unrar/support.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;
using fixture::NameForm;
using fixture::VolumeNaming;

struct CrossCase {
    const char* label;
    ArchiveFormat format;
    VolumeNaming naming;
    uint64_t volumeSize;
    NameForm form;
    uint32_t host;
};

class UnarCrossCheck : public TempFolderTest, public ::testing::WithParamInterface<CrossCase> {};

TEST_P(UnarCrossCheck, ExtractsWhatTheWriterWrote) {
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is not installed";
    const CrossCase& c = GetParam();
    std::vector<FixtureEntry> entries;
    const char* names[] = {"plain.txt", "sub/deeper/n\xc3\xa4me.bin", "sub/empty", "zz"};
    size_t sizes[] = {1000, 40000, 0, 12345};
    for (int i = 0; i < 4; ++i) {
        FixtureEntry e;
        e.name = names[i];
        e.data = Pattern(sizes[i], static_cast<uint32_t>(i + 1));
        e.nameForm = c.form;
        e.hostOs = c.host;
        e.attr = c.host == 3 ? 0100644 : 0x20;
        entries.push_back(e);
    }
    FixtureOptions options;
    options.format = c.format;
    options.naming = c.naming;
    options.volumeSize = c.volumeSize;
    auto volumes = fixture::WriteRarArchive(Path("c.rar"), entries, options);
    const std::string out = Path("unar-out");
    const std::string command =
        "unar -q -f -D -o " + ShellQuote(out) + " " + ShellQuote(volumes[0]) + " >/dev/null 2>&1";
    ASSERT_EQ(RunShell(command), 0) << command;
    for (const FixtureEntry& e : entries) {
        EXPECT_EQ(ReadFile(out + "/" + e.name), e.data) << e.name;
    }
    // And our library agrees with it.
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    size_t n = 0;
    while (RARReadHeader(h.get(), &header) == 0) {
        const std::string dest = Path(std::string("ours/") + header.FileName);
        ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, const_cast<char*>(dest.c_str())),
                  0);
        EXPECT_EQ(ReadFile(dest), ReadFile(out + "/" + header.FileName));
        ++n;
    }
    EXPECT_EQ(n, entries.size());
}

INSTANTIATE_TEST_SUITE_P(Archives, UnarCrossCheck,
                         ::testing::Values(CrossCase{"Rar4Single", ArchiveFormat::Rar4,
                                                     VolumeNaming::New, 0, NameForm::Utf8, 2},
                                           CrossCase{"Rar4UnicodeForm", ArchiveFormat::Rar4,
                                                     VolumeNaming::New, 0, NameForm::Unicode, 3},
                                           CrossCase{"Rar4OldVolumes", ArchiveFormat::Rar4,
                                                     VolumeNaming::Old, 9000, NameForm::Utf8, 2},
                                           CrossCase{"Rar4NewVolumes", ArchiveFormat::Rar4,
                                                     VolumeNaming::New, 7000, NameForm::Unicode, 3},
                                           CrossCase{"Rar5Single", ArchiveFormat::Rar5,
                                                     VolumeNaming::New, 0, NameForm::Utf8, 3},
                                           CrossCase{"Rar5Volumes", ArchiveFormat::Rar5,
                                                     VolumeNaming::New, 6000, NameForm::Utf8, 2}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::test
