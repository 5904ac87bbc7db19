// The extraction run and the per-entry overwrite decision.
#include "archive/un_base.h"

#include <memory>
#include <string>
#include <utility>

#include "archive/byte_reader.h"
#include "archive/err_msgs.h"
#include "framework/class_registry.h"
#include "framework/message_pump.h"
#include "platform/files.h"

namespace kiv {

TUnBase::TUnBase(TComponent* owner) : TZipCommon(owner) {
    SetRestoreFileAttr(true);
}

namespace {

// Runs `step`, then `after` whichever way `step` ends. When `step` failed, a failure of `after`
// is dropped so that it does not hide the one already on its way.
template <typename Step, typename After>
void ThenAlways(Step&& step, After&& after) {
    try {
        step();
    } catch (...) {
        try {
            after();
        } catch (...) {
        }
        throw;
    }
    after();
}

}  // namespace

int TUnBase::Extract() {
    SetActiveArchiver(this);
    ResetRunCounters();
    SetCancel(false);
    ProcessMessages();
    if (CpuType() == TCpuType::cpt80486) SetCpuType(TCpuType::cptAuto);
    SetArchiveName(ArchiveFile());
    // Handlers may set ArchiveFile during the run; the run ends on the path it began with.
    struct KeepArchiveFile {
        TUnBase& self;
        std::string path;
        ~KeepArchiveFile() { self.RestoreArchiveFile(std::move(path)); }
    } keep{*this, ArchiveFile()};
    // Declared after `keep`, so the archive is closed before ArchiveFile is put back.
    std::unique_ptr<FileReader> archive;
    if (ArchiveFile().empty()) RaiseError(ErrorReport::ForFile(ArchiveFile(), msg::FileNotFound));
    if (!IsExtractable(ArcType())) {
        RaiseError(ErrorReport::ForFile(ArchiveFile(), msg::UnsupportedType));
    }
    const TArcType type = ArcType();
    // These formats' libraries open the archive themselves.
    if (type != TArcType::atACE && type != TArcType::atCab && type != TArcType::atRar) {
        archive = FileReader::Open(ArchiveFile());
        if (!archive) RaiseError(ErrorReport::ForFile(ArchiveFile(), msg::ErrorOpening));
    }
    ThenAlways([this] { RunFormatStep(); }, [this] { OnDeactivate()(this); });
    return FileCount();
}

void TUnBase::RunFormatStep() {
    OnActivate()(this);
    SetFileName(std::string());
    if (!OnElapsedTime()) {
        ExtractArchive();
        return;
    }
    Timer().Start();
    ThenAlways([this] { ExtractArchive(); }, [this] { OnElapsedTime()(this, Timer().Stop()); });
}

bool TUnBase::BeginFile(const std::string& name, TDateTime fileDate) {
    (void)name;
    Timer().Pause();
    struct ResumeClock {
        TarxTimer& timer;
        ~ResumeClock() { timer.Resume(); }
    } resume{Timer()};
    if (OnProgress()) DoProgress(0, ProgressByArchive());
    const bool exists = platform::FileExists(FileName());
    if (ConfirmOverwrites() && exists && DiskTarget()) {
        if (OnFileExists()) {
            TOverwriteMode mode = OverwriteMode();
            OnFileExists()(this, FileName(), fileDate, mode);
            SetOverwriteMode(mode);
        } else {
            SetOverwriteMode(TOverwriteMode::omSkip);
        }
    }
    if (!exists || (OverwriteMode() == TOverwriteMode::omOverwrite && !Cancel())) {
        SetFileCount(FileCount() + 1);
        bool extract = true;
        OnBegin()(this, FileName(), FileCount(), extract);
        if (extract && OnRenameCompressedFile()) {
            std::string renamed = FileName();
            OnRenameCompressedFile()(this, renamed);
            SetFileName(renamed);
        }
    }
    return exists;
}

namespace {
const bool registered = RegisterClass<TUnBase, TZipCommon>("TUnBase");
}  // namespace

}  // namespace kiv
