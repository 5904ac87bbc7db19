// The RAR 5.0 decoder on hand-made streams: tables and their switches, matches and the distance
// cache, the window's wrap, filters at block and window boundaries, solid entries; and on a
// stream RAR made.
#include "unrar/rar5_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/unrar/decoder_io.h"
#include "tests/unrar/rar5_streams.h"
#include "tests/unrar/support.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::test {
namespace {

using rar::DecodeParams;
using rar::Rar5Decoder;
using rar5pack::Rar5Tables;

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;

std::string RandomBytes(size_t n, uint32_t seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() % alphabet);
    return s;
}

// Complete codes over every symbol, with lengths other than the flat tables'.
Rar5Tables SkewedTables(uint32_t seed) {
    std::mt19937 rng(seed);
    auto lengths = [&](size_t n) {
        std::vector<uint64_t> counts(n);
        for (auto& c : counts) c = 1 + rng() % 1000;
        return Rar5Tables::LengthsFor(counts);
    };
    return {lengths(306), lengths(64), lengths(16), lengths(44)};
}

TEST(Rar5Decoder, DecodesAStreamRarMade) {
    for (size_t chunk : {size_t{1}, size_t{5}, size_t{4096}}) {
        Rar5Decoder d;
        const std::string out = Rar5Decode(d, kRarMadeStream, Rar5Params(kRarMadeSize), chunk);
        EXPECT_EQ(out.size(), kRarMadeSize);
        EXPECT_EQ(Crc32(out), kRarMadeCrc) << "in chunks of " << chunk;
    }
}

TEST(Rar5Decoder, RunCodedAndPlainTablesGiveTheSameOutput) {
    const Rar5Tables skewed = SkewedTables(7);
    for (bool runCoded : {false, true}) {
        Rar5Script s;
        s.writer.BeginBlock(&skewed, runCoded);
        s.Literals("tables coded either way");
        s.Match(8, 6);
        s.writer.EndBlock(true);
        Rar5Decoder d;
        EXPECT_EQ(Rar5Decode(d, s.writer.Stream(), Rar5Params(s.model.out.size())), s.model.out)
            << "run coded: " << runCoded;
    }
}

TEST(Rar5Decoder, EachBlockUsesItsTablesOrKeepsThePrevious) {
    const Rar5Tables flat = Rar5Tables::Flat();
    const Rar5Tables skewed = SkewedTables(3);
    Rar5Script s;
    s.writer.BeginBlock(&flat);
    s.Literals("first block, flat codes; ");
    s.writer.EndBlock(false);
    s.writer.BeginBlock(&skewed);
    s.Literals("second block, other codes; ");
    s.Match(12, 27);
    s.writer.EndBlock(false);
    s.writer.BeginBlock(nullptr);  // kept from the second block
    s.Literals("third block, no tables");
    s.Repeat(0, 5);
    s.writer.EndBlock(false);
    s.writer.BeginBlock(&flat);
    s.Literals(" and back to flat");
    s.writer.EndBlock(true);
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, s.writer.Stream(), Rar5Params(s.model.out.size()), 3), s.model.out);
}

struct MatchRow {
    const char* name;
    uint32_t length;
    uint64_t distance;
};

class Rar5Match : public ::testing::TestWithParam<MatchRow> {};

// Every way a length and a distance are coded: short slots, extra bits, Huffman-coded low
// distance bits, and the longer lengths of far matches.
TEST_P(Rar5Match, CopiesLengthBytesFromDistanceBack) {
    const MatchRow& row = GetParam();
    Rar5Script s;
    const Rar5Tables flat = Rar5Tables::Flat();
    s.writer.BeginBlock(&flat);
    s.Literals(RandomBytes(static_cast<size_t>(std::min<uint64_t>(row.distance, 300 * kKiB)), 1));
    s.Match(row.length, row.distance);
    s.Literal('!');
    s.writer.EndBlock(true);
    Rar5Decoder d;
    const std::string out = Rar5Decode(d, s.writer.Stream(), Rar5Params(s.model.out.size(), kMiB));
    EXPECT_TRUE(SameBytes(out, s.model.out));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Rar5Match,
    ::testing::Values(
        MatchRow{"Shortest", 2, 1}, MatchRow{"SlotWithoutExtraBits", 9, 4},
        MatchRow{"DistanceExtraBits", 10, 5}, MatchRow{"ThreeDistanceBits", 11, 13},
        MatchRow{"LowBitsCoded", 17, 17}, MatchRow{"HighAndLowBits", 40, 0x100},
        MatchRow{"OneLongerPast0x100", 3, 0x101}, MatchRow{"TwoLongerPast0x2000", 4, 0x2001},
        MatchRow{"ThreeLongerPast0x40000", 5, 0x40001}, MatchRow{"LongestLength", 4097, 1},
        MatchRow{"LongestFarLength", 4100, 0x40001}, MatchRow{"OverlappingRun", 300, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rar5Decoder, DistanceCacheMovesTheUsedDistanceToTheFront) {
    const Rar5Tables flat = Rar5Tables::Flat();
    Rar5Script s;
    s.writer.BeginBlock(&flat);
    s.Literals(RandomBytes(64, 2));
    s.Match(4, 10);
    s.Match(5, 20);
    s.Match(6, 30);
    s.Match(7, 40);   // recent: 40 30 20 10
    s.Repeat(3, 8);   // 10 40 30 20
    s.Repeat(2, 9);   // 30 10 40 20
    s.RepeatLast();   // 30 again, 9 bytes
    s.Repeat(1, 10);  // 10 30 40 20
    s.Repeat(0, 11);
    s.writer.EndBlock(true);
    EXPECT_EQ(s.model.Recent(), (std::array<uint64_t, 4>{10, 30, 40, 20}));
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, s.writer.Stream(), Rar5Params(s.model.out.size())), s.model.out);
}

TEST(Rar5Decoder, MatchesCrossTheWindowsWrap) {
    // A 128 KiB dictionary and a longer entry: the window is the smallest, 256 KiB.
    constexpr uint64_t kWindow = 256 * kKiB;
    const Rar5Tables flat = Rar5Tables::Flat();
    Rar5Script s;
    s.writer.BeginBlock(&flat);
    s.Literals(RandomBytes(300000, 4));
    s.Match(500, 300000 - (kWindow - 100));  // the source runs over the ring's end
    s.Literals(RandomBytes(2 * kWindow - 50 - s.model.out.size(), 5));
    s.Match(300, 1000);  // the destination runs over it
    s.Repeat(0, 4000);
    s.writer.EndBlock(true);
    Rar5Decoder d;
    const DecodeParams p = Rar5Params(s.model.out.size(), 128 * kKiB);
    ASSERT_EQ(rar::WindowSizeFor(p), kWindow);
    EXPECT_TRUE(SameBytes(Rar5Decode(d, s.writer.Stream(), p, 777), s.model.out));
}

class Rar5RoundTrip : public ::testing::TestWithParam<uint32_t> {};

// Random operations across blocks with switched, kept and skewed tables, beyond the window.
TEST_P(Rar5RoundTrip, MatchesTheModel) {
    std::mt19937 rng(GetParam());
    const Rar5Tables flat = Rar5Tables::Flat();
    Rar5Script s;
    const uint64_t dictionary = 128 * kKiB;
    for (int block = 0; s.model.out.size() < 400 * kKiB; ++block) {
        const Rar5Tables skewed = SkewedTables(rng());
        const int choice = block == 0 ? 0 : static_cast<int>(rng() % 3);
        s.writer.BeginBlock(choice == 0 ? &flat : choice == 1 ? &skewed : nullptr);
        for (int op = 0; op < 500; ++op) {
            const uint64_t produced = s.model.out.size();
            const unsigned kind = rng() % 10;
            const uint32_t length = rng() % 8 == 0 ? 2 + rng() % 4000 : 2 + rng() % 60;
            if (produced < 2 || kind < 4) {
                s.Literal(static_cast<uint8_t>(rng() % 4));
            } else if (kind < 7) {
                const uint64_t distance = 1 + rng() % std::min(produced, dictionary);
                s.Match(length + rar5pack::LengthBonus(distance), distance);
            } else if (kind < 9) {
                const unsigned index = rng() % 4;
                if (s.model.Recent()[index] != 0) s.Repeat(index, length);
            } else {
                s.RepeatLast();
            }
        }
        s.writer.EndBlock(false);
    }
    s.writer.BeginBlock(nullptr);
    s.writer.EndBlock(true);
    Rar5Decoder d;
    const std::string out = Rar5Decode(
        d, s.writer.Stream(), Rar5Params(s.model.out.size(), dictionary), 1 + rng() % 9000);
    EXPECT_TRUE(SameBytes(out, s.model.out));
}

INSTANTIATE_TEST_SUITE_P(Seeds, Rar5RoundTrip, ::testing::Values(1u, 2u, 3u, 4u));

TEST(Rar5Decoder, Version70ReadsTheWiderDistanceAlphabet) {
    // Slots 64-79 reach beyond 4 GiB, past any window here: such a match reads zeros, and the
    // bits after it (37 extra bits, read in two parts) must still decode.
    const Rar5Tables flat = Rar5Tables::Flat(true);
    Rar5Script s(true);
    s.writer.BeginBlock(&flat);
    s.Literal('a');
    s.Match(6, (uint64_t{1} << 38) + 12345);
    s.Literal('b');
    s.Match(3, 2);
    s.writer.EndBlock(true);
    ASSERT_EQ(s.model.out, std::string("a\0\0\0\0\0\0b\0b\0", 11));
    Rar5Decoder d;
    const DecodeParams p = Rar5Params(s.model.out.size(), 128 * kKiB, false, 70);
    EXPECT_EQ(Rar5Decode(d, s.writer.Stream(), p), s.model.out);
}

struct FilterRow {
    const char* name;
    unsigned type;
    unsigned channels;
    std::string before;  // plain bytes ahead of the filtered stretch
    std::string stored;  // the stretch as coded
    std::string plain;   // the stretch once the filter is undone
};

class Rar5Filter : public ::testing::TestWithParam<FilterRow> {};

// Each filter, announced in one block and covering bytes of the next.
TEST_P(Rar5Filter, UndoesItsStretchAcrossABlockBoundary) {
    const FilterRow& row = GetParam();
    const Rar5Tables flat = Rar5Tables::Flat();
    rar5pack::Rar5StreamWriter w;
    w.BeginBlock(&flat);
    for (char c : row.before) w.Literal(static_cast<uint8_t>(c));
    w.Filter(row.type, 0, static_cast<uint32_t>(row.stored.size()), row.channels);
    const size_t split = row.stored.size() / 2;
    for (size_t i = 0; i < split; ++i) w.Literal(static_cast<uint8_t>(row.stored[i]));
    w.EndBlock(false);
    w.BeginBlock(nullptr);
    for (size_t i = split; i < row.stored.size(); ++i)
        w.Literal(static_cast<uint8_t>(row.stored[i]));
    w.Literal('.');
    w.EndBlock(true);
    const std::string expected = row.before + row.plain + ".";
    // Twice with one decoder: the second entry starts further on in the window, and its
    // addresses are still relative to its own start.
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, w.Stream(), Rar5Params(expected.size())), expected);
    EXPECT_EQ(Rar5Decode(d, w.Stream(), Rar5Params(expected.size())), expected);
}

const std::string kX86(
    "\xE8\x00\x01\x00\x00"  // at entry offset 17: 0x100 - 0x11
    "\xE9\xF0\xFF\xFF\xFF"  // negative, 0xFFFFFFF0 + 0x16 wraps past 0: + 16 MiB
    "\xE8\x00\x00\x00\x02"  // beyond 16 MiB: as it is
    "y\xE8\x01\x00\x00",    // too close to the end to be an address
    20);

INSTANTIATE_TEST_SUITE_P(
    Rows, Rar5Filter,
    ::testing::Values(
        FilterRow{"E8", 1, 1, std::string(16, 'x'), kX86,
                  std::string("\xE8\xEF\x00\x00\x00\xE9\xF0\xFF\xFF\xFF\xE8\x00\x00\x00\x02"
                              "y\xE8\x01\x00\x00",
                              20)},
        FilterRow{"E8E9", 2, 1, std::string(16, 'x'), kX86,
                  std::string("\xE8\xEF\x00\x00\x00\xE9\xF0\xFF\xFF\x00\xE8\x00\x00\x00\x02"
                              "y\xE8\x01\x00\x00",
                              20)},
        FilterRow{"Arm", 3, 1, "abcdefgh",
                  std::string("\x00\x01\x00\xEB\x01\x00\x00\xEA\x02\x00\x00\xEB", 12),
                  std::string("\xFE\x00\x00\xEB\x01\x00\x00\xEA\xFE\xFF\xFF\xEB", 12)},
        FilterRow{"DeltaTwoChannels", 0, 2, "ab", std::string("\xFF\xFF\xFF\xFE\x01\x01", 6),
                  std::string("\x01\x02\x02\x01\x03\x00", 6)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rar5Decoder, FilterStretchLongerThanTheWindowIsGatheredWhileDecoded) {
    const std::string plain = RandomBytes(3 * kMiB + 77, 6);
    const std::string stored = DeltaEncode(plain, 4);
    const Rar5Tables flat = Rar5Tables::Flat();
    rar5pack::Rar5StreamWriter w;
    w.BeginBlock(&flat);
    w.Filter(0, 0, static_cast<uint32_t>(plain.size()), 4);
    for (char c : stored) w.Literal(static_cast<uint8_t>(c));
    w.EndBlock(true);
    Rar5Decoder d;
    const DecodeParams p = Rar5Params(plain.size(), 128 * kKiB);
    ASSERT_LT(rar::WindowSizeFor(p), plain.size());
    EXPECT_TRUE(SameBytes(Rar5Decode(d, w.Stream(), p), plain));
}

TEST(Rar5Decoder, FilterRunningPastTheEntryIsCutAtItsEnd) {
    const Rar5Tables flat = Rar5Tables::Flat();
    rar5pack::Rar5StreamWriter w;
    w.BeginBlock(&flat);
    w.Filter(1, 0, 100);
    for (char c : std::string("\xE8\x00\x01\x00\x00zzzzz", 10)) w.Literal(static_cast<uint8_t>(c));
    w.EndBlock(true);
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, w.Stream(), Rar5Params(10)),
              std::string("\xE8\xFF\x00\x00\x00zzzzz", 10));
}

TEST(Rar5Decoder, EmptyFiltersAndFiltersPastTheEntryChangeNothing) {
    const Rar5Tables flat = Rar5Tables::Flat();
    rar5pack::Rar5StreamWriter w;
    w.BeginBlock(&flat);
    w.Filter(1, 0, 0);
    w.Literal(0xE8);
    w.Filter(0, 3, 0, 2);
    for (int i = 0; i < 4; ++i) w.Literal(0x10);
    w.Filter(3, 1, 40);  // starts at the entry's end
    w.EndBlock(true);
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, w.Stream(), Rar5Params(5)), "\xE8\x10\x10\x10\x10");
}

// Two entries of a solid run: the second reaches back into the first, uses its tables, its
// distance cache and its last match.
struct SolidPair {
    std::string first, second;  // streams
    std::string out1, out2;     // expected output
};

// secondLiterals: plain bytes the second entry starts with, to move the window on.
SolidPair MakeSolidPair(uint64_t firstSize, uint64_t secondLiterals = 0) {
    const Rar5Tables flat = Rar5Tables::Flat();
    Rar5Script s;
    s.writer.BeginBlock(&flat);
    s.Literals(RandomBytes(firstSize, 8, 16));
    s.Match(9, 7);
    s.writer.EndBlock(true);
    SolidPair pair;
    pair.first = s.writer.Stream();
    pair.out1 = s.model.out;
    s.writer.BeginBlock(nullptr);
    s.RepeatLast();
    s.Literals(RandomBytes(secondLiterals, 9));
    s.Match(50, s.model.out.size() - 3);  // back to the first entry's start
    s.Repeat(1, 6);
    s.Literals("end");
    s.writer.EndBlock(true);
    pair.second = s.writer.Stream().substr(pair.first.size());
    pair.out2 = s.model.out.substr(pair.out1.size());
    return pair;
}

TEST(Rar5Decoder, SolidEntryContinuesWindowTablesAndDistances) {
    const SolidPair pair = MakeSolidPair(1000);
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, pair.first, Rar5Params(pair.out1.size())), pair.out1);
    EXPECT_EQ(Rar5Decode(d, pair.second, Rar5Params(pair.out2.size(), 128 * kKiB, true)),
              pair.out2);
}

TEST(Rar5Decoder, SkippedSolidEntryStillCarriesItsStateOn) {
    const SolidPair pair = MakeSolidPair(1000);
    Rar5Decoder d;
    struct Discard : rar::UnpackedSink {
        void Write(const uint8_t*, size_t size) override { seen += size; }
        size_t seen = 0;
    } discard;
    ChunkedInput in(pair.first, 64);
    d.Decode(in, discard, Rar5Params(pair.out1.size()));
    EXPECT_EQ(discard.seen, pair.out1.size());
    EXPECT_EQ(Rar5Decode(d, pair.second, Rar5Params(pair.out2.size(), 128 * kKiB, true)),
              pair.out2);
}

TEST(Rar5Decoder, SolidEntryWithALargerDictionaryKeepsTheHistory) {
    // The first entry's window is cut to its size (1 MiB); the second needs 4 MiB and reaches
    // back over 2 MiB into the first.
    const SolidPair pair = MakeSolidPair(600 * kKiB, 1500 * kKiB);
    Rar5Decoder d;
    const DecodeParams first = Rar5Params(pair.out1.size(), 4 * kMiB);
    ASSERT_LT(rar::WindowSizeFor(first), 4 * kMiB);
    EXPECT_TRUE(SameBytes(Rar5Decode(d, pair.first, first), pair.out1));
    EXPECT_TRUE(SameBytes(Rar5Decode(d, pair.second, Rar5Params(pair.out2.size(), 4 * kMiB, true)),
                          pair.out2));
}

TEST(Rar5Decoder, NonSolidEntryStartsWithoutTables) {
    const SolidPair pair = MakeSolidPair(100);
    Rar5Decoder d;
    Rar5Decode(d, pair.first, Rar5Params(pair.out1.size()));
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, pair.second, Rar5Params(pair.out2.size())); }),
              ERAR_BAD_DATA);
}

TEST(Rar5Decoder, SolidEntryAfterAFailedOneIsRefused) {
    const SolidPair pair = MakeSolidPair(100);
    Rar5Decoder d;
    const std::string cut = pair.first.substr(0, pair.first.size() / 2);
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, cut, Rar5Params(pair.out1.size())); }), ERAR_BAD_DATA);
    EXPECT_EQ(RarErrorOf([&] {
                  Rar5Decode(d, pair.second, Rar5Params(pair.out2.size(), 128 * kKiB, true));
              }),
              ERAR_BAD_DATA);
    // A fresh entry is fine again.
    EXPECT_EQ(Rar5Decode(d, pair.first, Rar5Params(pair.out1.size())), pair.out1);
}

TEST(Rar5Decoder, OutputStopsAtTheEntrySize) {
    Rar5Script s;
    const Rar5Tables flat = Rar5Tables::Flat();
    s.writer.BeginBlock(&flat);
    s.Literals("0123456789");
    s.writer.EndBlock(true);
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, s.writer.Stream(), Rar5Params(4)), "0123");
    rar::DecodeParams unknown = Rar5Params(0);
    unknown.unknownSize = true;
    EXPECT_EQ(Rar5Decode(d, s.writer.Stream(), unknown), "0123456789");
}

TEST(Rar5Decoder, LastBlocksBitSizeEndsItsCodes) {
    // 'x' has the one-bit code 0, so the zero bits padding the last byte would decode as more
    // x's if the block's bit size were ignored.
    Rar5Tables t = Rar5Tables::Flat();
    std::fill(t.literals.begin(), t.literals.end(), 0);
    t.literals['x'] = 1;
    rar5pack::Rar5StreamWriter w;
    w.BeginBlock(&t);
    w.Literal('x');
    w.EndBlock(true);
    Rar5Decoder d;
    rar::DecodeParams unknown = Rar5Params(0);
    unknown.unknownSize = true;
    EXPECT_EQ(Rar5Decode(d, w.Stream(), unknown), "x");
}

}  // namespace
}  // namespace kiv::test
