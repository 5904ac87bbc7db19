// RAR 1.5-4.x and RAR 5.0 header walkers for the pre-scan.
#include "archive/rar_prescan.h"

#include <algorithm>
#include <vector>

#include "formatcore/dos_time.h"
#include "formatcore/endian.h"
#include "formatcore/field_cursor.h"
#include "formatcore/rar4_layout.h"
#include "formatcore/rar5_layout.h"

namespace kiv {

namespace {

namespace rar4 = format::rar4;
namespace rar5 = format::rar5;

constexpr std::uint64_t kMaxHeaders = std::uint64_t{1} << 20;

// a + b + c, or `limit` when that passes it (or overflows).
std::uint64_t AdvanceTo(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t limit) {
    if (b > limit || c > limit || a > limit - b || a + b > limit - c) return limit;
    return a + b + c;
}

// The walk so far, ended by damage.
WalkResult Damaged(const WalkResult& sofar) {
    return {WalkStatus::Damaged, sofar.format, sofar.headers};
}

std::string SlashName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// Reports the file header at `at` with its fixed fields; false when its name is damaged.
bool ReportRar4File(const ByteReader& reader, std::uint64_t at, std::uint16_t headerSize,
                    const rar4::FileFields& fields,
                    const std::function<void(const RarFileHeader&)>& onFile) {
    if (fields.nameAt + fields.nameSize > headerSize) return false;
    std::string name(fields.nameSize, '\0');
    if (!reader.ReadExact(at + fields.nameAt, name.data(), name.size())) return false;
    if (fields.flags & rar4::kFileUnicode) {
        const std::size_t zero = name.find('\0');
        if (zero != std::string::npos) name.resize(zero);
    }
    RarFileHeader file;
    file.headerPosition = at;
    file.packedSize = fields.packSize;
    file.unpackedSize = fields.unpSize;
    file.flags = fields.flags;
    file.hostOs = fields.hostOs;
    file.dosTime = fields.dosTime;
    file.attributes = fields.attributes;
    file.name = SlashName(std::move(name));
    file.continued = (fields.flags & rar4::kFileSplitBefore) != 0;
    onFile(file);
    return true;
}

WalkResult WalkRar4(const ByteReader& reader, std::uint64_t pos,
                    const std::function<void(const RarFileHeader&)>& onFile) {
    WalkResult result{WalkStatus::Complete, RarFormat::Rar4, 0};
    const std::uint64_t size = reader.Size();
    std::uint8_t main[rar4::kMainSize];
    if (!reader.ReadExact(pos, main, sizeof main)) return {WalkStatus::MainHeaderShort};
    const rar4::BlockBase mainBase = rar4::ReadBase(main);
    if (mainBase.flags & rar4::kMainEncryptedHeaders) return {WalkStatus::HeadersEncrypted};
    std::uint64_t next =
        AdvanceTo(pos, std::max<std::size_t>(mainBase.size, rar4::kMainSize), 0, size);
    while (next < size) {
        if (++result.headers > kMaxHeaders) return {WalkStatus::TooManyHeaders, RarFormat::Rar4};
        const std::uint64_t at = next;
        std::uint8_t raw[rar4::kLargeFileFixedSize] = {};
        const std::size_t got = reader.ReadAt(at, raw, sizeof raw);
        if (got < rar4::kBaseSize) break;
        const rar4::BlockBase base = rar4::ReadBase(raw);
        if (base.size < rar4::kBaseSize) return Damaged(result);
        if (base.type == rar4::kEndHead) break;
        const std::size_t inHeader = std::min<std::size_t>(got, base.size);
        std::uint64_t dataSize = 0;
        if (base.type == rar4::kFileHead || base.type == rar4::kServiceHead) {
            const auto fields = rar4::ReadFileFields(raw, inHeader);
            if (!fields) return Damaged(result);
            dataSize = fields->packSize;
            // Flag 0x4000 only tells old versions to drop the block on update; the library
            // returns such a header as an entry, so it counts like any other.
            if (base.type == rar4::kFileHead &&
                !ReportRar4File(reader, at, base.size, *fields, onFile)) {
                return Damaged(result);
            }
        } else if (base.flags & rar4::kLongBlock) {
            // The data size lies inside the header; a header too small for it is damaged.
            if (inHeader < rar4::kLongBlockSize) return Damaged(result);
            dataSize = format::Le32(raw + rar4::kDataSizeAt);
        }
        next = AdvanceTo(at, base.size, dataSize, size);
    }
    return result;
}

// Fills `file` from the type-specific part of a RAR 5.0 file header; false when it is cut short.
bool ParseRar5File(format::FieldCursor& c, std::uint64_t headerFlags, RarFileHeader& file) {
    const auto fields = rar5::ReadFileFields(c);
    if (!fields) return false;
    file.unpackedSize = fields->unpSize;
    file.attributes = static_cast<std::uint32_t>(fields->attributes);
    file.hostOs = rar5::Rar4Host(fields->host);
    file.dosTime = fields->mtime ? format::UnixToDosTime(*fields->mtime) : 0;
    file.continued = (headerFlags & rar5::kBlockSplitBefore) != 0;
    file.flags = (file.continued ? rar4::kFileSplitBefore : 0) |
                 ((headerFlags & rar5::kBlockSplitAfter) ? rar4::kFileSplitAfter : 0) |
                 ((fields->fileFlags & rar5::kFileDirectory) ? rar4::kFileDirectoryMask : 0);
    file.name = SlashName(std::string(fields->name));
    return true;
}

WalkResult WalkRar5(const ByteReader& reader, std::uint64_t pos,
                    const std::function<void(const RarFileHeader&)>& onFile) {
    WalkResult result{WalkStatus::Complete, RarFormat::Rar5, 0};
    const std::uint64_t size = reader.Size();
    std::vector<std::uint8_t> header;
    while (pos < size) {
        if (++result.headers > kMaxHeaders) return {WalkStatus::TooManyHeaders, RarFormat::Rar5};
        std::uint8_t start[rar5::kCrcSize + rar5::kMaxHeaderSizeLength] = {};
        const std::size_t got = reader.ReadAt(pos, start, sizeof start);
        if (got <= rar5::kCrcSize) return Damaged(result);
        const format::Vint headerSize =
            rar5::ReadHeaderSize(start + rar5::kCrcSize, got - rar5::kCrcSize);
        if (!headerSize.Ok()) return Damaged(result);
        const std::uint64_t body = pos + rar5::kCrcSize + headerSize.length;
        header.resize(static_cast<std::size_t>(headerSize.value));
        if (!reader.ReadExact(body, header.data(), header.size())) return Damaged(result);
        format::FieldCursor c(header.data(), header.size());
        const auto head = rar5::ReadBlockHead(c);
        if (!head) return Damaged(result);
        if (head->type == rar5::kCryptHead) {
            return {WalkStatus::HeadersEncrypted, RarFormat::Rar5, result.headers};
        }
        if (head->type == rar5::kEndHead) break;
        if (head->type == rar5::kFileHead) {
            RarFileHeader file;
            file.headerPosition = pos;
            file.packedSize = head->dataSize;
            // The file fields end where the extra area begins.
            format::FieldCursor fields(c.Here(),
                                       c.Left() - static_cast<std::size_t>(head->extraSize));
            if (!ParseRar5File(fields, head->flags, file)) return Damaged(result);
            onFile(file);
        }
        pos = AdvanceTo(body, headerSize.value, head->dataSize, size);
    }
    return result;
}

}  // namespace

WalkResult WalkRarVolume(const ByteReader& reader, std::uint64_t markerOffset,
                         const std::function<void(const RarFileHeader&)>& onFile) {
    std::uint8_t marker[rar5::kSignatureSize] = {};
    try {
        const std::size_t got = reader.ReadAt(markerOffset, marker, sizeof marker);
        if (got == rar5::kSignatureSize && rar5::IsSignature(marker)) {
            return WalkRar5(reader, markerOffset + rar5::kSignatureSize, onFile);
        }
        if (got >= rar4::kMarkerSize && rar4::IsMarker(marker)) {
            return WalkRar4(reader, markerOffset + rar4::kMarkerSize, onFile);
        }
    } catch (const format::ReadError&) {
        // A volume that cannot be read to its end cannot be walked to its end.
        return {WalkStatus::Damaged};
    }
    return {WalkStatus::NotRar};
}

namespace {

VolumePlace Rar4Place(const ByteReader& reader, std::uint64_t pos) {
    std::uint8_t main[rar4::kMainSize];
    if (!reader.ReadExact(pos, main, sizeof main)) return {};
    const rar4::BlockBase base = rar4::ReadBase(main);
    if (base.type != rar4::kMainHead) return {};
    VolumePlace place{true, RarFormat::Rar4};
    place.volume = (base.flags & rar4::kMainVolume) != 0;
    place.first = (base.flags & rar4::kMainFirstVolume) != 0;
    place.known = place.first;
    return place;
}

VolumePlace Rar5Place(const ByteReader& reader, std::uint64_t pos) {
    std::uint8_t start[rar5::kCrcSize + rar5::kMaxHeaderSizeLength] = {};
    const std::size_t got = reader.ReadAt(pos, start, sizeof start);
    if (got <= rar5::kCrcSize) return {};
    const format::Vint size = rar5::ReadHeaderSize(start + rar5::kCrcSize, got - rar5::kCrcSize);
    if (!size.Ok()) return {};
    std::vector<std::uint8_t> header(static_cast<std::size_t>(size.value));
    if (!reader.ReadExact(pos + rar5::kCrcSize + size.length, header.data(), header.size())) {
        return {};
    }
    format::FieldCursor c(header.data(), header.size());
    const auto head = rar5::ReadBlockHead(c);
    if (!head || head->type != rar5::kMainHead) return {};
    const auto flags = c.Vint();
    if (!flags) return {};
    VolumePlace place{true, RarFormat::Rar5};
    place.volume = (*flags & rar5::kMainVolume) != 0;
    place.known = true;
    // The first volume carries no number; later ones count from 1.
    const auto number =
        (*flags & rar5::kMainVolumeNumber) ? c.Vint() : std::optional<std::uint64_t>(0);
    place.first = number && *number == 0;
    return place;
}

}  // namespace

VolumePlace ReadVolumePlace(const ByteReader& reader, std::uint64_t markerOffset) {
    std::uint8_t marker[rar5::kSignatureSize] = {};
    try {
        const std::size_t got = reader.ReadAt(markerOffset, marker, sizeof marker);
        if (got == rar5::kSignatureSize && rar5::IsSignature(marker)) {
            return Rar5Place(reader, markerOffset + rar5::kSignatureSize);
        }
        if (got >= rar4::kMarkerSize && rar4::IsMarker(marker)) {
            return Rar4Place(reader, markerOffset + rar4::kMarkerSize);
        }
    } catch (const format::ReadError&) {
        // An unreadable header says nothing of the volume's place.
    }
    return {};
}

std::uint32_t EffectiveAttribute(std::uint32_t hostOs, std::uint32_t attributes) {
    if (hostOs == rar4::kHostUnix) return (attributes & 0x4000) ? 0x10 : 0x20;
    return attributes;
}

bool IsFolderEntry(std::uint32_t flags, std::uint32_t hostOs, std::uint32_t attributes) {
    return (flags & rar4::kFileDirectoryMask) == rar4::kFileDirectoryMask ||
           (EffectiveAttribute(hostOs, attributes) & 0x10) != 0;
}

}  // namespace kiv
