// The header fields the decoders need: the dictionary size each generation declares, the
// algorithm revision of RAR 5.0 entries and the solid flags.
#include <gtest/gtest.h>

#include "formatcore/byte_source.h"
#include "tests/unrar/support.h"
#include "unrar/format_reader.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;

struct DictionaryRow {
    const char* label;
    ArchiveFormat format;
    uint8_t unpVer;  // RAR 1.5-4.x
    uint32_t dictionary;
    uint32_t algorithm;  // RAR 5.0
    uint32_t fraction;
    uint64_t expectedSize;
    uint32_t expectedUnpVer;
};

void PrintTo(const DictionaryRow& row, std::ostream* os) {
    *os << row.label;
}

class DictionaryTest : public TempFolderTest,
                       public ::testing::WithParamInterface<DictionaryRow> {};

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;
constexpr uint64_t kGiB = 1024 * kMiB;

TEST_P(DictionaryTest, IsReadFromTheHeader) {
    const DictionaryRow& row = GetParam();
    FixtureEntry e;
    e.name = "packed";
    e.data = "data";
    e.method = 0x33;
    e.unpVer = row.unpVer;
    e.dictionary = row.dictionary;
    e.algorithm = row.algorithm;
    e.fraction = row.fraction;
    FixtureOptions options;
    options.format = row.format;
    const std::string bytes = ReadFile(fixture::WriteRarArchive(Path("d.rar"), {e}, options)[0]);
    format::MemorySource source(bytes);
    auto reader = rar::OpenFormatReader(source);
    const rar::Block block = reader->Next();
    ASSERT_EQ(block.kind, rar::BlockKind::Entry);
    EXPECT_EQ(block.entry.dictionarySize, row.expectedSize);
    EXPECT_EQ(block.entry.unpVer, row.expectedUnpVer);
    EXPECT_FALSE(block.entry.directory);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DictionaryTest,
    ::testing::Values(
        DictionaryRow{"Rar15HasOneSize", ArchiveFormat::Rar4, 15, 4, 0, 0, 64 * kKiB, 15},
        DictionaryRow{"Rar29Smallest", ArchiveFormat::Rar4, 29, 0, 0, 0, 64 * kKiB, 29},
        DictionaryRow{"Rar29Largest", ArchiveFormat::Rar4, 29, 6, 0, 0, 4 * kMiB, 29},
        DictionaryRow{"Rar20Middle", ArchiveFormat::Rar4, 20, 3, 0, 0, 512 * kKiB, 20},
        DictionaryRow{"Rar5Smallest", ArchiveFormat::Rar5, 0, 0, 0, 0, 128 * kKiB, 50},
        DictionaryRow{"Rar5FourGiB", ArchiveFormat::Rar5, 0, 15, 0, 0, 4 * kGiB, 50},
        // The first algorithm has no fraction; its bits mean nothing there.
        DictionaryRow{"Rar5IgnoresAFraction", ArchiveFormat::Rar5, 0, 5, 0, 7, 4 * kMiB, 50},
        DictionaryRow{"LaterRevisionPowerOfTwo", ArchiveFormat::Rar5, 0, 18, 1, 0, 32 * kGiB, 70},
        DictionaryRow{"LaterRevisionFraction", ArchiveFormat::Rar5, 0, 15, 1, 8,
                      4 * kGiB + 8 * (4 * kGiB / 32), 70},
        DictionaryRow{"UnknownRevision", ArchiveFormat::Rar5, 0, 1, 2, 0, 256 * kKiB, 0}),
    [](const auto& info) { return std::string(info.param.label); });

class SolidFlagTest : public TempFolderTest, public ::testing::WithParamInterface<ArchiveFormat> {};

TEST_P(SolidFlagTest, ComesFromTheMainHeaderAndEachEntry) {
    FixtureEntry first;
    first.name = "first";
    first.data = "1";
    first.method = 0x33;
    FixtureEntry second = first;
    second.name = "second";
    second.solid = true;
    FixtureOptions options;
    options.format = GetParam();
    options.solid = true;
    const std::string bytes =
        ReadFile(fixture::WriteRarArchive(Path("s.rar"), {first, second}, options)[0]);
    format::MemorySource source(bytes);
    auto reader = rar::OpenFormatReader(source);
    EXPECT_TRUE(reader->Info().solid);
    EXPECT_FALSE(reader->Next().entry.solid);
    EXPECT_TRUE(reader->Next().entry.solid);
}

INSTANTIATE_TEST_SUITE_P(Formats, SolidFlagTest,
                         ::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

}  // namespace
}  // namespace kiv::test
