// TNfocrcForm: the embedded design, the worker that reads the files and the timer that shows
// its progress.
#include "app/nfocrc/nfocrc_form.h"

#include <QTimer>
#include <algorithm>

#include "controls/cool_controls.h"
#include "controls/cool_label.h"
#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "framework/class_registry.h"
#include "framework/forms/font.h"
#include "framework/stdctrls/label.h"
#include "framework/stdctrls/std_controls.h"
#include "framework/strings.h"
#include "shape/transparent_form.h"

extern const std::uint8_t kivNfocrcDesignData[];
extern const std::size_t kivNfocrcDesignSize;

namespace kiv {

namespace {

const bool registered =
    RegisterClass<TNfocrcForm, TForm>("TNfocrcForm", {},
                                      {Method("btnExitClick", &TNfocrcForm::btnExitClick),
                                       Method("btnAgainClick", &TNfocrcForm::btnAgainClick),
                                       Method("ButtonMouseMove", &TNfocrcForm::ButtonMouseMove),
                                       Method("BarMouseMove", &TNfocrcForm::BarMouseMove),
                                       Method("SkinMouseMove", &TNfocrcForm::SkinMouseMove)});

constexpr int kTickMs = 40;

}  // namespace

namespace nfocrc {

std::string_view Design() {
    return {reinterpret_cast<const char*>(kivNfocrcDesignData), kivNfocrcDesignSize};
}

}  // namespace nfocrc

TNfocrcForm::TNfocrcForm(TComponent* owner) : TForm(owner) {
    RegisterStdControls();
    RegisterCoolControls();
    LoadDesign(nfocrc::Design(), "nfocrc.kfm");
    Make<TTransparentForm>().SetDragable(true);
    m_timer = std::make_unique<QTimer>();
    m_timer->setInterval(kTickMs);
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { Tick(); });
}

TNfocrcForm::~TNfocrcForm() {
    StopWorker();
}

void TNfocrcForm::SetCaptionOf(const char* name, const std::string& text) {
    if (auto* control = dynamic_cast<TControl*>(FindComponent(name))) control->SetCaption(text);
}

void TNfocrcForm::SetSummary(const std::string& text, bool good) {
    if (auto* label = dynamic_cast<TControl*>(FindComponent("lblSummary"))) {
        label->Font()->SetColor(good ? clLime : clRed);
        label->SetCaption(text);
    }
}

void TNfocrcForm::ShowNfo(const nfocrc::ReleaseFiles& release) {
    auto* scroll = dynamic_cast<TCoolScrollingText*>(FindComponent("scrNfo"));
    if (!scroll) return;
    std::vector<std::string> lines = nfocrc::ReadNfoLines(release);
    if (lines.empty()) {
        lines = {"", release.nfoFile.empty() ? "  no .nfo file in this release"
                                             : "  " + release.nfoFile + " cannot be read"};
    }
    TStrings& strings = *scroll->Strings();
    strings.BeginUpdate();
    strings.Clear();
    for (const std::string& line : lines) strings.Add(line);
    strings.EndUpdate();
}

void TNfocrcForm::Check(const std::string& folder) {
    if (Running()) return;
    m_folder = folder;
    m_check.reset();
    SetCaptionOf("lblDetail", "");
    SetCaptionOf("lblFile", "");
    if (auto* gauge = dynamic_cast<TGauge*>(FindComponent("ggCheck"))) gauge->SetProgress(0);
    const platform::Result<nfocrc::ReleaseFiles> release = nfocrc::FindReleaseFiles(folder);
    if (!release) {
        SetCaptionOf("lblFolder", folder);
        SetSummary(release.error(), false);
        return;
    }
    SetCaptionOf("lblFolder", release->folder);
    ShowNfo(*release);
    if (release->sfvFiles.empty()) {
        SetSummary("No .sfv file in this folder: nothing to check.", false);
        return;
    }
    nfocrc::CheckList list = nfocrc::ReadCheckList(*release);
    m_refusedLines = list.problems.size();
    m_firstProblem = list.problems.empty() ? std::string() : "REFUSED  " + list.problems.front();
    if (list.entries.empty()) {
        SetSummary("The .sfv lists no file that can be checked.", false);
        SetCaptionOf("lblDetail", m_firstProblem);
        return;
    }
    SetSummary("Checking " + std::to_string(list.entries.size()) + " files...", true);
    m_check = std::make_unique<nfocrc::ReleaseCheck>(release->folder, std::move(list.entries));
    m_stop = false;
    m_done = false;
    m_worker = std::thread([this] {
        m_check->Run(m_stop);
        m_done = true;
    });
    m_timer->start();
}

void TNfocrcForm::Tick() {
    if (!m_check) return;
    const std::size_t current = m_check->Current();
    if (current < m_check->Entries().size()) {
        SetCaptionOf("lblFile", "checking " + m_check->Entries()[current].name);
    }
    const std::uint64_t total = m_check->TotalBytes();
    const std::uint64_t done = std::min(m_check->BytesDone(), total);
    if (auto* gauge = dynamic_cast<TGauge*>(FindComponent("ggCheck"))) {
        gauge->SetProgress(total == 0 ? 100 : std::int32_t(done * 100 / total));
    }
    if (m_done) Finish();
}

void TNfocrcForm::Finish() {
    m_timer->stop();
    m_worker.join();
    const auto& results = m_check->Results();
    m_summary = nfocrc::Summarise(results, m_refusedLines, m_check->Stopped());
    SetCaptionOf("lblFile", "");
    if (auto* gauge = dynamic_cast<TGauge*>(FindComponent("ggCheck"))) {
        gauge->SetProgress(m_summary.stopped ? gauge->Progress() : 100);
    }
    std::string text = nfocrc::SummaryText(m_summary, m_check->Entries().size());
    if (m_summary.AllOk()) text = "All files OK. " + text;
    SetSummary(text, m_summary.AllOk());
    const auto failed = std::find_if(results.begin(), results.end(), [](const auto& result) {
        return result.verdict != nfocrc::Verdict::Ok;
    });
    const std::size_t failures =
        std::size_t(std::count_if(results.begin(), results.end(), [](const auto& result) {
            return result.verdict != nfocrc::Verdict::Ok;
        }));
    std::string detail = failed != results.end() ? nfocrc::ResultLine(*failed) : m_firstProblem;
    if (failures > 1) detail += "  (+" + std::to_string(failures - 1) + " more)";
    SetCaptionOf("lblDetail", detail);
}

void TNfocrcForm::StopWorker() {
    if (!m_worker.joinable()) return;
    m_stop = true;
    m_worker.join();
    if (m_timer) m_timer->stop();
}

void TNfocrcForm::btnExitClick(TObject*) {
    StopWorker();
    Close();
}

void TNfocrcForm::btnAgainClick(TObject*) {
    if (!m_folder.empty()) Check(m_folder);
}

void TNfocrcForm::SetShadows(std::uint8_t size) {
    for (const char* name : {"btnAgain", "btnExit"}) {
        if (auto* button = dynamic_cast<TCoolLabel*>(FindComponent(name))) {
            button->SetShadowSize(size);
        }
    }
}

void TNfocrcForm::ButtonMouseMove(TObject* sender, TShiftState, int, int) {
    if (auto* button = dynamic_cast<TCoolLabel*>(sender)) button->SetShadowSize(1);
}

void TNfocrcForm::BarMouseMove(TObject*, TShiftState, int, int) {
    SetShadows(0);
}

void TNfocrcForm::SkinMouseMove(TObject*, TShiftState, int, int) {
    SetShadows(0);
}

}  // namespace kiv
