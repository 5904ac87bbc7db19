// A solid RAR 2.9 run of PPM entries over several volumes, through the library: one model and one
// window serve the whole run, and entries passed over are still decoded for the ones after them.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/unrar/ppm_stream.h"
#include "tests/unrar/support.h"

namespace kiv::test {
namespace {

using fixture::FixtureEntry;
using fixture::FixtureOptions;

constexpr uint8_t kEscape = 2;

// Words in an order that repeats only loosely, so that the model has something to learn.
std::string Text(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"solid ", "volume ", "model ", "window ", "escape ",
                                         "block ", "entry ",  "range ", "order ",  "\n"};
    std::string text;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        text += kWords[(seed >> 16) % 10];
    }
    text.resize(size);
    return text;
}

class SolidPpmRun : public TempFolderTest {
protected:
    // Each entry is its own stretch of one PPM stream: the first restarts the model, the others
    // continue it; every entry ends with the end-of-file code. Entry 2 starts with a copy from
    // entry 0, which only a decoder that saw entry 0's bytes can make.
    std::vector<std::string> Write(const std::vector<std::string>& texts, uint64_t volumeSize) {
        PpmStreamWriter w;
        std::vector<FixtureEntry> entries;
        size_t done = 0;
        for (size_t i = 0; i < texts.size(); ++i) {
            if (i == 0) {
                w.StartRestartBlock(1, 6);
            } else {
                w.StartContinueBlock();
            }
            std::string data = texts[i];
            if (i == 2) {
                // Distance (3 bytes) + 2 and length (1 byte) + 32 to the start of entry 0.
                const uint32_t back = static_cast<uint32_t>(texts[0].size() + texts[1].size()) - 2;
                for (uint8_t b : {kEscape, uint8_t{4}, uint8_t(back >> 16), uint8_t(back >> 8),
                                  uint8_t(back), uint8_t{8}}) {
                    w.Put(b);
                }
                data = texts[0].substr(0, 40) + data;
            }
            for (char c : texts[i]) w.Put(static_cast<uint8_t>(c));
            w.Put(kEscape);
            w.Put(2);
            const std::string all = w.Finish();
            FixtureEntry e;
            e.name = "f" + std::to_string(i);
            e.data = data;
            e.packed = all.substr(done);
            done = all.size();
            e.method = 0x35;
            e.unpVer = 29;
            e.dictionary = 4;
            e.solid = i > 0;
            entries.push_back(e);
            m_expected.push_back(data);
            m_packed.push_back(e.packed);
        }
        FixtureOptions options;
        options.solid = true;
        options.volumeSize = volumeSize;
        return fixture::WriteRarArchive(Path("run.rar"), entries, options);
    }

    std::vector<std::string> m_expected;
    std::vector<std::string> m_packed;
};

TEST_F(SolidPpmRun, SkippedEntriesFeedTheModelAcrossVolumes) {
    const auto volumes = Write({Text(3000, 1), Text(2500, 2), Text(2000, 3), Text(1500, 4)}, 300);
    ASSERT_GT(volumes.size(), 3u);
    // Pass over the first two, or the first and third, and extract the rest.
    for (const std::vector<bool>& extract : {std::vector<bool>{false, false, true, true},
                                             std::vector<bool>{false, true, false, true}}) {
        Handle h = Open(volumes[0], RAR_OM_EXTRACT);
        RARHeaderData header{};
        for (size_t i = 0; i < extract.size(); ++i) {
            ASSERT_EQ(RARReadHeader(h.get(), &header), 0) << i;
            std::string dest = Path("out/" + std::string(header.FileName));
            const int operation = extract[i] ? RAR_EXTRACT : RAR_SKIP;
            ASSERT_EQ(
                RARProcessFile(h.get(), operation, nullptr, extract[i] ? dest.data() : nullptr), 0)
                << header.FileName;
            if (extract[i]) {
                EXPECT_TRUE(ReadFile(dest) == m_expected[i]) << header.FileName;
            } else {
                EXPECT_FALSE(Exists(dest)) << header.FileName;
            }
        }
        EXPECT_EQ(RARReadHeader(h.get(), &header), ERAR_END_ARCHIVE);
        std::filesystem::remove_all(Path("out"));
    }
}

TEST_F(SolidPpmRun, DamagedEntryFailsItsCheckAndTheRunStopsThere) {
    const auto volumes = Write({Text(3000, 1), Text(2500, 2), Text(2000, 3)}, 0);
    ASSERT_EQ(volumes.size(), 1u);
    // One byte inside the second entry's packed data: the model loses step with the archiver's.
    std::string bytes = ReadFile(volumes[0]);
    const size_t start = bytes.find(m_packed[1]);
    ASSERT_NE(start, std::string::npos);
    const size_t at = start + m_packed[1].size() / 2;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x10);
    WriteFile(volumes[0], bytes);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    std::vector<int> codes;
    while (RARReadHeader(h.get(), &header) == 0) {
        std::string dest = Path("out/" + std::string(header.FileName));
        codes.push_back(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()));
    }
    ASSERT_EQ(codes.size(), 3u);
    EXPECT_EQ(codes[0], 0);
    EXPECT_EQ(codes[1], ERAR_BAD_DATA);
    EXPECT_NE(codes[2], 0);  // built on what the damaged entry left
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{"f0"});
}

}  // namespace
}  // namespace kiv::test
