// Safe creation of extracted files and folders below a trusted folder.
#include "unrar/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "unrar/folder_walk.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

// Named temporary files of one destination get this many names; stale ones are cleared first.
constexpr int kTemporaryNames = 16;

// Failures name the system's reason when a call failed; `error` is the errno taken right at
// that call, as anything run later may change errno. A refusal without a failed call carries
// EPERM, so that the caller always has a reason to show.
std::string Described(const std::string& what, int error) {
    return error != 0 ? what + ": " + std::generic_category().message(error) : what;
}

[[noreturn]] void FailCreate(const std::string& what, int error = 0) {
    throw RarError(ERAR_ECREATE, Described(what, error), error != 0 ? error : EPERM);
}

[[noreturn]] void FailWrite(const std::string& what, int error) {
    throw RarError(ERAR_EWRITE, Described(what, error), error != 0 ? error : EIO);
}

// FNV-1a: a short, stable tag of the destination's name for its temporary files' names.
uint64_t NameTag(const std::string& name) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : name) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

// Removes the named temporary files of `finalName` that no running extraction holds: a writer
// keeps a lock on its file, and the kernel drops the lock of a killed process.
void RemoveStaleTemporaries(const Fd& dir, const std::string& finalName) {
    for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
        const std::string name = TemporaryName(finalName, attempt);
        Fd file(::openat(dir.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!file.Valid()) {
            if (errno == ENOENT) return;  // names are taken in order; the rest are free
            continue;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(file.Get(), &held) != 0 || !S_ISREG(held.st_mode)) continue;
        if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) continue;  // in use
        if (::fstatat(dir.Get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == held.st_ino && named.st_dev == held.st_dev) {
            ::unlinkat(dir.Get(), name.c_str(), 0);
        }
    }
}

// Gives the open, unnamed file `fd` the name `name` in `dir`; 0 or the errno of the failure.
int LinkUnnamed(int fd, const Fd& dir, const std::string& name) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, path, dir.Get(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    const int error = errno;
    if (error == EEXIST) return error;
    // Without /proc, a process allowed to may link the descriptor itself.
    if (::linkat(fd, "", dir.Get(), name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    return errno == EEXIST ? EEXIST : error;
}

}  // namespace

std::string TemporaryName(const std::string& finalName, int attempt) {
    char name[48];
    std::snprintf(name, sizeof name, ".kiv-unrar-%016llx-%d.tmp",
                  static_cast<unsigned long long>(NameTag(finalName)), attempt);
    return name;
}

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

std::unique_ptr<OutputFile> OutputFile::Create(const Destination& dest, const FileIds& volumes,
                                               mode_t mode) {
    std::vector<std::string> parts = SplitPath(dest.relative);
    if (parts.empty()) FailCreate("empty destination name");
    std::string finalName = parts.back();
    parts.pop_back();
    // Owned before the temporary file exists, so that it goes on every way out.
    std::unique_ptr<OutputFile> out(
        new OutputFile(OpenFolderBelow(OpenBase(dest.base), parts), std::move(finalName), volumes));
    out->CheckFinal();
    RemoveStaleTemporaries(out->m_dirFd, out->m_finalName);
    mode &= 0777;
    // An unnamed file vanishes with the process that writes it, however that ends; it needs a
    // file system that has them and /proc (or the right to link a descriptor) to get its name.
    if (::faccessat(AT_FDCWD, "/proc/self/fd", X_OK, 0) == 0 || ::geteuid() == 0) {
        Fd file(::openat(out->m_dirFd.Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        if (file.Valid()) {
            // Locked like a named file, so that its name during a replacement is never stale.
            (void)::flock(file.Get(), LOCK_EX | LOCK_NB);
            out->m_fd = std::move(file);
            return out;
        }
    }
    out->CreateNamed(mode);
    return out;
}

void OutputFile::CreateNamed(mode_t mode) {
    for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
        const std::string name = TemporaryName(m_finalName, attempt);
        Fd file(::openat(m_dirFd.Get(), name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (file.Valid()) {
            m_fd = std::move(file);
            m_tempName = name;
            // Tells a later run that this file is not stale while we hold it.
            (void)::flock(m_fd.Get(), LOCK_EX | LOCK_NB);
            return;
        }
        if (const int error = errno; error != EEXIST) {
            FailCreate("cannot create a file beside " + m_finalName, error);
        }
    }
    FailCreate("cannot find a free temporary name beside " + m_finalName, EEXIST);
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
    if (!S_ISREG(st.st_mode)) {
        FailCreate(m_finalName + " exists and is not a regular file",
                   S_ISDIR(st.st_mode) ? EISDIR : EEXIST);
    }
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
        // A write that takes nothing sets no errno; the device has no room left.
        if (done == 0) FailWrite("cannot write " + m_finalName, ENOSPC);
        data += done;
        size -= static_cast<size_t>(done);
    }
}

void OutputFile::LinkIntoPlace() {
    int error = LinkUnnamed(m_fd.Get(), m_dirFd, m_finalName);
    if (error == 0) return;
    if (error != EEXIST) FailCreate("cannot give " + m_finalName + " its name", error);
    // An existing file is replaced in one step: the new one gets a name of its own first.
    for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
        const std::string name = TemporaryName(m_finalName, attempt);
        error = LinkUnnamed(m_fd.Get(), m_dirFd, name);
        if (error == EEXIST) continue;
        if (error != 0) break;
        if (::renameat(m_dirFd.Get(), name.c_str(), m_dirFd.Get(), m_finalName.c_str()) == 0) {
            return;
        }
        error = errno;
        ::unlinkat(m_dirFd.Get(), name.c_str(), 0);
        FailCreate("cannot rename onto " + m_finalName, error);
    }
    FailCreate("cannot give " + m_finalName + " its name", error != 0 ? error : EEXIST);
}

void OutputFile::Commit(const struct timespec* mtime) {
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
    struct stat st {};
    if (::fstat(m_fd.Get(), &st) != 0) {
        const int error = errno;
        FailWrite("cannot inspect " + m_finalName, error);
    }
    m_device = st.st_dev;
    m_inode = st.st_ino;
    CheckFinal();
    if (m_tempName.empty()) {
        LinkIntoPlace();
        m_committed = true;
        if (const int error = m_fd.Close(); error != 0) {
            ::unlinkat(m_dirFd.Get(), m_finalName.c_str(), 0);
            FailWrite("cannot close " + m_finalName, error);
        }
        return;
    }
    if (const int error = m_fd.Close(); error != 0) FailWrite("cannot close " + m_finalName, error);
    if (::renameat(m_dirFd.Get(), m_tempName.c_str(), m_dirFd.Get(), m_finalName.c_str()) != 0) {
        const int error = errno;
        FailCreate("cannot rename onto " + m_finalName, error);
    }
    m_committed = true;
}

void CreateFolder(const Destination& dest) {
    (void)OpenFolderBelow(OpenBase(dest.base), SplitPath(dest.relative));
}

}  // namespace kiv::rar
