// TfrmKIV: start-up, the commands, the hover highlight and the extractor's events.
#include "app/frm_kiv.h"

#include <unistd.h>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <cstdio>

#include "app/bundle.h"
#include "app/frm_path.h"
#include "app/installer_values.h"
#include "app/release_ini.h"
#include "app/unpack_run.h"
#include "archive/arx_paths.h"
#include "archive/err_msgs.h"
#include "archive/un_rar.h"
#include "archive/wildcard.h"
#include "controls/cool_controls.h"
#include "controls/cool_group_box.h"
#include "controls/cool_label.h"
#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/forms/dialogs.h"
#include "framework/stdctrls/label.h"
#include "framework/stdctrls/std_controls.h"
#include "framework/string_list.h"
#include "packfiles/file_collection.h"
#include "packfiles/file_item.h"
#include "packfiles/pack_files.h"
#include "platform/drive_info.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/launch.h"
#include "shape/trans_image.h"
#include "shape/transparent_form.h"

namespace kiv {

// Escape pressed in any of the program's windows while an extraction runs.
class EscapeWatch : public QObject {
public:
    explicit EscapeWatch(TfrmKIV& form) : m_form(form) {
        if (QCoreApplication* application = QCoreApplication::instance()) {
            application->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && m_form.Extracting() &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            GuardedCall([this] { m_form.AskStop(); });
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TfrmKIV& m_form;
};

namespace {

const bool registered = RegisterClass<TfrmKIV, TForm>(
    "TfrmKIV", {},
    {Method("FormCreate", &TfrmKIV::FormCreate), Method("FormClose", &TfrmKIV::FormClose),
     Method("btnUnpackClick", &TfrmKIV::btnUnpackClick),
     Method("btnVerifyClick", &TfrmKIV::btnVerifyClick),
     Method("btnPathClick", &TfrmKIV::btnPathClick), Method("btnExitClick", &TfrmKIV::btnExitClick),
     Method("btnUnpackMouseMove", &TfrmKIV::btnUnpackMouseMove),
     Method("btnVerifyMouseMove", &TfrmKIV::btnVerifyMouseMove),
     Method("btnPathMouseMove", &TfrmKIV::btnPathMouseMove),
     Method("btnExitMouseMove", &TfrmKIV::btnExitMouseMove),
     Method("kivPanelMouseMove", &TfrmKIV::kivPanelMouseMove),
     Method("kivGrpMouseMove", &TfrmKIV::kivGrpMouseMove),
     Method("kivRARProgress", &TfrmKIV::kivRARProgress),
     Method("kivRARNextVolume", &TfrmKIV::kivRARNextVolume),
     Method("kivRARError", &TfrmKIV::kivRARError),
     Method("kivRARGetPassword", &TfrmKIV::kivRARGetPassword)});

template <typename T>
T* Part(const TComponent& owner, std::string_view name) {
    auto* part = dynamic_cast<T*>(owner.FindComponent(name));
    if (part == nullptr) throw Exception("The main window's design lacks " + std::string(name));
    return part;
}

// Writes `stream` to `path` through a temporary file beside it, so that a library cut short by
// a full disk never stands under the name the loader looks for.
void SaveWhole(const TMemoryStream& stream, const std::string& path) {
    const std::string temporary = path + ".part" + std::to_string(::getpid());
    try {
        stream.SaveToFile(temporary);
    } catch (const std::exception&) {
        std::remove(temporary.c_str());
        throw EFCreateError("Cannot create file " + path);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw EFCreateError("Cannot create file " + path);
    }
}

// The classes the designs name that no code here mentions would otherwise not be linked.
void RegisterDesignClasses() {
    RegisterStdControls();
    RegisterCoolControls();
    const ClassInfo* classes[] = {ClassInfoOf<TTransImage>(),     ClassInfoOf<TTransparentForm>(),
                                  ClassInfoOf<TUnRAR>(),          ClassInfoOf<TPackFiles>(),
                                  ClassInfoOf<TFileCollection>(), ClassInfoOf<TFileItem>()};
    for (const ClassInfo* info : classes) {
        if (info == nullptr) throw EComponentError("A class of the installer's designs is missing");
    }
}

std::optional<std::uint64_t> FreeBytes(const std::string& folder) {
    const platform::Result<platform::DriveInfo> drive = platform::GetDriveInfo(folder);
    if (!drive) return std::nullopt;
    return drive->freeBytes;
}

}  // namespace

TfrmKIV::TfrmKIV(TComponent* owner)
    : TForm(owner), m_questions(ScreenQuestions()), m_freeSpace(FreeBytes) {
    RegisterDesignClasses();
    LoadDesign(bundle::MainDesign(), "kiv.kfm", bundle::Files());
    FindComponents();
    m_escape = std::make_unique<EscapeWatch>(*this);
}

TfrmKIV::~TfrmKIV() = default;

void TfrmKIV::FindComponents() {
    if (m_rar != nullptr) return;
    m_rar = Part<TUnRAR>(*this, "kivRAR");
    m_files = Part<TPackFiles>(*this, "kivFiles");
    m_gauge = Part<TGauge>(*this, "kivGauge");
    m_grp = Part<TCoolGroupBox>(*this, "kivGrp");
    m_scroll = Part<TCoolScrollingText>(*this, "kivScroll");
    m_lblRelease = Part<TLabel>(*this, "lblRelease");
    m_lblDate = Part<TLabel>(*this, "lblDate");
    m_lblDisks = Part<TLabel>(*this, "lblDisks");
    m_lblFile = Part<TLabel>(*this, "lblFile");
    m_lblPro = Part<TLabel>(*this, "lblPro");
    m_btnExit = Part<TCoolLabel>(*this, "btnExit");
    m_btnVerify = Part<TCoolLabel>(*this, "btnVerify");
    m_btnUnpack = Part<TCoolLabel>(*this, "btnUnpack");
    m_btnPath = Part<TCoolLabel>(*this, "btnPath");
}

void TfrmKIV::FormCreate(TObject*) {
    FindComponents();
    DeployLibrary();
    m_grp->SetCtl3D(false);
    Installer().TargetDir = ExecutableFolder();
    ProcessIni();
}

void TfrmKIV::DeployLibrary() {
    // Without the library only "Unpack" fails, and says why; the window is still of use.
    GuardedCall([this] {
        platform::Result<std::string> folder = platform::SystemDirectory();
        if (!folder) throw Exception(folder.error());
        std::string dir = *folder;
        if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        Installer().SystemDir = dir;
        const std::string path = dir + "/libunrar.so";
        if (platform::FileExists(path)) return;
        const std::unique_ptr<TMemoryStream> stream = m_files->GetFileStream("LIBUNRAR.SO");
        SaveWhole(*stream, path);
    });
}

void TfrmKIV::ProcessIni() {
    const ReleaseDescription release = ReadReleaseDescription(ExecutableFolder() + "kiv.ini");
    Installer().FirstDiskFile = release.firstDisk;
    m_lblRelease->SetCaption(release.release);
    m_lblDate->SetCaption(release.date);
    m_lblDisks->SetCaption(release.disks);
    m_lblFile->SetCaption(release.firstDisk);
    TStrings* lines = m_scroll->Strings();
    lines->Clear();
    for (const std::string& line : release.infoLines) lines->Add(line);
}

void TfrmKIV::btnUnpackClick(TObject*) {
    if (m_run != nullptr) return;
    m_grp->SetEnabled(false);
    m_rar->SetExtractDir(Installer().TargetDir);
    m_rar->SetArchiveFile(ExecutableFolder() + Installer().FirstDiskFile);
    UnpackRun run(m_rar->ExtractDir());
    struct RunScope {
        TfrmKIV& form;
        ~RunScope() {
            form.m_run = nullptr;
            form.ReturnToIdle();
        }
    } scope{*this};
    m_run = &run;
    if (!PrepareRun(run)) return;
    m_rar->FileSpec()->Add("*.*");
    m_gauge->SetVisible(true);
    try {
        m_rar->Extract();
    } catch (const std::exception& error) {
        if (!m_closeAfterRun) ShowException(error);
        return;
    }
    if (!m_closeAfterRun) ReportRun(run);
}

bool TfrmKIV::PrepareRun(UnpackRun& run) {
    if (m_rar->ArcType() != TArcType::atRar) return true;  // Extract says what is wrong
    const std::int64_t offset = m_rar->SignatureOffset();
    run.scan = ScanReleaseSet(m_rar->ArchiveFile(), offset > 0 ? std::uint64_t(offset - 1) : 0);
    const std::optional<std::uint64_t> free =
        m_freeSpace ? m_freeSpace(Installer().TargetDir) : std::nullopt;
    if (!free || run.scan.unpackedTotal <= *free) return true;
    return MessageBox(SpaceQuestion(run.scan.unpackedTotal, *free, Installer().TargetDir),
                      "Warning", MB_YESNO | MB_ICONWARNING) == IDYES;
}

void TfrmKIV::ReportRun(const UnpackRun& run) {
    if (run.stopped) {
        int extracted = run.progress.FilesCompleted();
        if (!run.progress.CurrentFile().empty() && run.failures.Names(run.progress.CurrentFile())) {
            --extracted;
        }
        MessageBox(
            StoppedText(std::max(extracted, 0), int(run.scan.files.size()), m_rar->ExtractDir()),
            "Information", MB_OK | MB_ICONINFORMATION);
    } else if (!run.failures.Empty()) {
        MessageBox(run.failures.Text(), "Warning", MB_OK | MB_ICONWARNING);
    } else {
        MessageBox("Release successfully extracted!", "Information", MB_OK | MB_ICONINFORMATION);
    }
}

void TfrmKIV::ReturnToIdle() {
    m_lblPro->SetCaption("");
    m_gauge->SetProgress(0);
    m_gauge->SetVisible(false);
    m_grp->SetEnabled(true);
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        Close();
    }
}

void TfrmKIV::AskStop() {
    if (m_run == nullptr || m_run->stopped || m_askingStop) return;
    m_askingStop = true;
    const int answer = MessageBox(
        "Stop the extraction?\n\nThe file being extracted now is not kept; the files extracted "
        "so far stay.",
        "Confirm", MB_YESNO | MB_ICONQUESTION);
    m_askingStop = false;
    if (answer == IDYES && m_run != nullptr) {
        m_run->stopped = true;
        m_rar->SetCancel(true);
    }
}

void TfrmKIV::FormClose(TObject*, TCloseAction& action) {
    if (m_run == nullptr) return;
    // A half-written file must not be left behind: stop, and close once the run has ended.
    m_run->stopped = true;
    m_rar->SetCancel(true);
    m_closeAfterRun = true;
    action = TCloseAction::caNone;
}

void TfrmKIV::btnVerifyClick(TObject*) {
    // As with the shell's "open", a missing tool is not reported.
    (void)platform::OpenDetached(ExecutableFolder() + "nfocrc");
}

void TfrmKIV::btnPathClick(TObject*) {
    SetEnabled(false);
    if (m_pathDialog != nullptr) m_pathDialog->Show();
}

void TfrmKIV::btnExitClick(TObject*) {
    Close();
}

void TfrmKIV::SetAllShadows(std::uint8_t size) {
    m_btnVerify->SetShadowSize(size);
    m_btnUnpack->SetShadowSize(size);
    m_btnPath->SetShadowSize(size);
    m_btnExit->SetShadowSize(size);
}

void TfrmKIV::btnUnpackMouseMove(TObject*, TShiftState, int, int) {
    m_btnUnpack->SetShadowSize(1);
}

void TfrmKIV::btnVerifyMouseMove(TObject*, TShiftState, int, int) {
    m_btnVerify->SetShadowSize(1);
}

void TfrmKIV::btnPathMouseMove(TObject*, TShiftState, int, int) {
    m_btnPath->SetShadowSize(1);
}

void TfrmKIV::btnExitMouseMove(TObject*, TShiftState, int, int) {
    m_btnExit->SetShadowSize(1);
}

void TfrmKIV::kivPanelMouseMove(TObject*, TShiftState, int, int) {
    SetAllShadows(0);
}

void TfrmKIV::kivGrpMouseMove(TObject*, TShiftState, int, int) {
    SetAllShadows(0);
}

void TfrmKIV::kivRARProgress(TObject*, std::uint8_t progressByFile,
                             std::uint8_t progressByArchive) {
    m_lblPro->SetCaption(std::string(FileNamePart(m_rar->FileName())));
    m_gauge->SetProgress(
        m_run != nullptr
            ? m_run->progress.Report(m_rar->FileName(), progressByFile, progressByArchive)
            : progressByArchive);
}

void TfrmKIV::kivRARNextVolume(TObject*, std::string& volumeName, const std::string&, bool fExists,
                               bool& cancel) {
    cancel = false;
    if (fExists) return;
    const std::string name(FileNamePart(volumeName));
    const std::string folder(FolderPart(m_rar->ArchiveFile()));
    // A volume located elsewhere makes the library look for the next one there too; the set's
    // own folder is where the rest of it lies.
    if (platform::FileExists(folder + name)) {
        volumeName = folder + name;
        return;
    }
    const std::optional<std::string> chosen =
        m_questions.locateVolume ? m_questions.locateVolume(folder, name) : std::nullopt;
    if (!chosen) {
        cancel = true;
        if (m_run != nullptr) m_run->failures.Add(name, "Volume not found; extraction cancelled");
        return;
    }
    volumeName = *chosen;
}

void TfrmKIV::kivRARError(TObject*, const std::string& fn, const std::string& msgEx,
                          const std::string&, int eCode) {
    if (m_run == nullptr) return;
    std::string message = ErrorMessage(eCode);
    if (!msgEx.empty()) message += " (" + msgEx + ")";
    m_run->failures.Add(fn, message);
}

void TfrmKIV::kivRARGetPassword(TObject*, const std::string& fn, std::string& password,
                                bool& tryAgain) {
    const std::optional<std::string> answer =
        m_questions.password ? m_questions.password(std::string(FileNamePart(fn))) : std::nullopt;
    if (!answer) {
        tryAgain = false;
        return;
    }
    password = *answer;
}

}  // namespace kiv
