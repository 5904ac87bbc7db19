// Safe creation of extracted files and folders below a trusted folder.
#include "unrar/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>
#include <utility>

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

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Failures name the system's reason when a call failed; `error` is the errno taken right at
// that call, as anything run later may change errno.
std::string Described(const std::string& what, int error) {
    return error != 0 ? what + ": " + std::generic_category().message(error) : what;
}

[[noreturn]] void FailCreate(const std::string& what, int error = 0) {
    throw RarError(ERAR_ECREATE, Described(what, error));
}

[[noreturn]] void FailWrite(const std::string& what, int error = 0) {
    throw RarError(ERAR_EWRITE, Described(what, error));
}

Fd OpenBase(const std::string& base) {
    const std::string path = base.empty() ? "." : base;
    Fd folder(::open(path.c_str(), kFolderFlags));
    if (folder.Valid()) return folder;
    if (const int error = errno; error != ENOENT) FailCreate("cannot open folder " + path, error);
    // The caller's own folder may not exist yet; create it as it was named.
    std::string built = path[0] == '/' ? "/" : "";
    for (const std::string& part : SplitPath(path)) {
        built += part;
        if (::mkdir(built.c_str(), 0777) != 0) {
            if (const int error = errno; error != EEXIST) {
                FailCreate("cannot create folder " + built, error);
            }
        }
        built += '/';
    }
    Fd created(::open(path.c_str(), kFolderFlags));
    if (!created.Valid()) {
        const int error = errno;
        FailCreate("cannot open folder " + path, error);
    }
    return created;
}

// Descends from `from` through the folders, creating missing ones; a symbolic link or a
// non-folder on the way is refused.
Fd Descend(const Fd& from, const std::vector<std::string>& folders) {
    Fd current(::fcntl(from.Get(), F_DUPFD_CLOEXEC, 0));
    if (!current.Valid()) {
        const int error = errno;
        FailCreate("cannot duplicate a folder handle", error);
    }
    for (const std::string& name : folders) {
        Fd next(::openat(current.Get(), name.c_str(), kFolderFlags | O_NOFOLLOW));
        int error = next.Valid() ? 0 : errno;
        if (error == ENOENT) {
            if (::mkdirat(current.Get(), name.c_str(), 0777) != 0) {
                if (const int made = errno; made != EEXIST) {
                    FailCreate("cannot create folder " + name, made);
                }
            }
            next = Fd(::openat(current.Get(), name.c_str(), kFolderFlags | O_NOFOLLOW));
            error = next.Valid() ? 0 : errno;
        }
        if (error == ELOOP || error == ENOTDIR) {
            FailCreate("refusing to pass through " + name + ": not a plain folder");
        }
        if (error != 0) FailCreate("cannot open folder " + name, error);
        current = std::move(next);
    }
    return current;
}

}  // namespace

Destination ResolveDestination(const std::string& destPath, const std::string& destName,
                               const std::string& storedName) {
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
    std::vector<std::string> parts = SplitPath(dest.relative);
    if (parts.empty()) FailCreate("empty destination name");
    std::string finalName = parts.back();
    parts.pop_back();
    // Owned before the temporary file exists, so that it goes on every way out.
    std::unique_ptr<OutputFile> out(
        new OutputFile(Descend(OpenBase(dest.base), parts), std::move(finalName), volumes));
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char temp[40];
        std::snprintf(temp, sizeof temp, ".kiv-unrar-%08x%08x.tmp", random(), random());
        Fd file(::openat(out->m_dirFd.Get(), temp,
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.Valid()) {
            out->m_fd = std::move(file);
            out->m_tempName = temp;
            out->CheckFinal();
            return out;
        }
        if (const int error = errno; error != EEXIST) {
            FailCreate("cannot create a file beside " + dest.relative, error);
        }
    }
    FailCreate("cannot find a free temporary name beside " + dest.relative);
}

OutputFile::OutputFile(Fd dirFd, std::string finalName, FileIds volumes)
    : m_dirFd(std::move(dirFd)), m_finalName(std::move(finalName)), m_volumes(std::move(volumes)) {}

OutputFile::~OutputFile() {
    (void)m_fd.Close();
    if (!m_committed && !m_tempName.empty()) ::unlinkat(m_dirFd.Get(), m_tempName.c_str(), 0);
}

void OutputFile::CheckFinal() const {
    struct stat st {};
    if (::fstatat(m_dirFd.Get(), m_finalName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        if (error == ENOENT) return;
        FailCreate("cannot inspect " + m_finalName, error);
    }
    if (!S_ISREG(st.st_mode)) FailCreate(m_finalName + " exists and is not a regular file");
    for (const auto& [dev, ino] : m_volumes) {
        if (dev == st.st_dev && ino == st.st_ino) FailCreate(m_finalName + " is a volume");
    }
}

void OutputFile::Write(const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(m_fd.Get(), data, size);
        if (done < 0) {
            const int error = errno;
            if (error == EINTR) continue;
            FailWrite("cannot write " + m_finalName, error);
        }
        // A write that takes nothing sets no errno; there is no reason to name.
        if (done == 0) FailWrite("cannot write " + m_finalName + ": no bytes were taken");
        data += done;
        size -= static_cast<size_t>(done);
    }
}

void OutputFile::Commit(bool hasUnixMode, uint32_t unixMode, bool readOnly,
                        const struct timespec* mtime) {
    struct stat st {};
    if (::fstat(m_fd.Get(), &st) != 0) {
        const int error = errno;
        FailWrite("cannot inspect " + m_finalName, error);
    }
    // Set-id and sticky bits are never restored: an installer has no business creating them.
    mode_t mode = hasUnixMode ? static_cast<mode_t>(unixMode & 0777) : (st.st_mode & 0777);
    if (!hasUnixMode && readOnly) mode &= static_cast<mode_t>(~0222);
    if (::fchmod(m_fd.Get(), mode) != 0) {
        const int error = errno;
        FailWrite("cannot set the mode of " + m_finalName, error);
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = 0;
    times[1].tv_nsec = UTIME_OMIT;
    if (mtime != nullptr) times[1] = *mtime;
    if (::futimens(m_fd.Get(), times) != 0) {
        const int error = errno;
        FailWrite("cannot set the time of " + m_finalName, error);
    }
    if (const int error = m_fd.Close(); error != 0) FailWrite("cannot close " + m_finalName, error);
    CheckFinal();
    if (::renameat(m_dirFd.Get(), m_tempName.c_str(), m_dirFd.Get(), m_finalName.c_str()) != 0) {
        const int error = errno;
        FailCreate("cannot rename onto " + m_finalName, error);
    }
    m_committed = true;
}

void CreateFolder(const Destination& dest) {
    (void)Descend(OpenBase(dest.base), SplitPath(dest.relative));
}

}  // namespace kiv::rar
