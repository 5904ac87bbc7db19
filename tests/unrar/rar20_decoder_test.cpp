// The RAR 2.0/2.6 decoder on hand-checked streams (every kind of match, audio channels, a solid
// entry skipped then the next extracted), on damage, and against unar on random streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "tests/unrar/decoder_io.h"
#include "tests/unrar/old_archives.h"
#include "tests/unrar/rar20_stream_writer.h"
#include "unrar/rar20_decoder.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::test {
namespace {

using rar::DecodeParams;
using rar::Rar20Decoder;
using rar::RarError;
using rar20::StreamWriter;

DecodeParams Params(uint64_t size, bool solid = false) {
    DecodeParams p;
    p.unpVer = 20;
    p.unpSize = size;
    p.dictionarySize = 1 << 20;
    p.solid = solid;
    p.solidArchive = true;
    return p;
}

std::string Decode(Rar20Decoder& decoder, const std::vector<uint8_t>& packed,
                   const DecodeParams& p) {
    ChunkedInput in(packed, 5);
    StringSink out;
    decoder.Decode(in, out, p);
    return out.text;
}

// A table header written bit by bit: LZ or audio, lengths from scratch, a code-length code of
// nineteen 5-bit codes (each symbol's code is its number), then each length as it is.
void HandTables(rar3::BitWriter& w, bool audio, unsigned channels,
                const std::vector<uint8_t>& lengths) {
    w.Put(audio ? 1 : 0, 1);
    w.Put(0, 1);
    if (audio) w.Put(channels - 1, 2);
    for (int i = 0; i < 19; ++i) w.Put(5, 4);
    for (const uint8_t length : lengths) w.Put(length, 5);
}

// Codes of the hand-made LZ stream. Main: 'a'-'d', 256 and 257 take 3 bits (000-101 in symbol
// order), 258, 261, 269 and 270 take 4 (1100-1111); distance slots 0-3 and length slots 0-3
// take 2 bits each (the slot's number).
std::vector<uint8_t> HandLzLengths() {
    std::vector<uint8_t> l(374, 0);
    for (int s : {int{'a'}, int{'b'}, int{'c'}, int{'d'}, 256, 257}) l[s] = 3;
    for (int s : {258, 261, 269, 270}) l[s] = 4;
    for (int s = 0; s < 4; ++s) l[298 + s] = l[346 + s] = 2;
    return l;
}

TEST(Rar20Decoder, DecodesEveryKindOfMatchOfAHandMadeStream) {
    rar3::BitWriter w;
    HandTables(w, false, 1, HandLzLengths());
    w.Put(0b000001010011, 12);  // "abcd"
    w.Put(0b1111'11, 6);        // 270: length slot 0 (3), distance slot 3 (4): "abc"
    w.Put(0b1101'10, 6);        // 261: distance 1 + 0b10 = 3, length 2: "ab"
    w.Put(0b1100'01, 6);        // 258: the second last distance (4), length slot 1 (3): "bca"
    w.Put(0b100, 3);            // 256: the last match again (4, 3): "bbc"
    w.Put(0b101'00, 5);         // 257: the last distance (4), length slot 0 (2): "ab"
    w.AlignToByte();
    Rar20Decoder decoder;
    EXPECT_EQ(Decode(decoder, w.Bytes(), Params(17)), "abcdabcabbcabbcab");
}

// Two channels whose codes 1, 236, 246 and 255 take 2 bits each (00, 01, 10, 11). Before the
// predictors first adapt (after 32 samples of a channel) a byte is its channel's last byte
// minus the code.
std::vector<uint8_t> HandAudioLengths() {
    std::vector<uint8_t> l(2 * 257, 0);
    for (int c = 0; c < 2; ++c) {
        for (int s : {1, 236, 246, 255}) l[c * 257 + s] = 2;
    }
    return l;
}

TEST(Rar20Decoder, AudioChannelsTakeTurnsEachFromItsOwnLastByte) {
    rar3::BitWriter w;
    HandTables(w, true, 2, HandAudioLengths());
    // Channel 0: 246, 255, 1; channel 1: 236, 1, 236.
    w.Put(0b10'01'11'00'00'01, 12);
    w.AlignToByte();
    Rar20Decoder decoder;
    EXPECT_EQ(Decode(decoder, w.Bytes(), Params(6)), std::string({10, 20, 11, 19, 10, 39}));
}

struct SolidRow {
    const char* name;
    bool audio;
};

class Rar20Solid : public ::testing::TestWithParam<SolidRow> {};

// The second entry reaches into the first's bytes and goes on with its codes, distances and
// audio channel, whether the first was extracted or only decoded to carry the state.
TEST_P(Rar20Solid, SecondEntryGoesOnFromTheFirst) {
    rar3::BitWriter first, second;
    std::string expected;
    if (GetParam().audio) {
        HandTables(first, true, 2, HandAudioLengths());
        first.Put(0b10'01'11, 6);  // channel 0: 246 (10), channel 1: 236 (20), channel 0: 255 (11)
        second.Put(0b00'00, 4);    // channel 1 goes first: 20 - 1, then channel 0: 11 - 1
        expected = {19, 10};
    } else {
        HandTables(first, false, 1, HandLzLengths());
        first.Put(0b000001010011'1111'11, 18);  // "abcdabc"
        second.Put(0b101'01, 5);                // 257: distance 4 again, length 3: "dab"
        second.Put(0b010, 3);                   // 'c'
        expected = "dabc";
    }
    first.AlignToByte();
    second.AlignToByte();
    const uint64_t firstSize = GetParam().audio ? 3 : 7;
    for (const bool skipped : {false, true}) {
        Rar20Decoder decoder;
        ChunkedInput in(first.Bytes(), 3);
        DiscardSink discard;
        StringSink kept;
        decoder.Decode(in, skipped ? static_cast<rar::UnpackedSink&>(discard) : kept,
                       Params(firstSize));
        EXPECT_EQ(Decode(decoder, second.Bytes(), Params(expected.size(), true)), expected)
            << (skipped ? "after a skipped entry" : "after an extracted entry");
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, Rar20Solid,
                         ::testing::Values(SolidRow{"Lz", false}, SolidRow{"Audio", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DamageRow {
    const char* name;
    std::vector<uint8_t> packed;
    DecodeParams params;
};

std::vector<uint8_t> RepeatFirst() {
    rar3::BitWriter w;
    w.Put(0, 2);
    for (int i = 0; i < 19; ++i) w.Put(i == 0 || i == 16 ? 1 : 0, 4);  // 0: code 0, 16: code 1
    w.Put(0b1000'0000, 8);
    return w.Bytes();
}

std::vector<uint8_t> TooManyCodes() {
    rar3::BitWriter w;
    std::vector<uint8_t> l(374, 1);  // 298 one-bit codes
    HandTables(w, false, 1, l);
    w.AlignToByte();
    return w.Bytes();
}

std::vector<uint8_t> CutShort() {
    std::vector<uint8_t> packed = rar20::RandomRun(7, 1, 2000, true)[0].packed;
    packed.resize(packed.size() / 2);
    return packed;
}

DecodeParams Unknown() {
    DecodeParams p = Params(100);
    p.unknownSize = true;
    return p;
}

class Rar20Damage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(Rar20Damage, IsBadData) {
    Rar20Decoder decoder;
    try {
        Decode(decoder, GetParam().packed, GetParam().params);
        FAIL() << "decoded";
    } catch (const RarError& e) {
        EXPECT_EQ(e.Code(), ERAR_BAD_DATA) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, Rar20Damage,
    ::testing::Values(DamageRow{"RepeatBeforeAnyLength", RepeatFirst(), Params(10)},
                      DamageRow{"OversubscribedCode", TooManyCodes(), Params(10)},
                      DamageRow{"CutShort", CutShort(),
                                Params(rar20::RandomRun(7, 1, 2000, true)[0].size)},
                      DamageRow{"UnknownSize", TooManyCodes(), Unknown()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rar20Decoder, RefusesToContinueARunAfterAFailedEntry) {
    Rar20Decoder decoder;
    EXPECT_THROW(Decode(decoder, CutShort(), Params(100000)), RarError);
    EXPECT_THROW(Decode(decoder, rar20::RandomRun(8, 1, 10, false)[0].packed, Params(5, true)),
                 RarError);
}

struct UnarRow {
    const char* name;
    uint32_t seed;
    size_t entries;
    bool solid;
    uint64_t volumeSize;
    uint8_t unpVer;
};

class Rar20AgainstUnar : public TempFolderTest, public ::testing::WithParamInterface<UnarRow> {};

// Random streams of every symbol, table switches and audio blocks: unar must extract what the
// decoder makes of them, and the library must extract the same through its archive path.
TEST_P(Rar20AgainstUnar, ExtractsTheSameBytes) {
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is needed";
    const UnarRow& row = GetParam();
    const auto pieces = rar20::RandomRun(row.seed, row.entries, 3000, true);
    std::vector<std::vector<uint8_t>> packed;
    std::vector<uint64_t> sizes;
    for (const auto& piece : pieces) {
        packed.push_back(piece.packed);
        sizes.push_back(piece.size);
    }
    // Entries of a run that is not solid each start afresh: give each its own stream.
    if (!row.solid) {
        for (size_t i = 0; i < packed.size(); ++i) {
            const auto alone = rar20::RandomRun(row.seed + static_cast<uint32_t>(i), 1, 3000, true);
            packed[i] = alone[0].packed;
            sizes[i] = alone[0].size;
        }
    }
    const std::vector<std::string> data = DecodeRun(row.unpVer, packed, sizes, row.solid);
    std::vector<OldEntry> entries;
    for (size_t i = 0; i < data.size(); ++i) entries.push_back({packed[i], data[i]});
    const auto volumes =
        WriteOldArchive(Path("x.rar"), entries, row.unpVer, row.solid, row.volumeSize);
    if (row.volumeSize != 0) {
        ASSERT_GT(volumes.size(), 2u);
    }
    const auto unar = UnarExtract(volumes[0], Path("unar"));
    const auto ours = LibraryExtract(volumes[0], Path("ours"));
    ASSERT_EQ(unar.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string name = "e" + std::to_string(i);
        EXPECT_TRUE(unar.at(name) == data[i]) << name << " differs from unar's";
        EXPECT_TRUE(ours.count(name) && ours.at(name) == data[i]) << name << " through the library";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Archives, Rar20AgainstUnar,
    ::testing::Values(UnarRow{"Single", 1, 1, false, 0, 20},
                      UnarRow{"Separate", 2, 3, false, 0, 26}, UnarRow{"Solid", 3, 4, true, 0, 20},
                      UnarRow{"SolidOverOldNamedVolumes", 4, 4, true, 5000, 20},
                      UnarRow{"LongSolid", 5, 3, true, 0, 26}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::test
