// TLZR: byte-exact block coding, the coder's limits, and a decoder that rejects damaged blocks.
#include "packfiles/lzr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "packfiles/packer_error.h"
#include "tests/packfiles/test_data.h"

namespace kiv {
namespace {

using test::Bytes;
using test::Concat;
using test::Hex;
using test::Repeat;
using test::Text;

// Codes `input` with an output buffer of exactly n + PackSlack bytes, so that a sanitizer
// catches any write past the coder's promise.
Bytes Pack(TLZR& coder, const Bytes& input) {
    Bytes dst(input.size() + TLZR::PackSlack);
    const Bytes src = input;  // exactly n bytes: a read past them is caught as well
    const std::uint16_t n =
        coder.PackBlock(src.data(), dst.data(), static_cast<std::uint16_t>(src.size()));
    dst.resize(n);
    return dst;
}

Bytes Unpack(TLZR& coder, const Bytes& block, std::size_t capacity = TLZR::MaxChunk) {
    Bytes dst(capacity);
    const std::uint16_t n = coder.UnpackBlock(block.data(), dst.data(),
                                              static_cast<std::uint16_t>(block.size()), capacity);
    dst.resize(n);
    return dst;
}

// Nine runs that fill one block's output exactly: 8 x 4095 + 23 = 32783 bytes.
Bytes FullRuns() {
    return Concat({Repeat(Hex("00 0F EF 61"), 8), Hex("00 00 07 62")});
}

struct PackCase {
    const char* name;
    Bytes input;
    Bytes block;
};

class PackBlockTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackBlockTest, CodesExactlyAndDecodesBack) {
    TLZR coder;
    const Bytes block = Pack(coder, GetParam().input);
    EXPECT_EQ(block, GetParam().block);
    EXPECT_EQ(Unpack(coder, block), GetParam().input);
}

Bytes HighTailBlock() {
    // Eight runs of 4095 zeros, then 8 zeros as a literal and a back reference, then fifteen
    // literals: the tail repeats, but from position 32768 on no position may serve as a match.
    return Concat({Hex("40 FF 40"), Repeat(Hex("00 0F EF 00"), 8), Hex("00 00 14"), Text("abcabc"),
                   Hex("00 00"), Text("abcabcabc")});
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, PackBlockTest,
    ::testing::Values(
        PackCase{"Abc", Text("abc"), Hex("80 61 62 63")},
        PackCase{"TwentyA", Bytes(20, 'a'), Hex("40 80 00 00 00 04 61")},
        PackCase{"AbcSixTimes", Text("abcabcabcabcabcabc"), Hex("40 10 00 61 62 63 00 3C")},
        PackCase{"EightLettersTwice", Text("abcdefghabcdefgh"),
                 Hex("40 00 80 61 62 63 64 65 66 67 68 00 85")},
        PackCase{"Empty", Bytes{}, Hex("80")}, PackCase{"OneByte", Text("x"), Hex("80 78")},
        PackCase{"TwoEqualBytes", Text("xx"), Hex("80 78 78")},
        PackCase{"ThreeEqualBytes", Text("xxx"), Hex("80 78 78 78")},
        PackCase{"RunOf15IsNoRun", Bytes(15, 'a'), Hex("40 40 00 61 00 1B")},
        PackCase{"RunOf16", Bytes(16, 'a'), Hex("40 80 00 00 00 00 61")},
        PackCase{"RunOf4095", Bytes(4095, 'z'), Hex("40 80 00 00 0F EF 7A")},
        PackCase{"RunOf4096", Bytes(4096, 'z'), Hex("40 80 00 00 0F EF 7A 7A")},
        PackCase{"CodedAsLongAsInputStaysCoded", Text("abcabcab"), Hex("40 10 00 61 62 63 00 32")},
        PackCase{"SeventeenthItemOpensFlagWord", Text("abcdefghijklmnopabcdefghijklmnopab"),
                 Concat({Hex("40 00 00"), Text("abcdefghijklmnop"), Hex("80 00 01 0F")})},
        PackCase{"PositionsFrom32768NeverMatch", Concat({Bytes(32768, 0), Text("abcabcabcabcabc")}),
                 HighTailBlock()},
        PackCase{"SameTailLowMatches", Concat({Bytes(16, 0), Text("abcabcabcabcabc")}),
                 Hex("40 88 00 00 00 00 00 61 62 63 00 39")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PackBlock, IncompressibleFullChunkIsStored) {
    TLZR coder;
    const Bytes input = test::Random(TLZR::MaxChunk, 7);
    const Bytes block = Pack(coder, input);
    ASSERT_EQ(block.size(), TLZR::MaxBlock);
    EXPECT_EQ(block[0], TLZR::StoredType);
    EXPECT_TRUE(std::equal(input.begin(), input.end(), block.begin() + 1));
}

TEST(PackBlock, BlocksAreIndependentOfEachOther) {
    // The table is cleared per block: coding a block after another gives the same bytes as a
    // fresh coder, and so never refers back into the earlier block.
    TLZR used;
    TLZR fresh;
    const Bytes first = test::Mixed(20000, 3);
    Pack(used, first);
    const Bytes second(first.begin(), first.begin() + 5000);
    EXPECT_EQ(Pack(used, second), Pack(fresh, second));
}

TEST(PackBlock, NeverWritesPastSlackAndAlwaysDecodesBack) {
    // Inputs near the point where coding stops paying push the coder to its 6-byte overshoot.
    TLZR coder;
    constexpr std::uint8_t kCanary = 0xCD;
    for (std::uint32_t seed = 0; seed < 400; ++seed) {
        const std::size_t n = 1 + seed * 37 % 3000;
        Bytes input = test::Random(n, seed);
        for (std::size_t i = 0; i + 40 < n; i += 13 + seed % 17) {
            std::fill_n(input.begin() + i, 3 + seed % 20, input[i]);
        }
        Bytes dst(n + TLZR::PackSlack + 16, kCanary);
        const std::uint16_t size =
            coder.PackBlock(input.data(), dst.data(), static_cast<std::uint16_t>(n));
        ASSERT_LE(size, n + 1) << "seed " << seed;
        ASSERT_TRUE(std::all_of(dst.begin() + n + TLZR::PackSlack, dst.end(),
                                [](std::uint8_t b) { return b == kCanary; }))
            << "seed " << seed;
        dst.resize(size);
        ASSERT_EQ(Unpack(coder, dst), input) << "seed " << seed;
    }
}

TEST(PackBlock, RejectsChunkAboveLimit) {
    TLZR coder;
    Bytes src(TLZR::MaxChunk + 1, 'a');
    Bytes dst(src.size() + TLZR::PackSlack);
    EXPECT_THROW(coder.PackBlock(src.data(), dst.data(), static_cast<std::uint16_t>(src.size())),
                 EPackerError);
}

TEST(FindMatch, NewestPositionWinsAndDistanceIsMeasured) {
    TLZR coder;
    const Bytes src = Text("xyzAxyzBxyzC");
    const auto n = static_cast<std::uint16_t>(src.size());
    EXPECT_EQ(coder.FindMatch(src.data(), n, 0).length, 0);
    EXPECT_EQ(coder.FindMatch(src.data(), n, 4).length, 3);
    const TLZR::Match m = coder.FindMatch(src.data(), n, 8);
    EXPECT_EQ(m.length, 3);
    EXPECT_EQ(m.distance, 4) << "position 4 replaced position 0 in the table";
}

TEST(FindMatch, MatchStopsAtBlockEnd) {
    TLZR coder;
    const Bytes src = Text("abcdabcd");
    coder.FindMatch(src.data(), 8, 0);
    EXPECT_EQ(coder.FindMatch(src.data(), 7, 4).length, 3) << "the d at 7 lies past n";
    coder.FindMatch(src.data(), 8, 0);
    EXPECT_EQ(coder.FindMatch(src.data(), 8, 4).length, 4);
}

TEST(FindMatch, LaterPositionIsNoCandidate) {
    TLZR coder;
    const Bytes src = Text("abcdabcd");
    coder.FindMatch(src.data(), 8, 4);
    EXPECT_EQ(coder.FindMatch(src.data(), 8, 0).length, 0);
}

TEST(UnpackBlock, ShortBlocksDecodeToNothing) {
    TLZR coder;
    EXPECT_TRUE(Unpack(coder, Bytes{}).empty());
    EXPECT_TRUE(Unpack(coder, Hex("40")).empty());
    EXPECT_TRUE(Unpack(coder, Hex("80")).empty());
    EXPECT_TRUE(Unpack(coder, Hex("40 00 00")).empty());
}

TEST(UnpackBlock, OverlappingCopyRepeatsFreshBytes) {
    TLZR coder;
    // "ab", then distance 2 length 7: the copy feeds on its own output.
    EXPECT_EQ(Unpack(coder, Hex("40 20 00 61 62 00 24")), Text("ababababa"));
}

TEST(UnpackBlock, OutputFillsCapacityExactly) {
    TLZR coder;
    // Runs totalling exactly 32783 bytes are sound.
    const Bytes block = Concat({Hex("40 FF 80"), FullRuns()});
    const Bytes out = Unpack(coder, block);
    ASSERT_EQ(out.size(), TLZR::MaxChunk);
    EXPECT_EQ(out.back(), 'b');
}

struct DamageCase {
    const char* name;
    Bytes block;
    std::size_t capacity;
    const char* message;
};

class UnpackDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(UnpackDamageTest, RejectsWithReasonAndStaysInsideBuffers) {
    TLZR coder;
    const DamageCase& c = GetParam();
    constexpr std::uint8_t kCanary = 0xA5;
    Bytes dst(c.capacity + 64, kCanary);
    const Bytes src = c.block;
    try {
        coder.UnpackBlock(src.data(), dst.data(), static_cast<std::uint16_t>(src.size()),
                          c.capacity);
        FAIL() << "a damaged block must be rejected";
    } catch (const EPackerError& e) {
        EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(std::all_of(dst.begin() + c.capacity, dst.end(),
                            [](std::uint8_t b) { return b == kCanary; }));
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, UnpackDamageTest,
    ::testing::Values(
        DamageCase{"BlockSizeAbove32784", Bytes(TLZR::MaxBlock + 1, 0x80), TLZR::MaxChunk,
                   "block size 32785 exceeds 32784"},
        DamageCase{"ReferenceBeforeStart", Hex("40 80 00 00 10"), 16,
                   "distance 1 at output offset 0 reaches before the start"},
        DamageCase{"ReferenceFarBeforeStart", Hex("40 40 00 61 FF FF"), 64,
                   "distance 4095 at output offset 1 reaches before"},
        DamageCase{"OutputBeyond32783", Concat({Hex("40 FF 80"), FullRuns(), Text("c")}),
                   TLZR::MaxChunk, "literal passes the end of the 32783-byte output"},
        DamageCase{"RunPastOutputEnd", Concat({Hex("40 FF C0"), FullRuns(), Hex("00 00 00 63")}),
                   TLZR::MaxChunk, "run of 16 bytes at output offset 32783 passes the end"},
        DamageCase{"LargestRunPastSmallOutput", Hex("40 80 00 00 0F FF 61"), 100,
                   "run of 4111 bytes"},
        DamageCase{"CopyPastOutputEnd", Hex("40 10 00 61 62 63 00 3F"), 10,
                   "copy of 18 bytes at output offset 3 passes the end of the 10-byte output"},
        DamageCase{"StoredBlockPastOutput", Concat({Hex("80"), Bytes(20, 1)}), 19,
                   "stored block of 20 bytes exceeds the 19-byte output"},
        DamageCase{"FirstFlagWordCut", Hex("40 00"), 16, "first flag word cut off"},
        DamageCase{"LaterFlagWordCut", Concat({Hex("40 00 00"), Bytes(16, 'a'), Hex("00")}), 64,
                   "flag word at block offset 19 cut off"},
        DamageCase{"ItemAfterLastFlagWordMissing",
                   Concat({Hex("40 00 00"), Bytes(16, 'a'), Hex("00 00")}), 64,
                   "literal at block offset 21 cut off"},
        DamageCase{"ReferenceCut", Hex("40 80 00 00"), 16, "back reference at block offset 3 cut"},
        DamageCase{"RunCut", Hex("40 80 00 00 00 04"), 64, "run at block offset 3 cut off"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv
