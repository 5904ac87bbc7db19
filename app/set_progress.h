// The share of a whole volume set extracted so far, for a gauge that only moves forward.
#pragma once

#include <cstdint>
#include <string>

#include "app/release_set.h"

namespace kiv {

// The extractor's own archive percentage starts again for each batch of volumes; this one is
// reckoned from the set's sizes scanned up front and the file percentage of each report.
class SetProgress {
public:
    // `extractDir` is the extractor's ExtractDir (ending in '/'); destination names below it are
    // matched with the scanned stored names.
    SetProgress(const SetScan& scan, std::string extractDir);

    // One progress report: the destination path being written and its own percentage. Returns
    // the percentage of the set done, never less than the one returned before; when the scan
    // found no bytes, `byArchive` as the extractor gives it.
    int Report(const std::string& destination, int byFile, int byArchive);

    // Files whose data was delivered in full (or that hold none), by destination path order of
    // the reports; the current one counts once its percentage reached 100.
    int FilesCompleted() const { return m_completed + (CurrentDone() ? 1 : 0); }
    const std::string& CurrentFile() const { return m_current; }

private:
    bool CurrentDone() const {
        return !m_current.empty() && (m_currentByFile >= 100 || m_currentSize == 0);
    }

    const SetScan& m_scan;
    std::string m_extractDir;
    std::string m_current;
    std::uint64_t m_currentSize = 0;
    int m_currentByFile = 0;
    std::uint64_t m_bytesDone = 0;
    int m_completed = 0;
    int m_shown = 0;
};

}  // namespace kiv
