// The block layout of RAR 5.0 volumes: the signature, header types and flags, extra records,
// and the fields every header and every file header starts with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "formatcore/field_cursor.h"
#include "formatcore/vint.h"

namespace kiv::format::rar5 {

// The signature that opens every volume.
inline constexpr std::uint8_t kSignature[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
constexpr std::size_t kSignatureSize = sizeof kSignature;
// True when the kSignatureSize bytes at p are the signature.
bool IsSignature(const std::uint8_t* p);

// A block: CRC-32 (4 bytes), header size (a vint of at most 3 bytes), then that many header
// bytes from the type on, then the data area.
constexpr std::size_t kCrcSize = 4;
constexpr std::size_t kMaxHeaderSizeLength = 3;

constexpr std::uint64_t kMainHead = 1, kFileHead = 2, kServiceHead = 3, kCryptHead = 4,
                        kEndHead = 5;

// Flags of every header.
constexpr std::uint64_t kBlockExtra = 0x0001, kBlockData = 0x0002, kBlockSplitBefore = 0x0008,
                        kBlockSplitAfter = 0x0010;
constexpr std::uint64_t kMainVolume = 0x0001, kMainVolumeNumber = 0x0002, kMainSolid = 0x0004;
constexpr std::uint64_t kFileDirectory = 0x0001, kFileUnixTime = 0x0002, kFileCrc = 0x0004,
                        kFileUnknownSize = 0x0008;
constexpr std::uint64_t kEndNotLast = 0x0001;

// The compression field of a file header: algorithm version, solid flag, method.
constexpr std::uint64_t kCompressionVersionMask = 0x003F, kCompressionSolid = 0x0040;
constexpr unsigned kCompressionMethodShift = 7;
constexpr std::uint64_t kCompressionMethodMask = 0x0007;
// The dictionary: 128 KiB shifted left by the 5-bit exponent (4 bits in the first algorithm
// version, which ends at 4 GiB); from algorithm version 1 on, a 5-bit fraction adds that many
// 32nds of it, so that sizes between the powers of two can be declared.
constexpr unsigned kCompressionDictionaryShift = 10, kCompressionFractionShift = 15;
constexpr std::uint64_t kCompressionDictionaryMask = 0x001F, kCompressionFractionMask = 0x001F;
constexpr std::uint64_t kMinDictionary = std::uint64_t{128} * 1024;

constexpr std::uint64_t kHostWindows = 0, kHostUnix = 1;

// Extra records of file headers, and their fields.
constexpr std::uint64_t kExtraCrypt = 1, kExtraHash = 2, kExtraTime = 3, kExtraRedirection = 5;
constexpr std::uint64_t kHashBlake2sp = 0;
constexpr std::uint64_t kRedirectUnixSymlink = 1, kRedirectWindowsSymlink = 2,
                        kRedirectJunction = 3, kRedirectHardLink = 4, kRedirectFileCopy = 5;
constexpr std::size_t kBlake2spSize = 32;
// The encryption record of file headers and the archive encryption header: version 0, flags,
// the binary logarithm of the key derivation's iterations (one byte), the salt, the file's start
// vector (file records only), and with kCryptCheck the password check value and its checksum.
constexpr std::uint64_t kCryptCheck = 0x0001, kCryptTweakedChecksums = 0x0002;
constexpr std::size_t kSaltSize = 16, kIvSize = 16, kCheckSize = 8, kCheckSumSize = 4,
                      kCryptBlockSize = 16;

constexpr std::uint64_t kTimeUnix = 0x0001, kTimeMtime = 0x0002, kTimeCtime = 0x0004,
                        kTimeAtime = 0x0008, kTimeNanoseconds = 0x0010;

// The header size at p, where n bytes follow the CRC. Faults as DecodeVint's, with a limit of
// kMaxHeaderSizeLength bytes (so below 2 MiB), and OutOfRange for a size of 0.
Vint ReadHeaderSize(const std::uint8_t* p, std::size_t n);

// The fields every header starts with.
struct BlockHead {
    std::uint64_t type = 0;
    std::uint64_t flags = 0;
    std::uint64_t extraSize = 0;  // the extra area at the header's end (kBlockExtra)
    std::uint64_t dataSize = 0;   // the data area after the header (kBlockData)
};

// Reads them from c, which starts at the type field and ends with the header. Nothing when they
// are cut short or the extra area is larger than the rest of the header (c.Fault() says which).
std::optional<BlockHead> ReadBlockHead(FieldCursor& c);

// The type-specific fields of a file (or service) header.
struct FileFields {
    std::uint64_t fileFlags = 0;
    std::uint64_t unpSize = 0;
    std::uint64_t attributes = 0;
    std::optional<std::uint32_t> mtime;  // Unix seconds (kFileUnixTime)
    std::optional<std::uint32_t> crc;    // CRC-32 of the data (kFileCrc)
    std::uint64_t compression = 0;
    std::uint64_t host = 0;
    std::string_view name;  // as stored, viewed in the header
};

// Reads them from c, which starts after the BlockHead and ends where the extra area begins.
// Nothing when they are cut short (c.Fault() says how).
std::optional<FileFields> ReadFileFields(FieldCursor& c);

// The RAR 1.5-4.x host number of a RAR 5.0 host: Windows 2, Unix 3; other values as they are,
// with those past 255 held at 255 so that no unknown host passes for a known one.
std::uint32_t Rar4Host(std::uint64_t host);

// The dictionary size in bytes a file header's compression field declares.
std::uint64_t DictionarySize(std::uint64_t compression);

}  // namespace kiv::format::rar5
