// Detached program start with posix_spawn.
#include "platform/launch.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace kiv::platform {
namespace {

// posix_spawn's attribute and file-action objects, released on every way out.
class SpawnSetup {
public:
    SpawnSetup() {
        m_attrOk = ::posix_spawnattr_init(&m_attr) == 0;
        m_actionsOk = ::posix_spawn_file_actions_init(&m_actions) == 0;
    }
    ~SpawnSetup() {
        if (m_attrOk) ::posix_spawnattr_destroy(&m_attr);
        if (m_actionsOk) ::posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Returns 0 or an errno value.
    int Configure() {
        if (!m_attrOk || !m_actionsOk) return ENOMEM;
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (int err = ::posix_spawnattr_setflags(&m_attr, flags)) return err;
        if (int err = ::posix_spawnattr_setsigmask(&m_attr, &none)) return err;
        // Signals this program ignores (SIGPIPE, say) must not stay ignored in the child.
        if (int err = ::posix_spawnattr_setsigdefault(&m_attr, &all)) return err;
        return ::posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
    }

    const posix_spawnattr_t* Attributes() const { return &m_attr; }
    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attr{};
    posix_spawn_file_actions_t m_actions{};
    bool m_attrOk = false;
    bool m_actionsOk = false;
};

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

void ReapWhenDone(pid_t child) {
    try {
        std::thread([child] {
            while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // Out of threads: the child still runs; it only stays a zombie until this program ends.
    }
}

}  // namespace

Status OpenDetached(const std::string& path) {
    if (path.empty()) return Status::Failure("Cannot open a file without a name");
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Status::Failure(ErrnoText("Cannot open", path, errno));
    }
    SpawnSetup setup;
    if (int err = setup.Configure()) return Status::Failure(ErrnoText("Cannot open", path, err));

    const bool runItself = IsExecutableFile(path);
    std::string opener = "xdg-open";
    std::string target = path;
    std::vector<char*> argv;
    if (!runItself) argv.push_back(opener.data());
    argv.push_back(target.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    const int err = runItself ? ::posix_spawn(&child, target.c_str(), setup.Actions(),
                                              setup.Attributes(), argv.data(), environ)
                              : ::posix_spawnp(&child, opener.c_str(), setup.Actions(),
                                               setup.Attributes(), argv.data(), environ);
    if (err != 0) {
        return Status::Failure(
            ErrnoText("Cannot open", runItself ? path : path + " with xdg-open", err));
    }
    ReapWhenDone(child);
    return Status::Ok();
}

}  // namespace kiv::platform
