// Drive information for the archive's drive, with the Retry / Cancel prompt.
#include "archive/disk_manager.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "archive/err_msgs.h"
#include "framework/class_registry.h"
#include "framework/modal.h"
#include "platform/folders.h"
#include "platform/mount_table.h"

namespace kiv {

namespace {

// The mount point holding path, found without querying the file system itself, so that a
// drive that does not answer still has a name for the prompt.
std::string MountPointOf(const std::string& path) {
    std::string probe = path;
    if (probe.empty() || probe.front() != '/') {
        auto current = platform::CurrentFolder();
        probe = (current ? *current : std::string("/")) + "/" + probe;
    }
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(probe.c_str(), nullptr),
                                                     &std::free);
    if (real) probe = real.get();
    auto table = platform::MountTable::Load();
    if (table) {
        if (const platform::MountEntry* mount = table->FindMountFor(probe)) {
            return mount->mountPoint;
        }
    }
    return "/";
}

}  // namespace

TDiskManager::TDiskManager(TComponent* owner) : TComponent(owner) {
    m_query = [](const std::string& drive) { return platform::GetDriveInfo(drive); };
}

std::string TDiskManager::SetDrive(const std::string& path) {
    const std::string drive = MountPointOf(path);
    if (!m_haveDrive || drive != m_drive) {
        m_drive = drive;
        m_haveDrive = true;
        Refresh();
    }
    return m_drive;
}

int TDiskManager::DiskNumberOf(std::string_view label) {
    constexpr std::string_view kMark = "PKBACK# ";
    const std::size_t at = label.find(kMark);
    if (at == std::string_view::npos) return 0;
    const std::string_view digits = label.substr(at + kMark.size());
    if (digits.empty() || digits.size() > 9) return 0;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool TDiskManager::AskRetry(const std::string& error) const {
    std::string root = m_drive;
    if (root.empty() || root.back() != '/') root += '/';
    const std::string text = root + ErrorMessage(msg::NotAccessible) + "\n\n" + error;
    // The caption is left to the answerer, which shows the application's title.
    const TModalResult answer = AskUser(text, std::string(), TMsgDlgType::mtError,
                                        {TMsgDlgBtn::mbRetry, TMsgDlgBtn::mbCancel});
    return answer == TModalResult::mrRetry;
}

void TDiskManager::Refresh() {
    while (true) {
        platform::Result<platform::DriveInfo> info = m_query(m_drive);
        if (!info) {
            if (AskRetry(info.error())) continue;
            return;
        }
        m_label = info->label;
        char serial[9];
        std::snprintf(serial, sizeof serial, "%08X", info->serial);
        m_serial = serial;
        m_maxNameLength = info->maxNameLength;
        m_fsFlags = info->flags;
        m_fsName = info->fileSystem;
        m_diskNumber = DiskNumberOf(m_label);
        m_driveType = m_drive.empty() ? 1 : static_cast<int>(info->type);
        // No media query exists here, so a removable drive's media type stays 0.
        m_mediaType = 0;
        const int nameIndex = m_driveType == 2 ? m_mediaType : m_driveType;
        m_typeName =
            std::string(kTypeNames[static_cast<std::size_t>(nameIndex) % kTypeNames.size()]);
        m_freeBytes = info->freeBytes;
        m_totalBytes = info->totalBytes;
        return;
    }
}

namespace {
const bool registered = RegisterClass<TDiskManager, TComponent>("TDiskManager");
}  // namespace

}  // namespace kiv
