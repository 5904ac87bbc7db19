// Feeds arbitrary text to the mount table parser and checks the look-up of a path's mount.
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/drive_info.h"
#include "platform/mount_table.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kiv::platform;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first line is the path to look up, the rest the table.
    const std::size_t newline = bytes.find('\n');
    const std::string_view path = bytes.substr(0, newline);
    const std::string_view text =
        newline == std::string_view::npos ? std::string_view() : bytes.substr(newline + 1);

    const MountTable table = MountTable::FromText(text);
    for (const MountEntry& entry : table.Entries()) {
        Check(!entry.mountPoint.empty() && entry.mountPoint.front() == '/');
    }
    if (const MountEntry* mount = table.FindMountFor(path)) {
        const std::string& point = mount->mountPoint;
        Check(point == "/" || (path.substr(0, point.size()) == point &&
                               (path.size() == point.size() || path[point.size()] == '/')));
    }
    for (const MountEntry& drive : ListDrives(table)) {
        Check(table.FindMountFor(drive.mountPoint) != nullptr);
        (void)VolumeLabel(drive, "/nonexistent");
    }
    return 0;
}
