// The main window at start-up: the design's layout, kiv.ini in the labels and the scrolling
// text, the library deployed into the system directory, and the hover highlight.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/bundle.h"
#include "app/installer_values.h"
#include "controls/cool_label.h"
#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "framework/forms/messages.h"
#include "framework/stdctrls/label.h"
#include "framework/strings.h"
#include "tests/app/support.h"

namespace kiv::test {
namespace {

class WindowTest : public ReleaseTest {
protected:
    template <typename T = TControl>
    T& Find(const std::string& name) const {
        auto* found = dynamic_cast<T*>(m_main->FindComponent(name));
        if (found == nullptr) throw std::runtime_error("no " + name);
        return *found;
    }
    std::string Caption(const std::string& name) const { return Find<TLabel>(name).Caption(); }
    int Shadow(const std::string& name) const { return Find<TCoolLabel>(name).ShadowSize(); }
    void MoveOver(const std::string& name) const { Find(name).Perform(WM_MOUSEMOVE, 0, 0); }
};

TEST_F(WindowTest, LaysOutTheDesign) {
    Start();
    EXPECT_EQ(m_main->Caption(), "KIV INSTALLER 2000");
    EXPECT_EQ(m_main->ClientWidth(), 452);
    EXPECT_EQ(m_main->ClientHeight(), 304);
    const TControl& panel = Find("kivPanel");
    EXPECT_EQ(panel.Left(), 1);
    EXPECT_EQ(panel.Top(), 2);
    EXPECT_EQ(panel.Width(), 450);
    EXPECT_EQ(panel.Height(), 300);
    const TControl& gauge = Find("kivGauge");
    EXPECT_EQ(gauge.Left(), 170);
    EXPECT_EQ(gauge.Top(), 216);
    EXPECT_FALSE(gauge.Visible());
    const TControl& unpack = Find("btnUnpack");
    EXPECT_EQ(unpack.Parent(), &Find("kivGrp"));
    EXPECT_EQ(unpack.Left(), 327);
    EXPECT_EQ(unpack.Width(), 36);
    EXPECT_EQ(unpack.Height(), 8);
    EXPECT_EQ(m_path->Caption(), "Select target folder");
    EXPECT_EQ(m_path->ClientWidth(), 238);
    EXPECT_EQ(m_path->ClientHeight(), 170);
    EXPECT_FALSE(m_path->Visible());
}

TEST_F(WindowTest, FillsTheLabelsAndTwentyLinesFromKivIni) {
    WriteIni(
        "[KIV]\nFirstDisk=game.rar\nRelease=Game\nDate=2001\nDisks=3\nDiskSize=1.44\n"
        "InfoLine1=first\nInfoLine20=last\n");
    Start();
    EXPECT_EQ(Caption("lblRelease"), "Game");
    EXPECT_EQ(Caption("lblDate"), "2001");
    EXPECT_EQ(Caption("lblDisks"), "3 * 1.44MB");
    EXPECT_EQ(Caption("lblFile"), "game.rar");
    EXPECT_EQ(Caption("lblPro"), "");
    EXPECT_EQ(Installer().FirstDiskFile, "game.rar");
    EXPECT_EQ(Installer().TargetDir, Release() + "/");
    const TStrings* lines = Find<TCoolScrollingText>("kivScroll").Strings();
    ASSERT_EQ(lines->Count(), 20);
    EXPECT_EQ(lines->Strings(0), "first");
    EXPECT_EQ(lines->Strings(1), "");
    EXPECT_EQ(lines->Strings(19), "last");
}

TEST_F(WindowTest, DeploysTheLibraryItCarries) {
    Start();
    const std::optional<std::string> deployed = Slurp(SystemDir() + "/libunrar.so");
    ASSERT_TRUE(deployed);
    const auto carried = bundle::Files()("libunrar.so");
    ASSERT_TRUE(carried);
    EXPECT_GT(carried->size(), 10000u);
    EXPECT_EQ(*deployed, std::string(carried->begin(), carried->end()));
    EXPECT_EQ(deployed->substr(0, 4),
              "\x7f"
              "ELF");
    EXPECT_EQ(Installer().SystemDir, SystemDir());
    EXPECT_TRUE(m_asked.empty());
    EXPECT_EQ(FilesBelow(SystemDir()), std::vector<std::string>{"libunrar.so"});
}

TEST_F(WindowTest, LeavesAnExistingLibraryAlone) {
    std::filesystem::create_directories(SystemDir());
    std::ofstream(SystemDir() + "/libunrar.so") << "someone else's";
    Start();
    EXPECT_EQ(Slurp(SystemDir() + "/libunrar.so"), "someone else's");
}

// Saving fails (here a folder stands under the library's name, which no permission lets a file
// replace): the error is reported, and the rest of start-up still runs.
TEST_F(WindowTest, AFailedDeploymentIsReportedAndStartUpGoesOn) {
    std::filesystem::create_directories(SystemDir() + "/libunrar.so");
    WriteIni("[KIV]\nRelease=Still Read\n");
    Start();
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtError);
    EXPECT_EQ(m_asked[0].text, "Cannot create file " + SystemDir() + "/libunrar.so");
    EXPECT_EQ(Caption("lblRelease"), "Still Read");
    EXPECT_EQ(Installer().TargetDir, Release() + "/");
    EXPECT_EQ(FilesBelow(SystemDir()), std::vector<std::string>{});
}

TEST_F(WindowTest, NoSystemDirectoryIsReportedToo) {
    // (Binding the library at start looked into the system directory and made it already.)
    std::filesystem::remove_all(Home() + "/.local");
    std::filesystem::create_directories(Home() + "/.local");
    std::ofstream(Home() + "/.local/lib") << "a file where the folder should be";
    Start();
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtError);
    EXPECT_EQ(Caption("lblRelease"), "[Release]");
    EXPECT_EQ(Installer().TargetDir, Release() + "/");
}

TEST_F(WindowTest, HighlightsTheButtonUnderTheMouse) {
    Start();
    const std::vector<std::string> buttons{"btnVerify", "btnUnpack", "btnPath", "btnExit"};
    for (const std::string& button : buttons) {
        MoveOver(button);
        EXPECT_EQ(Shadow(button), 1) << button;
    }
    // Every one stays lit until the mouse crosses the bar or the picture.
    for (const std::string& button : buttons) EXPECT_EQ(Shadow(button), 1) << button;
    MoveOver("kivGrp");
    for (const std::string& button : buttons) EXPECT_EQ(Shadow(button), 0) << button;
    MoveOver("btnUnpack");
    MoveOver("kivGrp");
    MoveOver("btnExit");
    EXPECT_EQ(Shadow("btnUnpack"), 0);
    EXPECT_EQ(Shadow("btnExit"), 1);
    MoveOver("kivPanel");
    EXPECT_EQ(Shadow("btnExit"), 0);
    // The labels have no mouse handlers.
    MoveOver("btnPath");
    MoveOver("lblRelease");
    EXPECT_EQ(Shadow("btnPath"), 1);
}

TEST_F(WindowTest, ExitClosesAndPathDisablesTheWindow) {
    Start();
    m_main->Show();
    Press("btnPath");
    EXPECT_FALSE(m_main->Enabled());
    EXPECT_TRUE(m_path->Visible());
    Press("btnOK");
    EXPECT_TRUE(m_main->Enabled());
    EXPECT_FALSE(m_path->Visible());
    Press("btnExit");
    EXPECT_FALSE(m_main->Visible());
}

}  // namespace
}  // namespace kiv::test
