// The pre-scan's header walkers on written archives, hand-made headers and damaged input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/rar_prescan.h"
#include "tests/archive/rar_blocks.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

std::vector<RarFileHeader> Walk(const std::string& bytes, WalkStatus expected,
                                std::uint64_t offset = 0) {
    std::vector<RarFileHeader> files;
    const WalkResult r = WalkRarVolume(MemoryReader(bytes), offset,
                                       [&](const RarFileHeader& h) { files.push_back(h); });
    EXPECT_EQ(r.status, expected);
    return files;
}

class PrescanFormats : public ArchiveTest,
                       public ::testing::WithParamInterface<fx::ArchiveFormat> {};

TEST_P(PrescanFormats, FindsEveryFileHeaderWithItsFields) {
    const std::vector<fx::FixtureEntry> entries = {
        FolderEntry("docs"),
        FileEntry("docs/a.txt", "alpha", 3, 0100644),
        FileEntry("b.bin", Pattern(3000, 1), 2, 0x21),
    };
    const auto volumes = fx::WriteRarArchive(Path("x.rar"), entries, SetOptions(GetParam()));
    const std::vector<RarFileHeader> files = Walk(ReadFile(volumes[0]), WalkStatus::Complete);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "docs");
    EXPECT_TRUE(IsFolderEntry(files[0].flags, files[0].hostOs, files[0].attributes));
    EXPECT_EQ(files[1].name, "docs/a.txt");
    EXPECT_EQ(files[1].unpackedSize, 5u);
    EXPECT_EQ(files[1].hostOs, 3u);
    EXPECT_FALSE(IsFolderEntry(files[1].flags, files[1].hostOs, files[1].attributes));
    EXPECT_EQ(files[2].name, "b.bin");
    EXPECT_EQ(files[2].unpackedSize, 3000u);
    EXPECT_EQ(files[2].packedSize, 3000u);
    EXPECT_NE(files[2].dosTime, 0u);
    EXPECT_FALSE(files[2].continued);
}

TEST_P(PrescanFormats, MarksPartsContinuedFromThePreviousVolume) {
    const auto volumes = fx::WriteRarArchive(
        Path("set.rar"), {FileEntry("big", Pattern(5000, 2)), FileEntry("small", "s")},
        SetOptions(GetParam(), 2000));
    ASSERT_GE(volumes.size(), 3u);
    const auto first = Walk(ReadFile(volumes[0]), WalkStatus::Complete);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_FALSE(first[0].continued);
    EXPECT_EQ(first[0].unpackedSize, 5000u);
    const auto last = Walk(ReadFile(volumes.back()), WalkStatus::Complete);
    ASSERT_FALSE(last.empty());
    EXPECT_TRUE(last[0].continued);
    EXPECT_EQ(last.back().name, "small");
}

INSTANTIATE_TEST_SUITE_P(Formats, PrescanFormats,
                         ::testing::Values(fx::ArchiveFormat::Rar4, fx::ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == fx::ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

TEST(Prescan, ReadsTheHighSizesOfLargeRar4Entries) {
    const std::uint64_t size = 5'000'000'000ULL;
    const std::string bytes =
        Rar4Marker() + Rar4Main() + Rar4FileHeader(R4("huge.iso", size, size));
    const auto files = Walk(bytes, WalkStatus::Complete);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].unpackedSize, size);
    EXPECT_EQ(files[0].packedSize, size);
    EXPECT_EQ(files[0].name, "huge.iso");
}

TEST(Prescan, ReadsRar5SizesAboveFourGiB) {
    const std::uint64_t size = 6'000'000'000ULL;
    const std::string bytes = Rar5Marker() + Rar5Main() + Rar5FileHeader("huge.iso", size, size);
    const auto files = Walk(bytes, WalkStatus::Complete);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].unpackedSize, size);
}

TEST(Prescan, WalksOverBlocksWithoutTheLongBlockFlag) {
    // An old-style comment block between two files must not end the walk.
    const std::string bytes = Rar4Marker() + Rar4Main() + Rar4FileHeader(R4("a", 1)) + "A" +
                              Rar4Block(0x75, 20) + Rar4FileHeader(R4("b")) + Rar4Block(0x7B, 7) +
                              Rar4FileHeader(R4("after-end"));
    const auto files = Walk(bytes, WalkStatus::Complete);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].name, "b");
}

TEST(Prescan, FileHeadersFlaggedForOldVersionsAreFiles) {
    Rar4File flagged = R4("a");
    flagged.flags = 0xC000;
    const auto files =
        Walk(Rar4Marker() + Rar4Main() + Rar4FileHeader(flagged) + Rar4FileHeader(R4("b")),
             WalkStatus::Complete);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "a");
}

TEST(Prescan, Rar4UnicodeNamesUseTheirPlainPart) {
    Rar4File f = R4(std::string("plain.txt\0\x01\x02", 12));
    f.flags = 0x8200;
    const auto files = Walk(Rar4Marker() + Rar4Main() + Rar4FileHeader(f), WalkStatus::Complete);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "plain.txt");
}

TEST(Prescan, StartsAtTheGivenMarkerOffset) {
    const std::string archive = Rar4Marker() + Rar4Main() + Rar4FileHeader(R4("a"));
    EXPECT_EQ(Walk(std::string(100, 'M') + archive, WalkStatus::Complete, 100).size(), 1u);
    Walk(std::string(100, 'M') + archive, WalkStatus::NotRar, 0);
}

struct DamageRow {
    const char* label;
    std::string bytes;
    WalkStatus status;
    std::size_t files;
};

class PrescanDamage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(PrescanDamage, EndsTheWalkCleanly) {
    EXPECT_EQ(Walk(GetParam().bytes, GetParam().status).size(), GetParam().files);
}

std::string WithHeaderSize(std::string header, std::uint16_t size) {
    header[5] = static_cast<char>(size & 0xFF);
    header[6] = static_cast<char>(size >> 8);
    return header;
}

// A file header whose name length passes the end of the header.
std::string Rar5NameTooLong() {
    std::string body;
    for (std::uint64_t v : {2, 0, 0, 5, 0x20, 0, 0, 50}) PutVint(body, v);
    return Rar5Block(body + "abc");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PrescanDamage,
    ::testing::Values(
        DamageRow{"NotRar", std::string("PK\x03\x04 and more"), WalkStatus::NotRar, 0},
        DamageRow{"MainHeaderShort", Rar4Marker() + "\x00\x00\x73", WalkStatus::MainHeaderShort, 0},
        DamageRow{"EncryptedHeaders", Rar4Marker() + Rar4Main(0x0080) + Rar4FileHeader(R4("a")),
                  WalkStatus::HeadersEncrypted, 0},
        DamageRow{"HeaderSizeBelowSeven",
                  Rar4Marker() + Rar4Main() + WithHeaderSize(Rar4FileHeader(R4("a")), 3),
                  WalkStatus::Damaged, 0},
        DamageRow{"NameLongerThanHeader",
                  Rar4Marker() + Rar4Main() + WithHeaderSize(Rar4FileHeader(R4("abc")), 33),
                  WalkStatus::Damaged, 0},
        DamageRow{"FileHeaderCutShort",
                  Rar4Marker() + Rar4Main() + Rar4FileHeader(R4("a")).substr(0, 20),
                  WalkStatus::Damaged, 0},
        DamageRow{"HugePackedSizeEndsAtFileEnd",
                  Rar4Marker() + Rar4Main() + Rar4FileHeader(R4("a", 0xFFFFFFFFFFFFFFFFULL)) +
                      Rar4FileHeader(R4("b")),
                  WalkStatus::Complete, 1},
        DamageRow{"Rar5SizeVintTooLong",
                  Rar5Marker() + std::string(4, '\0') + std::string(11, '\xFF'),
                  WalkStatus::Damaged, 0},
        DamageRow{"Rar5HeaderBeyondEnd", Rar5Marker() + std::string(4, '\0') + "\x7F\x02",
                  WalkStatus::Damaged, 0},
        DamageRow{"Rar5NameBeyondHeader", Rar5Marker() + Rar5Main() + Rar5NameTooLong(),
                  WalkStatus::Damaged, 0},
        DamageRow{"Rar5EndBlockStops",
                  Rar5Marker() + Rar5Main() + Rar5FileHeader("a", 0, 1) + Rar5End() +
                      Rar5FileHeader("b", 0, 1),
                  WalkStatus::Complete, 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Prescan, EffectiveAttributesOfUnixEntries) {
    EXPECT_EQ(EffectiveAttribute(3, 040755), 0x10u);
    EXPECT_EQ(EffectiveAttribute(3, 0100664), 0x20u);  // group-writable is no folder
    EXPECT_EQ(EffectiveAttribute(2, 0x11), 0x11u);
    EXPECT_FALSE(IsFolderEntry(0, 3, 0100664));
    EXPECT_TRUE(IsFolderEntry(0xE0, 2, 0x20));
}

}  // namespace
}  // namespace kiv::test
