// The field cursor's bounded reads: little-endian values, vints and byte runs at and past the end.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "formatcore/field_cursor.h"

namespace kiv::format {
namespace {

using Read = std::function<std::optional<std::uint64_t>(FieldCursor&)>;

struct CursorRow {
    const char* label;
    std::string bytes;
    Read read;
    std::optional<std::uint64_t> value;  // nothing: the read must fail
    FieldFault fault;
};

const std::string kCounting("\x01\x02\x03\x04\x05\x06\x07\x08", 8);

Read BytesRead(std::uint64_t n) {
    return [n](FieldCursor& c) -> std::optional<std::uint64_t> {
        const auto bytes = c.Bytes(n);
        if (!bytes) return std::nullopt;
        return bytes->size();
    };
}

Read SkipRead(std::uint64_t n) {
    return [n](FieldCursor& c) -> std::optional<std::uint64_t> {
        if (!c.Skip(n)) return std::nullopt;
        return n;
    };
}

class FieldCursorRows : public ::testing::TestWithParam<CursorRow> {};

TEST_P(FieldCursorRows, ReadsWithinItsBytesOrFailsInPlace) {
    const CursorRow& row = GetParam();
    FieldCursor c(reinterpret_cast<const std::uint8_t*>(row.bytes.data()), row.bytes.size());
    const auto value = row.read(c);
    EXPECT_EQ(value, row.value);
    EXPECT_EQ(c.Fault(), row.fault);
    if (!row.value) {
        EXPECT_EQ(c.Position(), 0u);  // a failed read takes nothing
    }
    EXPECT_EQ(c.Position() + c.Left(), row.bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FieldCursorRows,
    ::testing::Values(
        CursorRow{"U8", kCounting.substr(0, 1), [](FieldCursor& c) { return c.U8(); }, 0x01,
                  FieldFault::None},
        CursorRow{"U8FromNothing", "", [](FieldCursor& c) { return c.U8(); }, std::nullopt,
                  FieldFault::PastEnd},
        CursorRow{"U16", kCounting.substr(0, 2), [](FieldCursor& c) { return c.U16(); }, 0x0201,
                  FieldFault::None},
        CursorRow{"U16FromOneByte", kCounting.substr(0, 1), [](FieldCursor& c) { return c.U16(); },
                  std::nullopt, FieldFault::PastEnd},
        CursorRow{"U32", kCounting.substr(0, 4), [](FieldCursor& c) { return c.U32(); }, 0x04030201,
                  FieldFault::None},
        CursorRow{"U32FromThreeBytes", kCounting.substr(0, 3),
                  [](FieldCursor& c) { return c.U32(); }, std::nullopt, FieldFault::PastEnd},
        CursorRow{"U64", kCounting, [](FieldCursor& c) { return c.U64(); }, 0x0807060504030201ULL,
                  FieldFault::None},
        CursorRow{"U64FromSevenBytes", kCounting.substr(0, 7),
                  [](FieldCursor& c) { return c.U64(); }, std::nullopt, FieldFault::PastEnd},
        CursorRow{"Vint", "\x80\x01", [](FieldCursor& c) { return c.Vint(); }, 128,
                  FieldFault::None},
        CursorRow{"VintCutShort", "\x80\x80", [](FieldCursor& c) { return c.Vint(); }, std::nullopt,
                  FieldFault::PastEnd},
        CursorRow{"VintOverflow", std::string(9, '\xFF') + "\x7F",
                  [](FieldCursor& c) { return c.Vint(); }, std::nullopt, FieldFault::Overflow},
        CursorRow{"BytesToTheEnd", kCounting, BytesRead(8), 8, FieldFault::None},
        CursorRow{"BytesOnePastTheEnd", kCounting, BytesRead(9), std::nullopt, FieldFault::PastEnd},
        CursorRow{"BytesOfAHugeCount", kCounting, BytesRead(UINT64_MAX), std::nullopt,
                  FieldFault::PastEnd},
        CursorRow{"SkipToTheEnd", kCounting, SkipRead(8), 8, FieldFault::None},
        CursorRow{"SkipPastTheEnd", kCounting, SkipRead(UINT64_MAX - 3), std::nullopt,
                  FieldFault::PastEnd}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FieldCursor, ReadsOnAfterAFailedReadFromWhereItStood) {
    FieldCursor c(reinterpret_cast<const std::uint8_t*>(kCounting.data()), 3);
    ASSERT_EQ(c.U16(), 0x0201);
    EXPECT_FALSE(c.U16());
    EXPECT_EQ(c.U8(), 0x03);
    EXPECT_EQ(c.Fault(), FieldFault::PastEnd);
    EXPECT_EQ(c.Left(), 0u);
}

}  // namespace
}  // namespace kiv::format
