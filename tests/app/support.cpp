// Helpers of the installer's tests.
#include "tests/app/support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/installer_values.h"
#include "controls/cool_group_box.h"
#include "controls/gauge.h"
#include "framework/forms/control.h"
#include "framework/stdctrls/label.h"
#include "platform/folders.h"

namespace kiv::test {

ReleaseTest::ReleaseTest()
    : m_homeEnv("HOME", m_home.Path()),
      m_engine(std::make_unique<ArchiveEngine>(LibrarySource{KIV_UNRAR_LIBRARY, std::nullopt})) {
    Installer() = InstallerValues{};
    Installer().ExeFolder = Release() + "/";
    ModalAnswerer answerer;
    answerer.messageBox = [this](const ModalQuestion& question) {
        m_asked.push_back({question.text, question.caption, question.type});
        m_gaugeAtQuestion.push_back(m_main ? m_main->kivGauge().Progress() : -1);
        if (m_answers.empty()) return CautiousAnswer(question.buttons);
        const TModalResult answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    };
    answerer.inputQuery = [this](const std::string&, const std::string& prompt,
                                 std::string& value) {
        m_inputPrompts.push_back(prompt + " [" + value + "]");
        if (m_inputs.empty()) return true;
        const std::optional<std::string> answer = m_inputs.front();
        m_inputs.erase(m_inputs.begin());
        if (!answer) return false;
        value = *answer;
        return true;
    };
    m_previousAnswerer = SetModalAnswerer(answerer);
}

ReleaseTest::~ReleaseTest() {
    m_path.reset();
    m_main.reset();
    SetModalAnswerer(m_previousAnswerer);
    Installer() = InstallerValues{};
}

std::string ReleaseTest::SystemDir() const {
    return Home() + "/.local/lib/" + std::string(platform::MultiarchTuple());
}

void ReleaseTest::WriteIni(const std::string& text) const {
    std::ofstream(Release() + "/kiv.ini", std::ios::binary) << text;
}

std::vector<std::string> ReleaseTest::WriteSet(const std::vector<fixture::FixtureEntry>& entries,
                                               std::uint64_t volumeSize) {
    fixture::FixtureOptions options;
    options.format = fixture::ArchiveFormat::Rar4;
    options.volumeSize = volumeSize;
    options.naming = fixture::VolumeNaming::Old;
    WriteIni("[KIV]\nFirstDisk=set.rar\nRelease=Test Release\n");
    return fixture::WriteRarArchive(Release() + "/set.rar", entries, options);
}

void ReleaseTest::Start() {
    m_main = std::make_unique<TfrmKIV>(nullptr);
    m_path = std::make_unique<TfrmPath>(nullptr);
    m_main->SetPathDialog(m_path.get());
    m_path->SetMainWindow(m_main.get());
    m_main->SetQuestions({});
}

void ReleaseTest::Press(const std::string& button) {
    auto* control = dynamic_cast<TControl*>(m_main->FindComponent(button));
    if (control == nullptr) control = dynamic_cast<TControl*>(m_path->FindComponent(button));
    ASSERT_NE(control, nullptr) << button;
    ASSERT_TRUE(control->OnClick()) << button << " has no click handler";
    control->OnClick()(control);
}

bool ReleaseTest::Idle() const {
    return m_main->kivGrp().Enabled() && !m_main->kivGauge().Visible() &&
           m_main->kivGauge().Progress() == 0 && m_main->lblPro().Caption().empty() &&
           !m_main->Extracting();
}

fixture::FixtureEntry File(const std::string& name, std::string data) {
    fixture::FixtureEntry entry;
    entry.name = name;
    entry.data = std::move(data);
    return entry;
}

std::optional<std::string> Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace kiv::test
