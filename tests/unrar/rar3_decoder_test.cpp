// The RAR 2.9/3.x decoder on hand-made LZ streams: every kind of symbol, table switches, filter
// blocks, solid runs, the window's wrap-around, and damage.
#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "tests/unrar/decoder_io.h"
#include "tests/unrar/ppm_stream.h"
#include "tests/unrar/rar3_stream_writer.h"
#include "unrar/rar3_decoder.h"
#include "unrar/rar3_filter_transforms.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::test {
namespace {

using rar::DecodeParams;
using rar::Rar3Decoder;
using rar::RarError;
using rar3::ArchivedEntry;
using rar3::DeltaProgram;
using rar3::E8E9Program;
using rar3::kNewFilterFlags;
using rar3::LzStreamWriter;
using rar3::NewProgramFilter;
using rar3::ReuseFilter;
using rar3::TableLengths;
using rar3::UniformLengths;

constexpr uint64_t kMiB = 1024 * 1024;

DecodeParams Params(uint64_t size, bool solid = false) {
    DecodeParams p;
    p.unpVer = 29;
    p.unpSize = size;
    p.dictionarySize = 4 * kMiB;
    p.solid = solid;
    return p;
}

std::string Decode(Rar3Decoder& decoder, const std::vector<uint8_t>& packed, const DecodeParams& p,
                   size_t chunk = 7) {
    ChunkedInput in(packed, chunk);
    StringSink out;
    decoder.Decode(in, out, p);
    return out.text;
}

std::string Decode(const std::vector<uint8_t>& packed, uint64_t size) {
    Rar3Decoder decoder;
    return Decode(decoder, packed, Params(size));
}

// Only 'a'-'h', the block and filter codes, short distance 1-4, lengths 3-6 at distances 1-4,
// and the low distance codes: 4-bit and 2-bit codes written with run codes.
TableLengths SparseLengths(char firstLetter = 'a') {
    TableLengths l{};
    for (int c = 0; c < 8; ++c) l[static_cast<uint8_t>(firstLetter + c)] = 4;
    for (int s : {256, 257, 258, 263, 271, 272, 273, 274}) l[s] = 4;
    for (int d = 0; d < 4; ++d) l[299 + d] = 2;
    for (int low = 0; low < 17; ++low) l[359 + low] = 5;
    for (int len = 0; len < 4; ++len) l[376 + len] = 2;
    return l;
}

// A stream beside what it must decode to, for streams too long to check by hand: a plain model
// of the copies, the old distances and the last match.
struct Script {
    LzStreamWriter w;
    std::string expected;
    std::array<uint32_t, 4> old{};
    uint32_t lastDistance = 0, lastLength = 0;

    void Literals(const std::string& text) {
        w.Literals(text);
        expected += text;
    }
    void Match(uint32_t length, uint32_t distance, bool lowRepeat = false) {
        w.Match(length, distance, lowRepeat);
        Push(distance);
        Copy(distance, length);
    }
    void ShortMatch(uint32_t distance) {
        w.ShortMatch(distance);
        Push(distance);
        Copy(distance, 2);
    }
    void OldDistance(unsigned index, uint32_t length) {
        w.OldDistance(index, length);
        const uint32_t distance = old[index];
        for (unsigned i = index; i > 0; --i) old[i] = old[i - 1];
        old[0] = distance;
        Copy(distance, length);
    }
    void RepeatLast() {
        w.RepeatLast();
        if (lastLength != 0) Copy(lastDistance, lastLength);
    }

private:
    void Push(uint32_t distance) { old = {distance, old[0], old[1], old[2]}; }
    void Copy(uint32_t distance, uint32_t length) {
        for (uint32_t i = 0; i < length; ++i) {
            expected += distance > expected.size() ? '\0' : expected[expected.size() - distance];
        }
        lastDistance = distance;
        lastLength = length;
    }
};

std::string Pattern256() {
    std::string s;
    for (int i = 0; i < 256; ++i) s += static_cast<char>((i * 7 + 3) & 0xFF);
    return s;
}

struct StreamRow {
    const char* name;
    std::function<void(LzStreamWriter&)> write;
    std::string expected;
};

class HandMadeStream : public ::testing::TestWithParam<StreamRow> {};

TEST_P(HandMadeStream, DecodesToTheExpectedBytes) {
    const StreamRow& row = GetParam();
    LzStreamWriter w;
    row.write(w);
    w.EndOfFile(true);
    const std::vector<uint8_t> packed = w.Finish();
    for (size_t chunk : {size_t{1}, size_t{5}, size_t{4096}}) {
        Rar3Decoder decoder;
        EXPECT_EQ(Decode(decoder, packed, Params(row.expected.size()), chunk), row.expected)
            << "chunks of " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandMadeStream,
    ::testing::Values(
        StreamRow{"LiteralsAndAMatch",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      w.Literals("abc");
                      w.Match(6, 3);
                  },
                  "abcabcabc"},
        StreamRow{"ShortDistances",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      w.Literals("xy");
                      w.ShortMatch(2);
                      w.ShortMatch(1);
                      w.ShortMatch(256);  // before the first byte: zeros
                  },
                  std::string("xyxyyy\0\0", 8)},
        StreamRow{"OldDistancesMoveToTheFront",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      w.RepeatLast();  // nothing to repeat yet
                      w.Literals("abcd");
                      w.Match(3, 4);        // abc; distances 4
                      w.ShortMatch(1);      // cc; distances 1 4
                      w.OldDistance(1, 3);  // 4 back: bcc; distances 4 1
                      w.RepeatLast();       // 4 back, 3 again: cbc
                      w.OldDistance(1, 2);  // 1 back: cc
                  },
                  "abcdabcccbcccbccc"},
        StreamRow{"NewTablesMidStream",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      w.Literals("ab");
                      w.NewTables(SparseLengths());
                      w.Literals("cd");
                      w.Match(4, 2);
                  },
                  "abcdcdcd"},
        StreamRow{"KeptLengthsAreAddedTo",
                  [](LzStreamWriter& w) {
                      w.Tables(SparseLengths());
                      w.Literals("ab");
                      w.NewTables(SparseLengths('i'), true);
                      w.Literals("ij");
                      w.Match(3, 2);
                  },
                  "abijiji"},
        StreamRow{"E8E9FilterUndoesCallsAndJumps",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 10, 0, 0, E8E9Program()));
                      // call +5 from offset 1: back to 4; jmp -1 from offset 6: 0xFFFFFF
                      w.Literals(std::string("\xE8\x05\x00\x00\x00\xE9\xFF\xFF\xFF\xFF", 10));
                      w.Literals("zz");
                  },
                  std::string("\xE8\x04\x00\x00\x00\xE9\xFF\xFF\xFF\x00zz", 12)},
        StreamRow{"FilterBlockStartsAheadOfItsDefinition",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      // 0x40: the block starts 258 bytes further on
                      w.Filter(kNewFilterFlags | 0x40,
                               NewProgramFilter(0, 2, 5, 0, 0, E8E9Program()));
                      w.Literals(std::string(260, 'x'));
                      w.Literals(std::string("\xE8\x10\x00\x00\x00y", 6));
                  },
                  std::string(260, 'x') + std::string("\xE8\x0B\xFF\xFF\xFFy", 6)},
        StreamRow{"DeltaFilterOnAMiddleBlock",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      w.Literals("AB");
                      w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 4, 2, 0, DeltaProgram()));
                      w.Literals("\x01\x02\x03\x04");
                      w.Literals("CD");
                  },
                  "AB\xFF\xFD\xFD\xF9"
                  "CD"},
        StreamRow{"ABlockFilteredTwice",
                  [](LzStreamWriter& w) {
                      w.Tables(UniformLengths());
                      w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 3, 1, 0, DeltaProgram()));
                      w.Filter(kNewFilterFlags, ReuseFilter(0, 0, 3, 1, 0));
                      w.Literals("\x01\x02\x03");
                  },
                  "\x01\x04\x0A"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadRow {
    const char* name;
    std::function<void(LzStreamWriter&)> write;
    uint64_t size;
    const char* message;  // part of the error's text
};

class BadStream : public ::testing::TestWithParam<BadRow> {};

TEST_P(BadStream, IsRefusedWithAClearError) {
    const BadRow& row = GetParam();
    LzStreamWriter w;
    row.write(w);
    try {
        Decode(w.Finish(), row.size);
        FAIL() << "decoded";
    } catch (const RarError& e) {
        EXPECT_EQ(e.Code(), ERAR_BAD_DATA);
        EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadStream,
    ::testing::Values(
        BadRow{"UnknownFilterProgram",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 4, 0, 0, {1, 2, 3, 4, 5}));
                   w.Literals("abcd");
               },
               4, "unsupported filter program (5 bytes, CRC-32 470B99F4)"},
        BadRow{"AlteredStandardProgram",
               [](LzStreamWriter& w) {
                   std::vector<uint8_t> program = E8E9Program();
                   program[20] ^= 1;
                   w.Tables(UniformLengths());
                   w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 4, 0, 0, program));
               },
               4, "unsupported filter program (57 bytes"},
        BadRow{"ProgramNeverDefined",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Filter(kNewFilterFlags, ReuseFilter(2, 0, 4, 0, 0));
               },
               4, "never defined"},
        BadRow{"FilterBlockPastTheEntry",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Filter(kNewFilterFlags, NewProgramFilter(0, 2, 8, 1, 0, DeltaProgram()));
                   w.Literals("0123456789");
               },
               6, "runs past the entry's end"},
        BadRow{"OverlappingFilterBlocks",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 8, 1, 0, DeltaProgram()));
                   w.Filter(kNewFilterFlags, ReuseFilter(0, 4, 8, 1, 0));
               },
               16, "overlapping"},
        BadRow{"FilterBlockTooLarge",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 0x3C001, 1, 0, DeltaProgram()));
               },
               16, "more than the 245760"},
        BadRow{"DeltaOfNoChannels",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 2, 0, 0, DeltaProgram()));
                   w.Literals("ab");
               },
               2, "no channels"},
        BadRow{"EndOfFileBeforeTheSize",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Literals("ab");
                   w.EndOfFile(true);
               },
               5, "ends 3 bytes before"},
        BadRow{"CutShort",
               [](LzStreamWriter& w) {
                   w.Tables(UniformLengths());
                   w.Literals("abcdef");
               },
               4000, "ends too soon"},
        BadRow{"RepeatOfNothingPastTheEnd",
               [](LzStreamWriter& w) {
                   // 258 (repeat the last match, of which there is none) is "0", so the zeros
                   // past the end repeat nothing forever.
                   TableLengths l{};
                   l[258] = 1;
                   l['a'] = l['b'] = 2;
                   w.Tables(l);
                   w.Literals("ab");
               },
               100, "ends too soon"},
        BadRow{"RepeatBeforeTheFirstLength",
               [](LzStreamWriter& w) {
                   w.Bits(0, 2);  // LZ, fresh lengths
                   for (int i = 0; i < 20; ++i) w.Bits(5, 4);
                   w.Bits(16, 5);  // "repeat the previous length" first
                   w.Bits(0, 3);
               },
               4, "before the first"},
        BadRow{"OverSubscribedCode",
               [](LzStreamWriter& w) {
                   TableLengths all{};
                   all.fill(1);
                   w.Tables(all);
               },
               4, "over-subscribed"},
        BadRow{"BitsOfNoCode",
               [](LzStreamWriter& w) {
                   TableLengths lone = UniformLengths();
                   std::fill_n(lone.begin(), 299, 0);
                   lone['a'] = 1;  // "0" is 'a', "1" is nothing
                   w.Tables(lone);
                   w.Literals("a");
                   w.Bits(1, 1);
               },
               4, "form no code"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rar3Decoder, FarDistancesLengthenTheirMatches) {
    Script s;
    s.w.Tables(UniformLengths());
    s.Literals(Pattern256());
    while (s.expected.size() < 0x41000) s.Match(257, 256);
    s.Match(5, 0x1FFF);   // coded as 5
    s.Match(5, 0x2000);   // coded as 4
    s.Match(9, 0x40000);  // coded as 7
    s.Literals("end");
    s.w.EndOfFile(true);
    EXPECT_EQ(Decode(s.w.Finish(), s.expected.size()), s.expected);
}

TEST(Rar3Decoder, LowDistanceRepeatsCoverTheNextFifteen) {
    Script s;
    s.w.Tables(UniformLengths());
    s.Literals(Pattern256());
    s.Match(3, 40);  // slot 10: only the low bits, 7 here
    s.Match(4, 56, true);
    for (uint32_t i = 0; i < 15; ++i) s.Match(3, 72 + 16 * i);  // low bits 7, not coded
    s.Match(3, 41);                                             // coded again
    s.w.EndOfFile(true);
    EXPECT_EQ(Decode(s.w.Finish(), s.expected.size()), s.expected);
}

TEST(Rar3Decoder, WindowWrapsAroundWithFiltersAcrossTheSeam) {
    // An entry of unknown size gets the whole 4 MiB; 4.5 MiB of output pass its end.
    Script s;
    s.w.Tables(UniformLengths());
    s.Literals(Pattern256());
    while (s.expected.size() < 4 * kMiB - 300) s.Match(258, 257);
    const uint32_t offset = static_cast<uint32_t>(4 * kMiB - 100 - s.expected.size());
    s.w.Filter(kNewFilterFlags, NewProgramFilter(0, offset, 200, 3, 0, DeltaProgram()));
    const size_t blockStart = 4 * kMiB - 100;
    while (s.expected.size() < 4 * kMiB + 200) s.Match(258, 257);
    s.Match(100, 4 * kMiB);          // as far as the window reaches: the ring's own byte
    s.Match(258, 3 * kMiB + 12345);  // from before the seam
    while (s.expected.size() < 4 * kMiB + kMiB / 2) s.Match(258, 1000);
    s.w.EndOfFile(true);

    std::string expected = s.expected;
    const std::string block = expected.substr(blockStart, 200);
    std::string filtered(200, '\0');
    rar::rar3::UndoDelta(std::span(reinterpret_cast<const uint8_t*>(block.data()), 200),
                         std::span(reinterpret_cast<uint8_t*>(filtered.data()), 200), 3);
    expected.replace(blockStart, 200, filtered);

    Rar3Decoder decoder;
    DecodeParams p = Params(0);
    p.unknownSize = true;
    const std::string out = Decode(decoder, s.w.Finish(), p, 65536);
    ASSERT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

class SolidRun : public ::testing::Test {
protected:
    Rar3Decoder decoder;
};

TEST_F(SolidRun, NextEntryContinuesWindowTablesAndDistances) {
    LzStreamWriter first;
    first.Tables(UniformLengths());
    first.Literals("hello world");
    first.Match(3, 5);  // "wor"
    first.EndOfFile(false);
    EXPECT_EQ(Decode(decoder, first.Finish(), Params(14)), "hello worldwor");

    // The same tables, not written again: the entry starts with its first symbol.
    LzStreamWriter second;
    second.UseTables(UniformLengths());
    second.Match(5, 14);       // "hello"
    second.OldDistance(1, 3);  // 5 back, the first entry's distance: "hel"
    EXPECT_EQ(Decode(decoder, second.Finish(), Params(8, true)), "hellohel");
}

TEST_F(SolidRun, TrailingEndOfFileTellsTheNextEntryToReadTables) {
    for (bool nextHasTables : {true, false}) {
        LzStreamWriter first;
        first.Tables(SparseLengths());
        first.Literals("abc");
        first.EndOfFile(nextHasTables);  // after the entry's 3 bytes
        Decode(decoder, first.Finish(), Params(3));

        LzStreamWriter second;
        if (nextHasTables) {
            second.Tables(UniformLengths());
            second.Literals("xyz");
        } else {
            second.UseTables(SparseLengths());
            second.Literals("hgf");
        }
        EXPECT_EQ(Decode(decoder, second.Finish(), Params(3, true)), nextHasTables ? "xyz" : "hgf")
            << nextHasTables;
    }
}

TEST_F(SolidRun, SkippedEntryStillFeedsTheNext) {
    LzStreamWriter first;
    first.Tables(UniformLengths());
    first.Literals("skipped text");
    first.EndOfFile(false);
    ChunkedInput in(first.Finish(), 3);
    DiscardSink nowhere;
    decoder.Decode(in, nowhere, Params(12));
    EXPECT_EQ(nowhere.bytes, 12u);

    LzStreamWriter second;
    second.UseTables(UniformLengths());
    second.Match(4, 12);
    EXPECT_EQ(Decode(decoder, second.Finish(), Params(4, true)), "skip");
}

TEST_F(SolidRun, SmallFirstEntryGrowsTheWindowForTheNext) {
    Script first;
    first.w.Tables(UniformLengths());
    first.Literals(Pattern256());
    first.w.EndOfFile(false);
    EXPECT_EQ(Decode(decoder, first.w.Finish(), Params(256)), first.expected);

    // The first entry's window held 256 KiB; the next one reaches back further than that.
    Script second;
    second.expected = first.expected;
    second.w.UseTables(UniformLengths());
    while (second.expected.size() < 300 * 1024) second.Match(258, 256);
    second.Match(200, static_cast<uint32_t>(second.expected.size() - 10));
    const std::string out =
        Decode(decoder, second.w.Finish(), Params(second.expected.size() - 256, true));
    EXPECT_TRUE(out == second.expected.substr(256));
}

TEST_F(SolidRun, NonSolidEntryStartsAfresh) {
    LzStreamWriter first;
    first.Tables(UniformLengths());
    first.Literals("abc");
    first.EndOfFile(false);
    Decode(decoder, first.Finish(), Params(3));
    LzStreamWriter second;
    second.Tables(UniformLengths());
    second.Match(3, 3);  // the previous entry is gone: zeros
    second.EndOfFile(true);
    EXPECT_EQ(Decode(decoder, second.Finish(), Params(3)), std::string(3, '\0'));
}

TEST_F(SolidRun, DamagedEntryEndsTheRun) {
    LzStreamWriter first;
    first.Tables(UniformLengths());
    first.Literals("ab");
    EXPECT_THROW(Decode(decoder, first.Finish(), Params(100)), RarError);
    try {
        Decode(decoder, {0x00}, Params(1, true));
        FAIL() << "continued";
    } catch (const RarError& e) {
        EXPECT_NE(std::string(e.what()).find("did not end cleanly"), std::string::npos);
    }
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// PPM blocks are written with the PPMd model's own test writer; the escape sequences are ours.
class PpmBlocks : public ::testing::Test {
protected:
    static constexpr uint8_t kEscape = 2;
    void PutText(const std::string& text) {
        for (char c : text) ppm.Put(static_cast<uint8_t>(c));
    }
    void PutEscape(std::initializer_list<uint8_t> codes) {
        ppm.Put(kEscape);
        for (uint8_t c : codes) ppm.Put(c);
    }
    PpmStreamWriter ppm;
    Rar3Decoder decoder;
};

TEST_F(PpmBlocks, EscapeCodesCopyRepeatAndQuote) {
    ppm.StartRestartBlock(1, 6);
    PutText("abc");
    PutEscape({4, 0, 0, 1, 0});  // distance 1 + 2, length 0 + 32
    PutEscape({5, 1});           // distance 1, length 1 + 4
    PutEscape({1});              // the escape character itself
    PutText("z");
    PutEscape({2});
    std::string expected = "abc";
    for (int i = 0; i < 32; ++i) expected += expected[expected.size() - 3];
    expected += std::string(5, expected.back()) + "\x02z";
    EXPECT_EQ(Decode(decoder, Bytes(ppm.Finish()), Params(expected.size())), expected);
}

TEST_F(PpmBlocks, FilterDefinedInsideAPpmBlock) {
    ppm.StartRestartBlock(1, 6);
    const std::vector<uint8_t> body = NewProgramFilter(0, 0, 3, 1, 0, DeltaProgram());
    PutEscape({3, kNewFilterFlags | 6, static_cast<uint8_t>(body.size() - 7)});
    for (uint8_t b : body) ppm.Put(b);  // the definition's bytes are taken as they come
    PutText("\x01");
    PutEscape({1});  // 2, the escape character
    PutText("\x03!");
    PutEscape({2});
    EXPECT_EQ(Decode(decoder, Bytes(ppm.Finish()), Params(4)), "\xFF\xFD\xFA!");
}

TEST_F(PpmBlocks, SwitchToLzAndBack) {
    ppm.StartRestartBlock(1, 6);
    PutText("ppm ");
    PutEscape({0});  // an LZ block follows
    std::vector<uint8_t> packed = Bytes(ppm.Finish());
    LzStreamWriter lz;
    lz.Tables(UniformLengths());
    lz.Literals("lz ");
    lz.Match(4, 7);  // "ppm "
    lz.EndBlock();   // a PPM block follows, continuing the model
    const std::vector<uint8_t> middle = lz.Finish();
    packed.insert(packed.end(), middle.begin(), middle.end());
    // The model as the first block left it.
    ppm.StartContinueBlock();
    PutText("ppm");
    PutEscape({2});
    const std::string all = ppm.Finish();
    const size_t firstSize = packed.size() - middle.size();
    packed.insert(packed.end(), all.begin() + static_cast<long>(firstSize), all.end());
    EXPECT_EQ(Decode(decoder, packed, Params(14)), "ppm lz ppm ppm");
}

TEST_F(PpmBlocks, SolidEntryContinuesTheModelAfterItsEndCode) {
    ppm.StartRestartBlock(1, 6);
    PutText("hello world");
    PutEscape({2});  // read after the entry's size
    const std::string first = ppm.Finish();
    EXPECT_EQ(Decode(decoder, Bytes(first), Params(11)), "hello world");
    ppm.StartContinueBlock();
    PutEscape({4, 0, 0, 9, 0});  // 11 back: "hello world"[0..]
    PutEscape({2});
    const std::string both = ppm.Finish();
    EXPECT_EQ(Decode(decoder, Bytes(both.substr(first.size())), Params(32, true)),
              "hello worldhello worldhello worl");
}

TEST(Rar3PpmRestart, ABlockInsideAnEntryRestartsTheModel) {
    // The second block restarts the model with another order and escape character, with the same
    // memory (the model is reused) or more (a new one). A decoder that kept the first model's
    // statistics, order or escape reads other symbols from the same bits.
    struct Row {
        unsigned memoryMiB, order;
    };
    for (const Row row : {Row{1, 3}, Row{2, 16}}) {
        PpmStreamWriter ppm;
        Rar3Decoder decoder;
        ppm.StartRestartBlock(1, 6);
        const std::string first = "first model, order six, first model";
        for (char c : first) ppm.Put(static_cast<uint8_t>(c));
        for (uint8_t b : {2, 0}) ppm.Put(b);  // a new block follows
        ppm.StartRestartBlock(row.memoryMiB, row.order, 7);
        const std::string second = "second\x02 model, first model";  // 2 is a plain byte now
        for (char c : second) ppm.Put(static_cast<uint8_t>(c));
        for (uint8_t b : {7, 1, 7, 2}) ppm.Put(b);  // the new escape character itself, the end
        const std::string expected = first + second + "\x07";
        EXPECT_EQ(Decode(decoder, Bytes(ppm.Finish()), Params(expected.size())), expected)
            << row.memoryMiB << " MiB, order " << row.order;
    }
}

TEST_F(PpmBlocks, NonSolidEntryCannotContinueAModel) {
    ppm.StartRestartBlock(1, 6);
    PutText("hello");
    PutEscape({2});
    const std::string first = ppm.Finish();
    Decode(decoder, Bytes(first), Params(5));
    ppm.StartContinueBlock();
    PutText("hello");
    PutEscape({2});
    const std::string both = ppm.Finish();
    EXPECT_THROW(Decode(decoder, Bytes(both.substr(first.size())), Params(5)), RarError);
}

// What unar makes of hand-made streams in a RAR 2.9 archive: the peer must agree with the decoder
// and with the writer on every symbol kind, filter and solid continuation.
struct PeerRow {
    const char* name;
    std::function<std::vector<ArchivedEntry>()> make;
};

class PeerAgrees : public ::testing::TestWithParam<PeerRow> {};

TEST_P(PeerAgrees, UnarAndTheDecoderReadTheSame) {
    const std::vector<ArchivedEntry> entries = GetParam().make();
    Rar3Decoder decoder;
    for (size_t i = 0; i < entries.size(); ++i) {
        const ArchivedEntry& e = entries[i];
        EXPECT_TRUE(SameBytes(Decode(decoder, e.packed, Params(e.data.size(), i > 0)), e.data))
            << e.name;
    }
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is needed";
    TempFolder work;
    WriteFile(work / "in.rar", rar3::Rar29Archive(entries));
    ASSERT_EQ(RunShell("unar -q -f -D -o " + ShellQuote(work.Path()) + " " +
                       ShellQuote(work / "in.rar") + " >/dev/null 2>&1"),
              0);
    for (const ArchivedEntry& e : entries) {
        EXPECT_TRUE(SameBytes(ReadFile(work / e.name), e.data)) << e.name;
    }
}

ArchivedEntry Entry(const std::string& name, LzStreamWriter& w, const std::string& data) {
    return {name, w.Finish(), data};
}

ArchivedEntry Entry(const std::string& name, Script& s) {
    return {name, s.w.Finish(), s.expected};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PeerAgrees,
    ::testing::Values(
        PeerRow{"EverySymbolKind",
                [] {
                    Script s;
                    s.w.Tables(UniformLengths());
                    s.RepeatLast();  // nothing to repeat yet
                    s.Literals(Pattern256());
                    for (uint32_t d : {1u, 3u, 4u, 5u, 9u, 17u, 33u, 65u, 129u, 193u, 256u}) {
                        s.ShortMatch(d);
                    }
                    s.Match(7, 100);
                    s.RepeatLast();
                    s.Match(3, 40);
                    s.Match(4, 56, true);
                    for (uint32_t i = 0; i < 15; ++i) s.Match(5, 72 + 16 * i);
                    s.Match(10, 41);
                    for (unsigned index : {0u, 1u, 2u, 3u, 3u, 2u})
                        s.OldDistance(index, 20 + index);
                    s.RepeatLast();
                    s.w.EndOfFile(true);
                    return std::vector<ArchivedEntry>{Entry("symbols", s)};
                }},
        PeerRow{"FarDistancesAndTableSwitches",
                [] {
                    Script s;
                    s.w.Tables(SparseLengths());
                    s.Literals("abcdefgh");
                    s.w.NewTables(UniformLengths(), true);
                    s.Literals(Pattern256());
                    while (s.expected.size() < 0x41000) s.Match(257, 256);
                    s.Match(5, 0x2000);
                    s.Match(9, 0x40000);
                    s.w.NewTables(SparseLengths('i'));
                    s.Literals("ijkl");
                    s.w.EndOfFile(true);
                    return std::vector<ArchivedEntry>{Entry("far", s)};
                }},
        PeerRow{"FiltersOneAfterAnother",
                [] {
                    // (A block filtered twice, which the decoder allows, unar refuses.)
                    LzStreamWriter w;
                    w.Tables(UniformLengths());
                    w.Filter(kNewFilterFlags, NewProgramFilter(0, 2, 4, 2, 0, DeltaProgram()));
                    w.Filter(kNewFilterFlags, NewProgramFilter(1, 8, 10, 0, 0, E8E9Program()));
                    w.Literals(
                        "AB\x01\x02\x03\x04"
                        "CD");
                    w.Literals(std::string("\xE8\x05\x00\x00\x00\xE9\xFF\xFF\xFF\xFF", 10));
                    w.Filter(kNewFilterFlags, ReuseFilter(0, 0, 4, 4, 0));
                    w.Literals("\x01\x02\x03\x04");
                    w.EndOfFile(true);
                    // E8E9 at file offset 8; the delta program again, with 4 channels.
                    return std::vector<ArchivedEntry>{
                        Entry("filtered", w,
                              "AB\xFF\xFD\xFD\xF9"
                              "CD" +
                                  std::string("\xE8\xFC\xFF\xFF\xFF\xE9\xFF\xFF\xFF\x00", 10) +
                                  "\xFF\xFE\xFD\xFC")};
                }},
        PeerRow{"SolidRunKeepsTheTables",
                [] {
                    LzStreamWriter one, two;
                    one.Tables(UniformLengths());
                    one.Literals("hello world");
                    one.EndOfFile(false);
                    two.UseTables(UniformLengths());
                    two.Match(5, 11);
                    two.EndOfFile(true);
                    return std::vector<ArchivedEntry>{Entry("one", one, "hello world"),
                                                      Entry("two", two, "hello")};
                }},
        PeerRow{"SolidRunWithNewTablesAndAFilteredEntry",
                [] {
                    LzStreamWriter one, two;
                    one.Tables(SparseLengths());
                    one.Literals("abcdefgh");
                    one.EndOfFile(true);
                    two.Tables(UniformLengths());
                    two.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 5, 0, 0, E8E9Program()));
                    two.Literals(std::string("\xE8\x05\x00\x00\x00", 5));
                    two.Match(3, 13);
                    two.EndOfFile(true);
                    return std::vector<ArchivedEntry>{Entry("one", one, "abcdefgh"),
                                                      Entry("two", two,
                                                            std::string("\xE8\x04\x00\x00\x00"
                                                                        "abc",
                                                                        8))};
                }},
        PeerRow{"SolidRunOfPpmBlocks",
                [] {
                    PpmStreamWriter ppm;
                    ppm.StartRestartBlock(1, 6);
                    for (char c : std::string("hello world")) ppm.Put(static_cast<uint8_t>(c));
                    for (uint8_t c : {2, 4, 0, 0, 9, 0, 2, 5, 1, 2, 2}) ppm.Put(c);
                    const std::string first = ppm.Finish();
                    ppm.StartContinueBlock();
                    for (char c : std::string("hello")) ppm.Put(static_cast<uint8_t>(c));
                    for (uint8_t c : {2, 1, 2, 2}) ppm.Put(c);
                    const std::string both = ppm.Finish();
                    std::string data = "hello world";
                    for (int i = 0; i < 32; ++i) data += data[data.size() - 11];
                    data += std::string(5, data.back());
                    return std::vector<ArchivedEntry>{
                        {"one", Bytes(first), data},
                        {"two", Bytes(both.substr(first.size())), "hello\x02"}};
                }}),
    [](const auto& info) { return std::string(info.param.name); });

// RAR's own streams from libarchive's test files, when the corpus is at hand: LZ with several
// blocks, E8E9 and delta filters, PPM, binary data.
class Rar3Corpus : public ::testing::TestWithParam<const char*> {};

TEST_P(Rar3Corpus, EveryEntryMatchesItsCrc) {
    const char* env = std::getenv("KIV_RAR_CORPUS");
    const std::string path = std::string(env && *env ? env : KIV_CORPUS_DIR) + "/" + GetParam();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << path << " (tests/corpus/fetch)";
    Rar3Decoder decoder;
    size_t checked = 0;
    for (const PackedEntry& e : ReadPackedEntries(path)) {
        if (e.method == 0x30 || (e.unpVer != 29 && e.unpVer != 36)) continue;
        ChunkedInput in(Bytes(e.packed), 1 << 16);
        struct CrcSink : rar::UnpackedSink {
            void Write(const uint8_t* data, size_t size) override {
                crc = crc32(crc, data, static_cast<uInt>(size));
                bytes += size;
            }
            uLong crc = crc32(0L, nullptr, 0);
            uint64_t bytes = 0;
        } out;
        decoder.Decode(in, out, Params(e.unpSize, e.solid));
        EXPECT_EQ(out.bytes, e.unpSize) << e.name;
        EXPECT_EQ(out.crc, e.crc) << e.name;
        ++checked;
    }
    EXPECT_GT(checked, 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, Rar3Corpus,
                         ::testing::Values("test_read_format_rar_binary_data.rar",
                                           "test_read_format_rar_compress_normal.rar",
                                           "test_read_format_rar_compress_best.rar",
                                           "test_read_format_rar_filter.rar",
                                           "test_read_format_rar_multi_lzss_blocks.rar",
                                           "test_read_format_rar_unicode.rar",
                                           "test_read_format_rar_sfx.exe"));

// A stream with a bit of everything, for damage.
std::vector<uint8_t> RichStream(std::string* expected) {
    LzStreamWriter w;
    w.Tables(UniformLengths());
    w.Filter(kNewFilterFlags, NewProgramFilter(0, 0, 16, 2, 0, DeltaProgram()));
    w.Literals("0123456789abcdefghij");
    w.Match(30, 7);
    w.NewTables(SparseLengths());
    w.Literals("abcdh");
    w.Match(6, 3);
    w.RepeatLast();
    w.EndOfFile(true);
    std::vector<uint8_t> packed = w.Finish();
    *expected = Decode(packed, 65);
    return packed;
}

TEST(Rar3DecoderDamage, EveryCutEndsWithAnErrorOrTheFullSize) {
    std::string expected;
    const std::vector<uint8_t> good = RichStream(&expected);
    ASSERT_EQ(expected.size(), 65u);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> bad(good.begin(), good.begin() + static_cast<long>(cut));
        try {
            EXPECT_EQ(Decode(bad, expected.size()).size(), expected.size()) << "cut at " << cut;
        } catch (const RarError& e) {
            EXPECT_EQ(e.Code(), ERAR_BAD_DATA);
        }
    }
}

TEST(Rar3DecoderDamage, FlippedBitsEndWithAnErrorOrTheFullSize) {
    std::string expected;
    const std::vector<uint8_t> good = RichStream(&expected);
    for (size_t bit = 0; bit < good.size() * 8; ++bit) {
        std::vector<uint8_t> bad = good;
        bad[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
        try {
            EXPECT_EQ(Decode(bad, expected.size()).size(), expected.size()) << "bit " << bit;
        } catch (const RarError& e) {
            EXPECT_EQ(e.Code(), ERAR_BAD_DATA);
        }
    }
}

}  // namespace
}  // namespace kiv::test
