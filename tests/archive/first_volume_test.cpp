// Runs started from a later volume of a set: from the set's first volume when it lies beside the
// given one, else with a report of the entry that cannot be begun.
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "archive/first_volume.h"
#include "archive/rar_prescan.h"
#include "tests/archive/rar_blocks.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

struct NameRow {
    const char* volume;
    std::optional<std::string> first;
};

class FirstVolumeNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(FirstVolumeNames, FollowTheSetsNaming) {
    EXPECT_EQ(FirstVolumeName(GetParam().volume), GetParam().first);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirstVolumeNames,
    ::testing::Values(NameRow{"/d/set.part2.rar", "/d/set.part1.rar"},
                      NameRow{"/d/set.part10.rar", "/d/set.part01.rar"},
                      NameRow{"/d/set.part003.RAR", "/d/set.part001.RAR"},
                      NameRow{"/d/Set.PART2.rar", "/d/Set.PART1.rar"},
                      NameRow{"/d/set.part1.rar", std::nullopt},
                      NameRow{"/d/set.part01.rar", std::nullopt},
                      NameRow{"/d/set.r00", "/d/set.rar"}, NameRow{"/d/set.s12", "/d/set.rar"},
                      NameRow{"/d/SET.R05", "/d/SET.RAR"}, NameRow{"/d/set.rar", std::nullopt},
                      NameRow{"/d/set.r0", std::nullopt}, NameRow{"/d/set.q00", std::nullopt},
                      NameRow{"/d/notes.txt", std::nullopt}, NameRow{"/d/v.r00/set", std::nullopt}),
    [](const auto& info) { return std::to_string(info.index); });

std::string Rar5MainWith(std::uint64_t flags, std::uint64_t number) {
    std::string body;
    PutVint(body, 1);
    PutVint(body, 0);
    PutVint(body, flags);
    if (flags & 0x0002) PutVint(body, number);
    return Rar5Block(body);
}

struct PlaceRow {
    const char* label;
    std::string bytes;
    bool rar;
    bool volume;
    bool known;
    bool first;
};

void PrintTo(const PlaceRow& row, std::ostream* os) {
    *os << row.label;
}

class VolumePlaces : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(VolumePlaces, AreReadFromTheMainHeader) {
    const PlaceRow& row = GetParam();
    const VolumePlace place = ReadVolumePlace(MemoryReader(row.bytes), 0);
    EXPECT_EQ(place.rar, row.rar);
    EXPECT_EQ(place.volume, row.volume);
    EXPECT_EQ(place.known, row.known);
    EXPECT_EQ(place.first, row.first);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VolumePlaces,
    ::testing::Values(
        PlaceRow{"Rar4Single", Rar4Marker() + Rar4Main(0), true, false, false, false},
        // RAR 1.5-2.x marks no first volume.
        PlaceRow{"Rar4VolumeUnmarked", Rar4Marker() + Rar4Main(0x0001), true, true, false, false},
        PlaceRow{"Rar4FirstVolume", Rar4Marker() + Rar4Main(0x0101), true, true, true, true},
        PlaceRow{"Rar5FirstVolume", Rar5Marker() + Rar5MainWith(0x0001, 0), true, true, true, true},
        PlaceRow{"Rar5LaterVolume", Rar5Marker() + Rar5MainWith(0x0003, 2), true, true, true,
                 false},
        PlaceRow{"Rar5Single", Rar5Marker() + Rar5MainWith(0, 0), true, false, true, true},
        PlaceRow{"NotRar", std::string("PK\x03\x04 and more"), false, false, false, false},
        PlaceRow{"Rar4MainCutShort", Rar4Marker() + "\x00\x00\x73", false, false, false, false}),
    [](const auto& info) { return std::string(info.param.label); });

struct StartRow {
    const char* label;
    fx::ArchiveFormat format;
    fx::VolumeNaming naming;
    std::size_t start;  // index of the volume the run is given
    bool firstMissing;
};

void PrintTo(const StartRow& row, std::ostream* os) {
    *os << row.label;
}

class LaterVolumeStart : public RealLibraryTest, public ::testing::WithParamInterface<StartRow> {};

// a.bin begins in the first volume and goes on into the second, b.bin and c.bin begin later.
TEST_P(LaterVolumeStart, BeginsTheSetOrReportsWhatItCannotBegin) {
    const StartRow& row = GetParam();
    const std::string a = Pattern(300 * 1024, 31);
    const std::string b = Pattern(300 * 1024, 32);
    const std::string c = Pattern(100 * 1024, 33);
    const auto volumes =
        Write({FileEntry("a.bin", a), FileEntry("b.bin", b), FileEntry("c.bin", c)},
              SetOptions(row.format, 250 * 1024, row.naming));
    ASSERT_EQ(volumes.size(), 3u);
    if (row.firstMissing) {
        ASSERT_EQ(::unlink(volumes[0].c_str()), 0);
    }
    auto rar = MainWindowExtractor(volumes[row.start], Path("out"));
    EventLog log;
    log.Attach(*rar);
    rar->Extract();
    if (row.firstMissing) {
        ASSERT_EQ(log.errors.size(), 1u);
        EXPECT_EQ(log.errors[0].code, msg::BrokenVolumeChain);
        EXPECT_EQ(log.errors[0].fn, "a.bin");
        EXPECT_NE(log.errors[0].msgEx.find("begins in a volume before"), std::string::npos);
        EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"b.bin", "c.bin"}));
    } else {
        EXPECT_TRUE(log.errors.empty());
        EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"a.bin", "b.bin", "c.bin"}));
        EXPECT_TRUE(SameBytes(ReadFile(Path("out/a.bin")), a));
        ASSERT_FALSE(log.volumeIds.empty());
        EXPECT_EQ(log.volumeIds[0], "0");
        EXPECT_EQ(log.Of("volume")[0], "volume " + volumes[1] + " 0 1");
    }
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/c.bin")), c));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LaterVolumeStart,
    ::testing::Values(
        StartRow{"Rar4OldFromR00", fx::ArchiveFormat::Rar4, fx::VolumeNaming::Old, 1, false},
        StartRow{"Rar4NewFromPart3", fx::ArchiveFormat::Rar4, fx::VolumeNaming::New, 2, false},
        StartRow{"Rar5NewFromPart2", fx::ArchiveFormat::Rar5, fx::VolumeNaming::New, 1, false},
        StartRow{"Rar4OldFirstMissing", fx::ArchiveFormat::Rar4, fx::VolumeNaming::Old, 1, true},
        StartRow{"Rar5NewFirstMissing", fx::ArchiveFormat::Rar5, fx::VolumeNaming::New, 1, true}),
    [](const auto& info) { return std::string(info.param.label); });

class GivenArchive : public RealLibraryTest {};

// A file named like a later volume that is an archive of its own is extracted as it is, even
// with another archive under the first volume's name beside it.
TEST_F(GivenArchive, NamedLikeALaterVolumeIsTakenAsItIs) {
    Write({FileEntry("other.txt", "other")}, {}, "x.part1.rar");
    const auto own = Write({FileEntry("own.txt", "own")}, {}, "x.part2.rar");
    auto rar = MainWindowExtractor(own[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(ListFiles(Path("out")), std::vector<std::string>{"own.txt"});
}

}  // namespace
}  // namespace kiv::test
