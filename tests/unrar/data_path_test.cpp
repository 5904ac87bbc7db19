// Compressed entries through the library's data path with a stand-in decoder: one decoder kept
// across the entries of a solid archive and across volumes, skipped solid entries decoded
// without being written, refusals with their own codes, checks before anything is kept.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "tests/unrar/support.h"
#include "unrar/archive.h"
#include "unrar/rar_error.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;

// A decoder whose output depends on everything decoded before it in a solid run: each byte is
// XORed with the low byte of its position in the run. A skipped entry that was not decoded
// shifts every later entry's bytes.
class RunningXorDecoder : public rar::Decoder {
public:
    struct Log {
        int calls = 0;
        std::vector<uint64_t> sizes;
        int breakOnCall = -1;  // throws ERAR_BAD_DATA halfway through this call
        uint64_t extra = 0;    // bytes written past the entry's size
    };
    explicit RunningXorDecoder(Log& log) : m_log(log) {}

    void Decode(rar::PackedInput& in, rar::UnpackedSink& out, const rar::DecodeParams& p) override {
        const int call = m_log.calls++;
        m_log.sizes.push_back(p.unpSize);
        if (!p.solid) m_position = 0;
        uint8_t buffer[3000];
        uint64_t left = p.unpSize;
        while (left > 0) {
            const size_t n = in.Read(buffer, std::min<uint64_t>(left, sizeof buffer));
            if (n == 0) throw rar::RarError(ERAR_BAD_DATA, "packed data ended early");
            if (call == m_log.breakOnCall && left < p.unpSize / 2) {
                throw rar::RarError(ERAR_BAD_DATA, "damaged stream");
            }
            for (size_t i = 0; i < n; ++i) buffer[i] ^= static_cast<uint8_t>(m_position++);
            out.Write(buffer, n);
            left -= n;
        }
        for (uint64_t i = 0; i < m_log.extra; ++i) out.Write(buffer, 1);
    }

    static std::string Pack(const std::string& data, uint64_t start) {
        std::string packed = data;
        for (size_t i = 0; i < packed.size(); ++i) packed[i] ^= static_cast<char>(start + i);
        return packed;
    }

private:
    Log& m_log;
    uint64_t m_position = 0;
};

class DataPathTest : public TempFolderTest, public ::testing::WithParamInterface<ArchiveFormat> {
protected:
    // Compressed entries of a solid run: each packed against the run's position so far.
    static std::vector<FixtureEntry> SolidRun(const std::vector<std::string>& contents) {
        std::vector<FixtureEntry> entries;
        uint64_t position = 0;
        for (size_t i = 0; i < contents.size(); ++i) {
            FixtureEntry e;
            e.name = "f" + std::to_string(i);
            e.data = contents[i];
            e.packed = RunningXorDecoder::Pack(contents[i], position);
            e.method = 0x33;
            e.solid = i > 0;
            position += contents[i].size();
            entries.push_back(e);
        }
        return entries;
    }
    void Open(const std::vector<FixtureEntry>& entries, bool solid, uint64_t volumeSize = 0) {
        FixtureOptions options;
        options.format = GetParam();
        options.solid = solid;
        options.volumeSize = volumeSize;
        m_volumes = fixture::WriteRarArchive(Path("s.rar"), entries, options);
        m_archive = std::make_unique<rar::Archive>(m_volumes[0], RAR_OM_EXTRACT);
        m_archive->SetDecoderFactory([this](const rar::DecodeParams& p) {
            m_params.push_back(p);
            return std::make_unique<RunningXorDecoder>(m_log);
        });
    }
    int Next() {
        RARHeaderData header{};
        const int rc = m_archive->ReadHeader(header);
        m_name = header.FileName;
        return rc;
    }
    int Extract() {
        const std::string dest = Path("out/" + m_name);
        return m_archive->ProcessFile(RAR_EXTRACT, Path("out").c_str(), dest.c_str());
    }

    std::vector<std::string> m_volumes;
    std::unique_ptr<rar::Archive> m_archive;
    RunningXorDecoder::Log m_log;
    std::vector<rar::DecodeParams> m_params;
    std::string m_name;
};

TEST_P(DataPathTest, SkippedSolidEntriesAreDecodedWithoutBeingWritten) {
    const std::vector<std::string> contents = {Pattern(5000, 1), Pattern(7000, 2), Pattern(9000, 3),
                                               Pattern(4000, 4)};
    // Small volumes: the run and its entries cross several volume boundaries.
    Open(SolidRun(contents), true, 4096);
    ASSERT_GT(m_volumes.size(), 4u);
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(m_archive->ProcessFile(RAR_SKIP, nullptr, nullptr), 0);
    ASSERT_EQ(Next(), 0);  // passed over by reading the next header
    ASSERT_EQ(Next(), 0);
    ASSERT_EQ(Extract(), 0);
    ASSERT_EQ(Next(), 0);
    ASSERT_EQ(Extract(), 0);
    EXPECT_EQ(Next(), ERAR_END_ARCHIVE);
    EXPECT_EQ(ListNames(Path("out")), (std::vector<std::string>{"f2", "f3"}));
    EXPECT_EQ(ReadFile(Path("out/f2")), contents[2]);
    EXPECT_EQ(ReadFile(Path("out/f3")), contents[3]);
    // One decoder served the whole run, with the declared window kept for the entries to come.
    ASSERT_EQ(m_params.size(), 1u);
    EXPECT_TRUE(m_params[0].solidArchive);
    EXPECT_EQ(m_log.calls, 4);
}

TEST_P(DataPathTest, SkippedEntriesOfANonSolidArchiveAreNotDecoded) {
    std::vector<FixtureEntry> entries = SolidRun({Pattern(3000, 5), Pattern(3000, 6)});
    entries[1].solid = false;
    entries[1].packed = RunningXorDecoder::Pack(entries[1].data, 0);
    Open(entries, false);
    ASSERT_EQ(Next(), 0);
    ASSERT_EQ(Next(), 0);
    ASSERT_EQ(Extract(), 0);
    EXPECT_EQ(ReadFile(Path("out/f1")), entries[1].data);
    EXPECT_EQ(m_log.calls, 1);
    EXPECT_FALSE(m_params.at(0).solidArchive);
}

TEST_P(DataPathTest, AnEntryWithoutADecoderIsRefusedAndTheWalkGoesOn) {
    std::vector<FixtureEntry> entries = SolidRun({Pattern(3000, 7)});
    FixtureEntry plain;
    plain.name = "plain";
    plain.data = "stored";
    entries.push_back(plain);
    Open(entries, false);
    m_archive->SetDecoderFactory([](const rar::DecodeParams&) { return nullptr; });
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Extract(), ERAR_UNKNOWN_FORMAT);
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{"plain"});
}

TEST_P(DataPathTest, ADamagedStreamFailsItsEntryAndTheSolidEntriesAfterIt) {
    const std::vector<std::string> contents = {Pattern(6000, 8), Pattern(6000, 9)};
    Open(SolidRun(contents), true, 4096);
    m_log.breakOnCall = 0;
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Extract(), ERAR_BAD_DATA);
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(m_name, "f1");
    EXPECT_EQ(Extract(), ERAR_BAD_DATA);
    EXPECT_EQ(Next(), ERAR_END_ARCHIVE);
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{});
}

TEST_P(DataPathTest, ALinkIsNotCreatedButItsDataKeepsTheSolidStream) {
    std::vector<FixtureEntry> entries = SolidRun({"target/of/the/link", Pattern(5000, 10)});
    entries[0].hostOs = 3;
    entries[0].attr = 0120777;
    Open(entries, true);
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Extract(), ERAR_EREFERENCE);
    ASSERT_EQ(Next(), 0);
    ASSERT_EQ(Extract(), 0);
    EXPECT_EQ(ReadFile(Path("out/f1")), entries[1].data);
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{"f1"});
}

TEST_P(DataPathTest, AnEntryThatCannotBeCreatedIsStillDecodedForTheNextOne) {
    const std::vector<std::string> contents = {Pattern(3000, 11), Pattern(3000, 12)};
    Open(SolidRun(contents), true);
    WriteFile(Path("out"), "a file where the folder should be");
    ASSERT_EQ(Next(), 0);
    errno = 0;
    EXPECT_EQ(Extract(), ERAR_ECREATE);
    EXPECT_EQ(errno, ENOTDIR);
    ::unlink(Path("out").c_str());
    ASSERT_EQ(Next(), 0);
    ASSERT_EQ(Extract(), 0);
    EXPECT_EQ(ReadFile(Path("out/f1")), contents[1]);
}

TEST_P(DataPathTest, MoreBytesThanTheEntrySizeAreDamage) {
    Open(SolidRun({Pattern(2000, 13)}), false);
    m_log.extra = 1;
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Extract(), ERAR_BAD_DATA);
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{});
}

TEST_P(DataPathTest, APartThatFailsItsCheckEndsTheEntry) {
    std::vector<FixtureEntry> entries = SolidRun({Pattern(12000, 14)});
    Open(entries, false, 4096);
    ASSERT_GE(m_volumes.size(), 3u);
    // One packed byte of the first part flipped: the part's own check finds it.
    std::string first = ReadFile(m_volumes[0]);
    const size_t at = first.find(entries[0].packed.substr(100, 32));
    ASSERT_NE(at, std::string::npos);
    first[at] ^= 1;
    WriteFile(m_volumes[0], first);
    m_archive = std::make_unique<rar::Archive>(m_volumes[0], RAR_OM_EXTRACT);
    m_archive->SetDecoderFactory(
        [this](const rar::DecodeParams&) { return std::make_unique<RunningXorDecoder>(m_log); });
    ASSERT_EQ(Next(), 0);
    EXPECT_EQ(Extract(), ERAR_BAD_DATA);
    EXPECT_EQ(Next(), ERAR_END_ARCHIVE);
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Formats, DataPathTest,
                         ::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

}  // namespace
}  // namespace kiv::test
