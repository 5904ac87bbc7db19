// Path and value helpers of the extraction driver: destination names and their safety, folder
// creation, DOS dates and percentages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/arc_type.h"

namespace kiv {

// The folder part of a path including its last '/', or "" when it has none.
std::string FolderPart(std::string_view path);

// A stored name below the destination folder: a leading drive ("C:") is dropped, then any
// leading '/'. A colon elsewhere is an ordinary character.
std::string RemoveDriveAndRoot(std::string_view name);

// `folder` made absolute against `currentFolder` (absolute, without trailing '/' unless it is
// "/") when it is relative; an absolute folder is returned as it is.
std::string AbsoluteFolder(const std::string& folder, const std::string& currentFolder);

// Whether extracting the stored name (drive and root already removed) to `destination` keeps
// the file inside `base` (absolute, with a trailing '/'): the stored name has no ".."
// component, the destination lies below base, names a file (its last component is not empty,
// "." or "..") and none of its components below base that exist is a symbolic link.
bool DestinationIsSafe(std::string_view storedName, const std::string& destination,
                       const std::string& base);

// Creates `folder` (with or without a trailing '/') and its missing parents; failures to create
// are ignored, as the write that follows reports them. "/" and existing folders need nothing.
// Throws kiv::Exception with the text of 25153 for an empty name.
void MakeDirectories(const std::string& folder);

// Prepares the destination `base` + `relative` (base absolute with a trailing '/', relative a
// file path below it) for writing: creates base as named when it is missing, then the folders
// of relative below it one at a time from a descriptor of the folder above, never following a
// symbolic link (a link or another non-folder on the way is refused with EPERM), and gives an
// existing regular file of that name owner write permission so that it can be replaced. False
// with the errno of the failing call in `error` when a folder cannot be reached or made.
bool PrepareDestinationBelow(const std::string& base, const std::string& relative, int& error);

// True for an empty name and for an existing folder.
bool DirExists(const std::string& folder);

// The date of a DOS date-time; 1 January 1980 for 0 and for values that are no valid date.
TDateTime DosDateToDateTime(std::uint32_t value);

// The date of a point in time given as Unix seconds, in local time.
TDateTime UnixTimeToDateTime(std::int64_t seconds);

// part * 100 / whole rounded half to even, within 0..100; 0 when whole <= 0.
std::uint8_t Percent(std::int64_t part, std::int64_t whole);

}  // namespace kiv
