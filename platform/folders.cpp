// Executable, system and current folders.
#include "platform/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

// The build passes the compiler's multiarch tuple; the fallbacks cover builds without it.
#ifndef KIV_MULTIARCH
#if defined(__x86_64__) && defined(__ILP32__)
#define KIV_MULTIARCH "x86_64-linux-gnux32"
#elif defined(__x86_64__)
#define KIV_MULTIARCH "x86_64-linux-gnu"
#elif defined(__i386__)
#define KIV_MULTIARCH "i386-linux-gnu"
#elif defined(__aarch64__)
#define KIV_MULTIARCH "aarch64-linux-gnu"
#elif defined(__arm__) && defined(__ARM_PCS_VFP)
#define KIV_MULTIARCH "arm-linux-gnueabihf"
#elif defined(__arm__)
#define KIV_MULTIARCH "arm-linux-gnueabi"
#elif defined(__riscv) && __riscv_xlen == 64
#define KIV_MULTIARCH "riscv64-linux-gnu"
#elif defined(__powerpc64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define KIV_MULTIARCH "powerpc64le-linux-gnu"
#elif defined(__s390x__)
#define KIV_MULTIARCH "s390x-linux-gnu"
#else
#error "Unknown target: pass -DKIV_MULTIARCH=\"<tuple>\""
#endif
#endif

namespace kiv::platform {
namespace {

Result<std::string> HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home);

    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    int err;
    while ((err = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) ==
           ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return Result<std::string>::Failure("Cannot find the home folder: $HOME is not set");
    }
    return std::string(found->pw_dir);
}

// mkdir -p for an absolute path.
Status CreateFolderWithParents(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return Status::Failure(ErrnoText("Cannot create directory", part, errno));
        }
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Status::Failure(ErrnoText("Cannot create directory", path, errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return Status::Failure("Cannot create directory " + path + ": not a directory");
    }
    return Status::Ok();
}

}  // namespace

Result<std::string> ExecutableFolder() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) {
            return Result<std::string>::Failure(ErrnoText("Cannot read", "/proc/self/exe", errno));
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return Result<std::string>::Failure("Cannot read /proc/self/exe: not a path: " + path);
    }
    return path.substr(0, slash + 1);
}

std::string_view MultiarchTuple() {
    return KIV_MULTIARCH;
}

Result<std::string> SystemDirectory() {
    Result<std::string> home = HomeFolder();
    if (!home) return home;
    std::string folder = *home;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder == "/") folder.clear();
    folder.append("/.local/lib/").append(MultiarchTuple());
    if (Status status = CreateFolderWithParents(folder); !status) {
        return Result<std::string>::Failure(status.error());
    }
    return folder;
}

Result<std::string> CurrentFolder() {
    std::string path(256, '\0');
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE) {
            return Result<std::string>::Failure(
                ErrnoText("Cannot read", "the current folder", errno));
        }
        path.resize(path.size() * 2);
    }
    path.resize(path.find('\0'));
    return path;
}

Status SetCurrentFolder(const std::string& path) {
    if (::chdir(path.c_str()) != 0) {
        return Status::Failure(ErrnoText("Cannot change to folder", path, errno));
    }
    return Status::Ok();
}

}  // namespace kiv::platform
