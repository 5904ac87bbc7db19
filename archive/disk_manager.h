// TDiskManager: what is known about the drive (mounted file system) that holds the archive.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/component.h"
#include "platform/drive_info.h"
#include "platform/result.h"

namespace kiv {

class TDiskManager : public TComponent {
public:
    using DriveQuery = std::function<platform::Result<platform::DriveInfo>(const std::string&)>;

    // Drive and media type names, indexed by drive type (0-6) and the media types 7 and 8.
    static constexpr std::array<std::string_view, 9> kTypeNames{
        "Unknown", "None", "Floppy", "Fixed", "Network", "CD-ROM", "RAM", "3½ Floppy", "5¼ Floppy"};

    explicit TDiskManager(TComponent* owner);

    // Makes the drive that holds `path` (a file or folder, absolute or relative) the current one;
    // its information is gathered again only when that drive differs from the last one. While
    // the drive cannot be queried, asks Retry / Cancel through the modal seam; Cancel keeps what
    // was gathered. Returns the drive text (its mount point).
    std::string SetDrive(const std::string& path);

    // The query behind a refresh; platform::GetDriveInfo unless replaced (tests).
    void SetDriveQuery(DriveQuery query) { m_query = std::move(query); }

    const std::string& Drive() const { return m_drive; }
    const std::string& VolumeLabel() const { return m_label; }
    // The serial number as 8 upper-case hexadecimal digits; empty before a successful query.
    const std::string& SerialNumber() const { return m_serial; }
    std::uint32_t MaxNameLength() const { return m_maxNameLength; }
    std::uint64_t FileSystemFlags() const { return m_fsFlags; }
    const std::string& FileSystemName() const { return m_fsName; }
    int DriveType() const { return m_driveType; }
    const std::string& TypeName() const { return m_typeName; }
    std::uint64_t FreeBytes() const { return m_freeBytes; }
    std::uint64_t TotalBytes() const { return m_totalBytes; }
    int MediaType() const { return m_mediaType; }
    // The number behind "PKBACK# " in the label, 0 when it has none.
    int DiskNumber() const { return m_diskNumber; }
    int WatchInterval() const { return m_watchInterval; }

    // The number following "PKBACK# " in a label, when the rest is all digits; else 0.
    static int DiskNumberOf(std::string_view label);

private:
    void Refresh();
    bool AskRetry(const std::string& error) const;

    DriveQuery m_query;
    std::string m_drive;
    bool m_haveDrive = false;
    std::string m_label;
    std::string m_serial;
    std::uint32_t m_maxNameLength = 0;
    std::uint64_t m_fsFlags = 0;
    std::string m_fsName;
    int m_driveType = 0;
    std::string m_typeName;
    std::uint64_t m_freeBytes = 0;
    std::uint64_t m_totalBytes = 0;
    int m_mediaType = 0;
    int m_diskNumber = 0;
    int m_watchInterval = 2000;
};

}  // namespace kiv
