// Safe creation of extracted files and folders below a trusted folder.
#include "unrar/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <random>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        if (!part.empty() && part != ".") parts.push_back(part);
        start = slash + 1;
    }
    return parts;
}

[[noreturn]] void FailCreate(const std::string& what) {
    throw RarError(ERAR_ECREATE, what + (errno ? std::string(": ") + std::strerror(errno) : ""));
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }
    void Reset(int fd) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

int OpenBase(const std::string& base) {
    std::string path = base.empty() ? "." : base;
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) return fd;
    if (errno != ENOENT) FailCreate("cannot open folder " + path);
    // The caller's own folder may not exist yet; create it as it was named.
    std::string built = path[0] == '/' ? "/" : "";
    for (const std::string& part : SplitPath(path)) {
        built += part;
        if (::mkdir(built.c_str(), 0777) != 0 && errno != EEXIST) {
            FailCreate("cannot create folder " + built);
        }
        built += '/';
    }
    fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) FailCreate("cannot open folder " + path);
    return fd;
}

// Descends from dirFd through the folders, creating missing ones; a symbolic link or a
// non-folder on the way is refused.
int Descend(int dirFd, const std::vector<std::string>& folders) {
    Fd current(::dup(dirFd));
    if (current.Get() < 0) FailCreate("cannot duplicate a folder handle");
    for (const std::string& name : folders) {
        int next =
            ::openat(current.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(current.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
                FailCreate("cannot create folder " + name);
            }
            next = ::openat(current.Get(), name.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0) {
            if (errno == ELOOP || errno == ENOTDIR) {
                errno = 0;
                FailCreate("refusing to pass through " + name + ": not a plain folder");
            }
            FailCreate("cannot open folder " + name);
        }
        current.Reset(next);
    }
    return current.Release();
}

}  // namespace

Destination ResolveDestination(const std::string& destPath, const std::string& destName,
                               const std::string& storedName) {
    errno = 0;
    Destination dest;
    std::vector<std::string> baseParts = SplitPath(destPath);
    std::vector<std::string> rel;
    if (destName.empty()) {
        dest.base = destPath;
        rel = SplitPath(storedName);
        if (!storedName.empty() && storedName[0] == '/') FailCreate("absolute stored name");
    } else if (destPath.empty()) {
        std::vector<std::string> parts = SplitPath(destName);
        if (parts.empty()) FailCreate("empty destination");
        size_t slash = destName.rfind('/');
        dest.base = slash == std::string::npos ? std::string() : destName.substr(0, slash + 1);
        rel = {parts.back()};
        for (const std::string& part : parts) {
            if (part == "..") FailCreate("destination " + destName + " contains ..");
        }
    } else {
        dest.base = destPath;
        std::vector<std::string> parts = SplitPath(destName);
        const bool sameRoot = (destName[0] == '/') == (destPath[0] == '/');
        if (!sameRoot || parts.size() <= baseParts.size() ||
            !std::equal(baseParts.begin(), baseParts.end(), parts.begin())) {
            FailCreate("destination " + destName + " is outside " + destPath);
        }
        rel.assign(parts.begin() + static_cast<long>(baseParts.size()), parts.end());
    }
    if (rel.empty()) FailCreate("empty destination name");
    for (const std::string& part : rel) {
        if (part == "..") FailCreate("destination contains ..");
        if (!dest.relative.empty()) dest.relative += '/';
        dest.relative += part;
    }
    return dest;
}

std::unique_ptr<OutputFile> OutputFile::Create(const Destination& dest, const FileIds& volumes) {
    errno = 0;
    std::vector<std::string> parts = SplitPath(dest.relative);
    std::string finalName = parts.back();
    parts.pop_back();
    Fd base(OpenBase(dest.base));
    Fd dir(Descend(base.Get(), parts));

    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char temp[40];
        std::snprintf(temp, sizeof temp, ".kiv-unrar-%08x%08x.tmp", random(), random());
        int fd =
            ::openat(dir.Get(), temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::unique_ptr<OutputFile> out(
                new OutputFile(dir.Release(), fd, temp, finalName, volumes));
            out->CheckFinal();
            return out;
        }
        if (errno != EEXIST) FailCreate("cannot create a file beside " + dest.relative);
    }
    FailCreate("cannot find a free temporary name beside " + dest.relative);
}

OutputFile::OutputFile(int dirFd, int fd, std::string tempName, std::string finalName,
                       FileIds volumes)
    : m_dirFd(dirFd),
      m_fd(fd),
      m_tempName(std::move(tempName)),
      m_finalName(std::move(finalName)),
      m_volumes(std::move(volumes)) {}

OutputFile::~OutputFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed) ::unlinkat(m_dirFd, m_tempName.c_str(), 0);
    ::close(m_dirFd);
}

void OutputFile::CheckFinal() const {
    struct stat st {};
    if (::fstatat(m_dirFd, m_finalName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return;
        FailCreate("cannot inspect " + m_finalName);
    }
    errno = 0;
    if (!S_ISREG(st.st_mode)) FailCreate(m_finalName + " exists and is not a regular file");
    for (const auto& [dev, ino] : m_volumes) {
        if (dev == st.st_dev && ino == st.st_ino) FailCreate(m_finalName + " is a volume");
    }
}

void OutputFile::Write(const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t done = ::write(m_fd, data, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            throw RarError(ERAR_EWRITE,
                           "cannot write " + m_finalName + ": " + std::strerror(errno));
        }
        data += done;
        size -= static_cast<size_t>(done);
    }
}

void OutputFile::Commit(bool hasUnixMode, uint32_t unixMode, bool readOnly,
                        const struct timespec* mtime) {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) throw RarError(ERAR_EWRITE, "cannot inspect " + m_finalName);
    // Set-id and sticky bits are never restored: an installer has no business creating them.
    mode_t mode = hasUnixMode ? static_cast<mode_t>(unixMode & 0777) : (st.st_mode & 0777);
    if (!hasUnixMode && readOnly) mode &= static_cast<mode_t>(~0222);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = 0;
    times[1].tv_nsec = UTIME_OMIT;
    if (mtime != nullptr) times[1] = *mtime;
    if (::fchmod(m_fd, mode) != 0 || ::futimens(m_fd, times) != 0) {
        throw RarError(ERAR_EWRITE, "cannot set mode or time of " + m_finalName);
    }
    int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0) throw RarError(ERAR_EWRITE, "cannot close " + m_finalName);
    CheckFinal();
    if (::renameat(m_dirFd, m_tempName.c_str(), m_dirFd, m_finalName.c_str()) != 0) {
        FailCreate("cannot rename onto " + m_finalName);
    }
    m_committed = true;
}

void CreateFolder(const Destination& dest) {
    errno = 0;
    Fd base(OpenBase(dest.base));
    Fd dir(Descend(base.Get(), SplitPath(dest.relative)));
}

}  // namespace kiv::rar
