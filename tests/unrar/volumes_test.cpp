// Volume sets: name proposals, the change-volume callback, missing and wrong volumes.
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "tests/unrar/support.h"
#include "unrar/volume_name.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;
using fixture::VolumeNaming;

struct NameStep {
    const char* from;
    const char* next;
    bool newScheme;
};

class VolumeNameTest : public ::testing::TestWithParam<NameStep> {};

TEST_P(VolumeNameTest, ProposesTheFollowingVolume) {
    const NameStep& s = GetParam();
    EXPECT_EQ(s.newScheme ? rar::NextVolumeNameNew(s.from) : rar::NextVolumeNameOld(s.from),
              s.next);
}

INSTANTIATE_TEST_SUITE_P(Steps, VolumeNameTest,
                         ::testing::Values(NameStep{"d/name.rar", "d/name.r00", false},
                                           NameStep{"d/name.r00", "d/name.r01", false},
                                           NameStep{"d/name.r09", "d/name.r10", false},
                                           NameStep{"d/name.r99", "d/name.s00", false},
                                           NameStep{"D/NAME.RAR", "D/NAME.R00", false},
                                           NameStep{"name.001", "name.002", false},
                                           NameStep{"x.y/name", "x.y/name.r00", false},
                                           NameStep{"name.part1.rar", "name.part2.rar", true},
                                           NameStep{"name.part9.rar", "name.part10.rar", true},
                                           NameStep{"name.part09.rar", "name.part10.rar", true},
                                           NameStep{"name.part0099.rar", "name.part0100.rar", true},
                                           NameStep{"v2/name.rar", "v2/name.r00", true}));

// The callbacks carry no context, so the recorder is per test and reset in SetUp.
struct Recorder {
    std::vector<std::pair<std::string, int>> calls;
    std::string replacement;  // written into the buffer on RAR_VOL_ASK when not empty
    std::map<std::string, std::string> renames;  // names the callback replaces, in both modes
    int askAnswer = 1;
    int notifyAnswer = 1;
};
Recorder g_recorder;

int RecordVolume(char* name, int mode) {
    g_recorder.calls.emplace_back(name, mode);
    const auto rename = g_recorder.renames.find(name);
    if (rename != g_recorder.renames.end()) std::strcpy(name, rename->second.c_str());
    if (mode == RAR_VOL_ASK) {
        if (!g_recorder.replacement.empty()) std::strcpy(name, g_recorder.replacement.c_str());
        return g_recorder.askAnswer;
    }
    return g_recorder.notifyAnswer;
}

struct SetCase {
    const char* label;
    ArchiveFormat format;
    VolumeNaming naming;
};

class VolumeSetTest : public TempFolderTest, public ::testing::WithParamInterface<SetCase> {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        g_recorder = Recorder();
    }
    std::vector<std::string> MakeSet(const std::string& base, uint32_t seed = 1) {
        m_entries.clear();
        for (int i = 0; i < 4; ++i) {
            FixtureEntry e;
            e.name = "e" + std::to_string(i) + ".bin";
            e.data = Pattern(static_cast<size_t>(9000 + 3000 * i), seed + static_cast<uint32_t>(i));
            m_entries.push_back(e);
        }
        FixtureOptions options;
        options.format = GetParam().format;
        options.naming = GetParam().naming;
        options.volumeSize = 8000;
        return fixture::WriteRarArchive(Path(base), m_entries, options);
    }
    std::vector<FixtureEntry> m_entries;
};

TEST_P(VolumeSetTest, ListsEachFileOnceAndNotifiesEveryVolume) {
    auto volumes = MakeSet("set.rar");
    ASSERT_GE(volumes.size(), 6u);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    ASSERT_TRUE(h);
    RARSetChangeVolProc(h.get(), RecordVolume);
    int end = 0;
    auto listed = ListAll(h.get(), &end);
    EXPECT_EQ(end, ERAR_END_ARCHIVE);
    ASSERT_EQ(listed.size(), m_entries.size());
    for (size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i].fileName, m_entries[i].name);
    ASSERT_EQ(g_recorder.calls.size(), volumes.size() - 1);
    for (size_t i = 0; i + 1 < volumes.size(); ++i) {
        EXPECT_EQ(g_recorder.calls[i].first, volumes[i + 1]);
        EXPECT_EQ(g_recorder.calls[i].second, RAR_VOL_NOTIFY);
    }
}

TEST_P(VolumeSetTest, ExtractsSpanningEntriesByteIdentically) {
    auto volumes = MakeSet("set.rar");
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    size_t n = 0;
    while (RARReadHeader(h.get(), &header) == 0) {
        std::string dest = Path(std::string("out/") + header.FileName);
        ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()), 0) << dest;
        EXPECT_EQ(ReadFile(dest), m_entries[n].data);
        ++n;
    }
    EXPECT_EQ(n, m_entries.size());
}

TEST_P(VolumeSetTest, ListsEveryPartInSplitListMode) {
    auto volumes = MakeSet("set.rar");
    Handle h = Open(volumes[0], RAR_OM_LIST_INCSPLIT);
    int end = 0;
    auto listed = ListAll(h.get(), &end);
    EXPECT_EQ(end, ERAR_END_ARCHIVE);
    size_t continued = 0;
    for (const Listed& l : listed) continued += (l.header.Flags & 0x01) ? 1 : 0;
    EXPECT_EQ(listed.size(), m_entries.size() + continued);
    EXPECT_GE(continued, volumes.size() - 1);
}

TEST_P(VolumeSetTest, MissingVolumeWithoutCallbackIsAnOpenError) {
    auto volumes = MakeSet("set.rar");
    ASSERT_EQ(::unlink(volumes[2].c_str()), 0);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    int end = 0;
    auto listed = ListAll(h.get(), &end);
    EXPECT_EQ(end, ERAR_EOPEN);
    EXPECT_LT(listed.size(), m_entries.size());
}

TEST_P(VolumeSetTest, AskedCallbackMayNameTheMovedVolume) {
    auto volumes = MakeSet("set.rar");
    const std::string moved = Path("elsewhere.rar");
    ASSERT_EQ(::rename(volumes.back().c_str(), moved.c_str()), 0);
    g_recorder.replacement = moved;
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARSetChangeVolProc(h.get(), RecordVolume);
    int end = 0;
    auto listed = ListAll(h.get(), &end, RAR_TEST);
    EXPECT_EQ(end, ERAR_END_ARCHIVE);
    EXPECT_EQ(listed.size(), m_entries.size());
    const size_t n = volumes.size();
    ASSERT_EQ(g_recorder.calls.size(), n);
    EXPECT_EQ(g_recorder.calls[n - 2], std::make_pair(volumes.back(), RAR_VOL_ASK));
    EXPECT_EQ(g_recorder.calls[n - 1], std::make_pair(moved, RAR_VOL_NOTIFY));
}

// The proposed second volume exists but is damaged; told of it, the callback names a good copy
// in another folder, and once the volume after the copy is missing there, the set's own third.
TEST_P(VolumeSetTest, NotifiedCallbackMayNameAnotherFileWhichIsRead) {
    auto volumes = MakeSet("set.rar");
    ASSERT_EQ(::mkdir(Path("moved").c_str(), 0755), 0);
    const std::string copy = Path("moved/") + std::filesystem::path(volumes[1]).filename().string();
    const std::string afterCopy =
        Path("moved/") + std::filesystem::path(volumes[2]).filename().string();
    WriteFile(copy, ReadFile(volumes[1]));
    std::string damaged = ReadFile(volumes[1]);
    damaged[damaged.size() / 2] ^= 0x55;
    WriteFile(volumes[1], damaged);
    g_recorder.renames = {{volumes[1], copy}, {afterCopy, volumes[2]}};
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARSetChangeVolProc(h.get(), RecordVolume);
    RARHeaderData header{};
    size_t n = 0;
    while (RARReadHeader(h.get(), &header) == 0) {
        std::string dest = Path(std::string("out/") + header.FileName);
        ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()), 0) << dest;
        EXPECT_EQ(ReadFile(dest), m_entries[n].data);
        ++n;
    }
    EXPECT_EQ(n, m_entries.size());
    ASSERT_GE(g_recorder.calls.size(), 3u);
    EXPECT_EQ(g_recorder.calls[0], std::make_pair(volumes[1], RAR_VOL_NOTIFY));
    EXPECT_EQ(g_recorder.calls[1], std::make_pair(afterCopy, RAR_VOL_ASK));
    EXPECT_EQ(g_recorder.calls[2], std::make_pair(volumes[2], RAR_VOL_NOTIFY));
    EXPECT_EQ(g_recorder.calls.size(), volumes.size());
}

TEST_P(VolumeSetTest, ANotifiedNameThatIsMissingEndsWithAnOpenError) {
    auto volumes = MakeSet("set.rar");
    g_recorder.renames = {{volumes[1], Path("no-such-volume")}};
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARSetChangeVolProc(h.get(), RecordVolume);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string dest = Path("first");
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()), ERAR_EOPEN);
    EXPECT_FALSE(Exists(dest));
}

TEST_P(VolumeSetTest, StopFromTheAskingCallbackEndsWithAnOpenErrorAndNoFile) {
    auto volumes = MakeSet("set.rar");
    ASSERT_EQ(::unlink(volumes[1].c_str()), 0);
    g_recorder.askAnswer = 0;
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARSetChangeVolProc(h.get(), RecordVolume);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string dest = Path("out/first");
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()), ERAR_EOPEN);
    EXPECT_FALSE(Exists(dest));
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{});
    EXPECT_EQ(RARReadHeader(h.get(), &header), ERAR_EOPEN);
}

TEST_P(VolumeSetTest, StopFromTheNotifyingCallbackEndsTheEntry) {
    auto volumes = MakeSet("set.rar");
    g_recorder.notifyAnswer = 0;
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARSetChangeVolProc(h.get(), RecordVolume);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    EXPECT_EQ(RARProcessFile(h.get(), RAR_TEST, nullptr, nullptr), ERAR_EOPEN);
    ASSERT_EQ(g_recorder.calls.size(), 1u);
    EXPECT_EQ(g_recorder.calls[0].second, RAR_VOL_NOTIFY);
}

TEST_P(VolumeSetTest, VolumeOfAnotherSetIsRefused) {
    auto volumes = MakeSet("set.rar", 1);
    // Same layout, different names: the continued entry's name does not match.
    std::vector<FixtureEntry> other = m_entries;
    for (auto& e : other) e.name = "other-" + e.name;
    FixtureOptions options;
    options.format = GetParam().format;
    options.naming = GetParam().naming;
    options.volumeSize = 8000;
    auto foreign = fixture::WriteRarArchive(Path("foreign.rar"), other, options);
    ASSERT_EQ(::rename(foreign[1].c_str(), volumes[1].c_str()), 0);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string dest = Path("first");
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()), ERAR_BAD_DATA);
    EXPECT_FALSE(Exists(dest));
}

TEST_P(VolumeSetTest, FirstVolumeInPlaceOfTheSecondIsRefused) {
    auto volumes = MakeSet("set.rar");
    WriteFile(volumes[1], ReadFile(volumes[0]));
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    int end = 0;
    ListAll(h.get(), &end, RAR_TEST);
    EXPECT_EQ(end, ERAR_BAD_DATA);
}

TEST_P(VolumeSetTest, SkippingWalksTheVolumesAndLeavesThemUnchanged) {
    auto volumes = MakeSet("set.rar");
    const std::vector<std::string> before = Snapshot(volumes);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARSetChangeVolProc(h.get(), RecordVolume);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    ASSERT_EQ(RARProcessFile(h.get(), RAR_SKIP, nullptr, nullptr), 0);
    EXPECT_FALSE(g_recorder.calls.empty());
    int end = 0;
    ListAll(h.get(), &end, RAR_EXTRACT);
    h.reset();
    for (size_t i = 0; i < volumes.size(); ++i) EXPECT_EQ(ReadFile(volumes[i]), before[i]);
}

TEST_P(VolumeSetTest, OpeningALaterVolumePassesOverTheContinuedEntry) {
    auto volumes = MakeSet("set.rar");
    Handle h = Open(volumes[1], RAR_OM_EXTRACT);
    ASSERT_TRUE(h);
    int end = 0;
    auto listed = ListAll(h.get(), &end);
    EXPECT_EQ(end, ERAR_END_ARCHIVE);
    for (const Listed& l : listed) EXPECT_NE(l.fileName, m_entries[0].name);
    EXPECT_FALSE(listed.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sets, VolumeSetTest,
    ::testing::Values(SetCase{"Rar4New", ArchiveFormat::Rar4, VolumeNaming::New},
                      SetCase{"Rar4Old", ArchiveFormat::Rar4, VolumeNaming::Old},
                      SetCase{"Rar5New", ArchiveFormat::Rar5, VolumeNaming::New}),
    [](const auto& info) { return std::string(info.param.label); });

class OldSetTest : public TempFolderTest {};

TEST_F(OldSetTest, FollowsVolumesWithoutEndBlocks) {
    std::vector<FixtureEntry> entries(2);
    entries[0].name = "a";
    entries[0].data = Pattern(20000, 3);
    entries[1].name = "b";
    entries[1].data = Pattern(100, 4);
    FixtureOptions options;
    options.naming = VolumeNaming::Old;
    options.volumeSize = 6000;
    options.endBlocks = false;
    auto volumes = fixture::WriteRarArchive(Path("old.rar"), entries, options);
    ASSERT_GE(volumes.size(), 4u);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    int end = 0;
    auto listed = ListAll(h.get(), &end, RAR_TEST);
    EXPECT_EQ(end, ERAR_END_ARCHIVE);
    EXPECT_EQ(listed.size(), 2u);
}

TEST_F(OldSetTest, MoreThanAHundredOldStyleVolumes) {
    FixtureEntry e;
    e.name = "big";
    e.data = Pattern(150 * 200, 9);
    FixtureOptions options;
    options.naming = VolumeNaming::Old;
    options.volumeSize = 260;
    auto volumes = fixture::WriteRarArchive(Path("many.rar"), {e}, options);
    ASSERT_GT(volumes.size(), 101u);
    EXPECT_EQ(volumes[101], Path("many.s00"));
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string dest = Path("big");
    ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()), 0);
    EXPECT_EQ(ReadFile(dest), e.data);
}

}  // namespace
}  // namespace kiv::test
