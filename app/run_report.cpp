// The texts of the failure list, the space question and the stopped run.
#include "app/run_report.h"

#include <array>
#include <cstdio>

#include "archive/wildcard.h"

namespace kiv {

void FailureList::Add(std::string file, std::string message) {
    m_failures.push_back({std::move(file), std::move(message)});
}

bool FailureList::Names(const std::string& fileName) const {
    const std::string_view wanted = FileNamePart(fileName);
    for (const Failure& failure : m_failures) {
        if (FileNamePart(failure.file) == wanted) return true;
    }
    return false;
}

std::string FailureList::Text() const {
    const std::size_t n = m_failures.size();
    std::string text = "The release was not extracted completely. " + std::to_string(n) +
                       (n == 1 ? " problem was" : " problems were") + " reported:\n";
    for (std::size_t i = 0; i < n && i < kShown; ++i) {
        const Failure& failure = m_failures[i];
        text += "\n" + (failure.file.empty() ? std::string("(release)") : failure.file) + ": " +
                failure.message;
    }
    if (n > kShown) text += "\n... and " + std::to_string(n - kShown) + " more.";
    return text;
}

std::string FormatBytes(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    static constexpr std::array<const char*, 5> kUnits{"KiB", "MiB", "GiB", "TiB", "PiB"};
    double value = double(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < kUnits.size()) {
        value /= 1024.0;
        ++unit;
    }
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.1f %s", value, kUnits[unit]);
    return buffer.data();
}

std::string SpaceQuestion(std::uint64_t needed, std::uint64_t free, const std::string& folder) {
    return "The release needs " + FormatBytes(needed) + " but only " + FormatBytes(free) +
           " are free for " + folder + ".\n\nExtract it anyway?";
}

std::string StoppedText(int extracted, int total, const std::string& folder) {
    return "Extraction stopped. " + std::to_string(extracted) + " of " + std::to_string(total) +
           (total == 1 ? " file was" : " files were") + " extracted to " + folder +
           "; the file being extracted was not kept.";
}

}  // namespace kiv
