// Reading the header size, the common header fields and the file fields of RAR 5.0 blocks.
#include "formatcore/rar5_layout.h"

#include <algorithm>
#include <cstring>

#include "formatcore/rar4_layout.h"

namespace kiv::format::rar5 {

bool IsSignature(const std::uint8_t* p) {
    return std::memcmp(p, kSignature, kSignatureSize) == 0;
}

Vint ReadHeaderSize(const std::uint8_t* p, std::size_t n) {
    Vint size = DecodeVint(p, n, kMaxHeaderSizeLength);
    if (size.Ok() && size.value == 0) size.fault = FieldFault::OutOfRange;
    return size;
}

std::optional<BlockHead> ReadBlockHead(FieldCursor& c) {
    BlockHead head;
    const auto type = c.Vint();
    const auto flags = type ? c.Vint() : std::nullopt;
    if (!flags) return std::nullopt;
    head.type = *type;
    head.flags = *flags;
    if (head.flags & kBlockExtra) {
        const auto extra = c.Vint();
        if (!extra) return std::nullopt;
        head.extraSize = *extra;
    }
    if (head.flags & kBlockData) {
        const auto data = c.Vint();
        if (!data) return std::nullopt;
        head.dataSize = *data;
    }
    if (!c.Holds(head.extraSize)) return std::nullopt;
    return head;
}

std::optional<FileFields> ReadFileFields(FieldCursor& c) {
    FileFields f;
    const auto fileFlags = c.Vint();
    const auto unpSize = fileFlags ? c.Vint() : std::nullopt;
    const auto attributes = unpSize ? c.Vint() : std::nullopt;
    if (!attributes) return std::nullopt;
    f.fileFlags = *fileFlags;
    f.unpSize = *unpSize;
    f.attributes = *attributes;
    if (f.fileFlags & kFileUnixTime) {
        f.mtime = c.U32();
        if (!f.mtime) return std::nullopt;
    }
    if (f.fileFlags & kFileCrc) {
        f.crc = c.U32();
        if (!f.crc) return std::nullopt;
    }
    const auto compression = c.Vint();
    const auto host = compression ? c.Vint() : std::nullopt;
    const auto nameSize = host ? c.Vint() : std::nullopt;
    const auto name = nameSize ? c.Bytes(*nameSize) : std::nullopt;
    if (!name) return std::nullopt;
    f.compression = *compression;
    f.host = *host;
    f.name = *name;
    return f;
}

std::uint32_t Rar4Host(std::uint64_t host) {
    if (host == kHostWindows) return rar4::kHostWindows;
    if (host == kHostUnix) return rar4::kHostUnix;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(host, 255));
}

std::uint64_t DictionarySize(std::uint64_t compression) {
    const unsigned exponent = static_cast<unsigned>((compression >> kCompressionDictionaryShift) &
                                                    kCompressionDictionaryMask);
    const std::uint64_t base = kMinDictionary << exponent;
    if ((compression & kCompressionVersionMask) == 0) return base;
    const std::uint64_t fraction =
        (compression >> kCompressionFractionShift) & kCompressionFractionMask;
    return base + fraction * (base / 32);
}

}  // namespace kiv::format::rar5
