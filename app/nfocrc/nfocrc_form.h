// TNfocrcForm: the verification tool's window: the release's .nfo, a gauge over the check of
// every file its .sfv lists, and the summary.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "app/nfocrc/release_check.h"
#include "framework/forms/control_types.h"
#include "framework/forms/form.h"

class QTimer;

namespace kiv {

class TObject;

namespace nfocrc {

// The embedded design's text.
std::string_view Design();

}  // namespace nfocrc

// Frameless and dragged by its surface. Check reads the folder's lists on the UI thread and the
// files on a worker thread of its own; a timer on the UI thread moves the gauge and, once the
// worker is done, shows the summary (lime when every file is OK, red otherwise) and the first
// problem. "Again" checks once more, "Exit" stops a running check and closes the window.
class TNfocrcForm : public TForm {
public:
    // Reads the design; EDesignError when it cannot.
    explicit TNfocrcForm(TComponent* owner);
    ~TNfocrcForm() override;

    // Starts checking `folder`; does nothing while a check runs.
    void Check(const std::string& folder);
    bool Running() const { return m_worker.joinable(); }
    // The last finished check's summary; meaningful once Running() turned false.
    const nfocrc::Summary& LastSummary() const { return m_summary; }

    void btnExitClick(TObject* sender);
    void btnAgainClick(TObject* sender);
    void ButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void BarMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void SkinMouseMove(TObject* sender, TShiftState shift, int x, int y);

private:
    void SetCaptionOf(const char* name, const std::string& text);
    void SetSummary(const std::string& text, bool good);
    void ShowNfo(const nfocrc::ReleaseFiles& release);
    void Tick();
    void Finish();
    void StopWorker();
    void SetShadows(std::uint8_t size);

    std::string m_folder;
    std::unique_ptr<nfocrc::ReleaseCheck> m_check;
    std::size_t m_refusedLines = 0;
    std::string m_firstProblem;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::thread m_worker;
    std::unique_ptr<QTimer> m_timer;
    nfocrc::Summary m_summary;
};

}  // namespace kiv
