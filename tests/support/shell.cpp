// Shell helpers for tests.
#include "tests/support/shell.h"

#include <sys/wait.h>

#include <cstdlib>

namespace kiv::test {

std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

int RunShell(const std::string& command, std::chrono::seconds limit) {
    const std::string bounded =
        "timeout " + std::to_string(limit.count()) + " sh -c " + ShellQuote(command);
    const int status = std::system(bounded.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HasCommand(const std::string& name) {
    const std::string probe = "command -v " + ShellQuote(name) + " >/dev/null 2>&1";
    return std::system(probe.c_str()) == 0;
}

}  // namespace kiv::test
