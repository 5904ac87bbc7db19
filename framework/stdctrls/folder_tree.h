// FolderTree: the rows a folder list shows for one folder, and path helpers for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// One row of a folder list: the root and every folder down to the current one are "open"
// rows (depth 0, 1, ...); the current folder's sub-folders follow one level deeper.
struct FolderRow {
    std::string name;  // "/" for the root, else the folder's own name
    std::string path;  // full path, no trailing '/' except the root "/"
    int depth = 0;
    bool open = false;
};

// The rows for `folder`, an absolute path without a trailing '/' (except "/") and without "."
// or ".." components (as the platform gives the current folder back). Sub-folders are the
// entries of `folder` that are folders (symbolic links followed), leaving out names that start
// with '.', in alphabetical order without regard to ASCII case (then by bytes). A folder that
// cannot be read simply has no sub-folders listed.
std::vector<FolderRow> FolderRows(const std::string& folder);

// Index of the row of `folder` itself among FolderRows(folder): its number of components.
int CurrentRowIndex(const std::string& folder);

// `folder` joined with one more component: "/" + name at the root, else folder + "/" + name.
std::string JoinFolder(std::string_view folder, std::string_view name);

// The mount point among `mountPoints` that holds `path` (both absolute, without trailing '/'
// except "/"): the longest one that equals `path` or is a whole-component prefix of it. "/"
// when none does.
std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints);

// The mount points a drive box offers (the platform's drive list, in mount order); just "/" when
// the mount table cannot be read.
std::vector<std::string> DriveMountPoints();

}  // namespace kiv
