// Destination names, folder creation, DOS dates and percentages.
#include "archive/arx_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cfenv>
#include <cmath>
#include <ctime>

#include "archive/err_msgs.h"
#include "archive/wildcard.h"
#include "platform/files.h"

namespace kiv {

std::string FolderPart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string RemoveDriveAndRoot(std::string_view name) {
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (name.size() >= 2 && isLetter(name[0]) && name[1] == ':') name.remove_prefix(2);
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    return std::string(name);
}

std::string AbsoluteFolder(const std::string& folder, const std::string& currentFolder) {
    if (!folder.empty() && folder.front() == '/') return folder;
    std::string result = currentFolder;
    if (result.empty() || result.back() != '/') result += '/';
    return result + folder;
}

namespace {

bool IsDotName(std::string_view component) {
    return component.empty() || component == "." || component == "..";
}

bool HasDotDotComponent(std::string_view name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

bool IsSymbolicLink(const std::string& path, bool& exists) {
    struct stat st {};
    exists = ::lstat(path.c_str(), &st) == 0;
    return exists && S_ISLNK(st.st_mode);
}

}  // namespace

bool DestinationIsSafe(std::string_view storedName, const std::string& destination,
                       const std::string& base) {
    if (HasDotDotComponent(storedName)) return false;
    if (base.empty() || base.back() != '/') return false;
    if (destination.size() <= base.size() || destination.compare(0, base.size(), base) != 0) {
        return false;
    }
    const std::string_view rest = std::string_view(destination).substr(base.size());
    if (IsDotName(FileNamePart(rest))) return false;
    if (HasDotDotComponent(rest)) return false;
    // Walk down from base; below the first missing component nothing can be a link yet.
    std::size_t pos = 0;
    while (pos < rest.size()) {
        std::size_t end = rest.find('/', pos);
        if (end == std::string_view::npos) end = rest.size();
        if (end > pos) {
            bool exists = false;
            if (IsSymbolicLink(base + std::string(rest.substr(0, end)), exists)) return false;
            if (!exists) return true;
        }
        pos = end + 1;
    }
    return true;
}

void MakeDirectories(const std::string& folder) {
    if (folder.empty()) throw Exception(ErrorMessage(msg::CannotCreateDir));
    std::string name = folder;
    if (name.size() > 1 && name.back() == '/') name.pop_back();
    if (name == "/" || platform::DirectoryExists(name)) return;
    std::string parent = FolderPart(name);
    if (parent.size() > 1) parent.pop_back();
    if (!parent.empty() && parent != name) MakeDirectories(parent);
    // A failure shows when the file inside it is written.
    (void)platform::CreateDirectory(name);
}

namespace {

// One open folder, closed when it goes.
class FolderHandle {
public:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    ~FolderHandle() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    FolderHandle(FolderHandle&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FolderHandle& operator=(FolderHandle&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    bool Valid() const { return m_fd >= 0; }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

constexpr int kFolderOpen = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The folder `name` inside `parent`, created when missing; invalid with `error` set otherwise.
FolderHandle Step(const FolderHandle& parent, const std::string& name, int& error) {
    FolderHandle next(::openat(parent.Get(), name.c_str(), kFolderOpen));
    if (!next.Valid() && errno == ENOENT) {
        if (::mkdirat(parent.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
            error = errno;
            return next;
        }
        next = FolderHandle(::openat(parent.Get(), name.c_str(), kFolderOpen));
    }
    if (!next.Valid()) {
        error = errno;
        // A link where a folder belongs is refused, not followed.
        if (error == ELOOP) error = EPERM;
    }
    return next;
}

}  // namespace

bool PrepareDestinationBelow(const std::string& base, const std::string& relative, int& error) {
    error = 0;
    MakeDirectories(base);
    FolderHandle folder(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        error = errno;
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) break;
        const std::string name = relative.substr(start, slash - start);
        start = slash + 1;
        if (name.empty() || name == ".") continue;
        FolderHandle next = Step(folder, name, error);
        if (!next.Valid()) return false;
        folder = std::move(next);
    }
    const std::string file = relative.substr(start);
    struct stat info {};
    if (::fstatat(folder.Get(), file.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
        // A read-only file must still be replaceable; failing here is no failure of the entry.
        (void)::fchmodat(folder.Get(), file.c_str(), (info.st_mode & 07777) | S_IWUSR,
                         AT_SYMLINK_NOFOLLOW);
    }
    return true;
}

bool DirExists(const std::string& folder) {
    return folder.empty() || platform::DirectoryExists(folder);
}

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// TDateTime day 0 (30 December 1899) counted from 1970-01-01.
constexpr std::int64_t kDelphiEpochDays = -25569;

unsigned DaysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

TDateTime Compose(std::int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                  unsigned second) {
    const std::int64_t days = DaysFromCivil(year, month, day) - kDelphiEpochDays;
    return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

}  // namespace

TDateTime DosDateToDateTime(std::uint32_t value) {
    const unsigned year = 1980 + (value >> 25);
    const unsigned month = (value >> 21) & 0x0F;
    const unsigned day = (value >> 16) & 0x1F;
    const unsigned hour = (value >> 11) & 0x1F;
    const unsigned minute = (value >> 5) & 0x3F;
    const unsigned second = (value & 0x1F) * 2;
    if (value == 0 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return kNoFileDate;
    }
    return Compose(year, month, day, hour, minute, second);
}

TDateTime UnixTimeToDateTime(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr) return kNoFileDate;
    return Compose(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                   static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
                   static_cast<unsigned>(local.tm_min), static_cast<unsigned>(local.tm_sec));
}

std::uint8_t Percent(std::int64_t part, std::int64_t whole) {
    if (whole <= 0) return 0;
    const long double value = static_cast<long double>(part) * 100.0L / whole;
    if (value < 0) return 0;
    // The default rounding mode rounds halves to the even neighbour.
    const long double rounded = std::nearbyint(value);
    return rounded >= 100 ? 100 : static_cast<std::uint8_t>(rounded);
}

}  // namespace kiv
