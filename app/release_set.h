// The sizes of a RAR volume set, read from its headers before it is extracted: what the free
// space check and the whole-set progress are reckoned from.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kiv {

struct SetEntry {
    std::string name;        // stored name, '/' separated, no leading '/' or drive
    std::uint64_t size = 0;  // unpacked bytes
};

struct SetScan {
    std::vector<SetEntry> files;  // every file (no folders), in archive order
    std::uint64_t unpackedTotal = 0;
    int volumes = 0;        // volumes walked
    bool complete = false;  // every volume walked to its end

    // The unpacked size of the file stored as `name`, 0 when the scan did not see it.
    std::uint64_t SizeOf(const std::string& name) const;

private:
    friend SetScan ScanReleaseSet(const std::string&, std::uint64_t);
    std::unordered_map<std::string, std::uint64_t> m_sizes;
};

// The name the volume after `path` has: name.partN.rar -> name.part(N+1).rar with as many digits
// at least; name.rar -> name.r00; name.r99 -> name.s00; name.001 -> name.002. Empty when no
// name follows (a name without an extension, or past .z99 / .999).
std::string NextVolumeName(const std::string& path);

// Walks the headers of `firstVolume` (its marker at `markerOffset`, for self-extracting sets)
// and of every following volume that exists and is a RAR volume, at most 1000 volumes. Never
// throws for a damaged or missing volume: the scan then covers what could be read.
SetScan ScanReleaseSet(const std::string& firstVolume, std::uint64_t markerOffset = 0);

// A stored name as the extractor writes it below its folder: '\' becomes '/', and a leading
// drive ("C:") and leading '/' are dropped.
std::string RelativeStoredName(std::string name);

}  // namespace kiv
