// Shared extractor services: masks, destination names, progress, errors, next-volume question.
#include "archive/zip_common.h"

#include <algorithm>

#include "archive/arx_paths.h"
#include "archive/err_msgs.h"
#include "archive/wildcard.h"
#include "framework/class_registry.h"
#include "framework/message_pump.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace kiv {

namespace {

std::string CurrentFolderOrRoot() {
    auto current = platform::CurrentFolder();
    return current ? *current : std::string("/");
}

std::string WithSlashes(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

}  // namespace

TZipCommon::TZipCommon(TComponent* owner)
    : TReadWriteObj(owner), m_fileSpec(std::make_unique<TStringList>()) {}

TZipCommon::~TZipCommon() = default;

void TZipCommon::SetExtractDir(const std::string& value) {
    if (value.empty()) {
        m_extractDir = FolderPart(ArchiveFile());
        return;
    }
    m_extractDir = WithSlashes(value);
    if (m_extractDir.back() != '/') m_extractDir += '/';
}

void TZipCommon::SetFileSpec(const TStrings* value) {
    m_fileSpec->BeginUpdate();
    m_fileSpec->Clear();
    for (int i = 0; value != nullptr && i < value->Count(); ++i) {
        const std::string mask(FileNamePart(WithSlashes(value->Strings(i))));
        if (!mask.empty()) m_fileSpec->Add(mask);
    }
    m_fileSpec->EndUpdate();
}

bool TZipCommon::MatchFileSpec(const std::string& name, bool namesOnly) const {
    for (int i = 0; i < m_fileSpec->Count(); ++i) {
        const std::string& mask = m_fileSpec->Strings(i);
        if (mask == "*.*" || MatchWildcard(mask, name, namesOnly)) return true;
    }
    return false;
}

void TZipCommon::SetDestinationName(const std::string& name) {
    if (name.empty()) {
        m_fileName.clear();
        return;
    }
    std::string file = WithSlashes(name);
    if (m_extractDir.empty()) {
        SetExtractDir(std::string());
        if (m_extractDir.empty()) SetExtractDir(CurrentFolderOrRoot());
    }
    std::string folder = m_extractDir;
    if (UseStoredDirs()) {
        file = RemoveDriveAndRoot(file);
        folder += FolderPart(file);
    }
    // A relative destination is taken from the current folder, never from the root.
    m_fileName = AbsoluteFolder(folder, CurrentFolderOrRoot()) + std::string(FileNamePart(file));
}

bool TZipCommon::DestinationIsSafe(const std::string& name) const {
    const std::string stored = RemoveDriveAndRoot(WithSlashes(name));
    return kiv::DestinationIsSafe(stored, m_fileName, DestinationBase());
}

std::string TZipCommon::DestinationBase() const {
    return AbsoluteFolder(m_extractDir, CurrentFolderOrRoot());
}

TDateTime TZipCommon::DosDateToDateTime(std::uint32_t value) const {
    return kiv::DosDateToDateTime(value);
}

void TZipCommon::DoProgress(std::uint8_t byFile, std::uint8_t byArchive) {
    ProcessMessages();
    m_onProgress(this, byFile, byArchive);
}

void TZipCommon::RaiseOnError(const ErrorReport& report) {
    const TarxMain* active = ActiveArchiver();
    if (active != nullptr && active->Cancel()) return;
    if (m_deferDepth > 0) {
        m_pendingReports.push_back(report);
        return;
    }
    if (!m_onError) return;
    Timer().Pause();
    struct ResumeClock {
        TarxTimer& timer;
        ~ResumeClock() { timer.Resume(); }
    } resume{Timer()};
    m_onError(this, report.FileName(), report.Extra(), report.VolumeId(), report.Code());
}

void TZipCommon::FlushReports() {
    std::vector<ErrorReport> reports;
    reports.swap(m_pendingReports);
    for (const ErrorReport& report : reports) RaiseOnError(report);
}

void TZipCommon::RaiseError(const ErrorReport& report) {
    RaiseOnError(report);
    throw E_RAISE(report.Code());
}

void TZipCommon::ReportError(const ErrorReport& report) {
    RaiseOnError(report.Naming(std::string(FileNamePart(report.FileName()))));
}

bool TZipCommon::AskNextVolume(std::string& volumeName, int volumeId) {
    const std::string idText = std::to_string(volumeId);
    if (volumeId > kMaxVolumeNumber) {
        ReportError(ErrorReport::ForVolume(volumeName, volumeId, msg::MaxVolumes));
        return false;
    }
    if (volumeName.empty()) {
        ReportError(ErrorReport::ForVolume(volumeName, volumeId, msg::InvalidFileName));
        return false;
    }
    if (!m_onNextVolume) return false;
    if (FolderPart(volumeName).empty()) volumeName = CurrentFolderOrRoot() + "/" + volumeName;
    bool exists = platform::FileExists(volumeName);
    for (int asked = 1;; ++asked) {
        bool cancel = true;
        m_onNextVolume(this, volumeName, idText, exists, cancel);
        if (cancel) return false;
        exists = platform::FileExists(volumeName);
        if (exists) break;
        // A handler that goes on without supplying the volume would be asked for ever.
        if (asked >= kMaxVolumeAsks) {
            ReportError(ErrorReport::ForVolume(volumeName, volumeId, msg::FileNotFound));
            return false;
        }
    }
    SetVolumeNumber(VolumeNumber() + 1);
    return true;
}

void TZipCommon::ResetRunCounters() {
    SetFileCount(0);
    m_archiveFileCount = 0;
    m_progressByFile = 0;
    m_progressByArchive = 0;
}

namespace {
using Z = TZipCommon;
const bool registered =
    RegisterClass<TReadWriteObj, TarxMain>("TReadWriteObj") &&
    RegisterClass<TZipCommon, TReadWriteObj>(
        "TZipCommon",
        {
            Prop("ArchiveFile", &Z::ArchiveFile, &Z::SetArchiveFile),
            Prop("ExtractDir", &Z::ExtractDir, &Z::SetExtractDir),
            Prop("FileSpec", &Z::FileSpec),
            Prop("UseStoredDirs", &Z::UseStoredDirs, &Z::SetUseStoredDirs).Default(true),
            Prop("ConfirmOverwrites", &Z::ConfirmOverwrites, &Z::SetConfirmOverwrites)
                .Default(true),
            Prop("OverwriteMode", &Z::OverwriteMode, &Z::SetOverwriteMode)
                .Default(TOverwriteMode::omOverwrite),
            Prop("RestoreFileAttr", &Z::RestoreFileAttr, &Z::SetRestoreFileAttr).Default(true),
            Prop("CpuType", &Z::CpuType, &Z::SetCpuType).Default(TCpuType::cptAuto),
            Prop("Password", &Z::Password, &Z::SetPassword),
            Prop("PasswordAttempts", &Z::PasswordAttempts, &Z::SetPasswordAttempts).Default(3),
            Prop("OnActivate", &Z::OnActivate, &Z::SetOnActivate),
            Prop("OnDeactivate", &Z::OnDeactivate, &Z::SetOnDeactivate),
            Prop("OnBegin", &Z::OnBegin, &Z::SetOnBegin),
            Prop("OnEnd", &Z::OnEnd, &Z::SetOnEnd),
            Prop("OnFileExists", &Z::OnFileExists, &Z::SetOnFileExists),
            Prop("OnRenameCompressedFile", &Z::OnRenameCompressedFile,
                 &Z::SetOnRenameCompressedFile),
            Prop("OnProgress", &Z::OnProgress, &Z::SetOnProgress),
            Prop("OnError", &Z::OnError, &Z::SetOnError),
            Prop("OnElapsedTime", &Z::OnElapsedTime, &Z::SetOnElapsedTime),
            Prop("OnGetPassword", &Z::OnGetPassword, &Z::SetOnGetPassword),
            Prop("OnNextVolume", &Z::OnNextVolume, &Z::SetOnNextVolume),
        });
}  // namespace

}  // namespace kiv
