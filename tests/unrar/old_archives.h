// Archives of RAR 1.5 and RAR 2.0 streams for the decoder tests, and what unar and our library
// extract from them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "unrar/decoder.h"

namespace kiv::test {

struct OldEntry {
    std::vector<uint8_t> packed;
    std::string data;  // what the stream decodes to
};

// Decodes entries as one solid run (or each alone) with the library's decoder for unpVer.
// Throws RarError as the decoder does.
std::vector<std::string> DecodeRun(uint32_t unpVer, const std::vector<std::vector<uint8_t>>& packed,
                                   const std::vector<uint64_t>& sizes, bool solid);

// Writes entries e0, e1 ... of unpack version unpVer, as a solid archive when solid; with
// volumeSize, as an old-named volume set (x.rar, x.r00 ...). Returns the volume paths.
std::vector<std::string> WriteOldArchive(const std::string& path,
                                         const std::vector<OldEntry>& entries, uint8_t unpVer,
                                         bool solid, uint64_t volumeSize = 0);

// Each entry's name and contents as unar extracts them (empty when unar fails), and as the
// library does through its C interface (a failed entry is missing).
std::map<std::string, std::string> UnarExtract(const std::string& archive, const std::string& out);
std::map<std::string, std::string> LibraryExtract(const std::string& archive,
                                                  const std::string& out);

}  // namespace kiv::test
