// Header fields that RARReadHeader reports for RAR 1.5-4.x and RAR 5.0 archives.
#include <cstring>
#include <ctime>

#include "tests/unrar/support.h"
#include "unrar/name_codec.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;
using fixture::NameForm;

uint32_t LocalDos(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    struct tm tm {};
    localtime_r(&tt, &tm);
    return (static_cast<uint32_t>(tm.tm_year - 80) << 25) | ((tm.tm_mon + 1u) << 21) |
           (static_cast<uint32_t>(tm.tm_mday) << 16) | (static_cast<uint32_t>(tm.tm_hour) << 11) |
           (static_cast<uint32_t>(tm.tm_min) << 5) | (static_cast<uint32_t>(tm.tm_sec) / 2);
}

class RarHeaderTest : public TempFolderTest, public ::testing::WithParamInterface<ArchiveFormat> {
protected:
    std::vector<Listed> Write(const std::vector<FixtureEntry>& entries, int* end) {
        FixtureOptions options;
        options.format = GetParam();
        auto volumes = fixture::WriteRarArchive(Path("a.rar"), entries, options);
        Handle h = Open(volumes[0], RAR_OM_LIST);
        EXPECT_TRUE(h);
        return ListAll(h.get(), end);
    }
};

TEST_P(RarHeaderTest, ReportsEachFieldOfAWindowsEntry) {
    FixtureEntry e;
    e.name = "dir/file.txt";
    e.data = Pattern(1234, 1);
    e.hostOs = 2;
    e.attr = 0x21;
    e.mtime = 1500000000;
    int end = 0;
    auto listed = Write({e}, &end);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(end, ERAR_END_ARCHIVE);
    const RARHeaderData& h = listed[0].header;
    EXPECT_EQ(listed[0].fileName, "dir/file.txt");
    EXPECT_EQ(listed[0].arcName, Path("a.rar"));
    EXPECT_EQ(h.UnpSize, 1234u);
    EXPECT_EQ(h.PackSize, 1234u);
    EXPECT_EQ(h.HostOS, 2u);
    EXPECT_EQ(h.FileAttr, 0x21u);
    EXPECT_EQ(h.Method, 0x30u);
    EXPECT_EQ(h.FileTime, LocalDos(1500000000));
    EXPECT_EQ(h.FileCRC, static_cast<uint32_t>(Crc32(e.data)));
    EXPECT_EQ(h.Flags & 0x07u, 0u);
}

TEST_P(RarHeaderTest, MapsUnixHostAndFolderAndEncryptedFlag) {
    FixtureEntry file;
    file.name = "x";
    file.data = "abc";
    file.hostOs = 3;
    file.attr = 0100640;
    file.encrypted = true;
    FixtureEntry folder;
    folder.name = "d";
    folder.directory = true;
    folder.hostOs = 3;
    folder.attr = 040755;
    int end = 0;
    auto listed = Write({file, folder}, &end);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].header.HostOS, 3u);
    EXPECT_EQ(listed[0].header.FileAttr, 0100640u);
    EXPECT_EQ(listed[0].header.Flags & 0x04u, 0x04u);
    EXPECT_EQ(listed[1].header.Flags & 0x20u, 0x20u);
    EXPECT_EQ(listed[1].header.FileAttr, 040755u);
}

TEST_P(RarHeaderTest, ReportsEveryEntryOnceInOrder) {
    std::vector<FixtureEntry> entries;
    for (int i = 0; i < 50; ++i) {
        FixtureEntry e;
        e.name = "f" + std::to_string(i);
        e.data = Pattern(static_cast<size_t>(i * 7), static_cast<uint32_t>(i));
        entries.push_back(e);
    }
    int end = 0;
    auto listed = Write(entries, &end);
    ASSERT_EQ(listed.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(listed[i].fileName, entries[i].name);
        EXPECT_EQ(listed[i].header.UnpSize, entries[i].data.size());
    }
    EXPECT_EQ(end, ERAR_END_ARCHIVE);
}

TEST_P(RarHeaderTest, CutsOverlongNamesAtACharacterAndRefusesToExtractThem) {
    FixtureEntry e;
    e.name = std::string(250, 'a') + "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9" + ".txt";
    e.nameForm = NameForm::Utf8;
    e.data = "x";
    FixtureOptions options;
    options.format = GetParam();
    auto volumes = fixture::WriteRarArchive(Path("a.rar"), {e}, options);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string name = header.FileName;
    EXPECT_LE(name.size(), 259u);
    EXPECT_EQ(name, e.name.substr(0, 258));  // 258: the cut keeps the two-byte character whole
    std::string dest = Path("out");
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dest.data(), nullptr), ERAR_SMALL_BUF);
    EXPECT_FALSE(Exists(dest));
}

INSTANTIATE_TEST_SUITE_P(Formats, RarHeaderTest,
                         ::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

struct NameCase {
    const char* label;
    NameForm form;
    std::string stored;
    std::string reported;
};

class Rar4NameTest : public TempFolderTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(Rar4NameTest, ReportsTheNameInItsDocumentedForm) {
    FixtureEntry e;
    e.name = GetParam().stored;
    e.nameForm = GetParam().form;
    e.data = "1";
    auto volumes = fixture::WriteRarArchive(Path("n.rar"), {e}, {});
    Handle h = Open(volumes[0], RAR_OM_LIST);
    int end = 0;
    auto listed = ListAll(h.get(), &end);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].fileName, GetParam().reported);
}

INSTANTIATE_TEST_SUITE_P(Forms, Rar4NameTest,
                         ::testing::Values(NameCase{"OemBytesAsStored", NameForm::Oem,
                                                    "caf\x82/\x8e.txt", "caf\x82/\x8e.txt"},
                                           NameCase{"UnicodeFormAsUtf8", NameForm::Unicode,
                                                    "d\xc3\xa9j\xc3\xa0/\xe6\x97\xa5.txt",
                                                    "d\xc3\xa9j\xc3\xa0/\xe6\x97\xa5.txt"},
                                           NameCase{"UnicodeFormOutsideTheBmp", NameForm::Unicode,
                                                    "\xf0\x9f\x98\x80.txt", "\xf0\x9f\x98\x80.txt"},
                                           NameCase{"Utf8Form", NameForm::Utf8,
                                                    "\xd0\x96\xd0\xb8\xd0\xb7\xd0\xbd\xd1\x8c",
                                                    "\xd0\x96\xd0\xb8\xd0\xb7\xd0\xbd\xd1\x8c"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(RarUnicodeName, DecodesRunsCopiedFromTheOemName) {
    // high byte 0x04; flags 0b11'01'00'00: a run of 2 from the OEM name with correction 0x10
    // (and the high byte), then low byte with high byte, then plain low byte.
    std::string oem = "ab_c";
    std::string encoded = std::string("\x04", 1) + "\xd0" + "\x80\x10" + "\x16" + "c";
    auto units = rar::DecodeRarUnicodeName(oem, encoded);
    ASSERT_TRUE(units.has_value());
    EXPECT_EQ(*units, (std::vector<uint16_t>{0x0471, 0x0472, 0x0416, 0x0063}));
}

TEST(RarUnicodeName, RejectsARunBeyondTheOemName) {
    std::string encoded = std::string("\x00", 1) + "\xc0" + "\x05";
    EXPECT_FALSE(rar::DecodeRarUnicodeName("ab", encoded).has_value());
}

}  // namespace
}  // namespace kiv::test
