// RAR 5.0 vints at their limits: length, overflow, truncation, and the header size's own limit.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "formatcore/rar5_layout.h"
#include "formatcore/vint.h"

namespace kiv::format {
namespace {

struct VintRow {
    const char* label;
    std::string bytes;
    std::size_t maxLength;
    std::uint64_t value;
    std::size_t length;
    FieldFault fault;
};

const std::uint8_t* Data(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

class DecodeVintRows : public ::testing::TestWithParam<VintRow> {};

TEST_P(DecodeVintRows, GivesTheValueOrTheFault) {
    const VintRow& row = GetParam();
    const Vint v = DecodeVint(Data(row.bytes), row.bytes.size(), row.maxLength);
    EXPECT_EQ(v.fault, row.fault);
    if (row.fault == FieldFault::None) {
        EXPECT_EQ(v.value, row.value);
        EXPECT_EQ(v.length, row.length);
    }
}

const std::string kNinePadded(9, '\x80');

INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeVintRows,
    ::testing::Values(
        VintRow{"Zero", std::string(1, '\0'), 10, 0, 1, FieldFault::None},
        VintRow{"OneByteMax", "\x7F", 10, 127, 1, FieldFault::None},
        VintRow{"TwoBytes", "\x80\x01", 10, 128, 2, FieldFault::None},
        VintRow{"StopsAtItsLastByte", "\x05\xFF", 10, 5, 1, FieldFault::None},
        VintRow{"PaddedZero", std::string("\x80\x80\x00", 3), 10, 0, 3, FieldFault::None},
        VintRow{"Max64Bits", std::string(9, '\xFF') + "\x01", 10, UINT64_MAX, 10, FieldFault::None},
        VintRow{"TenthByteAboveBit63", std::string(9, '\xFF') + "\x02", 10, 0, 0,
                FieldFault::Overflow},
        VintRow{"TenthByteContinues", kNinePadded + "\x81" + std::string(1, '\0'), 10, 0, 0,
                FieldFault::TooLong},
        VintRow{"ElevenBytes", kNinePadded + "\x80" + std::string(1, '\0'), 10, 0, 0,
                FieldFault::TooLong},
        VintRow{"LimitAboveTenStillTen", kNinePadded + "\x80" + std::string(1, '\0'), 20, 0, 0,
                FieldFault::TooLong},
        VintRow{"Empty", "", 10, 0, 0, FieldFault::PastEnd},
        VintRow{"CutAfterOneByte", "\x80", 10, 0, 0, FieldFault::PastEnd},
        VintRow{"CutAtNineBytes", std::string(9, '\xFF'), 10, 0, 0, FieldFault::PastEnd},
        VintRow{"ThreeBytesWithinThree", "\xFF\xFF\x7F", 3, (1u << 21) - 1, 3, FieldFault::None},
        VintRow{"FourBytesPastThree", std::string("\x85\x80\x80\x00", 4), 3, 0, 0,
                FieldFault::TooLong},
        VintRow{"CutBeforeTheLimit", "\x80\x80", 3, 0, 0, FieldFault::PastEnd}),
    [](const auto& info) { return std::string(info.param.label); });

struct HeaderSizeRow {
    const char* label;
    std::string bytes;
    std::uint64_t size;
    FieldFault fault;
};

class HeaderSizeRows : public ::testing::TestWithParam<HeaderSizeRow> {};

TEST_P(HeaderSizeRows, AllowsOneToThreeBytesAndNoZero) {
    const HeaderSizeRow& row = GetParam();
    const Vint v = rar5::ReadHeaderSize(Data(row.bytes), row.bytes.size());
    EXPECT_EQ(v.fault, row.fault);
    if (row.fault == FieldFault::None) {
        EXPECT_EQ(v.value, row.size);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeaderSizeRows,
    ::testing::Values(HeaderSizeRow{"Smallest", "\x01", 1, FieldFault::None},
                      HeaderSizeRow{"Largest", "\xFF\xFF\x7F", (1u << 21) - 1, FieldFault::None},
                      HeaderSizeRow{"Zero", std::string(1, '\0'), 0, FieldFault::OutOfRange},
                      HeaderSizeRow{"PaddedPastThreeBytes", std::string("\x85\x80\x80\x00", 4), 0,
                                    FieldFault::TooLong},
                      HeaderSizeRow{"CutShort", "\x85\x80", 0, FieldFault::PastEnd}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::format
