// The archive root: path, type detection and volume numbering.
#include "archive/arx_main.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "archive/arc_detect.h"
#include "archive/arx_paths.h"
#include "archive/byte_reader.h"
#include "archive/wildcard.h"
#include "framework/class_registry.h"

namespace kiv {

namespace {

TarxMain*& ActiveArchiverSlot() {
    static TarxMain* active = nullptr;
    return active;
}

// The value of the digits that end `text`, saturated; nullopt when it does not end in one.
std::optional<long long> TrailingNumber(const std::string& text) {
    std::size_t start = text.size();
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
    if (start == text.size()) return std::nullopt;
    long long value = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
    }
    return value;
}

}  // namespace

TarxMain* ActiveArchiver() {
    return ActiveArchiverSlot();
}

void SetActiveArchiver(TarxMain* archiver) {
    ActiveArchiverSlot() = archiver;
}

TarxMain::TarxMain(TComponent* owner)
    : TComponent(owner), m_fileAttr(std::make_unique<TarxFileAttr>()) {
    m_diskManager = &Make<TDiskManager>();
}

TarxMain::~TarxMain() {
    if (ActiveArchiver() == this) SetActiveArchiver(nullptr);
}

std::string TarxMain::About() const {
    return "KIV archive components";
}

void TarxMain::SetArchiveFile(const std::string& value) {
    const TComponentState state = ComponentState();
    const bool runTime = !state.Contains(TComponentStateItem::csLoading) &&
                         !state.Contains(TComponentStateItem::csReading) &&
                         !state.Contains(TComponentStateItem::csDesigning) &&
                         !state.Contains(TComponentStateItem::csDestroying);
    if (!runTime || value.empty()) {
        m_archiveFile.clear();
        m_arcType = TArcType::atNA;
        SetActiveArchiver(nullptr);
        return;
    }
    m_fileCount = 0;
    m_signatureOffset = 1;
    m_archiveFile = value;
    std::replace(m_archiveFile.begin(), m_archiveFile.end(), '\\', '/');
    Detect();
    SetupVolumeNumbering();
}

void TarxMain::SetArcType(TArcType) {
    Detect();
    SetupVolumeNumbering();
}

void TarxMain::Detect() {
    if (m_archiveFile.empty()) {
        m_arcType = TArcType::atNA;
        return;
    }
    m_arcType = TArcType::atFileOpenErr;
    std::unique_ptr<FileReader> file = FileReader::Open(m_archiveFile);
    if (!file) return;
    // A bare name lies in the current folder, which SetDrive resolves it against.
    m_diskManager->SetDrive(m_archiveFile);
    m_signatureOffset = 1;
    m_archiveSize = static_cast<std::int64_t>(file->Size());
    SpannedDisk disk;
    disk.removable = m_diskManager->DriveType() == 2;
    disk.pkbackLabel = m_diskManager->VolumeLabel().find("PKBACK# ") != std::string::npos;
    const DetectedArchive detected = DetectArchive(*file, disk);
    m_arcType = detected.type;
    m_signatureOffset = detected.signatureOffset;
    m_archiveDate =
        IsRecognised(m_arcType) ? UnixTimeToDateTime(file->ModificationTime()) : kNoFileDate;
}

void TarxMain::SetupVolumeNumbering() {
    using enum TArcType;
    char letter = 0;
    std::string fallback;
    if (m_arcType == atACE) {
        letter = 'C';
        fallback = "Ace";
    } else if (m_arcType == atArj) {
        letter = 'a';
        fallback = "Arj";
    } else if (m_arcType == atRar || m_arcType == atRarExe) {
        letter = 'r';
        fallback = "Rar";
    } else {
        m_volumeNumber = 0;
        return;
    }
    m_volumeLetter = letter;
    const std::string name = std::string(FileNamePart(m_archiveFile));
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (ext.empty()) ext = fallback;
    if (const auto number = TrailingNumber(ext)) {
        m_volumeNumber = static_cast<int>(std::min<long long>(*number + 1, INT_MAX));
        m_volumeLetter = ext.front();
    } else {
        m_volumeNumber = m_arcType == atArj ? 1 : 0;
    }
}

namespace {
const bool registered = RegisterClass<TarxMain, TComponent>(
    "TarxMain", {
                    Prop("About", &TarxMain::About, &TarxMain::SetAbout).Stored(false),
                });
}  // namespace

}  // namespace kiv
