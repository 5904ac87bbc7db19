// UnpackRun: what the main window keeps about the extraction in progress.
#pragma once

#include <string>

#include "app/release_set.h"
#include "app/run_report.h"
#include "app/set_progress.h"

namespace kiv {

struct UnpackRun {
    explicit UnpackRun(const std::string& extractDir) : progress(scan, extractDir) {}

    SetScan scan;
    SetProgress progress;
    FailureList failures;
    bool stopped = false;  // the user asked to stop (Escape or closing the window)
};

}  // namespace kiv
