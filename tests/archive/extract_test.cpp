// End-to-end runs of TUnRAR against our RAR library on archives the fixture writer makes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "archive/err_msgs.h"
#include "archive/wildcard.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;
using fx::ArchiveFormat;
using fx::VolumeNaming;

constexpr std::size_t kMiB = 1024 * 1024;

class Extraction : public RealLibraryTest {};

TEST_F(Extraction, TwoFilesRaiseTheEventsInOrderWithBothPercentages) {
    const std::string a = Pattern(kMiB + kMiB / 2, 1);
    const std::string b = Pattern(kMiB / 2, 2);
    const auto volumes = Write({FileEntry("a.bin", a), FileEntry("b.bin", b)}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 2);
    const std::vector<std::string> expected = {
        "activate",
        "progress 0 0",
        "begin " + Path("out/a.bin") + " 1",
        "progress 0 0",
        "progress 67 50",
        "progress 100 75",
        "progress 0 75",
        "begin " + Path("out/b.bin") + " 2",
        "progress 100 100",
        "deactivate",
    };
    EXPECT_EQ(log.lines, expected);
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/a.bin")), a));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/b.bin")), b));
    EXPECT_EQ(rar->ArchiveFileCount(), 2);
}

// A set whose second batch begins in a later volume: a.bin and b.bin start in the first volume,
// c.bin in a later one.
class VolumeSets : public Extraction,
                   public ::testing::WithParamInterface<std::tuple<ArchiveFormat, VolumeNaming>> {};

TEST_P(VolumeSets, FollowTheVolumesWithBatchesOfProgress) {
    const auto [format, naming] = GetParam();
    const std::string a = Pattern(300 * 1024, 3);
    const std::string b = Pattern(300 * 1024, 4);
    const std::string c = Pattern(200 * 1024, 5);
    const auto volumes =
        Write({FileEntry("a.bin", a), FileEntry("dir/b.bin", b), FileEntry("c.bin", c)},
              SetOptions(format, 400 * 1024, naming));
    ASSERT_EQ(volumes.size(), 3u);
    const auto before = Snapshot(volumes);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 3);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(log.Of("volume"), (std::vector<std::string>{"volume " + volumes[1] + " 0 1",
                                                          "volume " + volumes[2] + " 1 1"}));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/a.bin")), a));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/dir/b.bin")), b));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/c.bin")), c));
    EXPECT_EQ(Snapshot(volumes), before);
    EXPECT_EQ(rar->ArchiveFileCount(), 3);
    // The first batch (a and b) ends at 100; c's data starts a new one at 0.
    const auto& p = log.progress;
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.back(), std::make_pair(100, 100));
    std::size_t restart = 0;
    for (std::size_t i = 1; i < p.size(); ++i) {
        if (p[i] == std::make_pair(0, 0) && p[i - 1].second == 100) restart = i;
    }
    ASSERT_GT(restart, 0u) << "no second batch";
    for (std::size_t i = 1; i < restart; ++i) EXPECT_GE(p[i].second, p[i - 1].second) << i;
    for (std::size_t i = restart + 1; i < p.size(); ++i) {
        EXPECT_GE(p[i].second, p[i - 1].second) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, VolumeSets,
    ::testing::Combine(::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                       ::testing::Values(VolumeNaming::Old, VolumeNaming::New)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == ArchiveFormat::Rar4 ? "Rar4" : "Rar5") +
               (std::get<1>(info.param) == VolumeNaming::Old ? "Old" : "New");
    });

TEST_F(Extraction, CancelFromOnProgressStopsAtTheNextChunkWithoutErrors) {
    const auto volumes =
        Write({FileEntry("a.bin", Pattern(3 * kMiB, 6)), FileEntry("b.bin", "b")}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    TUnRAR* self = rar.get();
    rar->SetOnProgress([&](TObject*, std::uint8_t f, std::uint8_t) {
        log.lines.push_back("progress");
        if (f > 0) self->SetCancel(true);
    });
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(log.lines.back(), "deactivate");
    EXPECT_TRUE(ListFiles(Path("out")).empty());
}

TEST_F(Extraction, ARefusedVolumeFailsTheSpanningEntryAndEndsTheRun) {
    const std::string a = Pattern(100 * 1024, 7);
    const auto volumes = Write(
        {FileEntry("a.bin", a), FileEntry("big.bin", Pattern(400 * 1024, 8)), FileEntry("c", "c")},
        SetOptions(ArchiveFormat::Rar4, 300 * 1024, VolumeNaming::Old));
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.refuseVolumes = true;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 2);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::BrokenVolumeChain);
    EXPECT_EQ(log.errors[0].fn, "big.bin");
    EXPECT_EQ(ListFiles(Path("out")), std::vector<std::string>{"a.bin"});
    EXPECT_EQ(log.volumeIds, std::vector<std::string>{"0"});
}

TEST_F(Extraction, AMissingVolumeWithAHandlerThatAlwaysGoesOnEndsWithFileNotFound) {
    const auto volumes = Write({FileEntry("big.bin", Pattern(500 * 1024, 9))},
                               SetOptions(ArchiveFormat::Rar4, 200 * 1024, VolumeNaming::Old));
    ASSERT_GE(volumes.size(), 3u);
    ASSERT_EQ(::unlink(volumes[1].c_str()), 0);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_EQ(log.volumeIds.size(), static_cast<std::size_t>(TZipCommon::kMaxVolumeAsks));
    for (const std::string& line : log.Of("volume"))
        EXPECT_EQ(line, "volume " + volumes[1] + " 0 0");
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(log.errors[0].code, msg::FileNotFound);
    EXPECT_EQ(log.errors[0].fn, FileNamePart(volumes[1]));
    EXPECT_EQ(log.errors[0].volumeId, "0");
    EXPECT_EQ(log.errors[1].code, msg::BrokenVolumeChain);
    EXPECT_TRUE(ListFiles(Path("out")).empty());
}

TEST_F(Extraction, AVolumeSuppliedFromAnotherPathIsCountedOnce) {
    const std::string data = Pattern(500 * 1024, 10);
    const auto volumes = Write({FileEntry("big.bin", data)},
                               SetOptions(ArchiveFormat::Rar5, 200 * 1024, VolumeNaming::New));
    ASSERT_EQ(volumes.size(), 3u);
    ASSERT_EQ(::mkdir(Path("moved").c_str(), 0755), 0);
    const std::string moved = Path("moved/") + std::string(FileNamePart(volumes[1]));
    ASSERT_EQ(::rename(volumes[1].c_str(), moved.c_str()), 0);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    rar->SetOnNextVolume(
        [&](TObject*, std::string& name, const std::string& id, bool exists, bool& cancel) {
            log.volumeIds.push_back(id);
            // Volumes are looked for in "moved" first, then where the set began.
            const std::string base(FileNamePart(name));
            if (!exists) name = Exists(Path("moved/") + base) ? Path("moved/") + base : Path(base);
            cancel = false;
        });
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(log.volumeIds, (std::vector<std::string>{"0", "1"}));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/big.bin")), data));
}

TEST_F(Extraction, WithoutOnNextVolumeTheSetStopsAndTheLossIsReported) {
    const auto volumes =
        Write({FileEntry("a", Pattern(150 * 1024, 11)), FileEntry("b", Pattern(100 * 1024, 12))},
              SetOptions(ArchiveFormat::Rar4, 200 * 1024, VolumeNaming::Old));
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar, false);
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(rar->Extract(), 2);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::BrokenVolumeChain);
    EXPECT_EQ(log.errors[0].fn, "b");
    EXPECT_EQ(ListFiles(Path("out")), std::vector<std::string>{"a"});
}

TEST_F(Extraction, MissingConfirmationHandlerSkipsExistingFilesFromThenOn) {
    const auto volumes = Write({FileEntry("a.txt", "new a"), FileEntry("b.txt", "new b")}, {});
    ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
    WriteFile(Path("out/a.txt"), "old a");
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    rar->SetConfirmOverwrites(true);
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_EQ(ReadFile(Path("out/a.txt")), "old a");
    EXPECT_EQ(ReadFile(Path("out/b.txt")), "new b");
    EXPECT_EQ(rar->OverwriteMode(), TOverwriteMode::omSkip);
    // The next run keeps skipping, even without asking.
    WriteFile(Path("out/b.txt"), "old b");
    rar->SetConfirmOverwrites(false);
    EXPECT_EQ(rar->Extract(), 0);
    EXPECT_EQ(ReadFile(Path("out/b.txt")), "old b");
}

TEST_F(Extraction, OnFileExistsDecidesPerFile) {
    const auto volumes = Write({FileEntry("a.txt", "new a"), FileEntry("b.txt", "new b")}, {});
    ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
    WriteFile(Path("out/a.txt"), "old a");
    WriteFile(Path("out/b.txt"), "old b");
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    rar->SetConfirmOverwrites(true);
    std::vector<std::string> asked;
    rar->SetOnFileExists(
        [&](TObject*, const std::string& fn, TDateTime date, TOverwriteMode& mode) {
            asked.push_back(fn);
            EXPECT_GT(date, 29221.0);
            mode = fn.ends_with("a.txt") ? TOverwriteMode::omOverwrite : TOverwriteMode::omSkip;
        });
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_EQ(asked, (std::vector<std::string>{Path("out/a.txt"), Path("out/b.txt")}));
    EXPECT_EQ(ReadFile(Path("out/a.txt")), "new a");
    EXPECT_EQ(ReadFile(Path("out/b.txt")), "old b");
}

TEST_F(Extraction, AReadOnlyDestinationIsReplacedWithTheMainWindowSettings) {
    const auto volumes = Write({FileEntry("a.txt", "new a")}, {});
    ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
    WriteFile(Path("out/a.txt"), "old a");
    ASSERT_EQ(::chmod(Path("out/a.txt").c_str(), 0444), 0);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_EQ(ReadFile(Path("out/a.txt")), "new a");
}

TEST_F(Extraction, NamesThatLeaveExtractDirAreRefusedAndTheRunGoesOn) {
    ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("elsewhere").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(Path("elsewhere").c_str(), Path("out/link").c_str()), 0);
    const auto volumes = Write({FileEntry("../evil.txt", "x"), FileEntry("link/evil.txt", "y"),
                                FileEntry("good.txt", "good")},
                               {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 1);
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(log.errors[0].code, msg::InvalidFileName);
    EXPECT_EQ(log.errors[0].fn, "../evil.txt");
    EXPECT_EQ(log.errors[1].code, msg::InvalidFileName);
    EXPECT_EQ(log.errors[1].fn, "link/evil.txt");
    EXPECT_EQ(ReadFile(Path("out/good.txt")), "good");
    EXPECT_FALSE(Exists(Path("evil.txt")));
    EXPECT_TRUE(ListFiles(Path("elsewhere")).empty());
}

TEST_F(Extraction, DriveAndRootOfStoredNamesAreDropped) {
    const auto volumes = Write({FileEntry("C:\\x\\y.txt", "y"), FileEntry("/abs/z.txt", "z")}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 2);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"abs/z.txt", "x/y.txt"}));
}

TEST_F(Extraction, ASecondComponentMayRunFromAHandlerOfTheFirst) {
    const std::string a = Pattern(3 * kMiB, 13);
    const auto outer = Write({FileEntry("outer.bin", a)}, {}, "outer.rar");
    const auto inner = Write({FileEntry("inner.txt", "inner")}, {}, "inner.rar");
    auto first = MainWindowExtractor(outer[0], Path("out1"));
    auto second = MainWindowExtractor(inner[0], Path("out2"));
    int nested = 0;
    first->SetOnProgress([&](TObject*, std::uint8_t f, std::uint8_t) {
        if (f > 0 && nested++ == 0) {
            EXPECT_EQ(second->Extract(), 1);
        }
    });
    EXPECT_EQ(first->Extract(), 1);
    EXPECT_TRUE(SameBytes(ReadFile(Path("out1/outer.bin")), a));
    EXPECT_EQ(ReadFile(Path("out2/inner.txt")), "inner");
}

TEST_F(Extraction, FolderEntriesAloneCreateNothing) {
    const auto volumes = Write({FolderEntry("docs"), FolderEntry("docs/sub")}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EXPECT_EQ(rar->Extract(), 0);
    EXPECT_FALSE(Exists(Path("out")));
}

// A RAR 5.0 folder is known by its header flag alone when its attributes lack the folder bit;
// taken for a file, it would count as begun and end the run before the last wanted file.
TEST_F(Extraction, Rar5FolderWithoutTheFolderAttributeIsNoFile) {
    fx::FixtureEntry folder = FolderEntry("docs");
    folder.attr = 0;
    fx::FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    const auto volumes =
        Write({folder, FileEntry("docs/a.txt", "a"), FileEntry("docs/b.txt", "b")}, options);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 2);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"docs/a.txt", "docs/b.txt"}));
}

class UnixSets : public Extraction, public ::testing::WithParamInterface<ArchiveFormat> {};

TEST_P(UnixSets, ExtractWithoutTouchingTheVolumesEvenWhenReadOnly) {
    const std::string a = Pattern(250 * 1024, 12);
    const auto volumes = Write({FolderEntry("bin", 3), FileEntry("bin/tool", a, 3, 0100775),
                                FileEntry("notes.txt", "n", 3, 0100664)},
                               SetOptions(GetParam(), 100 * 1024, VolumeNaming::Old));
    for (const std::string& v : volumes) ASSERT_EQ(::chmod(v.c_str(), 0444), 0);
    const auto before = Snapshot(volumes);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 2);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/bin/tool")), a));
    EXPECT_EQ(ReadFile(Path("out/notes.txt")), "n");
    EXPECT_EQ(Snapshot(volumes), before);
    struct stat st {};
    ASSERT_EQ(::stat(Path("out/bin/tool").c_str(), &st), 0);
    // The stored permissions, through the umask as every archiver on Linux applies them.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0775u & ~mask);
}

INSTANTIATE_TEST_SUITE_P(Formats, UnixSets,
                         ::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

TEST_F(Extraction, TheFileSpecChoosesTheEntries) {
    const auto volumes =
        Write({FileEntry("a.txt", "a"), FileEntry("b.doc", "b"), FileEntry("sub/c.txt", "c")}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    rar->FileSpec()->Clear();
    rar->FileSpec()->Add("*.txt");
    EXPECT_EQ(rar->Extract(), 2);
    EXPECT_EQ(rar->ArchiveFileCount(), 2);
    EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"a.txt", "sub/c.txt"}));
}

// Another process that may write in the target swaps a subfolder for a link to a folder
// outside, again and again, while the engine extracts into it: nothing lands outside, whatever
// the moment of the swap (a run may end early on a refused entry; it is started again).
TEST_F(Extraction, ASubfolderSwappedForALinkDuringTheRunGetsNothingOutside) {
    std::vector<fx::FixtureEntry> entries;
    for (int i = 0; i < 1000; ++i) {
        entries.push_back(FileEntry("sub/deeper/f" + std::to_string(i), "payload"));
    }
    const auto volumes = Write(entries, {});
    ASSERT_EQ(::mkdir(Path("target").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("target/sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("outside").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("outside/deeper").c_str(), 0755), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> swaps{0};
    const std::string sub = Path("target/sub");
    const std::string real = Path("target/sub.real");
    const std::string outside = Path("outside");
    std::thread swapper([&] {
        while (!stop) {
            if (::rename(sub.c_str(), real.c_str()) != 0) continue;
            if (::symlink(outside.c_str(), sub.c_str()) == 0) {
                ++swaps;
                std::this_thread::yield();
                ::unlink(sub.c_str());
            }
            ::rename(real.c_str(), sub.c_str());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    int begun = 0;
    for (int run = 0; run < 20; ++run) {
        auto rar = MainWindowExtractor(volumes[0], Path("target"));
        begun += rar->Extract();
    }
    stop = true;
    swapper.join();
    EXPECT_GT(swaps.load(), 0);
    EXPECT_GT(begun, 0);
    EXPECT_EQ(ListFiles(Path("outside")), std::vector<std::string>{});
    EXPECT_EQ(ListNames(Path("outside/deeper")), std::vector<std::string>{});
}

// RAR 1.5-2.x keeps the archive comment inside the main header and file comments inside the
// file headers, behind the name and outside the header's check value.
TEST_F(Extraction, CommentsOfOldArchivesArePassedOver) {
    std::vector<fx::FixtureEntry> entries;
    for (const char* name : {"readme.txt", "dir/big.bin", "last.txt"}) {
        fx::FixtureEntry e = FileEntry(name, Pattern(120 * 1024, 14));
        e.unpVer = 20;
        e.comment.text = std::string("about ") + name;
        entries.push_back(e);
    }
    fx::FixtureOptions options = SetOptions(ArchiveFormat::Rar4, 200 * 1024, VolumeNaming::Old);
    options.archiveComment.text = "the release\r\n";
    options.endBlocks = false;
    const auto volumes = Write(entries, options);
    ASSERT_GE(volumes.size(), 2u);
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 3);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(ListFiles(Path("out")),
              (std::vector<std::string>{"dir/big.bin", "last.txt", "readme.txt"}));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/dir/big.bin")), entries[1].data));
}

TEST_F(Extraction, CompressedEntriesFailWithoutLeavingAFile) {
    // RAR 1.3 compression, which the library does not decode.
    fx::FixtureEntry packed = FileEntry("packed.bin", "data");
    packed.method = 0x33;
    packed.unpVer = 13;
    const auto volumes = Write({packed, FileEntry("after.txt", "after")}, {});
    auto rar = MainWindowExtractor(volumes[0], Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::UnsupportedMethod);
    EXPECT_EQ(log.errors[0].fn, "packed.bin");
    EXPECT_TRUE(ListFiles(Path("out")).empty());
}

}  // namespace
}  // namespace kiv::test
