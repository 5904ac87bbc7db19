// TarxMain: the root of the archive components; the archive path, its detected type and the
// numbering of its volume set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "archive/arc_type.h"
#include "archive/arx_file_attr.h"
#include "archive/arx_timer.h"
#include "archive/disk_manager.h"
#include "framework/component.h"

namespace kiv {

class TarxMain : public TComponent {
public:
    explicit TarxMain(TComponent* owner);
    ~TarxMain() override;

    const std::string& ArchiveFile() const { return m_archiveFile; }
    // Outside plain run-time state (loading, designing) or for an empty value: clears the path,
    // sets atNA and clears ActiveArchiver. Otherwise takes the path with '\' turned into '/',
    // detects its type and sets up the volume numbering. Never throws for a bad file.
    virtual void SetArchiveFile(const std::string& value);

    TArcType ArcType() const { return m_arcType; }
    // Whatever the value, detects the type of ArchiveFile again.
    virtual void SetArcType(TArcType value);

    std::int64_t SignatureOffset() const { return m_signatureOffset; }
    std::int64_t ArchiveSize() const { return m_archiveSize; }
    TDateTime ArchiveDate() const { return m_archiveDate; }

    // The number the next change of volume carries as VolumeID.
    int VolumeNumber() const { return m_volumeNumber; }
    void SetVolumeNumber(int value) { m_volumeNumber = value; }
    // First letter of numbered volume extensions ('C' ACE, 'a' ARJ, 'r' RAR); 0 for others.
    char VolumeLetter() const { return m_volumeLetter; }

    int PasswordAttempts() const { return m_passwordAttempts; }
    void SetPasswordAttempts(int value) { m_passwordAttempts = value; }
    bool UseStoredDirs() const { return m_useStoredDirs; }
    void SetUseStoredDirs(bool value) { m_useStoredDirs = value; }

    // Files begun in the current run.
    int FileCount() const { return m_fileCount; }
    // The stop request of a run; cleared when a run starts. OnError stays silent while it is set.
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool value) { m_cancel = value; }

    // A fixed text; setting it changes nothing.
    std::string About() const;
    void SetAbout(const std::string&) {}

    TDiskManager& DiskManager() const { return *m_diskManager; }
    TarxFileAttr* FileAttr() const { return m_fileAttr.get(); }
    TarxTimer& Timer() { return m_timer; }

protected:
    void Detect();
    void SetupVolumeNumbering();

    // Puts back a path ArchiveFile held before, without detecting its type again.
    void RestoreArchiveFile(std::string path) noexcept { m_archiveFile = std::move(path); }
    void SetFileCount(int value) { m_fileCount = value; }

private:
    std::string m_archiveFile;
    int m_fileCount = 0;
    bool m_cancel = false;
    TArcType m_arcType = TArcType::atNA;
    std::int64_t m_signatureOffset = 1;
    std::int64_t m_archiveSize = 0;
    TDateTime m_archiveDate = kNoFileDate;
    int m_volumeNumber = 0;
    char m_volumeLetter = 0;
    int m_passwordAttempts = 3;
    bool m_useStoredDirs = true;
    TDiskManager* m_diskManager;
    std::unique_ptr<TarxFileAttr> m_fileAttr;
    TarxTimer m_timer;
};

// The component whose run is in progress (or ran last); nullptr when none. Cleared when that
// component is destroyed. UI thread only.
TarxMain* ActiveArchiver();
void SetActiveArchiver(TarxMain* archiver);

}  // namespace kiv
