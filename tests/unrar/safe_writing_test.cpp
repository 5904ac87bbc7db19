// Writing below the target under adversity: a run killed mid-entry leaves nothing, a stale
// temporary file of a killed run goes when the entry comes again, permissions pass through the
// umask, and a process swapping a folder for a link during an extraction gets nothing outside.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/unrar/support.h"
#include "unrar/output_file.h"

namespace kiv::test {
namespace {

using rar::Destination;
using rar::OutputFile;

class SafeWritingTest : public TempFolderTest {};

TEST_F(SafeWritingTest, AKilledWriterLeavesNothingInTheTarget) {
    ASSERT_EQ(::mkdir(Path("target").c_str(), 0755), 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        auto out = OutputFile::Create(Destination{Path("target"), "big.bin"}, {}, 0644);
        const std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 32; ++i) {
            out->Write(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size());
        }
        const char state = out->Unnamed() ? 'u' : 'n';
        (void)!::write(ready[1], &state, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    if (state != 'u') GTEST_SKIP() << "this file system has no unnamed temporary files";
    EXPECT_EQ(ListNames(Path("target")), std::vector<std::string>{});
}

TEST_F(SafeWritingTest, StaleTemporaryFilesGoButOnesInUseStay) {
    ASSERT_EQ(::mkdir(Path("target").c_str(), 0755), 0);
    const std::string stale0 = rar::TemporaryName("f.bin", 0);
    const std::string stale1 = rar::TemporaryName("f.bin", 1);
    const std::string inUse = rar::TemporaryName("f.bin", 2);
    const std::string other = rar::TemporaryName("g.bin", 0);
    for (const std::string& name : {stale0, stale1, inUse, other}) {
        WriteFile(Path("target/" + name), "left by a killed run");
    }
    // A lock held by another process marks a file that a running extraction writes.
    int locked[2];
    ASSERT_EQ(::pipe(locked), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(Path("target/" + inUse).c_str(), O_RDONLY);
        const char done = ::flock(fd, LOCK_EX) == 0 ? 'l' : 'e';
        (void)!::write(locked[1], &done, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(locked[1]);
    char done = 0;
    ASSERT_EQ(::read(locked[0], &done, 1), 1);
    ::close(locked[0]);
    ASSERT_EQ(done, 'l');
    {
        auto out = OutputFile::Create(Destination{Path("target"), "f.bin"}, {}, 0644);
        out->Write(reinterpret_cast<const uint8_t*>("new"), 3);
        out->Commit(nullptr);
    }
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    std::vector<std::string> expected = {"f.bin", inUse, other};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListNames(Path("target")), expected);
    EXPECT_EQ(ReadFile(Path("target/f.bin")), "new");
}

struct ModeRow {
    const char* label;
    mode_t umask;
    mode_t mode;
    mode_t expected;
};

class UmaskTest : public TempFolderTest, public ::testing::WithParamInterface<ModeRow> {};

TEST_P(UmaskTest, PermissionsPassThroughTheUmask) {
    const ModeRow& row = GetParam();
    const pid_t child = ::fork();
    if (child == 0) {
        ::umask(row.umask);
        try {
            auto out = OutputFile::Create(Destination{Dir(), "f"}, {}, row.mode);
            out->Commit(nullptr);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat st {};
    ASSERT_EQ(::lstat(Path("f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, UmaskTest,
                         ::testing::Values(ModeRow{"WorldWritableUnderTheUsualMask", 022, 0777,
                                                   0755},
                                           ModeRow{"PrivateMask", 077, 0666, 0600},
                                           ModeRow{"GroupMask", 027, 0751, 0750},
                                           ModeRow{"ReadOnlyStaysReadOnly", 002, 0444, 0444}),
                         [](const auto& info) { return std::string(info.param.label); });

// Another process that may write in the target swaps its subfolder for a link to a folder
// outside, again and again, while files are extracted into that subfolder.
TEST_F(SafeWritingTest, SwappingAFolderForALinkDuringExtractionPutsNothingOutside) {
    constexpr int kFiles = 1500;
    std::vector<fixture::FixtureEntry> entries;
    for (int i = 0; i < kFiles; ++i) {
        fixture::FixtureEntry e;
        e.name = "sub/deeper/f" + std::to_string(i);
        e.data = "payload " + std::to_string(i);
        entries.push_back(e);
    }
    const auto volumes = fixture::WriteRarArchive(Path("many.rar"), entries, {});
    ASSERT_EQ(::mkdir(Path("target").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("outside").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("outside/deeper").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Path("target/sub").c_str(), 0755), 0);

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
            // Some files get through between the swaps, so the run shows it still extracts.
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    std::string target = Path("target") + "/";
    int written = 0;
    while (RARReadHeader(h.get(), &header) == 0) {
        std::string dest = target + header.FileName;
        if (RARProcessFile(h.get(), RAR_EXTRACT, target.data(), dest.data()) == 0) ++written;
    }
    stop = true;
    swapper.join();
    EXPECT_GT(swaps.load(), 0);
    EXPECT_GT(written, 0);
    EXPECT_EQ(ListFiles(Path("outside")), std::vector<std::string>{});
    EXPECT_EQ(ListNames(Path("outside")), std::vector<std::string>{"deeper"});
}

}  // namespace
}  // namespace kiv::test
