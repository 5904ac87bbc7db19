// Testing and extracting stored entries: checks, callbacks, modes, times and destination safety.
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>

#include "tests/unrar/support.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;

struct Chunks {
    std::vector<int> sizes;
    std::string data;
    int stopAfter = -1;  // answer 0 on this call (0-based)
};
Chunks g_chunks;

int RecordChunk(unsigned char* addr, int size) {
    g_chunks.sizes.push_back(size);
    g_chunks.data.append(reinterpret_cast<char*>(addr), static_cast<size_t>(size));
    return static_cast<int>(g_chunks.sizes.size()) - 1 == g_chunks.stopAfter ? 0 : 1;
}

class ExtractTest : public TempFolderTest, public ::testing::WithParamInterface<ArchiveFormat> {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        g_chunks = Chunks();
    }
    std::string Archive(const std::vector<FixtureEntry>& entries, uint64_t volumeSize = 0) {
        FixtureOptions options;
        options.format = GetParam();
        options.volumeSize = volumeSize;
        m_volumes = fixture::WriteRarArchive(Path("x.rar"), entries, options);
        return m_volumes[0];
    }
    // Opens the archive, reads the first header and processes it.
    int ProcessFirst(const std::string& archive, int op, const std::string& destPath,
                     const std::string& destName) {
        m_handle = Open(archive, RAR_OM_EXTRACT);
        if (!m_handle) return -1;
        RARSetProcessDataProc(m_handle.get(), RecordChunk);
        RARHeaderData header{};
        int rc = RARReadHeader(m_handle.get(), &header);
        if (rc != 0) return rc;
        std::string p = destPath, n = destName;
        return RARProcessFile(m_handle.get(), op, p.empty() ? nullptr : p.data(),
                              n.empty() ? nullptr : n.data());
    }
    // Flips one byte of the entry's data (found by its contents) in the first volume.
    void CorruptData(const std::string& needle) {
        std::string bytes = ReadFile(m_volumes[0]);
        size_t at = bytes.find(needle);
        ASSERT_NE(at, std::string::npos);
        bytes[at + needle.size() / 2] ^= 0x40;
        WriteFile(m_volumes[0], bytes);
    }
    static FixtureEntry Entry(const std::string& name, const std::string& data) {
        FixtureEntry e;
        e.name = name;
        e.data = data;
        return e;
    }
    std::vector<std::string> m_volumes;
    Handle m_handle;
};

TEST_P(ExtractTest, WritesTheDataAndReportsEveryChunkOfAtMostOneMebibyte) {
    const std::string data = Pattern(2500000, 5);
    std::string archive = Archive({Entry("big.bin", data)});
    std::string dest = Path("out/big.bin");
    ASSERT_EQ(ProcessFirst(archive, RAR_EXTRACT, Path("out/"), dest), 0);
    EXPECT_EQ(ReadFile(dest), data);
    EXPECT_EQ(g_chunks.data, data);
    ASSERT_GE(g_chunks.sizes.size(), 3u);
    for (int size : g_chunks.sizes) EXPECT_LE(size, 1 << 20);
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{"big.bin"});
}

TEST_P(ExtractTest, UsesTheStoredNameBelowDestPathWithoutDestName) {
    std::string archive = Archive({Entry("a/b/c.txt", "hello")});
    ASSERT_EQ(ProcessFirst(archive, RAR_EXTRACT, Path("out"), ""), 0);
    EXPECT_EQ(ReadFile(Path("out/a/b/c.txt")), "hello");
}

TEST_P(ExtractTest, TestVerifiesWithoutWriting) {
    std::string archive = Archive({Entry("t.txt", "some text")});
    EXPECT_EQ(ProcessFirst(archive, RAR_TEST, Path("out/"), Path("out/t.txt")), 0);
    EXPECT_EQ(g_chunks.data, "some text");
    EXPECT_FALSE(Exists(Path("out")));
}

TEST_P(ExtractTest, DataMismatchLeavesNothingAndKeepsTheExistingFile) {
    const std::string data = Pattern(5000, 7);
    std::string archive = Archive({Entry("f.bin", data)});
    CorruptData(data.substr(1000, 64));
    WriteFile(Path("f.bin"), "previous");
    EXPECT_EQ(ProcessFirst(archive, RAR_EXTRACT, Dir(), Path("f.bin")), ERAR_BAD_DATA);
    EXPECT_EQ(ReadFile(Path("f.bin")), "previous");
    EXPECT_EQ(ListNames(Dir()), (std::vector<std::string>{"f.bin", "x.rar"}));
}

TEST_P(ExtractTest, DataMismatchIsFoundByTestToo) {
    const std::string data = Pattern(5000, 8);
    std::string archive = Archive({Entry("f.bin", data)});
    CorruptData(data.substr(2000, 64));
    EXPECT_EQ(ProcessFirst(archive, RAR_TEST, "", ""), ERAR_BAD_DATA);
}

TEST_P(ExtractTest, StopFromTheDataCallbackLeavesNothing) {
    std::string archive = Archive({Entry("big.bin", Pattern(3000000, 2))});
    g_chunks.stopAfter = 1;
    EXPECT_EQ(ProcessFirst(archive, RAR_EXTRACT, Dir(), Path("big.bin")), ERAR_UNKNOWN);
    EXPECT_EQ(g_chunks.sizes.size(), 2u);
    EXPECT_EQ(ListNames(Dir()), std::vector<std::string>{"x.rar"});
}

TEST_P(ExtractTest, RefusesCompressedAndEncryptedEntriesAndGoesOn) {
    // A generation the library has no decoder for: RAR 1.3, or an unknown RAR 5.0 algorithm.
    FixtureEntry packed = Entry("packed", "not really packed");
    packed.method = 0x33;
    packed.unpVer = 13;
    packed.algorithm = 2;
    FixtureEntry locked = Entry("locked", "secret");
    locked.encrypted = true;
    std::string archive = Archive({packed, locked, Entry("plain", "ok")});
    Handle h = Open(archive, RAR_OM_EXTRACT);
    RARHeaderData header{};
    std::vector<int> codes;
    std::string dir = Dir();
    while (RARReadHeader(h.get(), &header) == 0) {
        std::string dest = Path(header.FileName);
        codes.push_back(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), dest.data()));
    }
    EXPECT_EQ(codes, (std::vector<int>{ERAR_UNKNOWN_FORMAT, ERAR_MISSING_PASSWORD, 0}));
    EXPECT_EQ(ListNames(Dir()), (std::vector<std::string>{"plain", "x.rar"}));
}

TEST_P(ExtractTest, AppliesUnixPermissionsWithoutSetIdOrStickyBits) {
    FixtureEntry e = Entry("tool", "#!/bin/sh\n");
    e.hostOs = 3;
    e.attr = 0107751;
    std::string archive = Archive({e});
    ASSERT_EQ(ProcessFirst(archive, RAR_EXTRACT, Dir(), Path("tool")), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(Path("tool").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0751u);
}

TEST_P(ExtractTest, ReadOnlyAttributeRemovesWritePermission) {
    FixtureEntry ro = Entry("ro", "r");
    ro.attr = 0x21;
    std::string archive = Archive({ro, Entry("rw", "w")});
    Handle h = Open(archive, RAR_OM_EXTRACT);
    RARHeaderData header{};
    std::string dir = Dir();
    while (RARReadHeader(h.get(), &header) == 0) {
        std::string dest = Path(header.FileName);
        ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), dest.data()), 0);
    }
    struct stat st {};
    ASSERT_EQ(::stat(Path("ro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    ASSERT_EQ(::stat(Path("rw").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0200, 0u);
}

TEST_P(ExtractTest, SetsTheModificationTime) {
    FixtureEntry e = Entry("dated", "d");
    e.mtime = 1234567890;  // even, so that the DOS form keeps it exactly
    std::string archive = Archive({e});
    ASSERT_EQ(ProcessFirst(archive, RAR_EXTRACT, Dir(), Path("dated")), 0);
    struct stat st {};
    ASSERT_EQ(::stat(Path("dated").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1234567890);
}

TEST_P(ExtractTest, ReplacesAnExistingReadOnlyFile) {
    std::string archive = Archive({Entry("f", "new")});
    WriteFile(Path("f"), "old");
    ::chmod(Path("f").c_str(), 0444);
    ASSERT_EQ(ProcessFirst(archive, RAR_EXTRACT, Dir(), Path("f")), 0);
    EXPECT_EQ(ReadFile(Path("f")), "new");
}

TEST_P(ExtractTest, SpanningEntryMismatchInALaterVolumeLeavesNothing) {
    const std::string data = Pattern(30000, 11);
    std::string archive = Archive({Entry("span", data)}, 8000);
    ASSERT_GE(m_volumes.size(), 4u);
    std::string last = ReadFile(m_volumes.back());
    last[last.size() - 20] ^= 1;  // inside the last part's data, before the end block
    WriteFile(m_volumes.back(), last);
    EXPECT_EQ(ProcessFirst(archive, RAR_EXTRACT, Dir(), Path("span")), ERAR_BAD_DATA);
    EXPECT_FALSE(Exists(Path("span")));
}

// A try that fails leaves the entry current, so the caller may process it again (the engine
// does, once per password) and succeed; whole in one volume or spread over several.
TEST_P(ExtractTest, AFailedTryCanBeRepeatedAndSucceed) {
    for (const uint64_t volumeSize : {uint64_t{0}, uint64_t{8000}}) {
        SCOPED_TRACE(volumeSize);
        const std::string data = Pattern(30000, 12);
        std::string archive = Archive({Entry("a.bin", data), Entry("b.txt", "b")}, volumeSize);
        ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
        std::string dir = Path("out/");
        std::string outside = Path("a.bin");
        ASSERT_EQ(ProcessFirst(archive, RAR_EXTRACT, dir, outside), ERAR_ECREATE);
        std::string inside = Path("out/a.bin");
        EXPECT_EQ(RARProcessFile(m_handle.get(), RAR_EXTRACT, dir.data(), inside.data()), 0);
        EXPECT_TRUE(SameBytes(ReadFile(inside), data));
        RARHeaderData header{};
        ASSERT_EQ(RARReadHeader(m_handle.get(), &header), 0);
        EXPECT_STREQ(header.FileName, "b.txt");
        EXPECT_EQ(RARReadHeader(m_handle.get(), &header), ERAR_END_ARCHIVE);
        m_handle.reset();
        for (const std::string& v : m_volumes) ::unlink(v.c_str());
        ::unlink(inside.c_str());
        ::rmdir(Path("out").c_str());
    }
}

TEST_P(ExtractTest, AnEncryptedEntryIsAnsweredAgainAfterAPasswordFailure) {
    FixtureEntry locked = Entry("locked", "secret");
    locked.encrypted = true;
    std::string archive = Archive({locked, Entry("plain", "ok")});
    std::string dir = Dir();
    const int first = ProcessFirst(archive, RAR_EXTRACT, dir, Path("locked"));
    EXPECT_EQ(first, ERAR_MISSING_PASSWORD);
    std::string dest = Path("locked");
    EXPECT_EQ(RARProcessFile(m_handle.get(), RAR_EXTRACT, dir.data(), dest.data()), first);
    char password[] = "guess";
    RARSetPassword(m_handle.get(), password);
    EXPECT_NE(RARProcessFile(m_handle.get(), RAR_EXTRACT, dir.data(), dest.data()), ERAR_UNKNOWN);
    EXPECT_FALSE(Exists(dest));
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(m_handle.get(), &header), 0);
    EXPECT_STREQ(header.FileName, "plain");
}

// Once the walk has left the volume where the entry's data begins, it cannot be read again.
TEST_P(ExtractTest, AFailureInALaterVolumeCannotBeRepeated) {
    std::string archive = Archive({Entry("span", Pattern(30000, 13))}, 8000);
    std::string last = ReadFile(m_volumes.back());
    last[last.size() - 20] ^= 1;
    WriteFile(m_volumes.back(), last);
    std::string dest = Path("span");
    std::string dir = Dir();
    ASSERT_EQ(ProcessFirst(archive, RAR_EXTRACT, dir, dest), ERAR_BAD_DATA);
    EXPECT_EQ(RARProcessFile(m_handle.get(), RAR_EXTRACT, dir.data(), dest.data()), ERAR_UNKNOWN);
    EXPECT_FALSE(Exists(dest));
    RARHeaderData header{};
    EXPECT_EQ(RARReadHeader(m_handle.get(), &header), ERAR_END_ARCHIVE);
}

struct UnsafeCase {
    const char* label;
    std::string destPath;  // relative to the test folder; "" for none
    std::string destName;
    std::string storedName;
};

class UnsafeDestinationTest : public TempFolderTest,
                              public ::testing::WithParamInterface<UnsafeCase> {};

TEST_P(UnsafeDestinationTest, IsRefusedAndNothingIsWritten) {
    const UnsafeCase& c = GetParam();
    ASSERT_EQ(::mkdir(Path("dest").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("outside").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(Path("outside").c_str(), Path("dest/link").c_str()), 0);
    ASSERT_EQ(::symlink(Path("outside/target").c_str(), Path("dest/filelink").c_str()), 0);
    FixtureEntry e;
    e.name = c.storedName;
    e.data = "payload";
    auto volumes = fixture::WriteRarArchive(Path("x.rar"), {e}, {});
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string path = c.destPath.empty() ? "" : Path(c.destPath);
    std::string name =
        c.destName.empty() ? "" : (c.destName[0] == '/' ? c.destName : Path(c.destName));
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, path.empty() ? nullptr : path.data(),
                             name.empty() ? nullptr : name.data()),
              ERAR_ECREATE);
    EXPECT_EQ(ListNames(Path("outside")), std::vector<std::string>{});
    EXPECT_FALSE(Exists(Path("escaped")));
    EXPECT_EQ(ListNames(Path("dest")), (std::vector<std::string>{"filelink", "link"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnsafeDestinationTest,
    ::testing::Values(UnsafeCase{"DotDotInDestName", "dest/", "dest/../escaped", "a"},
                      UnsafeCase{"DotDotInStoredName", "dest/", "", "../escaped"},
                      UnsafeCase{"DestNameOutsideDestPath", "dest/", "escaped", "a"},
                      UnsafeCase{"AbsoluteDestNameOutside", "dest/", "/tmp/kiv-escaped", "a"},
                      UnsafeCase{"ThroughLinkedFolder", "dest/", "dest/link/file", "a"},
                      UnsafeCase{"StoredNameThroughLink", "dest/", "", "link/file"},
                      UnsafeCase{"OntoASymbolicLink", "dest/", "dest/filelink", "a"},
                      UnsafeCase{"DotDotWithoutDestPath", "", "dest/../escaped", "a"}),
    [](const auto& info) { return std::string(info.param.label); });

class VolumeProtectionTest : public TempFolderTest {};

TEST_F(VolumeProtectionTest, NeverReplacesAVolumeOfTheSet) {
    auto volumes = fixture::WriteRarArchive(Path("v.rar"), {[] {
                                                FixtureEntry e;
                                                e.name = "v.rar";
                                                e.data = "would overwrite the archive";
                                                return e;
                                            }()},
                                            {});
    const std::string before = ReadFile(volumes[0]);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string dir = Dir();
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), volumes[0].data()), ERAR_ECREATE);
    EXPECT_EQ(ReadFile(volumes[0]), before);
    EXPECT_EQ(ListNames(Dir()), std::vector<std::string>{"v.rar"});
}

INSTANTIATE_TEST_SUITE_P(Formats, ExtractTest,
                         ::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

class Blake2Test : public TempFolderTest {};

TEST_F(Blake2Test, VerifiesBlake2spAndRefusesAMismatch) {
    FixtureEntry e;
    e.name = "h.bin";
    e.data = Pattern(70000, 21);
    e.blake2 = true;
    FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    auto volumes = fixture::WriteRarArchive(Path("b.rar"), {e}, options);
    {
        Handle h = Open(volumes[0], RAR_OM_EXTRACT);
        RARHeaderData header{};
        ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
        EXPECT_EQ(header.FileCRC, 0u);  // no CRC-32 stored
        std::string dir = Dir();
        std::string dest = Path("h.bin");
        ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), dest.data()), 0);
        EXPECT_EQ(ReadFile(dest), e.data);
    }
    std::string bytes = ReadFile(volumes[0]);
    size_t at = bytes.find(e.data.substr(30000, 32));
    ASSERT_NE(at, std::string::npos);
    bytes[at] ^= 0x01;
    WriteFile(volumes[0], bytes);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    EXPECT_EQ(RARProcessFile(h.get(), RAR_TEST, nullptr, nullptr), ERAR_BAD_DATA);
}

}  // namespace
}  // namespace kiv::test
