// FolderTree: the rows of a folder list, read from the file system.
#include "framework/stdctrls/folder_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/drive_info.h"

namespace kiv {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool NameLess(const std::string& a, const std::string& b) {
    auto folded = [](char x, char y) { return FoldCase(x) < FoldCase(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded)) return false;
    return a < b;
}

bool IsFolderEntry(const std::string& folder, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
    struct stat info {};
    return stat(JoinFolder(folder, entry.d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> SubFolders(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;
        if (IsFolderEntry(folder, *entry)) names.emplace_back(entry->d_name);
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

// The components of an absolute path, empty ones (doubled or trailing '/') skipped.
std::vector<std::string_view> Components(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::string JoinFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

std::vector<FolderRow> FolderRows(const std::string& folder) {
    std::vector<FolderRow> rows;
    rows.push_back({"/", "/", 0, true});
    std::string path = "/";
    int depth = 0;
    for (std::string_view part : Components(folder)) {
        path = JoinFolder(path, part);
        rows.push_back({std::string(part), path, ++depth, true});
    }
    for (std::string& name : SubFolders(path)) {
        std::string child = JoinFolder(path, name);
        rows.push_back({std::move(name), std::move(child), depth + 1, false});
    }
    return rows;
}

int CurrentRowIndex(const std::string& folder) {
    return static_cast<int>(Components(folder).size());
}

std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints) {
    std::string best = "/";
    for (const std::string& mount : mountPoints) {
        if (mount.size() <= best.size() || mount.empty() || mount == "/") continue;
        bool holds = path.compare(0, mount.size(), mount) == 0 &&
                     (path.size() == mount.size() || path[mount.size()] == '/');
        if (holds) best = mount;
    }
    return best;
}

std::vector<std::string> DriveMountPoints() {
    auto drives = platform::ListDrives();
    if (!drives || drives->empty()) return {"/"};
    std::vector<std::string> mountPoints;
    for (const platform::MountEntry& entry : *drives) mountPoints.push_back(entry.mountPoint);
    return mountPoints;
}

}  // namespace kiv
