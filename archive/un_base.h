// TUnBase: one extraction run from start to end, and the per-entry overwrite decision.
#pragma once

#include <string>

#include "archive/zip_common.h"

namespace kiv {

class TUnBase : public TZipCommon {
public:
    explicit TUnBase(TComponent* owner);

    // Runs one extraction synchronously on the calling (UI) thread and returns the number of
    // files begun. Checks first, each raising OnError and then E_RAISE out of Extract: an
    // empty ArchiveFile (25172), a type that cannot be extracted (25242), an archive the driver
    // cannot open (25235); none of them raises OnActivate. Then OnActivate, the format step
    // (ExtractArchive, which reports its failures only through OnError), OnElapsedTime and
    // OnDeactivate, the last also when an error leaves the run. Only one run at a time.
    int Extract();

    // Decides about one entry before the library writes FileName: raises OnProgress(0, last
    // archive percentage), consults OnFileExists for an existing destination when
    // ConfirmOverwrites (without a handler OverwriteMode becomes omSkip and stays so), counts
    // the file and raises OnBegin and OnRenameCompressedFile when it is to be written.
    // Returns whether the destination existed.
    bool BeginFile(const std::string& name, TDateTime fileDate);

protected:
    // The format step; the base has none.
    virtual void ExtractArchive() {}

private:
    // OnActivate, the format step and OnElapsedTime (also when the step fails).
    void RunFormatStep();
};

}  // namespace kiv
