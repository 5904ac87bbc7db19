// TZipCommon: the published properties, events and per-entry services shared by the format
// extractors: masks, destination names, progress, errors and the next-volume question.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/arc_type.h"
#include "archive/error_report.h"
#include "archive/read_write_obj.h"
#include "framework/event.h"
#include "framework/string_list.h"

namespace kiv {

using TElapsedTimeEvent = Event<TObject* /*Sender*/, float /*ElapsedTime*/>;
using TFileExistsEvent = Event<TObject* /*Sender*/, const std::string& /*FN*/,
                               TDateTime /*FileDate*/, TOverwriteMode& /*OverwriteMode*/>;
using TBeginEvent =
    Event<TObject* /*Sender*/, const std::string& /*FN*/, int /*RecNum*/, bool& /*Extract*/>;
using TRenameCompressedFileEvent = Event<TObject* /*Sender*/, std::string& /*Filename*/>;
using TProgressEvent =
    Event<TObject* /*Sender*/, std::uint8_t /*ProgressByFile*/, std::uint8_t /*ProgressByArchive*/>;
using TErrorEvent =
    Event<TObject* /*Sender*/, const std::string& /*FN*/, const std::string& /*MsgEx*/,
          const std::string& /*VolumeID*/, int /*ECode*/>;
using TEndEvent = Event<TObject* /*Sender*/, const std::string& /*FN*/, bool /*CRC_PASS*/>;
using TGetPasswordEvent = Event<TObject* /*Sender*/, const std::string& /*FN*/,
                                std::string& /*Password*/, bool& /*TryAgain*/>;
using TNextVolumeEvent = Event<TObject* /*Sender*/, std::string& /*VolumeName*/,
                               const std::string& /*VolumeID*/, bool /*FExists*/, bool& /*Cancel*/>;

class TZipCommon : public TReadWriteObj {
public:
    // How often OnNextVolume is asked for one change while the volume it names is missing.
    static constexpr int kMaxVolumeAsks = 10;
    // The highest volume number a change may carry.
    static constexpr int kMaxVolumeNumber = 999;

    explicit TZipCommon(TComponent* owner);
    ~TZipCommon() override;

    // Always ends in '/' when not empty. Setting "" takes the folder of ArchiveFile.
    const std::string& ExtractDir() const { return m_extractDir; }
    void SetExtractDir(const std::string& value);

    // The masks of the wanted entries; an entry exactly "*.*" wants all. Adding to the list
    // directly keeps the masks as given; SetFileSpec keeps only their file-name parts and drops
    // empty ones.
    TStringList* FileSpec() const { return m_fileSpec.get(); }
    void SetFileSpec(const TStrings* value);

    bool ConfirmOverwrites() const { return m_confirmOverwrites; }
    void SetConfirmOverwrites(bool value) { m_confirmOverwrites = value; }
    TOverwriteMode OverwriteMode() const { return m_overwriteMode; }
    void SetOverwriteMode(TOverwriteMode value) { m_overwriteMode = value; }
    bool RestoreFileAttr() const { return m_restoreFileAttr; }
    void SetRestoreFileAttr(bool value) { m_restoreFileAttr = value; }
    TCpuType CpuType() const { return m_cpuType; }
    void SetCpuType(TCpuType value) { m_cpuType = value; }
    const std::string& Password() const { return m_password; }
    void SetPassword(const std::string& value) { m_password = value; }

    // The current entry's path; during extraction its destination path.
    const std::string& FileName() const { return m_fileName; }
    void SetFileName(const std::string& value) { m_fileName = value; }
    std::uint8_t ProgressByFile() const { return m_progressByFile; }
    std::uint8_t ProgressByArchive() const { return m_progressByArchive; }
    // The archive path messages name: ArchiveFile at the start of a run, then the volume in use.
    const std::string& ArchiveName() const { return m_archiveName; }
    // Wanted files the pre-scans have found in this run.
    int ArchiveFileCount() const { return m_archiveFileCount; }

    const TNotifyEvent& OnActivate() const { return m_onActivate; }
    void SetOnActivate(TNotifyEvent handler) { m_onActivate = std::move(handler); }
    const TNotifyEvent& OnDeactivate() const { return m_onDeactivate; }
    void SetOnDeactivate(TNotifyEvent handler) { m_onDeactivate = std::move(handler); }
    const TElapsedTimeEvent& OnElapsedTime() const { return m_onElapsedTime; }
    void SetOnElapsedTime(TElapsedTimeEvent handler) { m_onElapsedTime = std::move(handler); }
    const TFileExistsEvent& OnFileExists() const { return m_onFileExists; }
    void SetOnFileExists(TFileExistsEvent handler) { m_onFileExists = std::move(handler); }
    const TBeginEvent& OnBegin() const { return m_onBegin; }
    void SetOnBegin(TBeginEvent handler) { m_onBegin = std::move(handler); }
    const TEndEvent& OnEnd() const { return m_onEnd; }
    void SetOnEnd(TEndEvent handler) { m_onEnd = std::move(handler); }
    const TRenameCompressedFileEvent& OnRenameCompressedFile() const {
        return m_onRenameCompressedFile;
    }
    void SetOnRenameCompressedFile(TRenameCompressedFileEvent handler) {
        m_onRenameCompressedFile = std::move(handler);
    }
    const TProgressEvent& OnProgress() const { return m_onProgress; }
    void SetOnProgress(TProgressEvent handler) { m_onProgress = std::move(handler); }
    const TErrorEvent& OnError() const { return m_onError; }
    void SetOnError(TErrorEvent handler) { m_onError = std::move(handler); }
    const TGetPasswordEvent& OnGetPassword() const { return m_onGetPassword; }
    void SetOnGetPassword(TGetPasswordEvent handler) { m_onGetPassword = std::move(handler); }
    const TNextVolumeEvent& OnNextVolume() const { return m_onNextVolume; }
    void SetOnNextVolume(TNextVolumeEvent handler) { m_onNextVolume = std::move(handler); }

    // Whether `name` matches a mask of FileSpec (the first match wins; an empty list matches
    // nothing). With namesOnly, folders are left out of the comparison.
    bool MatchFileSpec(const std::string& name, bool namesOnly) const;

    // Sets FileName to where the stored name (converted, '/' separated) is written: below
    // ExtractDir, with the stored folders unless UseStoredDirs is off, a leading drive and root
    // removed. An empty ExtractDir becomes ArchiveFile's folder, else the current folder.
    virtual void SetDestinationName(const std::string& name);

    // Whether the destination in FileName keeps the stored name inside ExtractDir (see
    // DestinationIsSafe). Call after SetDestinationName.
    bool DestinationIsSafe(const std::string& name) const;
    // The folder every destination lies below: ExtractDir made absolute, with a trailing '/'.
    std::string DestinationBase() const;

    virtual TDateTime DosDateToDateTime(std::uint32_t value) const;

    // Lets pending messages through, then raises OnProgress.
    void DoProgress(std::uint8_t byFile, std::uint8_t byArchive);

    // Raises OnError with the report as it is (unless ActiveArchiver's Cancel is set), then
    // throws E_RAISE with the text of its code. The clock is paused while OnError runs.
    [[noreturn]] virtual void RaiseError(const ErrorReport& report);
    // Raises OnError like RaiseError, with the file name cut to its file-name part, and returns.
    virtual void ReportError(const ErrorReport& report);

    // Asks OnNextVolume whether to go on with the volume `volumeName` (which it may change),
    // as volume number volumeId. Refuses (25250) above 999 and (25243) for an empty name. While
    // the handler goes on but names a missing file it is asked again, at most kMaxVolumeAsks
    // times in all; then the change is refused with 25172 "File not found" naming the volume.
    // An accepted change counts VolumeNumber up.
    bool AskNextVolume(std::string& volumeName, int volumeId);

protected:
    // Raises OnError with the report as it is, unless Cancel is set; while reports are deferred
    // (inside a library callback) it queues them for FlushReports.
    void RaiseOnError(const ErrorReport& report);

    // While a guard lives, OnError reports wait; FlushReports raises them in order.
    class DeferReports {
    public:
        explicit DeferReports(TZipCommon& owner) : m_owner(owner) { ++m_owner.m_deferDepth; }
        ~DeferReports() { --m_owner.m_deferDepth; }
        DeferReports(const DeferReports&) = delete;
        DeferReports& operator=(const DeferReports&) = delete;

    private:
        TZipCommon& m_owner;
    };
    void FlushReports();

    void SetProgress(std::uint8_t byFile, std::uint8_t byArchive) {
        m_progressByFile = byFile;
        m_progressByArchive = byArchive;
    }
    void SetArchiveName(const std::string& value) { m_archiveName = value; }
    void SetArchiveFileCount(int value) { m_archiveFileCount = value; }
    void ResetRunCounters();

private:
    std::string m_extractDir;
    std::unique_ptr<TStringList> m_fileSpec;
    bool m_confirmOverwrites = true;
    TOverwriteMode m_overwriteMode = TOverwriteMode::omOverwrite;
    bool m_restoreFileAttr = false;
    TCpuType m_cpuType = TCpuType::cptAuto;
    std::string m_password;

    std::string m_fileName;
    std::uint8_t m_progressByFile = 0;
    std::uint8_t m_progressByArchive = 0;
    std::string m_archiveName;
    int m_archiveFileCount = 0;

    int m_deferDepth = 0;
    std::vector<ErrorReport> m_pendingReports;

    TNotifyEvent m_onActivate;
    TNotifyEvent m_onDeactivate;
    TElapsedTimeEvent m_onElapsedTime;
    TFileExistsEvent m_onFileExists;
    TBeginEvent m_onBegin;
    TEndEvent m_onEnd;
    TRenameCompressedFileEvent m_onRenameCompressedFile;
    TProgressEvent m_onProgress;
    TErrorEvent m_onError;
    TGetPasswordEvent m_onGetPassword;
    TNextVolumeEvent m_onNextVolume;
};

}  // namespace kiv
