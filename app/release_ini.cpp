// Reading kiv.ini with the profile reader's rules.
#include "app/release_ini.h"

#include "platform/ini_file.h"

namespace kiv {

ReleaseDescription ReadReleaseDescription(const std::string& path) {
    platform::IniFile ini;
    // A release without kiv.ini still shows its window, with the defaults.
    (void)ini.LoadFromFile(path);
    const auto read = [&ini](const std::string& key, const char* fallback) {
        return ini.ReadString("KIV", key, fallback);
    };
    ReleaseDescription release;
    release.firstDisk = read("FirstDisk", "");
    release.release = read("Release", "[Release]");
    release.date = read("Date", "[Date]");
    const std::string disks = read("Disks", "[Disks]");
    const std::string diskSize = read("DiskSize", "[DiskSize]");
    release.disks = disks + " * " + diskSize + "MB";
    for (int n = 1; n <= ReleaseDescription::kInfoLines; ++n) {
        release.infoLines[n - 1] = read("InfoLine" + std::to_string(n), "");
    }
    return release;
}

}  // namespace kiv
