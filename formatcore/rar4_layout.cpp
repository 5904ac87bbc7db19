// Reading the base and the fixed file fields of RAR 1.5-4.x blocks.
#include "formatcore/rar4_layout.h"

#include <cstring>

#include "formatcore/endian.h"

namespace kiv::format::rar4 {

bool IsMarker(const std::uint8_t* p) {
    return std::memcmp(p, kMarker, kMarkerSize) == 0;
}

BlockBase ReadBase(const std::uint8_t* p) {
    return {Le16(p + kCrcAt), p[kTypeAt], Le16(p + kFlagsAt), Le16(p + kSizeAt)};
}

std::optional<FileFields> ReadFileFields(const std::uint8_t* header, std::size_t n) {
    if (n < kFileFixedSize) return std::nullopt;
    FileFields f;
    f.flags = Le16(header + kFlagsAt);
    f.packSize = Le32(header + kFilePackSizeAt);
    f.unpSize = Le32(header + kFileUnpSizeAt);
    f.hostOs = header[kFileHostAt];
    f.crc = Le32(header + kFileCrcAt);
    f.dosTime = Le32(header + kFileTimeAt);
    f.unpVer = header[kFileUnpVerAt];
    f.method = header[kFileMethodAt];
    f.nameSize = Le16(header + kFileNameSizeAt);
    f.attributes = Le32(header + kFileAttrAt);
    f.nameAt = kFileFixedSize;
    if (f.flags & kFileLarge) {
        if (n < kLargeFileFixedSize) return std::nullopt;
        f.packSize |= static_cast<std::uint64_t>(Le32(header + kFileHighPackSizeAt)) << 32;
        f.unpSize |= static_cast<std::uint64_t>(Le32(header + kFileHighUnpSizeAt)) << 32;
        f.nameAt = kLargeFileFixedSize;
    }
    return f;
}

}  // namespace kiv::format::rar4
