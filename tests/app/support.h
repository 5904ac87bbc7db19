// Helpers of the installer's tests: a release folder with its own HOME, the engine on our
// library, scripted answers to every question, and volume sets written by the fixture writer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_kiv.h"
#include "app/frm_path.h"
#include "archive/unrar_binding.h"
#include "framework/modal.h"
#include "tests/support/files.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tools/rarfixture/rar_writer.h"

namespace kiv::test {

// One question the windows asked, as the user saw it.
struct Asked {
    std::string text;
    std::string caption;
    TMsgDlgType type = TMsgDlgType::mtInformation;
};

// A release folder standing for the executable's folder, HOME in a folder of its own, our RAR
// library bound, and every question answered by script and recorded.
class ReleaseTest : public ::testing::Test {
protected:
    ReleaseTest();
    ~ReleaseTest() override;

    const std::string& Release() const { return m_release.Path(); }
    const std::string& Home() const { return m_home.Path(); }
    // HOME/.local/lib/<multiarch tuple>, where the library is deployed.
    std::string SystemDir() const;
    void WriteIni(const std::string& text) const;
    // A stored RAR 4.x set "set.rar", "set.r00" ... in the release folder, volumes of at most
    // `volumeSize` bytes, FirstDisk pointing at it; returns the volume paths.
    std::vector<std::string> WriteSet(const std::vector<fixture::FixtureEntry>& entries,
                                      std::uint64_t volumeSize);
    // The main window and the folder dialog, built as the program builds them.
    void Start();

    // Presses a text button through its click event as the design wired it.
    void Press(const std::string& button);
    bool Idle() const;

    std::unique_ptr<TfrmKIV> m_main;
    std::unique_ptr<TfrmPath> m_path;
    std::vector<Asked> m_asked;
    // Answers to message boxes in order; when used up, the most cautious answer.
    std::vector<TModalResult> m_answers;
    // Answers of the input box in order: the text, or nullopt for Cancel; none: the proposal.
    std::vector<std::optional<std::string>> m_inputs;
    std::vector<std::string> m_inputPrompts;
    // The gauge's value when each message box was asked (-1 before the main window exists).
    std::vector<int> m_gaugeAtQuestion;

private:
    TempFolder m_release;
    TempFolder m_home;
    ScopedEnv m_homeEnv;
    std::unique_ptr<ArchiveEngine> m_engine;
    ModalAnswerer m_previousAnswerer;
};

fixture::FixtureEntry File(const std::string& name, std::string data);
// Reads a whole file; nullopt when it cannot.
std::optional<std::string> Slurp(const std::string& path);
// Every regular file below `folder`, as paths relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& folder);

}  // namespace kiv::test
