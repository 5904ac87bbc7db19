// The RAR 1.5 decoder: its adaptive tables, a hand-checked stream, solid runs (a skipped entry,
// then the next extracted), damage, and random streams against unar.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "tests/unrar/decoder_io.h"
#include "tests/unrar/old_archives.h"
#include "tests/unrar/rar3_stream_writer.h"
#include "unrar/rar15_decoder.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::test {
namespace {

using rar::DecodeParams;
using rar::Rar15Decoder;
using rar::RarError;
using rar::rar15::AdaptiveTable;

DecodeParams Params(uint64_t size, bool solid = false) {
    DecodeParams p;
    p.unpVer = 15;
    p.unpSize = size;
    p.dictionarySize = 64 << 10;
    p.solid = solid;
    p.solidArchive = true;
    return p;
}

std::string Decode(Rar15Decoder& decoder, const std::vector<uint8_t>& packed,
                   const DecodeParams& p) {
    ChunkedInput in(packed, 3);
    StringSink out;
    decoder.Decode(in, out, p);
    return out.text;
}

std::vector<uint8_t> RandomBytes(uint32_t seed, size_t size) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
}

struct TakeRow {
    const char* name;
    bool reversed;
    uint32_t limit;
    std::vector<uint32_t> indexes;
    std::vector<uint32_t> values;
};

class Rar15AdaptiveTable : public ::testing::TestWithParam<TakeRow> {};

TEST_P(Rar15AdaptiveTable, GivesTheValuesOfTheirRanks) {
    const TakeRow& row = GetParam();
    AdaptiveTable table;
    table.Start(row.reversed);
    std::vector<uint32_t> values;
    for (const uint32_t index : row.indexes) values.push_back(table.Take(index, row.limit));
    EXPECT_EQ(values, row.values);
}

// A value used once moves to the front of those never used; counts that reach the limit fall
// back to eight tiers by rank, so that the front 32 values are equals again.
TakeRow CountReset() {
    TakeRow row{"CountsFallBackToTiersAtTheLimit", false, 0xa1, {7}, {7}};
    for (int i = 0; i < 160; ++i) {
        row.indexes.push_back(0);
        row.values.push_back(7);
    }
    // 40 takes rank 1; 7 reaches the limit at its next use; then 31, of the first tier, swaps
    // with the first value after 7 (40), whose rank 31 it takes.
    row.indexes.insert(row.indexes.end(), {40, 0, 31, 31});
    row.values.insert(row.values.end(), {40, 7, 31, 40});
    return row;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, Rar15AdaptiveTable,
    ::testing::Values(TakeRow{"UsedValuesMoveAhead",
                              false,
                              0xff,
                              {5, 0, 5, 1, 6, 2, 0, 5, 3},
                              {5, 5, 0, 0, 6, 6, 5, 1, 1}},
                      TakeRow{"FlagsStartReversed", true, 0xff, {1, 1, 0, 2}, {255, 0, 255, 254}},
                      CountReset()),
    [](const auto& info) { return std::string(info.param.name); });

// Flags 0xC3 (index 61 of the reversed flag table: 8-bit code 10001000) give literal, literal,
// short match, short match, literal, literal. Literals use the second byte code while the
// running average stays below 0x3600: 'A' (index 65) is 11100101, 'B' 11100110; once used they
// move to indexes 0 and 1 (00000, 00001). Short matches: selector 0 (code 0), length 2, and a
// near-distance index (00001 is 1): the first gives distance 2 and swaps ranks 0 and 1, so the
// same index then gives distance 1.
std::vector<uint8_t> HandStream() {
    rar3::BitWriter w;
    w.Put(0b10001000, 8);
    w.Put(0b11100101, 8);
    w.Put(0b11100110, 8);
    w.Put(0b0'00001, 6);
    w.Put(0b0'00001, 6);
    w.Put(0b00000, 5);
    w.Put(0b00001, 5);
    w.AlignToByte();
    return w.Bytes();
}

TEST(Rar15Decoder, AdaptsItsTablesInAHandMadeStream) {
    Rar15Decoder decoder;
    EXPECT_EQ(Decode(decoder, HandStream(), Params(8)), "ABABBBAB");
}

// The second entry of a run goes on from the first's tables and averages, whether the first
// was extracted or only decoded to carry the state; a run that does not is caught by the
// entry starting afresh giving other bytes.
TEST(Rar15Decoder, SolidEntryAfterASkippedOneDecodesAsAfterAnExtractedOne) {
    const std::vector<uint8_t> second = RandomBytes(5, 3000);
    std::vector<std::string> results;
    for (int way = 0; way < 3; ++way) {
        Rar15Decoder decoder;
        ChunkedInput in(RandomBytes(4, 3000), 7);
        DiscardSink discard;
        StringSink kept;
        if (way < 2) {
            decoder.Decode(in, way == 0 ? static_cast<rar::UnpackedSink&>(kept) : discard,
                           Params(5000));
        }
        results.push_back(Decode(decoder, second, Params(4000, way < 2)));
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_NE(results[0], results[2]);
}

struct DamageRow {
    const char* name;
    std::vector<uint8_t> packed;
    DecodeParams params;
};

DecodeParams Unknown() {
    DecodeParams p = Params(10);
    p.unknownSize = true;
    return p;
}

std::vector<uint8_t> FlagIndexOutOfRange() {
    // Symbol 256 of the flag code: the last of its 10-bit codes, all ones.
    return {0xFF, 0xC0};
}

class Rar15Damage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(Rar15Damage, IsBadData) {
    Rar15Decoder decoder;
    try {
        Decode(decoder, GetParam().packed, GetParam().params);
        FAIL() << "decoded";
    } catch (const RarError& e) {
        EXPECT_EQ(e.Code(), ERAR_BAD_DATA) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, Rar15Damage,
    ::testing::Values(DamageRow{"CutShort", RandomBytes(1, 100), Params(100000)},
                      DamageRow{"FlagIndexOutOfRange", FlagIndexOutOfRange(), Params(10)},
                      DamageRow{"UnknownSize", RandomBytes(1, 100), Unknown()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rar15Decoder, RefusesToContinueARunAfterAFailedEntry) {
    Rar15Decoder decoder;
    EXPECT_THROW(Decode(decoder, RandomBytes(1, 100), Params(100000)), RarError);
    EXPECT_THROW(Decode(decoder, HandStream(), Params(8, true)), RarError);
}

struct UnarRow {
    const char* name;
    uint32_t seed;
    bool solid;
    uint64_t volumeSize;
};

class Rar15AgainstUnar : public TempFolderTest, public ::testing::WithParamInterface<UnarRow> {};

// Random bits reach every path of the decoder: unar must extract what the decoder makes of
// them. In a solid run the first entry is the hand-made stream, which ends where a step ends,
// as an archiver's entries do; the last may end anywhere.
TEST_P(Rar15AgainstUnar, ExtractsTheSameBytes) {
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is needed";
    const UnarRow& row = GetParam();
    // Random bits now and then name index 256 of a flag or distance, which is damage: take the
    // first seed from row.seed on whose streams decode.
    std::vector<std::vector<uint8_t>> packed;
    std::vector<uint64_t> sizes;
    std::vector<std::string> data;
    for (uint32_t seed = row.seed; data.empty() && seed < row.seed + 20000; seed += 100) {
        packed.clear();
        sizes.clear();
        if (row.solid) {
            // unar reads a code's longest length ahead, past the end of so short a stream.
            packed.push_back(HandStream());
            packed.back().resize(packed.back().size() + 4, 0);
            sizes.push_back(8);
        }
        packed.push_back(RandomBytes(seed, 8000));
        sizes.push_back(6000);
        if (!row.solid) {
            packed.push_back(RandomBytes(seed + 1, 8000));
            sizes.push_back(5000);
        }
        try {
            data = DecodeRun(15, packed, sizes, row.solid);
        } catch (const RarError&) {
        }
    }
    ASSERT_FALSE(data.empty());
    std::vector<OldEntry> entries;
    for (size_t i = 0; i < data.size(); ++i) entries.push_back({packed[i], data[i]});
    const auto volumes = WriteOldArchive(Path("x.rar"), entries, 15, row.solid, row.volumeSize);
    const auto unar = UnarExtract(volumes[0], Path("unar"));
    const auto ours = LibraryExtract(volumes[0], Path("ours"));
    ASSERT_EQ(unar.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string name = "e" + std::to_string(i);
        EXPECT_TRUE(unar.at(name) == data[i]) << name << " differs from unar's";
        EXPECT_TRUE(ours.count(name) && ours.at(name) == data[i]) << name << " through the library";
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, Rar15AgainstUnar,
                         ::testing::Values(UnarRow{"Separate", 11, false, 0},
                                           UnarRow{"SeparateOverOldNamedVolumes", 12, false, 9000},
                                           UnarRow{"Solid", 13, true, 0},
                                           UnarRow{"SolidOverOldNamedVolumes", 14, true, 7000}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::test
