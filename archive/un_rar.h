// TUnRAR: the RAR extractor. It drives the RAR library entry by entry, pre-scans every volume,
// turns the library's callbacks into progress and next-volume events and its failures into
// OnError reports.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "archive/un_base.h"
#include "unrar/unrar.h"

namespace kiv {

class TUnRAR : public TUnBase {
public:
    // The largest volume path (with its terminating zero) handed back to the library when
    // OnNextVolume names another file.
    static constexpr std::size_t kVolumeNameBuffer = 1024;

    explicit TUnRAR(TComponent* owner);
    ~TUnRAR() override;

    // The volume being read during a run.
    const std::string& CurrentVolume() const { return m_currentVolume; }
    // Unpacked bytes of scanned wanted entries not yet delivered by the library.
    std::int64_t BytesPending() const { return m_bytesPending; }
    // Sums over the wanted entries of the volume scanned last, and the newest DOS date-time
    // of all scanned wanted entries.
    std::uint64_t TotalPacked() const { return m_totalPacked; }
    std::uint64_t TotalUnpacked() const { return m_totalUnpacked; }
    std::uint32_t NewestFileTime() const { return m_newestFileTime; }

protected:
    // The format step: loads the library once more when it was not loaded at start-up
    // (25258 when that fails), then extracts. Every failure ends in OnError; none leaves.
    void ExtractArchive() override;

private:
    class ArchiveHandle;

    void ProcessArchive(const std::string& given, bool test);
    void WalkEntries(void* handle, bool test);
    bool ProcessEntry(void* handle, bool test);
    // Whether a run wants the file entry stored as `name` ('/' separated, converted from the OEM
    // code page). The pre-scan counts by it and the loop extracts by it, so that the stop rule
    // never ends a run before a wanted file: masks are file-name masks (the FileSpec setter keeps
    // only that part), so only the entries' file names are compared.
    bool Wanted(const std::string& name) const;
    // Prepares and processes one wanted entry: the library's result, or nullopt when the entry
    // was passed over (a name that would leave ExtractDir, an existing file that is kept).
    std::optional<int> ExtractWanted(void* handle, const std::string& name);
    // Asks OnGetPassword and tries the passwords on an encrypted entry. False when no password
    // was accepted (the walk ends with "Invalid password"); true when the entry was passed
    // over, extracted, or failed for another reason (reported like any entry). Exceptions from
    // handlers and callbacks pass through.
    bool ProcessEncrypted(void* handle);
    // The headers of the archive are encrypted (`code` is the library's password code for the
    // header read): asks OnGetPassword for the archive as ProcessEncrypted does for an entry,
    // and reads the header again with each password. The library's last code.
    // Asks the password question about `subject` while no password is set; false when the user
    // declines or has answered with nothing kMaxEmptyPasswords times in this question's run.
    bool AskPassword(const std::string& subject, int& emptyAnswers);
    int UnlockHeaders(void* handle, int code);
    // The verdict on a processed entry, reported through OnEnd or, for a failure, OnError with
    // the message of what went wrong. False ends the run; a link passed over does not.
    bool EndFile(const std::string& name, int rc);
    // The report of a failed entry: its message code and the system's reason where there is one.
    ErrorReport EntryFailure(int rc) const;
    void Skip(void* handle);

    int ReadHeader(void* handle);
    int ProcessFile(void* handle, int operation, const std::string& destPath,
                    const std::string& destName);
    // After a library call: raises the OnError reports the callbacks queued, then rethrows
    // what failed inside a callback.
    void AfterLibraryCall();

    // Pre-scan of one volume: counts its wanted files and their bytes; 25235 when it cannot
    // be opened, 25236 for a main header cut short. For the volume a run starts from, the
    // wanted file continued from a volume before it is kept in m_unbegun.
    void ScanVolume(const std::string& volume, bool startOfRun = false);
    // Reports each wanted file the run cannot begin because its start lies in a volume before
    // the one the run starts from.
    void ReportUnbegun();
    // The entry's whole unpacked size, taken from the pre-scan when its low 32 bits agree.
    std::uint64_t TakeEntrySize(std::uint32_t lowSize);

    template <typename F>
    int Guarded(F&& body) noexcept;
    int ChangeVolumeCallback(char* arcName, int mode);
    int ProcessDataCallback(int size);
    void UpdateProgress(std::int64_t done, std::int64_t total, std::int64_t batch);

    static int ChangeVolumeThunk(char* arcName, int mode) noexcept;
    static int ProcessDataThunk(unsigned char* addr, int size) noexcept;

    RARHeaderData m_header{};
    int m_operation = RAR_SKIP;
    std::string m_currentVolume;
    std::int64_t m_fileSize = 0;
    std::int64_t m_fileBytesLeft = 0;
    std::int64_t m_archiveBytesLeft = 0;
    std::int64_t m_archiveBytesTotal = 0;
    std::int64_t m_bytesPending = 0;
    std::uint64_t m_totalPacked = 0;
    std::uint64_t m_totalUnpacked = 0;
    std::uint32_t m_newestFileTime = 0;
    // Wanted files whose beginning lies before the volume the run starts from.
    std::vector<std::string> m_unbegun;
    // Whole sizes of the scanned file entries, in archive order, for TakeEntrySize.
    std::deque<std::uint64_t> m_entrySizes;
    // A pre-scan walk that ended early: its count cannot end the run.
    bool m_scanIncomplete = false;
    // OnNextVolume refused a change, so a walk that ends on it is not reported again.
    bool m_volumeRefused = false;
    // A volume accepted while it was missing; its notice after opening is not asked again.
    std::string m_acceptedMissing;
    std::exception_ptr m_callbackFailure;
    // errno as the library left it after the last RARProcessFile, or as the folder walk left it.
    int m_lastError = 0;
};

// The message code for a library result code (0 for codes without one).
int MapLibraryError(int code);

// The TUnRAR the library's callbacks work for while a RAR run is in progress, else nullptr.
TUnRAR* RarOwner();

}  // namespace kiv
