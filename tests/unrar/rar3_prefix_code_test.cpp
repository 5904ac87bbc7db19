// Canonical prefix codes as RAR 2.9/3.x assigns them, short and long.
#include <gtest/gtest.h>

#include <vector>

#include "tests/unrar/decoder_io.h"
#include "tests/unrar/rar3_stream_writer.h"
#include "unrar/rar3_prefix_code.h"
#include "unrar/rar_error.h"

namespace kiv::rar::rar3 {
namespace {

std::vector<uint32_t> DecodeAll(const PrefixCode& code, test::rar3::BitWriter& bits, size_t n) {
    test::ChunkedInput in(bits.Bytes(), 1);
    BitInput input(in);
    std::vector<uint32_t> symbols;
    for (size_t i = 0; i < n; ++i) symbols.push_back(code.Decode(input));
    EXPECT_FALSE(input.Overrun());
    return symbols;
}

TEST(PrefixCode, ShorterCodesFirstThenBySymbol) {
    const uint8_t lengths[] = {2, 1, 3, 3};  // 1: 0, 0: 10, 2: 110, 3: 111
    PrefixCode code;
    code.Build(lengths, 4);
    test::rar3::BitWriter bits;
    bits.Put(0b0'10'110'111, 9);
    EXPECT_EQ(DecodeAll(code, bits, 4), (std::vector<uint32_t>{1, 0, 2, 3}));
}

TEST(PrefixCode, CodesLongerThanTheQuickTable) {
    // Symbol i has length i + 1 (a run of i ones and a zero), up to two of 15 bits.
    std::vector<uint8_t> lengths;
    for (uint8_t l = 1; l <= 14; ++l) lengths.push_back(l);
    lengths.push_back(15);
    lengths.push_back(15);
    PrefixCode code;
    code.Build(lengths.data(), lengths.size());
    test::rar3::BitWriter bits;
    bits.Put(0b1111111111110, 13);  // 12
    bits.Put(0x7FFF, 15);           // 15
    bits.Put(0x7FFE, 15);           // 14
    bits.Put(0b11111111110, 11);    // 10
    bits.Put(0, 1);                 // 0
    EXPECT_EQ(DecodeAll(code, bits, 5), (std::vector<uint32_t>{12, 15, 14, 10, 0}));
}

TEST(PrefixCode, MissingCodesAndTooManyCodesAreRefused) {
    const uint8_t lone[] = {0, 1};
    PrefixCode code;
    code.Build(lone, 2);
    test::rar3::BitWriter bits;
    bits.Put(0b01, 2);
    test::ChunkedInput in(bits.Bytes(), 1);
    BitInput input(in);
    EXPECT_EQ(code.Decode(input), 1u);
    EXPECT_THROW(code.Decode(input), RarError);

    const uint8_t three[] = {1, 1, 1};
    EXPECT_THROW(code.Build(three, 3), RarError);
}

}  // namespace
}  // namespace kiv::rar::rar3
