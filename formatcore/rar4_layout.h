// The block layout of RAR 1.5-4.x volumes: the marker, block types and flags, field offsets, and
// the fixed fields of a file header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kiv::format::rar4 {

// The marker block that opens every volume.
inline constexpr std::uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::size_t kMarkerSize = sizeof kMarker;
// True when the kMarkerSize bytes at p are the marker.
bool IsMarker(const std::uint8_t* p);
// The markers of every RAR version from 1.5 on (RAR 5.0's too) start with these bytes of it.
constexpr std::size_t kMarkerStemSize = 6;
// The marker of RAR 1.4 archives, a format of its own.
inline constexpr std::uint8_t kRar14Marker[4] = {0x52, 0x45, 0x7E, 0x5E};

// Block types. 0x75-0x79 are the old comment, authenticity, subblock and recovery blocks.
constexpr std::uint8_t kMainHead = 0x73, kFileHead = 0x74, kFirstOldHead = 0x75,
                       kLastOldHead = 0x79, kServiceHead = 0x7A, kEndHead = 0x7B;

// Flags every block may carry: old versions may drop it; a data size follows the base.
constexpr std::uint16_t kSkipIfUnknown = 0x4000, kLongBlock = 0x8000;
constexpr std::uint16_t kMainVolume = 0x0001, kMainSolid = 0x0008, kMainNewNumbering = 0x0010,
                        kMainEncryptedHeaders = 0x0080, kMainFirstVolume = 0x0100,
                        kMainCryptVersion = 0x0200;
// kFileComment: a RAR 1.5-2.x file comment inside the header, behind the name.
constexpr std::uint16_t kFileSplitBefore = 0x0001, kFileSplitAfter = 0x0002,
                        kFileEncrypted = 0x0004, kFileComment = 0x0008, kFileSolid = 0x0010,
                        kFileDirectoryMask = 0x00E0, kFileLarge = 0x0100, kFileUnicode = 0x0200,
                        kFileSalt = 0x0400;
constexpr std::uint16_t kEndNextVolume = 0x0001, kEndDataCrc = 0x0002, kEndVolumeNumber = 0x0008;

// The dictionary of RAR 2.0 and later: 64 KiB shifted left by the three bits under
// kFileDirectoryMask (all three set marks a folder instead); RAR 1.5 always uses 64 KiB.
constexpr unsigned kFileDictionaryShift = 5;
constexpr std::uint32_t kMinDictionary = 64 * 1024;

// Encryption: the main header's version byte after its fixed part (kMainCryptVersion), the
// salt after a file header's name (kFileSalt), and the salt before each encrypted header
// (kMainEncryptedHeaders), whose encrypted form is padded to whole 16-byte blocks.
constexpr std::size_t kMainCryptVersionAt = 13, kSaltSize = 8, kCryptBlockSize = 16;

// Host systems and the stored method.
constexpr std::uint8_t kHostMsDos = 0, kHostWindows = 2, kHostUnix = 3;
constexpr std::uint8_t kMethodStored = 0x30;

// Sizes: the base every block starts with, a base with its data size, the main header, a file
// header's fixed part without and with the high halves of its sizes.
constexpr std::size_t kBaseSize = 7, kLongBlockSize = 11, kMainSize = 13, kFileFixedSize = 32,
                      kLargeFileFixedSize = 40;

// Offsets from the start of a block.
constexpr std::size_t kCrcAt = 0, kTypeAt = 2, kFlagsAt = 3, kSizeAt = 5, kDataSizeAt = 7;
constexpr std::size_t kFilePackSizeAt = 7, kFileUnpSizeAt = 11, kFileHostAt = 15, kFileCrcAt = 16,
                      kFileTimeAt = 20, kFileUnpVerAt = 24, kFileMethodAt = 25,
                      kFileNameSizeAt = 26, kFileAttrAt = 28, kFileHighPackSizeAt = 32,
                      kFileHighUnpSizeAt = 36;

// The base of a block: check value (low 16 bits of the CRC-32 of the header from kTypeAt on),
// type, flags and header size.
struct BlockBase {
    std::uint16_t crc = 0;
    std::uint8_t type = 0;
    std::uint16_t flags = 0;
    std::uint16_t size = 0;
};

// From the kBaseSize bytes at p.
BlockBase ReadBase(const std::uint8_t* p);

// The fixed fields of a file (or service) header.
struct FileFields {
    std::uint16_t flags = 0;
    std::uint64_t packSize = 0;  // data in this volume, high half included
    std::uint64_t unpSize = 0;   // the whole entry, high half included
    std::uint8_t hostOs = 0;
    std::uint32_t crc = 0;
    std::uint32_t dosTime = 0;
    std::uint8_t unpVer = 0;
    std::uint8_t method = 0;
    std::uint16_t nameSize = 0;
    std::uint32_t attributes = 0;
    std::size_t nameAt = 0;  // where the name starts: kFileFixedSize or kLargeFileFixedSize
};

// From the first n bytes of a file header (n no more than its header size); nothing when they
// do not hold its fixed part (the large part too when its flags say so). The name is not checked.
std::optional<FileFields> ReadFileFields(const std::uint8_t* header, std::size_t n);

}  // namespace kiv::format::rar4
