// TfrmKIV: the installer's main window: the release description, the four commands, the hover
// highlight of the text buttons and the answers to the extractor's events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/questions.h"
#include "framework/forms/control_types.h"
#include "framework/forms/form.h"

namespace kiv {

class TCoolGroupBox;
class TCoolLabel;
class TCoolScrollingText;
class TGauge;
class TLabel;
class TPackFiles;
class TUnRAR;
class TfrmPath;
class EscapeWatch;
struct UnpackRun;

class TfrmKIV : public TForm {
public:
    // Reads the window's design, which runs FormCreate.
    explicit TfrmKIV(TComponent* owner);
    ~TfrmKIV() override;

    // Start-up: deploys the RAR library, flattens the button bar, sets the default target folder
    // and reads kiv.ini. A failed deployment is reported and the rest still runs.
    void FormCreate(TObject* sender);
    // Closing while an extraction runs stops it first and closes when it has ended.
    void FormClose(TObject* sender, TCloseAction& action);
    // Reads kiv.ini beside the executable into the labels, FirstDiskFile and the scrolling text.
    void ProcessIni();

    void btnUnpackClick(TObject* sender);
    void btnVerifyClick(TObject* sender);
    void btnPathClick(TObject* sender);
    void btnExitClick(TObject* sender);
    void btnUnpackMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void btnVerifyMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void btnPathMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void btnExitMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void kivPanelMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void kivGrpMouseMove(TObject* sender, TShiftState shift, int x, int y);

    void kivRARProgress(TObject* sender, std::uint8_t progressByFile,
                        std::uint8_t progressByArchive);
    void kivRARNextVolume(TObject* sender, std::string& volumeName, const std::string& volumeId,
                          bool fExists, bool& cancel);
    void kivRARError(TObject* sender, const std::string& fn, const std::string& msgEx,
                     const std::string& volumeId, int eCode);
    void kivRARGetPassword(TObject* sender, const std::string& fn, std::string& password,
                           bool& tryAgain);

    // What Escape does during an extraction: asks whether to stop, and stops when told to.
    void AskStop();
    bool Extracting() const { return m_run != nullptr; }

    void SetPathDialog(TfrmPath* dialog) { m_pathDialog = dialog; }
    void SetQuestions(InstallerQuestions questions) { m_questions = std::move(questions); }
    // The bytes free to the user on the file system holding a folder; nullopt when unknown.
    using FreeSpaceQuery = std::function<std::optional<std::uint64_t>(const std::string&)>;
    void SetFreeSpaceQuery(FreeSpaceQuery query) { m_freeSpace = std::move(query); }

    TUnRAR& kivRAR() const { return *m_rar; }
    TGauge& kivGauge() const { return *m_gauge; }
    TCoolGroupBox& kivGrp() const { return *m_grp; }
    TLabel& lblRelease() const { return *m_lblRelease; }
    TLabel& lblPro() const { return *m_lblPro; }

private:
    void FindComponents();
    void DeployLibrary();
    void SetAllShadows(std::uint8_t size);
    // Scans the set and asks about free space; false when the user does not want to go on.
    bool PrepareRun(UnpackRun& run);
    void ReportRun(const UnpackRun& run);
    void ReturnToIdle();

    TUnRAR* m_rar = nullptr;
    TPackFiles* m_files = nullptr;
    TGauge* m_gauge = nullptr;
    TCoolGroupBox* m_grp = nullptr;
    TCoolScrollingText* m_scroll = nullptr;
    TLabel* m_lblRelease = nullptr;
    TLabel* m_lblDate = nullptr;
    TLabel* m_lblDisks = nullptr;
    TLabel* m_lblFile = nullptr;
    TLabel* m_lblPro = nullptr;
    TCoolLabel* m_btnExit = nullptr;
    TCoolLabel* m_btnVerify = nullptr;
    TCoolLabel* m_btnUnpack = nullptr;
    TCoolLabel* m_btnPath = nullptr;

    TfrmPath* m_pathDialog = nullptr;
    InstallerQuestions m_questions;
    FreeSpaceQuery m_freeSpace;
    UnpackRun* m_run = nullptr;
    bool m_askingStop = false;
    bool m_closeAfterRun = false;
    std::unique_ptr<EscapeWatch> m_escape;
};

}  // namespace kiv
