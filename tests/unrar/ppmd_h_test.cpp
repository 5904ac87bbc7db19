// The PPMd variant H decoder: RAR's own PPM data from the corpus, streams our model wrote and the
// peer reads back, model restarts and continued blocks, and damaged input.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/support/shell.h"
#include "tests/unrar/ppm_stream.h"
#include "tests/unrar/support.h"
#include "unrar/bit_input.h"
#include "unrar/rar_error.h"

namespace kiv::test {
namespace {

using rar::PpmdDecoder;
using rar::RarError;

// Words of random syllables with numbers and punctuation: text that keeps a model busy and, at
// a few hundred kilobytes, fills a 1 MiB model several times over.
std::string Words(size_t size, uint32_t seed) {
    static const char* const kSyllables[] = {"ka", "lo", "mi", "ne",  "ru",  "sta",
                                             "pe", "qu", "xi", "zo",  "ber", "da",
                                             "el", "fi", "go", "hun", "is",  "jo"};
    static const char* const kBreaks[] = {" ", ", ", ".\n"};
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < size) {
        for (unsigned i = rng() % 5 + 1; i > 0; --i) out += kSyllables[rng() % 18];
        if (rng() % 7 == 0) out += std::to_string(rng() % 100000);
        out += kBreaks[rng() % 3];
    }
    out.resize(size);
    return out;
}

struct StreamShape {
    const char* name;
    unsigned memoryMiB;
    unsigned order;
    unsigned blocks;  // the later ones continue the model
    int escape;       // set by the first block; -1 keeps the default
    size_t size;
};

void PrintTo(const StreamShape& shape, std::ostream* os) {
    *os << shape.name;
}

// Writes text as one entry: the blocks, the escape codes RAR uses for a literal escape
// character, a block change and the end of the file.
std::string Compress(const std::string& text, const StreamShape& shape, uint64_t* restarts) {
    PpmStreamWriter writer;
    writer.StartRestartBlock(shape.memoryMiB, shape.order, shape.escape);
    const auto escape = static_cast<uint8_t>(shape.escape < 0 ? 2 : shape.escape);
    const size_t perBlock = text.size() / shape.blocks + 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i != 0 && i % perBlock == 0) {
            writer.Put(escape);
            writer.Put(0);
            writer.StartContinueBlock();
        }
        const auto c = static_cast<uint8_t>(text[i]);
        writer.Put(c);
        if (c == escape) writer.Put(1);
    }
    writer.Put(escape);
    writer.Put(2);
    if (restarts) *restarts = writer.Model().MemoryRestarts();
    return writer.Finish();
}

PpmResult Decode(std::string_view packed, uint64_t size) {
    PpmdDecoder decoder;
    std::string window;
    return ReadPpmEntry(decoder, packed, size, window);
}

class PpmdStreams : public ::testing::TestWithParam<StreamShape> {};

TEST_P(PpmdStreams, DecodeWhatOurModelWrote) {
    const StreamShape& shape = GetParam();
    const std::string text = Words(shape.size, shape.order);
    uint64_t restarts = 0;
    const std::string packed = Compress(text, shape, &restarts);
    // No size limit: the end-of-file code must end it.
    const PpmResult result = Decode(packed, UINT64_MAX);
    EXPECT_EQ(result.end, PpmEnd::EndOfFile);
    EXPECT_EQ(result.blocks, shape.blocks);
    EXPECT_TRUE(SameBytes(result.data, text));
    if (shape.memoryMiB == 1 && shape.size > 300000) {
        EXPECT_GT(restarts, 2u) << "the model never ran out of memory; the case tests nothing";
    }
}

// What unar makes of the same streams in a RAR 2.9 archive: a second, independent model that
// must agree symbol for symbol, restarts and continued blocks included.
TEST_P(PpmdStreams, PeerReadsWhatOurModelWrote) {
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is needed";
    const StreamShape& shape = GetParam();
    const std::string text = Words(shape.size, shape.order);
    TempFolder work;
    WriteFile(work / "in.rar", WrapInRar29("out.txt", Compress(text, shape, nullptr), text));
    ASSERT_EQ(RunShell("unar -q -f -o " + ShellQuote(work.Path()) + " " +
                       ShellQuote(work / "in.rar") + " >/dev/null 2>&1"),
              0);
    EXPECT_TRUE(SameBytes(ReadFile(work / "out.txt"), text));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PpmdStreams,
    ::testing::Values(StreamShape{"Order2", 1, 2, 1, -1, 60000},
                      StreamShape{"Order6RestartsOften", 1, 6, 1, -1, 400000},
                      StreamShape{"Order16ThreeBlocks", 1, 16, 3, -1, 400000},
                      StreamShape{"Order19", 2, 19, 1, -1, 100000},
                      StreamShape{"Order64EscapeSetOnce", 1, 64, 4, 'k', 400000},
                      StreamShape{"EscapeIsAFrequentLetter", 8, 8, 2, 'a', 100000},
                      StreamShape{"TinyText", 1, 4, 1, -1, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// Bytes that start a PPM block for BitInput: the block bit, flags and what they announce.
std::string Header(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

int StartCode(PpmdDecoder& decoder, const std::string& bytes) {
    ByteInput input(bytes);
    rar::BitInput in(input);
    in.Skip(1);
    try {
        decoder.StartBlock(in);
        return 0;
    } catch (const RarError& e) {
        return e.Code();
    }
}

TEST(PpmdDecoder, RefusesToContinueAModelThatDoesNotExist) {
    PpmdDecoder decoder;
    // 0x80: the PPM bit, then flags without a restart.
    EXPECT_EQ(StartCode(decoder, Header({0x80, 0, 0, 0, 0, 0})), ERAR_BAD_DATA);
    ByteInput none("");
    rar::BitInput in(none);
    EXPECT_THROW(decoder.DecodeChar(in), RarError);
}

TEST(PpmdDecoder, RefusesOrderOne) {
    PpmdDecoder decoder;
    // Restart flag with order bits 0 (order 1), 1 MiB.
    EXPECT_EQ(StartCode(decoder, Header({0xA0, 0x00, 0, 0, 0, 0})), ERAR_BAD_DATA);
    // Order bits 1 (order 2) is the smallest the format uses.
    EXPECT_EQ(StartCode(decoder, Header({0xA1, 0x00, 0, 0, 0, 0})), 0);
}

TEST(PpmdDecoder, SetsTheEscapeCharacterUntilAnotherBlockSetsOne) {
    PpmdDecoder decoder;
    EXPECT_EQ(decoder.EscapeChar(), 2);
    // Restart, escape flag: 1 010 0001 = 0xA1 | 0x40 -> bits 1 110 0001, memory 0, escape 'k'.
    EXPECT_EQ(StartCode(decoder, Header({0xE1, 0x00, 'k', 0, 0, 0, 0})), 0);
    EXPECT_EQ(decoder.EscapeChar(), 'k');
    EXPECT_EQ(StartCode(decoder, Header({0x80, 0, 0, 0, 0})), 0);  // continues, keeps 'k'
    EXPECT_EQ(decoder.EscapeChar(), 'k');
}

TEST(PpmdDecoder, AfterDamagedDataOnlyARestartMayFollow) {
    const std::string text = Words(20000, 5);
    std::string packed = Compress(text, {"", 1, 8, 1, -1, 0}, nullptr);
    // The four bytes after the 16 header bits start the range decoder; an impossible start.
    for (size_t i = 2; i < 6; ++i) packed[i] = '\xFF';
    PpmdDecoder decoder;
    std::string window;
    EXPECT_THROW(ReadPpmEntry(decoder, packed, text.size(), window), RarError);
    EXPECT_EQ(StartCode(decoder, Header({0x80, 0, 0, 0, 0})), ERAR_BAD_DATA);
    const std::string good = Compress(text, {"", 1, 8, 1, -1, 0}, nullptr);
    window.clear();
    EXPECT_TRUE(SameBytes(ReadPpmEntry(decoder, good, text.size(), window).data, text));
}

#if !defined(KIV_TEST_ASAN)
size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// A block may declare 256 MiB; what the model never reaches must cost nothing.
TEST(PpmdDecoder, TouchesOnlyTheModelMemoryItUses) {
    const std::string text = Words(200000, 9);
    const std::string packed = Compress(text, {"", 256, 8, 1, -1, 0}, nullptr);
    const size_t before = ResidentBytes();
    PpmdDecoder decoder;
    std::string window;
    EXPECT_TRUE(SameBytes(ReadPpmEntry(decoder, packed, text.size(), window).data, text));
    EXPECT_LT(ResidentBytes() - before, size_t{24} << 20);
}
#endif

TEST(PpmdDecoder, ModelMemoryChangesBetweenBlocks) {
    // A solid run whose second entry restarts with another memory size and order.
    const std::string first = Words(50000, 1), second = Words(50000, 2);
    const std::string a = Compress(first, {"", 1, 8, 1, -1, 0}, nullptr);
    const std::string b = Compress(second, {"", 3, 5, 1, -1, 0}, nullptr);
    PpmdDecoder decoder;
    std::string window;
    EXPECT_TRUE(SameBytes(ReadPpmEntry(decoder, a, first.size(), window).data, first));
    EXPECT_TRUE(SameBytes(ReadPpmEntry(decoder, b, second.size(), window).data, second));
}

// Every cut of a stream is noticed: the decoder reads each byte its coder wrote up to the last
// symbol of the entry, so only a cut in what follows (the end-of-file code) may end cleanly.
TEST(PpmdDamage, EveryTruncationEndsWithAnErrorOrTheWholeText) {
    const std::string text = Words(4000, 3);
    const std::string packed = Compress(text, {"", 1, 6, 2, -1, 0}, nullptr);
    size_t clean = 0;
    for (size_t cut = 0; cut < packed.size(); ++cut) {
        try {
            EXPECT_TRUE(SameBytes(Decode(packed.substr(0, cut), text.size()).data, text))
                << "cut at " << cut;
            ++clean;
        } catch (const RarError& e) {
            EXPECT_EQ(e.Code(), ERAR_BAD_DATA) << "cut at " << cut;
        }
    }
    EXPECT_LE(clean, 4u);
}

TEST(PpmdDamage, FlippedBytesEndWithAnErrorOrBoundedOutput) {
    const std::string text = Words(4000, 4);
    const std::string packed = Compress(text, {"", 1, 6, 2, -1, 0}, nullptr);
    size_t errors = 0;
    for (size_t at = 0; at < packed.size(); ++at) {
        for (uint8_t flip : {0x01, 0x10, 0xFF}) {
            std::string bad = packed;
            bad[at] = static_cast<char>(bad[at] ^ flip);
            try {
                EXPECT_LE(Decode(bad, text.size()).data.size(), text.size());
            } catch (const RarError& e) {
                EXPECT_TRUE(e.Code() == ERAR_BAD_DATA || e.Code() == ERAR_NO_MEMORY);
                ++errors;
            }
        }
    }
    // Most damage derails the model into codes no stream holds, or ends past the data.
    EXPECT_GT(errors, packed.size());
}

// RAR's own PPM data from libarchive's test files, when the corpus is at hand.
class PpmdCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        const char* env = std::getenv("KIV_RAR_CORPUS");
        m_dir = env && *env ? env : KIV_CORPUS_DIR;
        if (!std::filesystem::exists(Path("test_read_format_rar_compress_best.rar"))) {
            GTEST_SKIP() << "no RAR corpus in " << m_dir << " (run tests/corpus/fetch)";
        }
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
};

TEST_F(PpmdCorpus, EntriesOfPpmBlocksMatchTheirCrc) {
    size_t checked = 0;
    std::string html;
    for (const PackedEntry& e : ReadPackedEntries(Path("test_read_format_rar_compress_best.rar"))) {
        if (e.method == 0x30 || e.packed.empty() || (e.packed[0] & 0x80) == 0) continue;
        const PpmResult r = Decode(e.packed, e.unpSize);
        EXPECT_EQ(r.data.size(), e.unpSize) << e.name;
        EXPECT_EQ(Crc32(r.data), e.crc) << e.name;
        ++checked;
    }
    EXPECT_EQ(checked, 3u);
}

// The 241 MB file repeats the HTML page of compress_best.rar; its first block is PPM and gives
// way to LZ after 32 KiB.
TEST_F(PpmdCorpus, PpmStartOfTheConversionFile) {
    const auto pages = ReadPackedEntries(Path("test_read_format_rar_compress_best.rar"));
    const PpmResult page = Decode(pages.at(0).packed, pages.at(0).unpSize);
    ASSERT_EQ(Crc32(page.data), pages.at(0).crc);

    const auto big = ReadPackedEntries(Path("test_read_format_rar_ppmd_lzss_conversion.rar"));
    ASSERT_EQ(big.size(), 1u);
    const PpmResult r = Decode(big[0].packed, big[0].unpSize);
    EXPECT_EQ(r.end, PpmEnd::LzBlock);
    ASSERT_EQ(r.data.size(), 32768u);
    EXPECT_TRUE(SameBytes(r.data, (page.data + page.data).substr(0, 32768)));
}

// Files crafted against other readers' PPM code. Our header reader refuses most of them before
// any data, so each is fed to the decoder from every offset, as if the entry's data began there.
TEST_F(PpmdCorpus, CraftedFilesNeverDerailTheDecoder) {
    constexpr uint64_t kLimit = 1 << 16;
    size_t errors = 0, starts = 0;
    for (const char* name :
         {"test_read_format_rar_invalid1.rar", "test_read_format_rar_ppmd_use_after_free.rar",
          "test_read_format_rar_ppmd_use_after_free2.rar"}) {
        const std::string bytes = ReadFile(Path(name));
        ASSERT_FALSE(bytes.empty()) << name;
        for (size_t at = 0; at < bytes.size(); ++at) {
            if ((bytes[at] & 0x80) == 0) continue;  // an LZ block: not ours
            ++starts;
            try {
                EXPECT_LE(Decode(std::string_view(bytes).substr(at), kLimit).data.size(), kLimit);
            } catch (const RarError& e) {
                EXPECT_TRUE(e.Code() == ERAR_BAD_DATA || e.Code() == ERAR_NO_MEMORY);
                ++errors;
            }
        }
    }
    EXPECT_GT(errors, starts / 2);
}

}  // namespace
}  // namespace kiv::test
