// Folder walks below a trusted folder: openat2 where the kernel has it, O_NOFOLLOW steps
// elsewhere.
#include "unrar/folder_walk.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

[[noreturn]] void FailCreate(const std::string& what, int error) {
    throw RarError(ERAR_ECREATE, what + ": " + std::generic_category().message(error), error);
}

[[noreturn]] void Refuse(const std::string& name) {
    throw RarError(ERAR_ECREATE, "refusing to pass through " + name + ": not a plain folder",
                   EPERM);
}

// Errors that say the kernel (or a filter in front of it) does not offer openat2.
bool Unavailable(int error) {
    return error == ENOSYS || error == EPERM || error == EINVAL || error == E2BIG;
}

// Opens `path` below `from` as a folder without following any link, resolving it in one call
// when openat2 is there. Returns the descriptor, or an invalid one with `error` set.
Fd OpenBeneath(int from, const std::string& path, int& error) {
    open_how how{};
    how.flags = static_cast<__u64>(kFolderFlags);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, from, path.c_str(), &how, sizeof how);
    if (fd >= 0) return Fd(static_cast<int>(fd));
    error = errno;
    if (!Unavailable(error) || path.find('/') != std::string::npos) return Fd();
    // Without openat2 a single component is opened just as safely with O_NOFOLLOW.
    Fd step(::openat(from, path.c_str(), kFolderFlags | O_NOFOLLOW));
    error = step.Valid() ? 0 : errno;
    return step;
}

}  // namespace

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

Fd OpenFolderBelow(const Fd& from, const std::vector<std::string>& folders) {
    std::string joined;
    for (const std::string& name : folders) {
        if (name == "..") Refuse(name);
        joined += (joined.empty() ? "" : "/") + name;
    }
    int error = 0;
    if (joined.empty()) {
        Fd same(::fcntl(from.Get(), F_DUPFD_CLOEXEC, 0));
        if (!same.Valid()) {
            const int failed = errno;
            FailCreate("cannot duplicate a folder handle", failed);
        }
        return same;
    }
    // Most entries go to folders that exist already: one call reaches them.
    if (folders.size() > 1) {
        Fd whole = OpenBeneath(from.Get(), joined, error);
        if (whole.Valid()) return whole;
    }
    // One step at a time, creating what is missing; the failing step names itself.
    const Fd* current = &from;
    Fd next;
    for (const std::string& name : folders) {
        Fd step = OpenBeneath(current->Get(), name, error);
        if (!step.Valid() && error == ENOENT) {
            if (::mkdirat(current->Get(), name.c_str(), 0777) != 0) {
                if (const int failed = errno; failed != EEXIST) {
                    FailCreate("cannot create folder " + name, failed);
                }
            }
            step = OpenBeneath(current->Get(), name, error);
        }
        if (!step.Valid()) {
            if (error == ELOOP || error == ENOTDIR || error == EXDEV) Refuse(name);
            FailCreate("cannot open folder " + name, error);
        }
        next = std::move(step);
        current = &next;
    }
    return next;
}

}  // namespace kiv::rar
