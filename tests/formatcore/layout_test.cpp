// The shared header layout: RAR 1.5-4.x fixed file fields at their offsets, the RAR 5.0 header
// fields in their order, host numbers and DOS date-times.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "formatcore/dos_time.h"
#include "formatcore/rar4_layout.h"
#include "formatcore/rar5_layout.h"

namespace kiv::format {
namespace {

const std::uint8_t* Data(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// A RAR 1.5-4.x file header whose every fixed field holds a value of its own.
std::string Rar4File(std::uint16_t flags) {
    std::string h("\xC1\xC2\x74", 3);
    h += static_cast<char>(flags & 0xFF);
    h += static_cast<char>(flags >> 8);
    h += std::string("\x2A\x00", 2);  // header size 42
    h += "\x11\x12\x13\x14"
         "\x21\x22\x23\x24"
         "\x03";  // sizes, host
    h += "\x31\x32\x33\x34"
         "\x41\x42\x43\x44"
         "\x1D\x30";                                       // CRC, time, version, method
    h += std::string("\x02\x00", 2) + "\x51\x52\x53\x54";  // name size, attributes
    h += "\x61\x62\x63\x64"
         "\x71\x72\x73\x74"
         "ab";  // high sizes (large), name
    return h;
}

TEST(Rar4Layout, ReadsEveryFixedFieldFromItsOffset) {
    const std::string h = Rar4File(rar4::kLongBlock | rar4::kFileLarge);
    const rar4::BlockBase base = rar4::ReadBase(Data(h));
    EXPECT_EQ(base.crc, 0xC2C1);
    EXPECT_EQ(base.type, rar4::kFileHead);
    EXPECT_EQ(base.flags, rar4::kLongBlock | rar4::kFileLarge);
    EXPECT_EQ(base.size, 42);
    const auto f = rar4::ReadFileFields(Data(h), h.size());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->packSize, 0x6463626114131211ULL);
    EXPECT_EQ(f->unpSize, 0x7473727124232221ULL);
    EXPECT_EQ(f->hostOs, rar4::kHostUnix);
    EXPECT_EQ(f->crc, 0x34333231u);
    EXPECT_EQ(f->dosTime, 0x44434241u);
    EXPECT_EQ(f->unpVer, 0x1D);
    EXPECT_EQ(f->method, rar4::kMethodStored);
    EXPECT_EQ(f->nameSize, 2);
    EXPECT_EQ(f->attributes, 0x54535251u);
    EXPECT_EQ(h.substr(f->nameAt, f->nameSize), "ab");
}

TEST(Rar4Layout, HighSizesCountOnlyWithTheLargeFlag) {
    const std::string h = Rar4File(rar4::kLongBlock);
    const auto f = rar4::ReadFileFields(Data(h), h.size());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->packSize, 0x14131211u);
    EXPECT_EQ(f->unpSize, 0x24232221u);
    EXPECT_EQ(f->nameAt, rar4::kFileFixedSize);
}

struct FixedPartRow {
    const char* label;
    std::uint16_t flags;
    std::size_t n;
    bool complete;
};

class Rar4FixedPart : public ::testing::TestWithParam<FixedPartRow> {};

TEST_P(Rar4FixedPart, IsReadOnlyWhenAllOfItIsThere) {
    const std::string h = Rar4File(GetParam().flags);
    EXPECT_EQ(rar4::ReadFileFields(Data(h), GetParam().n).has_value(), GetParam().complete);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Rar4FixedPart,
    ::testing::Values(
        FixedPartRow{"Base", 0, rar4::kFileFixedSize, true},
        FixedPartRow{"BaseLessOne", 0, rar4::kFileFixedSize - 1, false},
        FixedPartRow{"Large", rar4::kFileLarge, rar4::kLargeFileFixedSize, true},
        FixedPartRow{"LargeLessOne", rar4::kFileLarge, rar4::kLargeFileFixedSize - 1, false},
        FixedPartRow{"LargeWithBaseOnly", rar4::kFileLarge, rar4::kFileFixedSize, false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Rar5Layout, ReadsTheFileFieldsInTheirOrder) {
    // type 2, flags extra|data, extra 3, data 300; directory|time|CRC, unpacked 5, attributes
    // 0x20, mtime, CRC, compression 0x80, host Unix, name "ab", then the extra area.
    const std::string body = std::string("\x02\x03\x03\xAC\x02", 5) + "\x07\x05\x20" +
                             "\x01\x02\x03\x04" + "\x11\x12\x13\x14" + "\x80\x01\x01\x02" + "ab" +
                             "xyz";
    FieldCursor c(Data(body), body.size());
    const auto head = rar5::ReadBlockHead(c);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->type, rar5::kFileHead);
    EXPECT_EQ(head->extraSize, 3u);
    EXPECT_EQ(head->dataSize, 300u);
    FieldCursor fieldsOnly(c.Here(), c.Left() - head->extraSize);
    const auto f = rar5::ReadFileFields(fieldsOnly);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->fileFlags, rar5::kFileDirectory | rar5::kFileUnixTime | rar5::kFileCrc);
    EXPECT_EQ(f->unpSize, 5u);
    EXPECT_EQ(f->attributes, 0x20u);
    EXPECT_EQ(f->mtime, 0x04030201u);
    EXPECT_EQ(f->crc, 0x14131211u);
    EXPECT_EQ(f->compression, 0x80u);
    EXPECT_EQ(f->host, rar5::kHostUnix);
    EXPECT_EQ(f->name, "ab");
    EXPECT_EQ(fieldsOnly.Left(), 0u);
}

struct CutRow {
    const char* label;
    std::string body;
};

class Rar5CutHeaders : public ::testing::TestWithParam<CutRow> {};

TEST_P(Rar5CutHeaders, GiveNothing) {
    const std::string& body = GetParam().body;
    FieldCursor c(Data(body), body.size());
    const auto head = rar5::ReadBlockHead(c);
    if (head) {
        EXPECT_FALSE(rar5::ReadFileFields(c));
    }
    EXPECT_EQ(c.Fault(), FieldFault::PastEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Rar5CutHeaders,
    ::testing::Values(CutRow{"NoFlags", "\x02"}, CutRow{"NoExtraSize", "\x02\x01"},
                      CutRow{"NoDataSize", "\x02\x02"},
                      CutRow{"ExtraAreaPastTheHeader", std::string("\x02\x01\x05\x00\x00", 5)},
                      CutRow{"NoTime", std::string("\x02\x00\x02\x00\x00\x01\x02", 7)},
                      CutRow{"NoCrc", std::string("\x02\x00\x04\x00\x00\x01\x02\x03", 8)},
                      CutRow{"NameRunsPastTheEnd",
                             std::string("\x02\x00\x00\x00\x00\x00\x00\x03", 8) + "ab"}),
    [](const auto& info) { return std::string(info.param.label); });

struct HostRow {
    const char* label;
    std::uint64_t rar5;
    std::uint32_t rar4;
};

class Rar5Hosts : public ::testing::TestWithParam<HostRow> {};

TEST_P(Rar5Hosts, MapToRar4HostNumbers) {
    EXPECT_EQ(rar5::Rar4Host(GetParam().rar5), GetParam().rar4);
}

INSTANTIATE_TEST_SUITE_P(Rows, Rar5Hosts,
                         ::testing::Values(HostRow{"Windows", 0, 2}, HostRow{"Unix", 1, 3},
                                           HostRow{"Unknown", 7, 7}, HostRow{"Largest", 255, 255},
                                           HostRow{"WrapsToNoKnownHost", 259, 255},
                                           HostRow{"Huge", UINT64_MAX, 255}),
                         [](const auto& info) { return std::string(info.param.label); });

struct DosRow {
    const char* label;
    std::int64_t seconds;
    bool inRange;
};

class DosTimes : public ::testing::TestWithParam<DosRow> {};

TEST_P(DosTimes, RoundTripInsideTheDosRangeOnly) {
    const std::uint32_t dos = UnixToDosTime(GetParam().seconds);
    if (!GetParam().inRange) {
        EXPECT_EQ(dos, 0u);
        return;
    }
    ASSERT_NE(dos, 0u);
    // DOS times count seconds in twos.
    EXPECT_EQ(DosToUnixTime(dos), GetParam().seconds - GetParam().seconds % 2);
}

INSTANTIATE_TEST_SUITE_P(Rows, DosTimes,
                         ::testing::Values(DosRow{"Mid1979", 300000000, false},
                                           DosRow{"Mid1985", 489000000, true},
                                           DosRow{"OddSecond", 1500000001, true},
                                           DosRow{"Mid2100", 4118000000, true},
                                           DosRow{"Mid2108", 4370000000, false}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::format
