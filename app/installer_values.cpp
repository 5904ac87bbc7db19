// The installer's application-wide values.
#include "app/installer_values.h"

#include "platform/folders.h"

namespace kiv {

InstallerValues& Installer() {
    static InstallerValues values;
    return values;
}

const std::string& ExecutableFolder() {
    std::string& folder = Installer().ExeFolder;
    if (folder.empty()) {
        if (auto exe = platform::ExecutableFolder()) {
            folder = *exe;
        } else if (auto current = platform::CurrentFolder()) {
            folder = *current == "/" ? *current : *current + "/";
        } else {
            folder = "./";
        }
    }
    return folder;
}

}  // namespace kiv
