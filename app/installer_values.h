// The installer's application-wide values: the target folder, the system directory, the first
// volume's file name, and the executable's folder they are all reckoned from.
#pragma once

#include <string>

namespace kiv {

struct InstallerValues {
    // Where "Unpack" extracts: the executable's folder at start-up, then the folder dialog's.
    std::string TargetDir;
    // The per-user library folder the RAR library is deployed into, without a trailing '/'.
    std::string SystemDir;
    // The key FirstDisk of kiv.ini as written: the first volume, beside the executable.
    std::string FirstDiskFile;
    // The executable's folder with its trailing '/'; empty until first asked for. Tests set it
    // to run the windows against a release folder of their own.
    std::string ExeFolder;
};

// The one set of values of the process. UI thread only.
InstallerValues& Installer();

// Installer().ExeFolder, found from the running executable the first time (the current folder
// when even that fails, so that kiv.ini and the volumes are looked for somewhere sensible).
const std::string& ExecutableFolder();

}  // namespace kiv
