// "Unpack" from start to end on real volume sets: an honest result message, the window back to
// idle whatever happened, a missing volume asked for, space asked about, and stopping.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/installer_values.h"
#include "archive/un_rar.h"
#include "controls/cool_group_box.h"
#include "controls/gauge.h"
#include "framework/message_pump.h"
#include "framework/stdctrls/label.h"
#include "tests/app/support.h"

namespace kiv::test {
namespace {

constexpr const char* kSuccess = "Release successfully extracted!";

class UnpackTest : public ReleaseTest {
protected:
    ~UnpackTest() override { SetProcessMessagesHook({}); }

    // A three-volume set of four files and the folder to extract it into.
    void Prepare(std::size_t big = 60000) {
        m_files = {File("readme.txt", "Read me.\r\n"), File("data/one.bin", Pattern(big, 1)),
                   File("data/two.bin", Pattern(big, 2)), File("last.txt", "the end")};
        m_volumes = WriteSet(m_files, 50000);
        Start();
        Installer().TargetDir = Dest();
    }
    std::string Dest() const { return Release() + "/out"; }
    // Checks that every file of the set was extracted with its contents.
    void ExpectAllExtracted() const {
        for (const auto& file : m_files)
            EXPECT_EQ(Slurp(Dest() + "/" + file.name), file.data) << file.name;
    }
    // Runs `each` on every pass of the message pump the extractor makes, with the gauge's value.
    void OnPump(std::function<void(int pass)> each) {
        SetProcessMessagesHook([this, each = std::move(each)] {
            m_gaugeSeen.push_back(m_main->kivGauge().Progress());
            each(int(m_gaugeSeen.size()));
        });
    }

    std::vector<fixture::FixtureEntry> m_files;
    std::vector<std::string> m_volumes;
    std::vector<int> m_gaugeSeen;
};

TEST_F(UnpackTest, ExtractsTheSetAndSaysSo) {
    Prepare();
    bool extracting = false;
    OnPump([&](int) {
        extracting = extracting || (!m_main->kivGrp().Enabled() && m_main->kivGauge().Visible());
    });
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].text, kSuccess);
    EXPECT_EQ(m_asked[0].caption, "Information");
    ExpectAllExtracted();
    EXPECT_TRUE(extracting);
    EXPECT_TRUE(Idle());
    // The gauge shows the share of the whole set: forward only, and whole at the end.
    ASSERT_FALSE(m_gaugeSeen.empty());
    EXPECT_TRUE(std::is_sorted(m_gaugeSeen.begin(), m_gaugeSeen.end()));
    EXPECT_EQ(m_gaugeAtQuestion.at(0), 100);
    // A second press extracts the same again ("*.*" twice in the list).
    std::filesystem::remove_all(Dest());
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 2u);
    EXPECT_EQ(m_asked[1].text, kSuccess);
    EXPECT_EQ(m_main->kivRAR().FileSpec()->Count(), 2);
    ExpectAllExtracted();
}

TEST_F(UnpackTest, ShowsTheFileBeingExtracted) {
    Prepare();
    std::vector<std::string> names;
    OnPump([&](int) { names.push_back(m_main->lblPro().Caption()); });
    Press("btnUnpack");
    EXPECT_NE(std::find(names.begin(), names.end(), "two.bin"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "data/two.bin"), names.end());
}

TEST_F(UnpackTest, ADamagedVolumeEndsWithTheFailureListNotSuccess) {
    Prepare();
    {
        // A byte inside two.bin's data, in the last volume, flipped.
        std::fstream volume(m_volumes.back(), std::ios::in | std::ios::out | std::ios::binary);
        volume.seekg(-200, std::ios::end);
        char byte = 0;
        volume.get(byte);
        volume.seekp(-200, std::ios::end);
        volume.put(char(byte ^ 0x55));
    }
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtWarning);
    EXPECT_NE(m_asked[0].text.find("not extracted completely"), std::string::npos);
    EXPECT_NE(m_asked[0].text.find("two.bin: "), std::string::npos) << m_asked[0].text;
    EXPECT_FALSE(std::filesystem::exists(Dest() + "/data/two.bin"));
    EXPECT_TRUE(Idle());
}

TEST_F(UnpackTest, AnErrorOutOfExtractIsReportedAndTheWindowIsIdleAgain) {
    WriteIni("[KIV]\nFirstDisk=notes.txt\n");
    std::ofstream(Release() + "/notes.txt") << "no archive at all";
    Start();
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtError);
    EXPECT_TRUE(Idle());
    // The user can try again: the same report, not a stuck window.
    Press("btnUnpack");
    EXPECT_EQ(m_asked.size(), 2u);
    EXPECT_TRUE(Idle());
}

TEST_F(UnpackTest, AMissingVolumeIsLocatedByTheUser) {
    Prepare();
    const std::string moved = Release() + "/elsewhere";
    std::filesystem::create_directories(moved);
    std::filesystem::rename(m_volumes[1], moved + "/set.r00");
    std::vector<std::string> asked;
    InstallerQuestions questions;
    questions.locateVolume = [&](const std::string& folder, const std::string& volume) {
        asked.push_back(folder + "|" + volume);
        return std::optional<std::string>(moved + "/set.r00");
    };
    m_main->SetQuestions(questions);
    Press("btnUnpack");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], Release() + "/|set.r00");
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].text, kSuccess);
    ExpectAllExtracted();
}

TEST_F(UnpackTest, AMissingVolumeCancelledIsNoSuccess) {
    Prepare();
    std::filesystem::remove(m_volumes[2]);
    int asked = 0;
    InstallerQuestions questions;
    questions.locateVolume = [&](const std::string&, const std::string&) {
        ++asked;
        return std::optional<std::string>();
    };
    m_main->SetQuestions(questions);
    Press("btnUnpack");
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtWarning);
    EXPECT_NE(m_asked[0].text.find("set.r01"), std::string::npos) << m_asked[0].text;
    EXPECT_TRUE(Idle());
}

TEST_F(UnpackTest, TooLittleSpaceAsksFirst) {
    Prepare();
    std::vector<std::string> folders;
    m_main->SetFreeSpaceQuery([&](const std::string& folder) {
        folders.push_back(folder);
        return std::optional<std::uint64_t>(1000);
    });
    m_answers = {TModalResult::mrNo};
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtWarning);
    EXPECT_NE(m_asked[0].text.find("needs 117.2 KiB but only 1000 bytes are free for " + Dest()),
              std::string::npos)
        << m_asked[0].text;
    EXPECT_FALSE(std::filesystem::exists(Dest()));
    EXPECT_TRUE(Idle());
    m_answers = {TModalResult::mrYes};
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 3u);
    EXPECT_EQ(m_asked[2].text, kSuccess);
    ExpectAllExtracted();
    // Enough room asks nothing.
    m_main->SetFreeSpaceQuery(
        [](const std::string&) { return std::optional<std::uint64_t>(1 << 20); });
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 4u);
    EXPECT_EQ(m_asked[3].text, kSuccess);
}

// Escape's question answered Yes in the middle of a file: the run ends, the file is not left
// half-written, and the message says what was extracted.
TEST_F(UnpackTest, StoppingAbandonsTheCurrentFileAndSaysWhatWasExtracted) {
    Prepare(3 << 20);
    bool asked = false;
    OnPump([&](int) {
        if (!asked && m_main->lblPro().Caption() == "two.bin" &&
            m_main->kivRAR().ProgressByFile() > 0 && m_main->kivRAR().ProgressByFile() < 100) {
            asked = true;
            m_answers = {TModalResult::mrYes};
            m_main->AskStop();
        }
    });
    Press("btnUnpack");
    ASSERT_TRUE(asked);
    ASSERT_EQ(m_asked.size(), 2u);
    EXPECT_EQ(m_asked[0].caption, "Confirm");
    EXPECT_EQ(m_asked[1].text.rfind("Extraction stopped. 2 of 4 files were extracted", 0), 0u)
        << m_asked[1].text;
    EXPECT_EQ(FilesBelow(Dest()), (std::vector<std::string>{"data/one.bin", "readme.txt"}));
    EXPECT_TRUE(Idle());
}

TEST_F(UnpackTest, AnsweringNoGoesOn) {
    Prepare(1 << 20);
    OnPump([&](int pass) {
        if (pass == 3) m_main->AskStop();  // no scripted answer: the cautious one, No
    });
    Press("btnUnpack");
    ASSERT_EQ(m_asked.size(), 2u);
    EXPECT_EQ(m_asked[1].text, kSuccess);
    ExpectAllExtracted();
}

TEST_F(UnpackTest, ClosingDuringARunStopsItAndThenCloses) {
    Prepare(3 << 20);
    m_main->Show();
    OnPump([&](int) {
        if (m_main->lblPro().Caption() == "one.bin" && m_main->kivRAR().ProgressByFile() > 0 &&
            m_main->Visible())
            m_main->Close();
    });
    Press("btnUnpack");
    EXPECT_TRUE(m_asked.empty());
    EXPECT_FALSE(m_main->Visible());
    EXPECT_EQ(FilesBelow(Dest()), std::vector<std::string>{"readme.txt"});
}

TEST_F(UnpackTest, AnEncryptedEntryAsksForItsPassword) {
    auto secret = File("secret.txt", "hidden");
    secret.encrypted = true;
    WriteSet({File("open.txt", "plain"), secret}, 0);
    Start();
    Installer().TargetDir = Dest();
    std::vector<std::string> entries;
    InstallerQuestions questions;
    questions.password = [&](const std::string& entry) {
        entries.push_back(entry);
        return std::optional<std::string>();
    };
    m_main->SetQuestions(questions);
    Press("btnUnpack");
    EXPECT_EQ(entries, std::vector<std::string>{"secret.txt"});
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtWarning);
    EXPECT_NE(m_asked[0].text.find("secret.txt"), std::string::npos) << m_asked[0].text;
    EXPECT_EQ(Slurp(Dest() + "/open.txt"), "plain");
    EXPECT_FALSE(std::filesystem::exists(Dest() + "/secret.txt"));
}

TEST_F(UnpackTest, APasswordAskedAgainAfterAWrongOneExtractsTheEntry) {
    auto secret = File("secret.txt", "hidden");
    secret.password = "let me in";
    WriteSet({File("open.txt", "plain"), secret}, 0);
    Start();
    Installer().TargetDir = Dest();
    std::vector<std::string> entries;
    InstallerQuestions questions;
    questions.password = [&](const std::string& entry) {
        entries.push_back(entry);
        return std::optional<std::string>(entries.size() == 1 ? "let me out" : "let me in");
    };
    m_main->SetQuestions(questions);
    Press("btnUnpack");
    EXPECT_EQ(entries, (std::vector<std::string>{"secret.txt", "secret.txt"}));
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].text, kSuccess);
    EXPECT_EQ(Slurp(Dest() + "/secret.txt"), "hidden");
    EXPECT_EQ(Slurp(Dest() + "/open.txt"), "plain");
}

}  // namespace
}  // namespace kiv::test
