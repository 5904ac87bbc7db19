// The installer as a user meets it, on a real X server: the program started in a release folder
// of its own with HOME in a temporary folder, looked at in screenshots and driven with xdotool.
// Every wait has a deadline; the program is killed by its process id when a test ends.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QImage>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/folders.h"
#include "tests/app/support.h"
#include "tests/support/screen.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait.h"

extern char** environ;

namespace kiv::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kTitle = "KIV INSTALLER 2000";

// Positions inside the window's client area (the table of the main window's layout).
struct Spot {
    int x, y;
};
constexpr Spot kUnpack{1 + 327 + 18, 274 + 13 + 4};
constexpr Spot kPath{1 + 407 + 12, 274 + 13 + 2};
constexpr Spot kVerify{1 + 247 + 18, 274 + 13 + 4};
constexpr Spot kExit{1 + 15 + 12, 274 + 13 + 4};
constexpr Spot kPicture{200, 150};
// The folder dialog's buttons, inside its button bar at (8, 126).
constexpr Spot kNewDir{8 + 12 + 21, 126 + 19 + 4};
constexpr Spot kOk{8 + 195 + 6, 126 + 19 + 4};

class Installer : public ::testing::Test {
protected:
    ~Installer() override { Kill(); }

    const std::string& Release() const { return m_release.Path(); }

    // A stored set "set.rar" ... with kiv.ini naming it, beside a copy of the installer.
    std::vector<std::string> WriteRelease(const std::vector<fixture::FixtureEntry>& entries,
                                          std::uint64_t volumeSize = 50000) {
        m_entries = entries;
        fs::copy_file(KIV_INSTALLER, Release() + "/kiv-installer");
        std::ofstream(Release() + "/kiv.ini")
            << "[KIV]\nFirstDisk=set.rar\nRelease=X11 Release\nDate=2026-12-09\nDisks=3\n"
               "DiskSize=0.05\nInfoLine1=first line\n";
        fixture::FixtureOptions options;
        options.volumeSize = volumeSize;
        options.naming = fixture::VolumeNaming::Old;
        return fixture::WriteRarArchive(Release() + "/set.rar", entries, options);
    }

    std::vector<fixture::FixtureEntry> SmallSet() const {
        return {File("readme.txt", "Read me.\r\n"), File("data/one.bin", Pattern(70000, 1)),
                File("data/two.bin", Pattern(70000, 2)), File("last.txt", "the end")};
    }

    // Starts the installer in the release folder and waits for its window.
    void Start() {
        const std::string home = "HOME=" + m_home.Path();
        std::vector<std::string> env{home, "QT_QPA_PLATFORM=xcb"};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("HOME=", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
                env.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        const std::string program = Release() + "/kiv-installer";
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        // The installer starts in its own folder, as from a file manager.
        const fs::path previous = fs::current_path();
        fs::current_path(Release());
        const int rc = ::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, envp.data());
        fs::current_path(previous);
        ASSERT_EQ(rc, 0) << "cannot start the installer";
        // A window manager may place the window after it is shown: wait until it stays put.
        std::optional<TPoint> last;
        ASSERT_TRUE(WaitUntil(
            [&] {
                const std::optional<TPoint> now = WindowPosition(kTitle);
                const bool settled = now && now == last;
                last = now;
                if (!settled) std::this_thread::sleep_for(100ms);
                return settled;
            },
            "the installer's window appears and settles"));
        m_origin = *last;
    }

    void Kill() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    // The exit status once the installer has ended by itself; -1 after the deadline.
    int WaitExit(std::chrono::milliseconds limit = kWaitLimit) {
        int status = 0;
        const bool ended =
            static_cast<bool>(WaitUntil([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; },
                                        "the installer ends", limit));
        if (!ended) return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string At(Spot spot) const {
        return std::to_string(m_origin.X + spot.x) + " " + std::to_string(m_origin.Y + spot.y);
    }
    void Click(Spot spot) const { ASSERT_TRUE(XDoTool("mousemove " + At(spot) + " click 1")); }

    // Waits for a window of this title, gives it the keyboard and runs the xdotool `input` on
    // it ("key Return"), then waits for it to go.
    void Answer(const std::string& title, const std::string& input) const {
        const bool shown = static_cast<bool>(WaitUntil(
            [&] { return WindowPosition(title).has_value(); }, "a window titled " + title));
        if (!shown)
            Screenshot().save(QString::fromStdString(std::string(KIV_SHOT_OUT) + "/missing.png"));
        ASSERT_TRUE(shown) << "no window titled " << title << " (missing.png)";
        // Qt adds the application's name to a dialog's title. xdotool's own status is not
        // looked at: once the keys close the window it may complain about it; its going counts.
        const std::string window =
            "search --onlyvisible --name " + ShellQuote("^" + title + "( — |$)");
        // The keys go in a command of their own, to the focused window: chained after a search,
        // xdotool sends them to the window it found, and when the press closes that window the
        // release fails with BadWindow and the key stays down, repeating into the next dialog.
        (void)XDoTool(window + " windowfocus --sync sleep 0.2");
        (void)XDoTool(input);
        // A Return that only closed a completion list leaves the dialog: once more.
        if (!WaitUntil([&] { return !WindowPosition(title).has_value(); }, title + " goes", 3000ms)) {
            (void)XDoTool(window + " windowfocus --sync sleep 0.2");
            (void)XDoTool("key Return");
        }
        const bool gone = static_cast<bool>(
            WaitUntil([&] { return !WindowPosition(title).has_value(); }, title + " goes"));
        if (!gone)
            Screenshot().save(QString::fromStdString(std::string(KIV_SHOT_OUT) + "/stuck.png"));
        ASSERT_TRUE(gone) << "the window titled " << title << " stays (stuck.png)";
    }

    // Pixels of `image` in the window's client rectangle (x, y, w, h) that `test` accepts.
    int Count(const QImage& image, int x, int y, int w, int h,
              const std::function<bool(QRgb)>& test) const {
        int n = 0;
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                if (test(image.pixel(m_origin.X + i, m_origin.Y + j))) ++n;
        return n;
    }

    void ExpectExtractedInto(const std::string& folder) const {
        for (const auto& entry : m_entries)
            EXPECT_TRUE(Slurp(folder + "/" + entry.name) == entry.data) << entry.name;
    }

    TempFolder m_release;
    TempFolder m_home;
    pid_t m_pid = -1;
    TPoint m_origin;
    std::vector<fixture::FixtureEntry> m_entries;
};

bool White(QRgb c) {
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200;
}
bool Lime(QRgb c) {
    return qGreen(c) > 200 && qRed(c) < 80 && qBlue(c) < 80;
}
bool Black(QRgb c) {
    return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) == 0;
}

TEST_F(Installer, ShowsTheLayoutAndHighlightsUnderTheMouse) {
    WriteRelease(SmallSet());
    Start();
    std::string geometry;
    {
        TempFolder temp;
        ASSERT_EQ(RunShell("xdotool search --onlyvisible --name " + ShellQuote(kTitle) +
                           " getwindowgeometry --shell > " + ShellQuote(temp / "g")),
                  0);
        geometry = Slurp(temp / "g").value_or("");
    }
    EXPECT_NE(geometry.find("WIDTH=452\n"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("HEIGHT=304\n"), std::string::npos) << geometry;
    ASSERT_TRUE(XDoTool("mousemove " + At(kPicture) + " sleep 0.3"));
    const QImage before = Screenshot();
    ASSERT_FALSE(before.isNull());
    // The four labels from kiv.ini in lime, the picture inside a black rim, the bar's frame.
    EXPECT_GT(Count(before, 254, 60, 191, 9, Lime), 40) << "lblRelease";
    EXPECT_GT(Count(before, 254, 96, 191, 9, Lime), 20) << "lblFile";
    EXPECT_EQ(Count(before, 0, 10, 1, 260, Black), 260) << "the black left rim";
    EXPECT_EQ(Count(before, 1, 10, 1, 260, Black), 0) << "the picture starts at x 1";
    EXPECT_EQ(Count(before, 10, 279, 430, 1, Black), 430) << "the button bar's frame";
    EXPECT_EQ(Count(before, 10, 270, 430, 1, Black), 0) << "the picture above the bar";
    const int plain = Count(before, 326, 285, 40, 12, White);
    EXPECT_GT(plain, 10) << "the caption Unpack";
    ASSERT_TRUE(XDoTool("mousemove " + At(kUnpack) + " sleep 0.3"));
    const QImage hovered = Screenshot();
    EXPECT_GT(Count(hovered, 326, 285, 40, 12, White), plain + 10) << "the hover shadow";
    ASSERT_TRUE(XDoTool("mousemove " + At({200, 290}) + " sleep 0.3"));
    const QImage left = Screenshot();
    EXPECT_EQ(Count(left, 326, 285, 40, 12, White), plain) << "gone over the bar";
    left.save(QString::fromStdString(std::string(KIV_SHOT_OUT) + "/installer_left.png"));
    before.save(QString::fromStdString(std::string(KIV_SHOT_OUT) + "/installer_before.png"));
    hovered.save(QString::fromStdString(std::string(KIV_SHOT_OUT) + "/installer_hovered.png"));
}

TEST_F(Installer, UnpacksWhatUnarUnpacksWithTheLibraryItDeployed) {
    WriteRelease(SmallSet());
    Start();
    const std::string deployed =
        m_home.Path() + "/.local/lib/" + std::string(platform::MultiarchTuple()) + "/libunrar.so";
    EXPECT_TRUE(fs::exists(deployed));
    EXPECT_FALSE(fs::exists(Release() + "/libunrar.so"));
    Click(kUnpack);
    Answer("Information", "key Return");
    ExpectExtractedInto(Release());
    if (HasCommand("unar")) {
        TempFolder theirs;
        ASSERT_EQ(RunShell("unar -q -f -D -o " + ShellQuote(theirs.Path()) + " " +
                           ShellQuote(Release() + "/set.rar") + " >/dev/null"),
                  0);
        for (const std::string& file : FilesBelow(theirs.Path()))
            EXPECT_TRUE(Slurp(Release() + "/" + file) == Slurp(theirs / file)) << file;
        EXPECT_EQ(FilesBelow(theirs.Path()).size(), m_entries.size());
    }
    Click(kExit);
    EXPECT_EQ(WaitExit(), 0);
}

TEST_F(Installer, ADamagedVolumeEndsWithAWarning) {
    const auto volumes = WriteRelease(SmallSet());
    {
        std::fstream last(volumes.back(), std::ios::in | std::ios::out | std::ios::binary);
        last.seekp(-300, std::ios::end);
        last.put('\x5a');
    }
    Start();
    Click(kUnpack);
    Answer("Warning", "key Return");
    EXPECT_FALSE(WindowPosition("Information").has_value());
    EXPECT_FALSE(fs::exists(Release() + "/data/two.bin"));
}

TEST_F(Installer, AMissingVolumeIsAskedForAndFound) {
    const auto volumes = WriteRelease(SmallSet());
    const std::string moved = m_home.Path() + "/set.r00";
    fs::rename(volumes[1], moved);
    Start();
    Click(kUnpack);
    // xdotool's type takes the rest of its line as text; Answer's own Return accepts it.
    Answer("Locate volume set.r00", "key ctrl+a type --delay 20 " + ShellQuote(moved));
    Answer("Information", "key Return");
    ExpectExtractedInto(Release());
}

TEST_F(Installer, PathNewDirOkThenUnpackThere) {
    WriteRelease(SmallSet());
    Start();
    Click(kPath);
    ASSERT_TRUE(WaitUntil([] { return WindowPosition("Select target folder").has_value(); },
                          "the folder dialog"));
    const TPoint dialog = *WindowPosition("Select target folder");
    const auto in = [&](Spot s) {
        return std::to_string(dialog.X + s.x) + " " + std::to_string(dialog.Y + s.y);
    };
    ASSERT_TRUE(XDoTool("mousemove " + in(kNewDir) + " click 1"));
    Answer("Create new directory", "key Return");  // the proposed name: the release's
    EXPECT_TRUE(fs::is_directory(Release() + "/X11 Release"));
    ASSERT_TRUE(XDoTool("mousemove " + in(kOk) + " click 1"));
    ASSERT_TRUE(WaitUntil([] { return !WindowPosition("Select target folder").has_value(); },
                          "the folder dialog closes"));
    ASSERT_TRUE(XDoTool("sleep 0.5"));
    Click(kUnpack);
    Answer("Information", "key Return");
    ExpectExtractedInto(Release() + "/X11 Release");
    EXPECT_FALSE(fs::exists(Release() + "/readme.txt"));
}

TEST_F(Installer, EscapeStopsALargeSetWithoutAPartialFile) {
    std::vector<fixture::FixtureEntry> entries;
    TempFolder data;
    for (int i = 0; i < 6; ++i) {
        const std::string path = data / ("big" + std::to_string(i));
        std::ofstream(path, std::ios::binary) << Pattern(48 << 20, unsigned(i));
        fixture::FixtureEntry entry;
        entry.name = "big" + std::to_string(i) + ".bin";
        entry.sourcePath = path;
        entries.push_back(entry);
    }
    WriteRelease(entries, 100 << 20);
    Start();
    ASSERT_TRUE(XDoTool("search --onlyvisible --name " + ShellQuote(kTitle) + " windowfocus --sync"));
    Click(kUnpack);
    // Escape counts only while the run goes, and a fast disk writes the whole set in a fraction
    // of a second: press it from the start until the question shows (the run waits for it).
    // Each press gets a second to bring it, so that the next one does not answer it.
    ASSERT_TRUE(WaitUntil(
        [&] {
            (void)XDoTool("key Escape");
            return static_cast<bool>(WaitUntil(
                [] { return WindowPosition("Confirm").has_value(); }, "the question", 1000ms));
        },
        "Escape during the run brings the question", 30s));
    Answer("Confirm", "key alt+y");
    Answer("Information", "key Return");
    // Every file there is whole; the one being written when the run stopped is not there at all.
    int whole = 0;
    for (const std::string& file : FilesBelow(Release())) {
        if (file.rfind("big", 0) != 0) continue;
        const auto size = fs::file_size(Release() + "/" + file);
        EXPECT_EQ(size, std::uintmax_t(48) << 20) << file;
        ++whole;
    }
    EXPECT_LT(whole, 6);
    EXPECT_EQ(WindowPosition("Warning"), std::nullopt);
}

TEST_F(Installer, VerifyStartsTheToolBesideIt) {
    WriteRelease(SmallSet());
    // A stand-in that says where it lies and where it was started.
    std::ofstream(Release() + "/nfocrc")
        << "#!/bin/sh\necho \"$0|$(pwd)\" > \"$(dirname \"$0\")/started\"\n";
    fs::permissions(Release() + "/nfocrc", fs::perms::owner_all);
    Start();
    Click(kVerify);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(Release() + "/started"); }, "nfocrc starts"));
    ASSERT_TRUE(WaitUntil(
        [&] { return Slurp(Release() + "/started").value_or("").find('\n') != std::string::npos; },
        "nfocrc writes"));
    EXPECT_EQ(Slurp(Release() + "/started"), Release() + "/nfocrc|" + Release() + "\n");
}

TEST_F(Installer, ATermSignalDuringARunLeavesNoPartialFile) {
    std::vector<fixture::FixtureEntry> entries;
    TempFolder data;
    for (int i = 0; i < 4; ++i) {
        const std::string path = data / ("big" + std::to_string(i));
        std::ofstream(path, std::ios::binary) << Pattern(48 << 20, unsigned(i));
        fixture::FixtureEntry entry;
        entry.name = "big" + std::to_string(i) + ".bin";
        entry.sourcePath = path;
        entries.push_back(entry);
    }
    WriteRelease(entries, 100 << 20);
    Start();
    Click(kUnpack);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(Release() + "/big0.bin"); },
                          "the first file is extracted", 60s));
    ::kill(m_pid, SIGTERM);
    EXPECT_EQ(WaitExit(), 0);
    for (const std::string& file : FilesBelow(Release())) {
        if (file.rfind("big", 0) == 0) {
            EXPECT_EQ(fs::file_size(Release() + "/" + file), std::uintmax_t(48) << 20) << file;
        }
    }
}

TEST_F(Installer, ATermSignalWhileAMessageIsOpenEndsTheProgram) {
    WriteRelease(SmallSet());
    Start();
    Click(kUnpack);
    ASSERT_TRUE(
        WaitUntil([] { return WindowPosition("Information").has_value(); }, "the result message"));
    ::kill(m_pid, SIGTERM);
    EXPECT_EQ(WaitExit(), 0);
}

// Under openbox the window manager moves the window; under bare Xvfb the window moves itself.
TEST_F(Installer, IsDraggedByItsPicture) {
    WriteRelease(SmallSet());
    Start();
    const TPoint from = m_origin;
    // The pointer comes from outside, as a hand's does.
    ASSERT_TRUE(XDoTool("mousemove 2 2 sleep 0.3 mousemove " + At(kPicture) +
                        " sleep 0.3 mousedown 1 sleep 0.4 mousemove_relative 20 10 sleep 0.2 "
                        "mousemove_relative 30 20 sleep 0.2 mousemove_relative 50 20 sleep 0.3 "
                        "mouseup 1"));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto now = WindowPosition(kTitle);
            return now && now->X == from.X + 100 && now->Y == from.Y + 50;
        },
        "the window follows the pointer by (100, 50)", 5000ms))
        << "from " << from.X << "," << from.Y << " to "
        << WindowPosition(kTitle).value_or(TPoint(-1, -1)).X << ","
        << WindowPosition(kTitle).value_or(TPoint(-1, -1)).Y;
}

}  // namespace
}  // namespace kiv::test
