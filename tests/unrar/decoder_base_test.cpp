// The pieces every decoder stands on: the bit reader, the LZ window and the window sizing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unrar/decoder_io.h"
#include "unrar/bit_input.h"
#include "unrar/decoder.h"
#include "unrar/lz_window.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

#include "tests/unrar/decoder_io.h"

namespace kiv::rar {
namespace {

using test::ChunkedInput;
using test::StringSink;

TEST(BitInput, ReadsMostSignificantBitFirstAcrossChunks) {
    ChunkedInput in({0xA5, 0x0F, 0xF0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, 1);
    BitInput bits(in);
    EXPECT_EQ(bits.Get(1), 1u);
    EXPECT_EQ(bits.Get(3), 0x2u);
    EXPECT_EQ(bits.Get(4), 0x5u);
    EXPECT_EQ(bits.Peek(12), 0x0FFu);
    EXPECT_EQ(bits.Get(16), 0x0FF0u);
    EXPECT_EQ(bits.Get(32), 0x12345678u);
    EXPECT_EQ(bits.Position(), 56u);
    EXPECT_FALSE(bits.Overrun());
}

TEST(BitInput, AlignsToTheNextByteOfTheStream) {
    ChunkedInput in({0xFF, 0x80, 0x01}, 2);
    BitInput bits(in);
    bits.Skip(3);
    bits.AlignToByte();
    EXPECT_EQ(bits.Get(8), 0x80u);
    bits.AlignToByte();  // already aligned: nothing dropped
    EXPECT_EQ(bits.Get(8), 0x01u);
}

TEST(BitInput, ReadsZerosPastTheEndAndReportsTheOverrun) {
    ChunkedInput in({0xFF}, 4);
    BitInput bits(in);
    EXPECT_EQ(bits.Get(8), 0xFFu);
    EXPECT_FALSE(bits.Overrun());
    EXPECT_EQ(bits.Get(16), 0u);
    EXPECT_TRUE(bits.Overrun());
}

TEST(BitInput, TellsWhetherMoreRealBitsFollow) {
    ChunkedInput in({0xAB, 0xCD}, 1);
    BitInput bits(in);
    EXPECT_TRUE(bits.HasMore(16));
    EXPECT_FALSE(bits.HasMore(17));
    bits.Skip(13);
    EXPECT_TRUE(bits.HasMore(3));
    EXPECT_FALSE(bits.HasMore(4));
    EXPECT_FALSE(bits.Overrun());
}

TEST(LzWindow, GrowingKeepsThePositionAndTheBytes) {
    LzWindow w(8);
    for (char c : std::string("abcdefghij")) w.Put(static_cast<uint8_t>(c));  // wraps once
    w.Grow(32);
    EXPECT_EQ(w.Size(), 32u);
    EXPECT_EQ(w.Position(), 10u);
    w.Copy(8, 8);   // "cdefghij", the bytes the small ring still held
    w.Copy(18, 2);  // "ab", which the small ring had lost: zeros
    std::string out(10, '?');
    w.Read(8, 10, reinterpret_cast<uint8_t*>(out.data()));
    EXPECT_EQ(out, std::string("ijcdefghij", 10));
    std::string tail(2, '?');
    w.Read(18, 2, reinterpret_cast<uint8_t*>(tail.data()));
    EXPECT_EQ(tail, std::string("\0\0", 2));
}

TEST(LzWindow, CopyFromAWholeWindowBackRepeatsTheRing) {
    LzWindow w(8);
    for (char c : std::string("abcdefgh")) w.Put(static_cast<uint8_t>(c));
    w.Copy(8, 5);  // each byte copied onto itself
    StringSink sink;
    w.WriteTo(sink, 8, w.Position());
    EXPECT_EQ(sink.text, "abcde");
}

TEST(LzWindow, OverlappingCopyRepeatsTheRun) {
    LzWindow w(16);
    w.Put('a');
    w.Put('b');
    w.Copy(2, 5);
    StringSink sink;
    w.WriteTo(sink, 0, w.Position());
    EXPECT_EQ(sink.text, "abababa");
}

TEST(LzWindow, CopiesAndHandsOverAcrossTheWrap) {
    LzWindow w(8);
    const std::string first = "0123456";
    for (char c : first) w.Put(static_cast<uint8_t>(c));
    StringSink flushed;
    w.WriteTo(flushed, 0, w.Position());
    w.Copy(7, 6);  // "012345" written over the ring's end and start
    StringSink sink;
    w.WriteTo(sink, 7, w.Position());
    EXPECT_EQ(sink.text, "012345");
    std::string read(6, '\0');
    w.Read(7, 6, reinterpret_cast<uint8_t*>(read.data()));
    EXPECT_EQ(read, "012345");
    EXPECT_EQ(w.Room(7), 2u);
}

struct CopyRow {
    const char* name;
    uint64_t distance;
    size_t length;
};

class LzWindowCopy : public ::testing::TestWithParam<CopyRow> {};

// Each way a match lies in the ring, against copying byte by byte as LZ77 defines it.
TEST_P(LzWindowCopy, CopiesAsByteByByte) {
    const CopyRow& row = GetParam();
    LzWindow w(256);
    std::string expected;
    for (int i = 0; i < 300; ++i) {  // past the ring's size, so that sources may lie ahead
        w.Put(static_cast<uint8_t>(i * 7 + 3));
        expected.push_back(static_cast<char>(i * 7 + 3));
    }
    for (size_t i = 0; i < row.length; ++i)
        expected.push_back(expected[expected.size() - row.distance]);
    w.Copy(row.distance, row.length);
    std::string out(expected.size() - 200, '\0');
    w.Read(200, out.size(), reinterpret_cast<uint8_t*>(out.data()));
    EXPECT_EQ(out, expected.substr(200));
}

INSTANTIATE_TEST_SUITE_P(Rows, LzWindowCopy,
                         ::testing::Values(CopyRow{"Short", 40, 3}, CopyRow{"FourToEight", 40, 6},
                                           CopyRow{"EightToSixteen", 40, 13},
                                           CopyRow{"SixteenTo64", 100, 50},
                                           CopyRow{"Long", 150, 120}, CopyRow{"RunOfOne", 1, 30},
                                           CopyRow{"ShortPeriod", 5, 41},
                                           CopyRow{"OverlappingInSteps", 9, 50},
                                           CopyRow{"SourceAheadInTheRing", 250, 40},
                                           CopyRow{"SourceAheadByLittle", 253, 30}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LzWindow, ReachingBeforeTheFirstByteReadsZeros) {
    LzWindow w(1 << 16);
    w.Put('x');
    w.Copy(3, 4);         // two bytes before the start, then 'x', then the copied zero
    w.Copy(1u << 20, 2);  // beyond a window cut to the entry's size
    std::string out(7, '?');
    w.Read(0, 7, reinterpret_cast<uint8_t*>(out.data()));
    EXPECT_EQ(out, std::string("x\0\0x\0\0\0", 7));
}

struct WindowRow {
    const char* name;
    DecodeParams params;
    size_t expected;  // 0: refused
};

class WindowSize : public ::testing::TestWithParam<WindowRow> {};

TEST_P(WindowSize, FitsTheEntryOrRefuses) {
    const WindowRow& row = GetParam();
    if (row.expected == 0) {
        try {
            WindowSizeFor(row.params);
            FAIL() << "a window was granted";
        } catch (const RarError& e) {
            EXPECT_EQ(e.Code(), ERAR_NO_MEMORY);
            EXPECT_NE(std::string(e.what()).find("dictionary"), std::string::npos) << e.what();
        }
    } else {
        EXPECT_EQ(WindowSizeFor(row.params), row.expected);
    }
}

constexpr uint64_t kMiB = 1024 * 1024;
INSTANTIATE_TEST_SUITE_P(
    Rows, WindowSize,
    ::testing::Values(
        WindowRow{"SmallEntryNeedsOnlyTheMinimum", {50, 1000, false, 32 * kMiB, false}, 256 * 1024},
        WindowRow{"EntryOwnSizeRoundedUp", {50, 3 * kMiB, false, 32 * kMiB, false}, 4 * kMiB},
        WindowRow{
            "LargeEntryTakesTheDictionary", {29, 100 * kMiB, false, 4 * kMiB, false}, 4 * kMiB},
        WindowRow{"SolidKeepsTheWholeDictionary", {50, 1000, false, 32 * kMiB, true}, 32 * kMiB},
        WindowRow{"UnknownSizeKeepsTheDictionary", {50, 0, true, 8 * kMiB, false}, 8 * kMiB},
        WindowRow{"BeyondThisMachineIsRefused", {70, 1ull << 50, false, 1ull << 50, false}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::rar
