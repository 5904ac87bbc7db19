// The RAR extractor: library loop, callbacks, pre-scan of each volume and error mapping.
#include "archive/un_rar.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "archive/arx_paths.h"
#include "archive/byte_reader.h"
#include "archive/err_msgs.h"
#include "archive/first_volume.h"
#include "archive/rar_prescan.h"
#include "archive/unrar_binding.h"
#include "archive/wildcard.h"
#include "framework/class_registry.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace kiv {

namespace {

constexpr unsigned kEncryptedFlag = 0x04;
// The library marks a RAR 5.0 folder (UnpVer 50 and up) with this flag alone; in older headers
// the bit belongs to the dictionary size, and a folder has all of 0xE0.
constexpr unsigned kRar5FolderFlag = 0x20;
constexpr unsigned kFirstRar5Version = 50;
// The result ExtractWanted gives when the entry's folder could not be made; no library code.
constexpr int kFolderNotMade = -1;
// How far TakeEntrySize looks ahead for an entry whose size agrees.
constexpr std::size_t kSizeSearchWindow = 4096;
// Password prompts answered with an empty password that are tolerated for one entry.
constexpr int kMaxEmptyPasswords = 10;

TUnRAR*& RarOwnerSlot() {
    static TUnRAR* owner = nullptr;
    return owner;
}

// The stored name as the destination wants it: converted from the OEM code page, '/' separated.
std::string NormalizeStoredName(const char (&field)[260]) {
    const std::size_t length = ::strnlen(field, sizeof field);
    std::string name = platform::OemToUtf8(std::string_view(field, length));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// The same folder decision as the pre-scan's, so that the files it counted are the ones begun.
bool IsFolderHeader(const RARHeaderData& header) {
    if (header.UnpVer >= kFirstRar5Version && (header.Flags & kRar5FolderFlag) != 0) return true;
    return IsFolderEntry(header.Flags, header.HostOS, header.FileAttr);
}

// The 0-based offset of the marker from the 1-based SignatureOffset.
std::uint64_t MarkerOffset(std::int64_t signatureOffset) {
    return signatureOffset > 0 ? static_cast<std::uint64_t>(signatureOffset - 1) : 0;
}

// What an entry the library never creates is, for the report that it was skipped: a device,
// pipe or socket by its Unix mode; anything else (a symbolic link, a junction, a hard link or
// file copy whose target this run did not extract) a link.
std::string NeverCreated(const RARHeaderData& header) {
    constexpr unsigned kHostUnix = 3, kTypeMask = 0xF000, kFile = 0x8000, kFolder = 0x4000,
                       kLink = 0xA000;
    const unsigned type = header.FileAttr & kTypeMask;
    if (header.HostOS == kHostUnix && type != 0 && type != kFile && type != kFolder &&
        type != kLink) {
        return "a device, pipe or socket; these are not created";
    }
    return "a link; links are not created";
}

// a + b without passing the largest signed value (sizes come from untrusted headers).
std::int64_t SaturatingAdd(std::int64_t a, std::uint64_t b) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (b > static_cast<std::uint64_t>(kMax) ||
        (a > 0 && static_cast<std::int64_t>(b) > kMax - a)) {
        return kMax;
    }
    return a + static_cast<std::int64_t>(b);
}

std::vector<char> CString(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

// The library's answers that another password may change.
bool IsPasswordCode(int code) {
    return code == ERAR_MISSING_PASSWORD || code == ERAR_BAD_PASSWORD;
}

}  // namespace

int MapLibraryError(int code) {
    switch (code) {
        case ERAR_END_ARCHIVE:
            return msg::EofNotFound;
        case ERAR_NO_MEMORY:
            return msg::OutOfMemory;
        case ERAR_BAD_DATA:
            return msg::BadFileHeader;
        case ERAR_BAD_ARCHIVE:
        case ERAR_UNKNOWN_FORMAT:
            return msg::UnsupportedType;
        case ERAR_EOPEN:
            return msg::ErrorOpening;
        case ERAR_ECREATE:
        case ERAR_EWRITE:
            return msg::ErrorWriting;
        case ERAR_ECLOSE:
            return msg::ErrorClosing;
        case ERAR_EREAD:
            return msg::ErrorReading;
        case ERAR_UNKNOWN:
            return msg::BrokenVolumeChain;
        case ERAR_MISSING_PASSWORD:
            return msg::InvalidPassword;
        default:
            return 0;
    }
}

TUnRAR* RarOwner() {
    return RarOwnerSlot();
}

// The library's handle of the open archive, closed on every way out.
class TUnRAR::ArchiveHandle {
public:
    ArchiveHandle() = default;
    ~ArchiveHandle() {
        if (m_handle != nullptr) RarLibrary().RARCloseArchive(m_handle);
    }
    ArchiveHandle(const ArchiveHandle&) = delete;
    ArchiveHandle& operator=(const ArchiveHandle&) = delete;

    // Opens `name` for extraction; returns the library's result code.
    unsigned Open(const std::string& name) {
        std::vector<char> arcName = CString(name);
        RAROpenArchiveData data{};
        data.ArcName = arcName.data();
        data.OpenMode = RAR_OM_EXTRACT;
        data.CmtBuf = nullptr;
        data.CmtBufSize = 0;
        m_handle = RarLibrary().RAROpenArchive(&data);
        if (data.OpenResult == 0 && m_handle == nullptr) return ERAR_EOPEN;
        return data.OpenResult;
    }
    void* Get() const { return m_handle; }

private:
    void* m_handle = nullptr;
};

TUnRAR::TUnRAR(TComponent* owner) : TUnBase(owner) {}

TUnRAR::~TUnRAR() {
    if (RarOwner() == this) RarOwnerSlot() = nullptr;
}

void TUnRAR::ExtractArchive() {
    try {
        // A library deployed after start-up serves this run too.
        if (!LibraryLoaded() && !LoadRarLibrary()) {
            RaiseError(ErrorReport::ForFile(ArchiveName(), msg::LibraryNotFound));
        }
        // Another component's run that let messages through to this one gets its owner back.
        struct OwnerScope {
            TUnRAR* previous;
            ~OwnerScope() { RarOwnerSlot() = previous; }
        } owner{std::exchange(RarOwnerSlot(), this)};
        ProcessArchive(ArchiveName(), !DiskTarget());
    } catch (...) {
        // Failures of the format step have been reported through OnError, or come from a
        // user's handler; neither reaches the caller of Extract.
    }
}

void TUnRAR::ProcessArchive(const std::string& given, bool test) {
    // Given a later volume of a set, the run starts from the set's first one when it lies
    // beside it: the entry continued into the given volume cannot be begun without it.
    const std::string name = FirstVolumeOfSet(given, MarkerOffset(SignatureOffset()));
    if (name != given) {
        SetArchiveName(name);
        SetVolumeNumber(0);
    }
    m_currentVolume = name;
    m_unbegun.clear();
    m_bytesPending = 0;
    m_archiveBytesLeft = 0;
    m_archiveBytesTotal = 0;
    m_newestFileTime = 0;
    m_entrySizes.clear();
    m_scanIncomplete = false;
    m_volumeRefused = false;
    m_acceptedMissing.clear();
    m_callbackFailure = nullptr;
    ArchiveHandle archive;
    try {
        ScanVolume(name, true);
        ReportUnbegun();
        const unsigned result = archive.Open(name);
        if (result != 0) {
            RaiseError(ErrorReport::ForFile(name, MapLibraryError(static_cast<int>(result))));
        }
        RarLibrary().RARSetProcessDataProc(archive.Get(), &ProcessDataThunk);
        RarLibrary().RARSetChangeVolProc(archive.Get(), &ChangeVolumeThunk);
        WalkEntries(archive.Get(), test);
    } catch (const E_RAISE&) {
        // Already reported through OnError.
    }
}

void TUnRAR::WalkEntries(void* handle, bool test) {
    int r = ReadHeader(handle);
    if (IsPasswordCode(r)) r = UnlockHeaders(handle, r);
    bool allBegun = false;
    while (r == 0) {
        if (Cancel()) return;
        if (!ProcessEntry(handle, test)) return;
        r = ReadHeader(handle);
        if (!m_scanIncomplete && FileCount() > 0 && FileCount() >= ArchiveFileCount()) {
            allBegun = true;
            break;
        }
    }
    // A walk that breaks off before every wanted file was begun must not pass for success.
    if (r != 0 && r != ERAR_END_ARCHIVE && !allBegun && !Cancel() && !m_volumeRefused) {
        const int code = IsPasswordCode(r) ? msg::InvalidPassword : MapLibraryError(r);
        ReportError(ErrorReport::ForFile(m_currentVolume, code != 0 ? code : msg::HeaderNotFound));
    }
}

bool TUnRAR::ProcessEntry(void* handle, bool test) {
    m_operation = test ? RAR_TEST : RAR_EXTRACT;
    const bool folder = IsFolderHeader(m_header);
    m_fileSize = SaturatingAdd(0, folder ? m_header.UnpSize : TakeEntrySize(m_header.UnpSize));
    m_fileBytesLeft = m_fileSize;
    if (m_header.Flags & kEncryptedFlag) {
        // The password question and a failure name this entry, not the one before it.
        SetDestinationName(NormalizeStoredName(m_header.FileName));
        if (!ProcessEncrypted(handle)) {
            FileSpec()->Clear();
            ReportError(ErrorReport::ForFile(FileName(), msg::InvalidPassword));
            return false;
        }
        return true;
    }
    const std::string name = NormalizeStoredName(m_header.FileName);
    if (folder || !Wanted(name)) {
        Skip(handle);
        return true;
    }
    const std::optional<int> rc = ExtractWanted(handle, name);
    return !rc || EndFile(name, *rc);
}

bool TUnRAR::Wanted(const std::string& name) const {
    return MatchFileSpec(name, true);
}

std::optional<int> TUnRAR::ExtractWanted(void* handle, const std::string& name) {
    SetRunningCrc(0xFFFFFFFF);
    SetDestinationName(name);
    if (!DestinationIsSafe(name)) {
        RaiseOnError(ErrorReport::ForFile(name, msg::InvalidFileName));
        Skip(handle);
        return std::nullopt;
    }
    const bool exists = BeginFile(name, DosDateToDateTime(m_header.FileTime));
    if (exists && OverwriteMode() == TOverwriteMode::omSkip) {
        Skip(handle);
        return std::nullopt;
    }
    // The library is handed the target folder as the one it may trust: everything below it,
    // the entry's folders too, is reached from there without following a link that another
    // process may have put on the way since the check above.
    const std::string base = DestinationBase();
    if (DiskTarget() && m_operation == RAR_EXTRACT) {
        int error = 0;
        if (!PrepareDestinationBelow(base, FileName().substr(base.size()), error)) {
            Skip(handle);
            m_lastError = error;
            return kFolderNotMade;
        }
    }
    return ProcessFile(handle, m_operation, DiskTarget() ? base : FolderPart(FileName()),
                       FileName());
}

void TUnRAR::Skip(void* handle) {
    m_operation = RAR_SKIP;
    ProcessFile(handle, RAR_SKIP, FolderPart(FileName()), FileName());
}

bool TUnRAR::EndFile(const std::string& name, int rc) {
    // The running CRC only means something when the engine received the data itself; for
    // disk files only the library's own verdict counts.
    const bool verdict =
        rc == 0 || (!DiskTarget() && (0xFFFFFFFFu ^ m_header.FileCRC) == RunningCrc());
    if (OnEnd()) {
        OnEnd()(this, DiskTarget() ? FileName() : name, verdict);
    } else if (!verdict) {
        ReportError(EntryFailure(rc));
    }
    // A link is passed over (the library never creates one); the entries after it still come.
    return verdict || rc == ERAR_EREFERENCE;
}

ErrorReport TUnRAR::EntryFailure(int rc) const {
    const auto withReason = [&](int code) {
        const ErrorReport report = ErrorReport::ForFile(FileName(), code);
        return m_lastError != 0 ? report.WithExtra(std::generic_category().message(m_lastError))
                                : report;
    };
    switch (rc) {
        case kFolderNotMade:
            return withReason(msg::ErrorCreatingDir);
        case ERAR_ECREATE:
        case ERAR_EWRITE:
            if (m_lastError == ENOSPC || m_lastError == EDQUOT) {
                return ErrorReport::ForFile(FileName(), msg::DiskFull);
            }
            return withReason(msg::ErrorWriting);
        case ERAR_UNKNOWN_FORMAT:
            return ErrorReport::ForFile(FileName(), msg::UnsupportedMethod);
        case ERAR_EREFERENCE:
            return ErrorReport::ForFile(FileName(), msg::SkippedFile)
                .WithExtra(NeverCreated(m_header));
        case ERAR_BAD_DATA:
            return ErrorReport::ForFile(FileName(), msg::CrcFailed);
        case ERAR_EOPEN:
            // The next volume could not be had: the entry it continues is cut off.
            return ErrorReport::ForFile(FileName(), msg::BrokenVolumeChain);
        case ERAR_SMALL_BUF:
            return ErrorReport::ForFile(FileName(), msg::InvalidFileName);
        case ERAR_BAD_PASSWORD:
            return ErrorReport::ForFile(FileName(), msg::InvalidPassword);
        default: {
            const int code = MapLibraryError(rc);
            return ErrorReport::ForFile(FileName(), code != 0 ? code : msg::CorruptInput);
        }
    }
}

bool TUnRAR::ProcessEncrypted(void* handle) {
    if (!OnGetPassword() || PasswordAttempts() <= 0) return false;
    int tried = 0;
    int emptyAnswers = 0;
    // Only the library turning a password down makes a failed attempt. Exceptions leave as they
    // are: a handler's own, or one for a failure the callbacks have reported already.
    while (tried < PasswordAttempts()) {
        if (!AskPassword(FileName(), emptyAnswers)) return false;
        ++tried;
        std::vector<char> password = CString(Password());
        RarLibrary().RARSetPassword(handle, password.data());
        const std::string name = NormalizeStoredName(m_header.FileName);
        if (IsFolderHeader(m_header) || !Wanted(name)) {
            Skip(handle);
            return true;
        }
        const int begunBefore = FileCount();
        const std::optional<int> rc = ExtractWanted(handle, name);
        if (!rc) return true;
        // A refused volume or a stop request fails the entry whatever the password.
        const bool lastAttempt = tried >= PasswordAttempts() || m_volumeRefused || Cancel();
        // A failed entry is reported once, after its last attempt.
        if ((*rc == 0 || lastAttempt) && !EndFile(name, *rc)) return true;
        if (*rc == 0) return true;
        SetPassword(std::string());
        // The file is begun again with the next password; it counts once.
        SetFileCount(begunBefore);
        if (FileCount() >= ArchiveFileCount()) return false;
    }
    return false;
}

bool TUnRAR::AskPassword(const std::string& subject, int& emptyAnswers) {
    while (Password().empty()) {
        std::string password;
        bool tryAgain = true;
        OnGetPassword()(this, subject, password, tryAgain);
        SetPassword(password);
        if (!tryAgain) return false;
        // An empty answer uses up no attempt, but cannot be given for ever.
        if (Password().empty() && ++emptyAnswers >= kMaxEmptyPasswords) return false;
    }
    return true;
}

int TUnRAR::UnlockHeaders(void* handle, int code) {
    if (!OnGetPassword() || PasswordAttempts() <= 0) return code;
    int tried = 0;
    int emptyAnswers = 0;
    while (IsPasswordCode(code) && tried < PasswordAttempts() && !Cancel()) {
        if (!AskPassword(m_currentVolume, emptyAnswers)) return code;
        ++tried;
        std::vector<char> password = CString(Password());
        RarLibrary().RARSetPassword(handle, password.data());
        code = ReadHeader(handle);
        // The entries of the archive are asked for no password of their own once this one opened
        // the headers; a refused one is asked for again.
        if (IsPasswordCode(code)) SetPassword(std::string());
    }
    return code;
}

int TUnRAR::ReadHeader(void* handle) {
    m_header.CmtBuf = nullptr;
    m_header.CmtBufSize = 0;
    const int r = RarLibrary().RARReadHeader(handle, &m_header);
    AfterLibraryCall();
    return r;
}

int TUnRAR::ProcessFile(void* handle, int operation, const std::string& destPath,
                        const std::string& destName) {
    std::vector<char> path = CString(destPath);
    std::vector<char> name = CString(destName);
    const int rc = RarLibrary().RARProcessFile(handle, operation, path.data(), name.data());
    // Taken at once: the library leaves the reason of a create or write failure in errno.
    m_lastError = rc == ERAR_ECREATE || rc == ERAR_EWRITE ? errno : 0;
    AfterLibraryCall();
    return rc;
}

void TUnRAR::AfterLibraryCall() {
    FlushReports();
    if (m_callbackFailure) {
        std::exception_ptr failure = std::exchange(m_callbackFailure, nullptr);
        std::rethrow_exception(failure);
    }
}

void TUnRAR::ScanVolume(const std::string& volume, bool startOfRun) {
    m_totalPacked = 0;
    m_totalUnpacked = 0;
    std::unique_ptr<FileReader> file = FileReader::Open(volume);
    if (!file) RaiseError(ErrorReport::ForFile(ArchiveName(), msg::ErrorOpening));
    const auto onFile = [this, startOfRun](const RarFileHeader& h) {
        if (IsFolderEntry(h.flags, h.hostOs, h.attributes)) return;
        const std::string name = platform::OemToUtf8(h.name);
        if (h.continued) {
            if (startOfRun && Wanted(name)) m_unbegun.push_back(name);
            return;
        }
        m_entrySizes.push_back(h.unpackedSize);
        if (!Wanted(name)) return;
        SetArchiveFileCount(ArchiveFileCount() + 1);
        m_bytesPending = SaturatingAdd(m_bytesPending, h.unpackedSize);
        m_totalPacked += h.packedSize;
        m_totalUnpacked += h.unpackedSize;
        m_newestFileTime = std::max(m_newestFileTime, h.dosTime);
    };
    const std::uint64_t offset = MarkerOffset(SignatureOffset());
    WalkResult walk = WalkRarVolume(*file, offset, onFile);
    // Later volumes of a self-extracting set are plain RAR files.
    if (walk.status == WalkStatus::NotRar && offset != 0) walk = WalkRarVolume(*file, 0, onFile);
    if (walk.status == WalkStatus::MainHeaderShort) {
        RaiseError(ErrorReport::ForFile(ArchiveName(), msg::ErrorReading));
    }
    if (walk.status != WalkStatus::Complete) m_scanIncomplete = true;
}

void TUnRAR::ReportUnbegun() {
    for (const std::string& name : m_unbegun) {
        ReportError(ErrorReport::ForFile(name, msg::BrokenVolumeChain)
                        .WithExtra("it begins in a volume before " +
                                   std::string(FileNamePart(m_currentVolume))));
    }
    m_unbegun.clear();
}

std::uint64_t TUnRAR::TakeEntrySize(std::uint32_t lowSize) {
    const std::size_t window = std::min(m_entrySizes.size(), kSizeSearchWindow);
    for (std::size_t i = 0; i < window; ++i) {
        if (static_cast<std::uint32_t>(m_entrySizes[i]) == lowSize) {
            const std::uint64_t size = m_entrySizes[i];
            m_entrySizes.erase(m_entrySizes.begin(),
                               m_entrySizes.begin() + static_cast<long>(i) + 1);
            return size;
        }
    }
    return lowSize;
}

template <typename F>
int TUnRAR::Guarded(F&& body) noexcept {
    // After a failure every further call is answered with "stop" until the library returns.
    if (m_callbackFailure) return 0;
    DeferReports defer(*this);
    try {
        return body();
    } catch (...) {
        m_callbackFailure = std::current_exception();
        return 0;
    }
}

int TUnRAR::ChangeVolumeThunk(char* arcName, int mode) noexcept {
    TUnRAR* owner = RarOwner();
    return owner != nullptr && arcName != nullptr ? owner->ChangeVolumeCallback(arcName, mode) : 0;
}

int TUnRAR::ProcessDataThunk(unsigned char*, int size) noexcept {
    TUnRAR* owner = RarOwner();
    return owner != nullptr ? owner->ProcessDataCallback(size) : 0;
}

int TUnRAR::ChangeVolumeCallback(char* arcName, int mode) {
    return Guarded([&] {
        std::string volumeName(arcName, ::strnlen(arcName, kVolumeNameBuffer));
        bool accepted = false;
        if (mode == RAR_VOL_NOTIFY && !m_acceptedMissing.empty() &&
            volumeName == m_acceptedMissing) {
            // Supplied while it was missing: the handler has been asked for it already.
            accepted = true;
            m_acceptedMissing.clear();
        } else if (OnNextVolume()) {
            const std::string proposed = volumeName;
            if (!AskNextVolume(volumeName, VolumeNumber())) {
                m_volumeRefused = true;
            } else if (volumeName != proposed) {
                if (volumeName.size() >= kVolumeNameBuffer) {
                    ReportError(
                        ErrorReport::ForVolume(volumeName, VolumeNumber(), msg::InvalidFileName));
                    m_volumeRefused = true;
                } else {
                    std::memcpy(arcName, volumeName.c_str(), volumeName.size() + 1);
                    accepted = true;
                }
            } else {
                accepted = true;
            }
        }
        if (!accepted) return 0;
        m_currentVolume = volumeName;
        SetArchiveName(volumeName);
        if (mode == RAR_VOL_ASK) {
            m_acceptedMissing = volumeName;
        } else {
            ScanVolume(volumeName);
        }
        return 1;
    });
}

int TUnRAR::ProcessDataCallback(int size) {
    return Guarded([&] {
        const std::int64_t n = std::max(size, 0);
        if (m_archiveBytesLeft <= 0) {
            DoProgress(0, 0);
            m_archiveBytesTotal = m_bytesPending;
            m_archiveBytesLeft = m_bytesPending;
        }
        if (m_operation == RAR_SKIP) {
            m_archiveBytesLeft -= n;
            UpdateProgress(0, 0, m_archiveBytesTotal);
            return 1;
        }
        const TarxMain* active = ActiveArchiver();
        if (active != nullptr && active->Cancel()) return 0;
        m_fileBytesLeft -= n;
        m_archiveBytesLeft -= n;
        m_bytesPending -= n;
        UpdateProgress(m_fileSize - m_fileBytesLeft, m_fileSize, m_archiveBytesTotal);
        return 1;
    });
}

void TUnRAR::UpdateProgress(std::int64_t done, std::int64_t total, std::int64_t batch) {
    const std::uint8_t byFile = Percent(done, total);
    const std::uint8_t byArchive = Percent(batch - m_archiveBytesLeft, batch);
    SetProgress(byFile, byArchive);
    DoProgress(byFile, byArchive);
}

namespace {
const bool registered = RegisterClass<TUnRAR, TUnBase>(
    "TUnRAR", {Prop("ArcType", &TUnRAR::ArcType, &TUnRAR::SetArcType).Default(TArcType::atNA)});
}  // namespace

}  // namespace kiv
