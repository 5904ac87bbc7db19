// The extraction run and the per-entry overwrite decision.
#include "archive/un_base.h"

#include <exception>
#include <memory>

#include "archive/byte_reader.h"
#include "archive/err_msgs.h"
#include "framework/class_registry.h"
#include "framework/message_pump.h"
#include "platform/files.h"

namespace kiv {

TUnBase::TUnBase(TComponent* owner) : TZipCommon(owner) {
    SetRestoreFileAttr(true);
}

int TUnBase::Extract() {
    SetActiveArchiver(this);
    ResetRunCounters();
    SetCancel(false);
    ProcessMessages();
    if (CpuType() == TCpuType::cpt80486) SetCpuType(TCpuType::cptAuto);
    SetArchiveName(ArchiveFile());
    const std::string remembered = ArchiveFile();
    std::unique_ptr<FileReader> archive;
    try {
        if (ArchiveFile().empty()) {
            RaiseError(ErrorReport::ForFile(ArchiveFile(), msg::FileNotFound));
        }
        if (!IsExtractable(ArcType())) {
            RaiseError(ErrorReport::ForFile(ArchiveFile(), msg::UnsupportedType));
        }
        const TArcType type = ArcType();
        // These formats' libraries open the archive themselves.
        if (type != TArcType::atACE && type != TArcType::atCab && type != TArcType::atRar) {
            archive = FileReader::Open(ArchiveFile());
            if (!archive) RaiseError(ErrorReport::ForFile(ArchiveFile(), msg::ErrorOpening));
        }
    } catch (...) {
        RestoreArchiveFile(remembered);
        throw;
    }
    struct RunEnd {
        TUnBase& self;
        std::unique_ptr<FileReader>& archive;
        const std::string& remembered;
        ~RunEnd() noexcept(false) {
            // An error leaving a handler here must not hide the one already on its way.
            try {
                self.OnDeactivate()(&self);
            } catch (...) {
                if (std::uncaught_exceptions() == 0) throw;
            }
            archive.reset();
            self.RestoreArchiveFile(remembered);
        }
    };
    RunEnd end{*this, archive, remembered};
    OnActivate()(this);
    SetFileName(std::string());
    const bool timed = static_cast<bool>(OnElapsedTime());
    if (timed) Timer().Start();
    try {
        ExtractArchive();
    } catch (...) {
        if (timed) OnElapsedTime()(this, Timer().Stop());
        throw;
    }
    if (timed) OnElapsedTime()(this, Timer().Stop());
    return FileCount();
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
