// Whole-set progress from per-file percentages.
#include "app/set_progress.h"

#include <algorithm>
#include <utility>

namespace kiv {

SetProgress::SetProgress(const SetScan& scan, std::string extractDir)
    : m_scan(scan), m_extractDir(std::move(extractDir)) {}

int SetProgress::Report(const std::string& destination, int byFile, int byArchive) {
    if (m_scan.unpackedTotal == 0) return std::clamp(byArchive, 0, 100);
    if (destination != m_current) {
        if (CurrentDone()) ++m_completed;
        m_bytesDone += m_currentSize;
        m_current = destination;
        const bool below = destination.compare(0, m_extractDir.size(), m_extractDir) == 0;
        m_currentSize = m_scan.SizeOf(
            RelativeStoredName(below ? destination.substr(m_extractDir.size()) : destination));
    }
    m_currentByFile = std::clamp(byFile, 0, 100);
    const std::uint64_t done = std::min(m_bytesDone + m_currentSize / 100 * m_currentByFile +
                                            m_currentSize % 100 * m_currentByFile / 100,
                                        m_scan.unpackedTotal);
    const int percent = int(done * 100 / m_scan.unpackedTotal);
    m_shown = std::max(m_shown, std::min(percent, 100));
    return m_shown;
}

}  // namespace kiv
