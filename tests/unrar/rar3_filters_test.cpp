// The standard filters of RAR 2.9/3.x on known bytes, their recognition by program, and the
// bookkeeping of filter definitions.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "tests/unrar/rar3_stream_writer.h"
#include "unrar/rar3_filter_transforms.h"
#include "unrar/rar3_filters.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar::rar3 {
namespace {

using Bytes = std::vector<uint8_t>;

struct E8Row {
    const char* name;
    Bytes in;
    uint32_t fileOffset;
    bool alsoE9;
    Bytes expected;
};

class E8Filter : public ::testing::TestWithParam<E8Row> {};

TEST_P(E8Filter, TurnsAbsoluteAddressesBack) {
    Bytes block = GetParam().in;
    UndoE8(block, GetParam().fileOffset, GetParam().alsoE9);
    EXPECT_EQ(block, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, E8Filter,
    ::testing::Values(
        E8Row{"CallForward", {0xE8, 5, 0, 0, 0}, 0, false, {0xE8, 4, 0, 0, 0}},
        E8Row{"FileOffsetCounts", {0xE8, 5, 0, 0, 0}, 0x100, false, {0xE8, 4, 0xFF, 0xFF, 0xFF}},
        E8Row{"NegativeWithinTheFile",
              {0xE8, 0xFE, 0xFF, 0xFF, 0xFF},
              10,
              false,
              {0xE8, 0xFE, 0xFF, 0xFF, 0x00}},
        E8Row{"NegativeBeforeTheFile",
              {0xE8, 0xF0, 0xFF, 0xFF, 0xFF},
              0,
              false,
              {0xE8, 0xF0, 0xFF, 0xFF, 0xFF}},
        E8Row{"BeyondTheSpan", {0xE8, 0, 0, 0, 1}, 0, false, {0xE8, 0, 0, 0, 1}},
        E8Row{"E9LeftAloneByE8", {0xE9, 5, 0, 0, 0}, 0, false, {0xE9, 5, 0, 0, 0}},
        E8Row{"E9TurnedByE8E9", {0xE9, 5, 0, 0, 0}, 0, true, {0xE9, 4, 0, 0, 0}},
        E8Row{"OperandIsNoOpcode", {0xE8, 0xE8, 0, 0, 0, 0}, 0, false, {0xE8, 0xE7, 0, 0, 0, 0}},
        E8Row{"OperandCutByTheBlockEnd", {0, 0xE8, 1, 0, 0}, 0, false, {0, 0xE8, 1, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// A bundle with template 0x10 (a branch in slot 2 only), an IP-relative branch opcode there and
// the 20-bit target 0x123 (bits 100-119), the rest zero.
Bytes BranchBundle(uint8_t kind = 0x10, uint8_t opcode = 5) {
    Bytes b(16, 0);
    b[0] = kind;
    b[12] = 0x30;  // target bits 0, 1
    b[13] = 0x12;  // target bits 5, 8
    b[15] = static_cast<uint8_t>(opcode << 4);
    return b;
}

TEST(ItaniumFilter, TurnsBranchTargetsBackBundleByBundle) {
    Bytes block;
    for (int i = 0; i < 3; ++i) {
        const Bytes b = BranchBundle();
        block.insert(block.end(), b.begin(), b.end());
    }
    UndoItanium(block, 0x20);  // bundles 2, 3, 4
    Bytes expected = block;
    expected[12] = 0x10;       // 0x123 - 2 = 0x121
    expected[16 + 12] = 0x00;  // 0x123 - 3 = 0x120
    // The third bundle lies within 21 bytes of the end and is left alone.
    EXPECT_EQ(block, expected);
}

TEST(ItaniumFilter, LeavesOtherBundlesAlone) {
    for (const Bytes& bundle : {BranchBundle(0x0F), BranchBundle(0x14), BranchBundle(0x10, 4)}) {
        Bytes block = bundle;
        block.resize(48);
        const Bytes before = block;
        UndoItanium(block, 0x20);
        EXPECT_EQ(block, before);
    }
}

TEST(ItaniumFilter, TargetsWrapWithinTwentyBits) {
    Bytes block = BranchBundle();
    block[12] = block[13] = 0;  // target 0
    block.resize(32);
    UndoItanium(block, 0x10);  // bundle 1: 0 - 1 = 0xFFFFF
    EXPECT_EQ(block[12], 0xF0);
    EXPECT_EQ(block[13], 0xFF);
    EXPECT_EQ(block[14], 0xFF);
    EXPECT_EQ(block[15], 0x50);  // the opcode above the target untouched
}

struct DeltaRow {
    const char* name;
    Bytes in;
    uint32_t channels;
    Bytes expected;
};

class DeltaFilter : public ::testing::TestWithParam<DeltaRow> {};

TEST_P(DeltaFilter, AddsUpEachChannel) {
    Bytes out(GetParam().in.size(), 0xAA);
    UndoDelta(GetParam().in, out, GetParam().channels);
    EXPECT_EQ(out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeltaFilter,
    ::testing::Values(DeltaRow{"OneChannel", {1, 2, 3}, 1, {0xFF, 0xFD, 0xFA}},
                      DeltaRow{"ThreeChannelsOneAfterAnother",
                               {1, 2, 3, 4, 5, 6, 7},
                               3,
                               {0xFF, 0xFC, 0xFA, 0xFD, 0xF7, 0xF3, 0xFA}},
                      DeltaRow{"MoreChannelsThanBytes", {1, 2, 3}, 1u << 31, {0xFF, 0xFE, 0xFD}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RgbFilter, PredictsFromLeftUpperAndUpperLeftThenAddsGreen) {
    // Two rows of two pixels (width 9 means rows of 9 - 3 bytes). Before green is added the
    // pixels are 10 100 50 | 20 10 60 / 30 12 40 | 45 11 55; the last pixel's channels are
    // predicted from the left (red), the upper (green) and the upper-left (blue) byte.
    const Bytes in = {0xF6, 0xF6, 0xF6, 0xF1, 0x9C, 0x5A, 0xFE, 0xFF, 0xCE, 0xF6, 0x14, 0xFB};
    Bytes out(in.size(), 0xAA);
    UndoRgb(in, out, 9, 0);
    EXPECT_EQ(out, (Bytes{110, 100, 150, 30, 10, 70, 42, 12, 52, 56, 11, 66}));
}

TEST(RgbFilter, RefusesRowsThatDoNotFit) {
    const Bytes in(12, 0);
    Bytes out(12);
    for (uint32_t width : {0u, 2u, 13u}) {
        EXPECT_THROW(UndoRgb(in, out, width, 0), RarError) << width;
    }
}

// Samples of a sine stored as plain differences; the filter's predictor adapts its weights on
// the way (worked out separately from the filter's description).
constexpr uint8_t kSineIn[] = {
    0x00, 0xED, 0xED, 0xEE, 0xF1, 0xF3, 0xF7, 0xFB, 0xFF, 0x02, 0x07, 0x0A, 0x0D, 0x10, 0x12, 0x13,
    0x13, 0x14, 0x13, 0x11, 0x0E, 0x0C, 0x08, 0x04, 0x00, 0xFC, 0xF9, 0xF5, 0xF2, 0xEF, 0xED, 0xED,
    0xED, 0xEC, 0xEE, 0xF0, 0xF2, 0xF6, 0xF9, 0xFD, 0x01, 0x04, 0x09, 0x0C, 0x0F, 0x11, 0x13, 0x14,
    0x13, 0x13, 0x12, 0x0F, 0x0D, 0x0A, 0x06, 0x01, 0xFE, 0xFA, 0xF7, 0xF3, 0xF0, 0xEE, 0xED, 0xED,
    0xEC, 0xED, 0xEF, 0xF1, 0xF5, 0xF7, 0xFB, 0x00, 0x03, 0x07, 0x0B, 0x0D, 0x11, 0x12, 0x14, 0x13,
    0x13, 0x13, 0x10, 0x0E, 0x0B, 0x08, 0x03, 0x00, 0xFB, 0xF8, 0xF5, 0xF1, 0xEF, 0xED, 0xEC, 0xEE,
};
constexpr uint8_t kSineOut[] = {
    0x00, 0x13, 0x26, 0x38, 0x47, 0x54, 0x5D, 0x62, 0x63, 0x61, 0x5A, 0x50, 0x43, 0x33, 0x21, 0x0E,
    0xFB, 0xE7, 0xD4, 0xC3, 0xB5, 0xA9, 0xA1, 0x9D, 0x9D, 0xA1, 0xA8, 0xB3, 0xC1, 0xD2, 0xE5, 0xF8,
    0x0B, 0x21, 0x35, 0x47, 0x57, 0x63, 0x6B, 0x6F, 0x6E, 0x69, 0x5F, 0x51, 0x40, 0x2C, 0x16, 0xFF,
    0xE9, 0xD3, 0xBE, 0xAC, 0x9C, 0x90, 0x88, 0x86, 0x87, 0x8D, 0x96, 0xA4, 0xB5, 0xC9, 0xDE, 0xF3,
    0x09, 0x21, 0x38, 0x4C, 0x5C, 0x69, 0x71, 0x73, 0x70, 0x68, 0x5B, 0x4A, 0x34, 0x1C, 0x02, 0xE8,
    0xCE, 0xB4, 0x9D, 0x89, 0x79, 0x6D, 0x67, 0x65, 0x69, 0x72, 0x7F, 0x91, 0xA6, 0xBE, 0xD8, 0xF0,
};

TEST(AudioFilter, PredictsAndAdaptsPerChannel) {
    Bytes out(sizeof kSineIn);
    UndoAudio(kSineIn, out, 1);
    EXPECT_EQ(out, Bytes(std::begin(kSineOut), std::end(kSineOut)));

    // Two channels are two independent predictors over alternate bytes.
    Bytes twice(2 * sizeof kSineIn);
    for (size_t i = 0; i < sizeof kSineIn; ++i) twice[2 * i] = twice[2 * i + 1] = 0;
    Bytes in(2 * sizeof kSineIn);
    std::copy(std::begin(kSineIn), std::end(kSineIn), in.begin());
    std::copy(std::begin(kSineIn), std::end(kSineIn), in.begin() + sizeof kSineIn);
    UndoAudio(in, twice, 2);
    for (size_t i = 0; i < sizeof kSineIn; ++i) {
        ASSERT_EQ(twice[2 * i], kSineOut[i]) << i;
        ASSERT_EQ(twice[2 * i + 1], kSineOut[i]) << i;
    }
}

TEST(AudioFilter, FirstSamplesFollowTheLastByte) {
    const Bytes in = {0xFB, 0xFE, 0x01};  // -5, -2, +1 with no weight yet
    Bytes out(3);
    UndoAudio(in, out, 1);
    EXPECT_EQ(out, (Bytes{5, 7, 6}));
    EXPECT_THROW(UndoAudio(in, out, 0), RarError);
}

TEST(FilterPrograms, AreKnownByLengthAndCrc) {
    const Bytes e8e9 = test::rar3::E8E9Program();
    const Bytes delta = test::rar3::DeltaProgram();
    EXPECT_EQ(IdentifyProgram(e8e9.data(), e8e9.size()), FilterKind::E8E9);
    EXPECT_EQ(IdentifyProgram(delta.data(), delta.size()), FilterKind::Delta);
    Bytes altered = delta;
    altered.back() ^= 0x80;
    EXPECT_EQ(IdentifyProgram(altered.data(), altered.size()), std::nullopt);
    EXPECT_EQ(IdentifyProgram(delta.data(), delta.size() - 1), std::nullopt);
}

class FilterDefinitions : public ::testing::Test {
protected:
    void Define(uint8_t flags, const Bytes& body, uint64_t position) {
        queue.Define(flags, body.data(), body.size(), position);
    }
    FilterQueue queue;
};

TEST_F(FilterDefinitions, ReuseKeepsTheLastLengthAndNumberZeroStartsOver) {
    using test::rar3::NewProgramFilter;
    Define(0xB0, NewProgramFilter(0, 10, 64, 3, 0, test::rar3::DeltaProgram()), 100);
    // No program number (0x80) and no length (0x20): the last program with its last length;
    // only the start offset follows.
    Define(0x00, {0x08}, 200);  // offset 2 in a 2-bit selector and 4 bits
    ASSERT_FALSE(queue.Empty());
    EXPECT_EQ(queue.Front().start, 110u);
    EXPECT_EQ(queue.Front().length, 64u);
    EXPECT_EQ(queue.Front().registers[0], 3u);
    queue.PopFront();
    EXPECT_EQ(queue.Front().start, 202u);
    EXPECT_EQ(queue.Front().length, 64u);
    EXPECT_EQ(queue.Front().kind, FilterKind::Delta);
    // Program number 0 forgets every program and waiting block, then defines a new one.
    Define(0xB0, NewProgramFilter(static_cast<uint32_t>(-1), 0, 8, 1, 0, test::rar3::E8E9Program()),
           300);
    EXPECT_EQ(queue.Front().kind, FilterKind::E8E9);
    EXPECT_EQ(queue.Front().start, 300u);
    queue.PopFront();
    EXPECT_TRUE(queue.Empty());
}

TEST_F(FilterDefinitions, BoundsOnProgramsAndWaitingBlocks) {
    using test::rar3::NewProgramFilter;
    using test::rar3::ReuseFilter;
    for (uint32_t i = 0; i < FilterQueue::kMaxPrograms; ++i) {
        Define(0xB0, NewProgramFilter(i, 0, 0, 1, 0, test::rar3::DeltaProgram()), i);
    }
    EXPECT_THROW(
        Define(0xB0,
               NewProgramFilter(FilterQueue::kMaxPrograms, 0, 0, 1, 0, test::rar3::DeltaProgram()),
               5000),
        RarError);
    for (uint32_t i = FilterQueue::kMaxPrograms; i < FilterQueue::kMaxPending; ++i) {
        Define(0xB0, ReuseFilter(0, 0, 0, 1, 0), 5000 + i);
    }
    try {
        Define(0xB0, ReuseFilter(0, 0, 0, 1, 0), 50000);
        FAIL() << "no bound";
    } catch (const RarError& e) {
        EXPECT_NE(std::string(e.what()).find("too many filter blocks"), std::string::npos);
    }
}

TEST_F(FilterDefinitions, CutDefinitionIsRefused) {
    Bytes body = test::rar3::NewProgramFilter(0, 0, 8, 1, 0, test::rar3::DeltaProgram());
    for (size_t cut = 0; cut < body.size(); ++cut) {
        FilterQueue fresh;
        EXPECT_THROW(fresh.Define(0xB0, body.data(), cut, 0), RarError) << cut;
    }
}

}  // namespace
}  // namespace kiv::rar::rar3
