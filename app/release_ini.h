// kiv.ini, the release description beside the installer: what the main window shows of it.
#pragma once

#include <array>
#include <string>

namespace kiv {

struct ReleaseDescription {
    static constexpr int kInfoLines = 20;

    std::string firstDisk;  // FirstDisk, empty when missing
    std::string release;    // Release, "[Release]" when missing
    std::string date;       // Date, "[Date]" when missing
    std::string disks;      // "<Disks> * <DiskSize>MB", each piece with its own default
    std::array<std::string, kInfoLines> infoLines;  // InfoLine1..InfoLine20, empty when missing
};

// Reads section "KIV" of the file at `path`. A missing or unreadable file is no error: every
// key then takes its default. Values are shown as written; nothing is parsed.
ReleaseDescription ReadReleaseDescription(const std::string& path);

}  // namespace kiv
