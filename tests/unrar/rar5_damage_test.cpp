// The RAR 5.0 decoder on damaged and hostile streams: every fault ends in RarError with its
// code, never in a crash, a hang or output beyond the entry.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/unrar/decoder_io.h"
#include "tests/unrar/rar5_streams.h"
#include "tools/rar5pack/rar5_compressor.h"
#include "unrar/rar5_decoder.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::test {
namespace {

using rar::DecodeParams;
using rar::Rar5Decoder;
using rar5pack::Rar5StreamWriter;
using rar5pack::Rar5Tables;

constexpr uint64_t kMiB = 1024 * 1024;

struct BadStreamRow {
    const char* name;
    void (*write)(Rar5StreamWriter& w);
    uint64_t size;
    int code;
};

class Rar5BadStream : public ::testing::TestWithParam<BadStreamRow> {};

TEST_P(Rar5BadStream, IsRefusedWithItsCode) {
    Rar5StreamWriter w;
    GetParam().write(w);
    Rar5Decoder d;
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, w.Stream(), Rar5Params(GetParam().size)); }),
              GetParam().code);
}

const Rar5Tables kFlat = Rar5Tables::Flat();

// Tables written by hand: the length code gives symbols 0 and `second` one bit each.
void HandTables(Rar5StreamWriter& w, unsigned second) {
    w.BeginBlockWithRawTables();
    for (unsigned i = 0; i < 20; ++i) w.Raw(i == 0 || i == second ? 1 : 0, 4);
}

const BadStreamRow kBadStreams[] = {
    {"FirstBlockWithoutTables",
     [](Rar5StreamWriter& w) {
         w.BeginBlock(nullptr);
         w.Raw(0, 8);
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
    {"LastBlockEndsBeforeTheEntry",
     [](Rar5StreamWriter& w) {
         w.BeginBlock(&kFlat);
         w.Literal('a');
         w.EndBlock(true);
     },
     2, ERAR_BAD_DATA},
    {"MatchRunsPastTheEntry",
     [](Rar5StreamWriter& w) {
         w.BeginBlock(&kFlat);
         w.Literal('a');
         w.Match(10, 1);
         w.EndBlock(true);
     },
     5, ERAR_BAD_DATA},
    {"RepeatedLengthBeforeAnyLength",
     [](Rar5StreamWriter& w) {
         HandTables(w, 16);
         w.Raw(1, 1);  // symbol 16
         w.Raw(0, 3);
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
    {"OversubscribedLengthCode",
     [](Rar5StreamWriter& w) {
         w.BeginBlockWithRawTables();
         for (unsigned i = 0; i < 20; ++i) w.Raw(1, 4);  // 20 one-bit codes
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
    {"CodeNoSymbolHas",
     [](Rar5StreamWriter& w) {
         Rar5Tables only = kFlat;
         std::fill(only.literals.begin(), only.literals.end(), 0);
         only.literals['a'] = 1;  // code 0; code 1 is no symbol's
         w.BeginBlock(&only);
         w.Raw(1, 1);
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
    {"UnknownFilterType",
     [](Rar5StreamWriter& w) {
         w.BeginBlock(&kFlat);
         w.Filter(4, 0, 16);
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
    {"FilterLongerThan4MiB",
     [](Rar5StreamWriter& w) {
         w.BeginBlock(&kFlat);
         w.Filter(1, 0, 4 * kMiB + 1);
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
    {"OverlappingFilters",
     [](Rar5StreamWriter& w) {
         w.BeginBlock(&kFlat);
         w.Filter(1, 0, 100);
         w.Filter(3, 50, 100);
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
    {"TooManyFilters",
     [](Rar5StreamWriter& w) {
         w.BeginBlock(&kFlat);
         for (uint32_t i = 0; i <= 8192; ++i) w.Filter(1, 1000 + 8 * i, 8);
         w.EndBlock(true);
     },
     1, ERAR_BAD_DATA},
};

INSTANTIATE_TEST_SUITE_P(Rows, Rar5BadStream, ::testing::ValuesIn(kBadStreams),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Rar5Decoder, BlockHeaderFaults) {
    Rar5StreamWriter w;
    w.BeginBlock(&kFlat);
    w.Literal('a');
    w.EndBlock(true);
    const std::string good = w.Stream();
    Rar5Decoder d;
    ASSERT_EQ(Rar5Decode(d, good, Rar5Params(1)), "a");
    std::string badCheck = good;
    badCheck[1] ^= 0x01;
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, badCheck, Rar5Params(1)); }), ERAR_BAD_DATA);
    // A four-byte size field (count 3), with its check byte made to fit.
    std::string wide = good;
    wide[0] = static_cast<char>(wide[0] | 0x18);
    wide[1] = static_cast<char>(wide[1] ^ 0x18);
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, wide, Rar5Params(1)); }), ERAR_BAD_DATA);
}

TEST(Rar5Decoder, RefusesOtherVersionsAndWindowsBeyondTheMachine) {
    Rar5Decoder d;
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, "", Rar5Params(1, 1 << 20, false, 29)); }),
              ERAR_UNKNOWN_FORMAT);
    DecodeParams huge = Rar5Params(0, uint64_t{1} << 50, false, 70);
    huge.unknownSize = true;
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, "", huge); }), ERAR_NO_MEMORY);
}

TEST(Rar5Decoder, AnEmptyEntryReadsNothing) {
    Rar5Decoder d;
    EXPECT_EQ(Rar5Decode(d, "", Rar5Params(0)), "");
}

TEST(Rar5Decoder, SinkErrorsPassThroughAndEndTheSolidRun) {
    Rar5StreamWriter w;
    w.BeginBlock(&kFlat);
    w.Literal('a');
    w.EndBlock(true);
    struct Refusing : rar::UnpackedSink {
        void Write(const uint8_t*, size_t) override { throw std::runtime_error("disk full"); }
    } refusing;
    Rar5Decoder d;
    ChunkedInput in(w.Stream(), 100);
    EXPECT_THROW(d.Decode(in, refusing, Rar5Params(1)), std::runtime_error);
    EXPECT_EQ(RarErrorOf([&] { Rar5Decode(d, w.Stream(), Rar5Params(1, 1 << 20, true)); }),
              ERAR_BAD_DATA);
}

// A stream with everything: several blocks of fitted tables from the compressor, then a block
// with filters.
struct Sample {
    std::string stream;
    std::string out;
};

Sample RichSample() {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i * 7 % 13) + " of the sample\n";
    rar5pack::CompressOptions options;
    options.dictionary = 128 * 1024;
    options.blockSymbols = 200;
    Sample s;
    s.stream = rar5pack::Rar5Compressor(options).CompressEntry(text);
    s.out = text;
    return s;
}

void ExpectCutsAndFlipsEndInRarError(const Sample& sample) {
    {
        Rar5Decoder d;
        ASSERT_EQ(Rar5Decode(d, sample.stream, Rar5Params(sample.out.size())), sample.out);
    }
    for (size_t cut = 0; cut < sample.stream.size(); ++cut) {
        Rar5Decoder d;
        const int code = RarErrorOf(
            [&] { Rar5Decode(d, sample.stream.substr(0, cut), Rar5Params(sample.out.size())); });
        EXPECT_EQ(code, ERAR_BAD_DATA) << "cut at " << cut;
    }
    for (size_t at = 0; at < sample.stream.size(); ++at) {
        for (uint8_t mask : {0x01, 0x10, 0xFF}) {
            std::string bad = sample.stream;
            bad[at] = static_cast<char>(bad[at] ^ mask);
            Rar5Decoder d;
            std::string out;
            const int code = RarErrorOf(
                [&] { out = Rar5Decode(d, bad, Rar5Params(sample.out.size()), 1 + at % 7); });
            // A flip may still decode (the entry's check value catches it), but never to more
            // or fewer bytes than the entry has.
            if (code == 0) {
                EXPECT_EQ(out.size(), sample.out.size()) << "flip at " << at;
            } else {
                EXPECT_EQ(code, ERAR_BAD_DATA) << "flip at " << at;
            }
        }
    }
}

TEST(Rar5Decoder, DamagedCompressorStreamEndsInRarError) {
    ExpectCutsAndFlipsEndInRarError(RichSample());
}

TEST(Rar5Decoder, DamagedRarMadeStreamEndsInRarError) {
    Rar5Decoder d;
    ExpectCutsAndFlipsEndInRarError(
        {kRarMadeStream, Rar5Decode(d, kRarMadeStream, Rar5Params(kRarMadeSize))});
}

TEST(Rar5Decoder, RandomBytesEndInRarError) {
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        std::string junk(rng() % 300, '\0');
        for (char& c : junk) c = static_cast<char>(rng());
        if (junk.size() > 3 && i % 2) {
            // A block header that passes its check, so that the tables and codes are reached.
            junk[0] = static_cast<char>(0x80 | (junk[0] & 0x47));
            junk[1] = static_cast<char>(0x5A ^ junk[0] ^ junk[2]);
        }
        Rar5Decoder d;
        std::string out;
        const uint64_t size = rng() % 5000;
        const int code = RarErrorOf([&] { out = Rar5Decode(d, junk, Rar5Params(size)); });
        if (code == 0) {
            EXPECT_EQ(out.size(), size);
        } else {
            EXPECT_EQ(code, ERAR_BAD_DATA);
        }
    }
}

}  // namespace
}  // namespace kiv::test
