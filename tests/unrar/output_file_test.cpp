// OutputFile's failures: each names the reason of the call that failed, and none leaves a
// temporary file or a destination behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/unrar/support.h"
#include "unrar/output_file.h"
#include "unrar/rar_error.h"

namespace kiv::test {
namespace {

using rar::Destination;
using rar::OutputFile;
using rar::RarError;

// Runs `attempt` in a child process and returns what it returned. With `unprivileged`, the
// child first becomes an ordinary user when the tests run as root, which passes every
// permission check. Changes to process limits stay in the child.
std::string InChild(const std::function<std::string()>& attempt, bool unprivileged) {
    int pipe[2];
    if (::pipe(pipe) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        std::string result;
        if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            result = "cannot drop privileges";
        } else {
            result = attempt();
        }
        (void)!::write(pipe[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) result.append(buffer, n);
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return result;
}

std::string Reason(int error) {
    return std::string(": ") + std::strerror(error);
}

// How far a row gets: the failure happens in Create, Write or Commit.
enum class Stage { Create, Write, Commit };

struct FailureRow {
    const char* label;
    void (*prepare)(const std::string& dir);
    std::string base;  // below the test folder
    std::string relative;
    Stage stage;
    int code;
    std::string message;  // "$DIR" stands for the test folder
    int systemError;      // what the error hands on as errno
    bool unprivileged = false;
};

void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << row.label;
}

class OutputFileFailures : public TempFolderTest,
                           public ::testing::WithParamInterface<FailureRow> {};

TEST_P(OutputFileFailures, NameTheRightReasonAndLeaveNothingBehind) {
    const FailureRow& row = GetParam();
    // Others may pass into the test folder (for the unprivileged child).
    ASSERT_EQ(::chmod(Dir().c_str(), 0755), 0);
    row.prepare(Dir());
    const Destination dest{Dir() + "/" + row.base, row.relative};
    const std::string outcome = InChild(
        [&] {
            try {
                auto out = OutputFile::Create(dest, {}, 0644);
                if (row.stage == Stage::Create) return std::string("created");
                if (row.stage == Stage::Write) {
                    // Files may grow to 4 bytes; going past fails with EFBIG instead of a signal.
                    ::signal(SIGXFSZ, SIG_IGN);
                    const rlimit limit{4, 4};
                    ::setrlimit(RLIMIT_FSIZE, &limit);
                }
                const std::string data(64, 'x');
                out->Write(reinterpret_cast<const uint8_t*>(data.data()), data.size());
                // Something takes the destination's place before the rename.
                ::mkdir((dest.base + "/" + row.relative).c_str(), 0755);
                out->Commit(nullptr);
                return std::string("committed");
            } catch (const RarError& e) {
                return std::to_string(e.Code()) + " " + e.what() + " [" +
                       std::strerror(e.SystemError()) + "]";
            }
        },
        row.unprivileged);

    std::string expected =
        std::to_string(row.code) + " " + row.message + " [" + std::strerror(row.systemError) + "]";
    if (const auto at = expected.find("$DIR"); at != std::string::npos) {
        expected.replace(at, 4, Dir());
    }
    EXPECT_EQ(outcome, expected);
    for (const auto& item : std::filesystem::recursive_directory_iterator(Dir())) {
        const std::string name = item.path().filename().string();
        EXPECT_FALSE(name.starts_with(".kiv-unrar-")) << item.path();
        EXPECT_FALSE(item.is_regular_file() && name == row.relative) << item.path();
    }
}

void Nothing(const std::string&) {}

void ReadOnlyFolder(const std::string& dir) {
    ASSERT_EQ(::mkdir((dir + "/ro").c_str(), 0555), 0);
}

void FileNamedF(const std::string& dir) {
    WriteFile(dir + "/f", "file");
}

void LinkNamedL(const std::string& dir) {
    ASSERT_EQ(::symlink(".", (dir + "/l").c_str()), 0);
}

void FolderNamedA(const std::string& dir) {
    ASSERT_EQ(::mkdir((dir + "/a").c_str(), 0755), 0);
}

void LinkUnderA(const std::string& dir) {
    ASSERT_EQ(::mkdir((dir + "/a").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir + "/outside").c_str(), 0755), 0);
    ASSERT_EQ(::symlink((dir + "/outside").c_str(), (dir + "/a/l").c_str()), 0);
}

const std::string kLongName(300, 'n');

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputFileFailures,
    ::testing::Values(
        FailureRow{"UnwritableFolder", ReadOnlyFolder, "ro", "a", Stage::Create, ERAR_ECREATE,
                   "cannot create a file beside a" + Reason(EACCES), EACCES, true},
        FailureRow{"FolderOnTheWayIsAFile", FileNamedF, "", "f/a", Stage::Create, ERAR_ECREATE,
                   "refusing to pass through f: not a plain folder", EPERM},
        FailureRow{"FolderOnTheWayIsALink", LinkNamedL, "", "l/a", Stage::Create, ERAR_ECREATE,
                   "refusing to pass through l: not a plain folder", EPERM},
        FailureRow{"LinkDeeperOnTheWay", LinkUnderA, "", "a/l/b/c", Stage::Create, ERAR_ECREATE,
                   "refusing to pass through l: not a plain folder", EPERM},
        FailureRow{"BaseBelowAFile", FileNamedF, "f/sub", "a", Stage::Create, ERAR_ECREATE,
                   "cannot open folder $DIR/f/sub" + Reason(ENOTDIR), ENOTDIR},
        FailureRow{"DestinationIsAFolder", FolderNamedA, "", "a", Stage::Create, ERAR_ECREATE,
                   "a exists and is not a regular file" + Reason(EISDIR), EISDIR},
        FailureRow{"NameTooLong", Nothing, "", kLongName, Stage::Create, ERAR_ECREATE,
                   "cannot inspect " + kLongName + Reason(ENAMETOOLONG), ENAMETOOLONG},
        FailureRow{"FileSizeLimit", Nothing, "", "a", Stage::Write, ERAR_EWRITE,
                   "cannot write a" + Reason(EFBIG), EFBIG},
        FailureRow{"DestinationTakenBeforeTheRename", Nothing, "", "a", Stage::Commit, ERAR_ECREATE,
                   "a exists and is not a regular file" + Reason(EISDIR), EISDIR}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::test

namespace kiv::test {
namespace {

class ReasonThroughTheInterface : public TempFolderTest {};

// The caller of the C interface learns why a file could not be created from errno.
TEST_F(ReasonThroughTheInterface, ErrnoNamesTheCauseOfACreateFailure) {
    ASSERT_EQ(::chmod(Dir().c_str(), 0755), 0);
    fixture::FixtureEntry e;
    e.name = "a";
    e.data = "data";
    const auto volumes = fixture::WriteRarArchive(Path("x.rar"), {e}, {});
    ASSERT_EQ(::chmod(volumes[0].c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(Path("ro").c_str(), 0555), 0);
    const std::string outcome = InChild(
        [&] {
            Handle h = Open(volumes[0], RAR_OM_EXTRACT);
            RARHeaderData header{};
            if (RARReadHeader(h.get(), &header) != 0) return std::string("no header");
            std::string dir = Path("ro");
            std::string dest = Path("ro/a");
            errno = 0;
            const int rc = RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), dest.data());
            return std::to_string(rc) + " " + std::strerror(errno);
        },
        true);
    EXPECT_EQ(outcome, std::to_string(ERAR_ECREATE) + " " + std::strerror(EACCES));
    EXPECT_EQ(ListNames(Path("ro")), std::vector<std::string>{});
}

}  // namespace
}  // namespace kiv::test
