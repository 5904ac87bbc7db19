// RAR 1.5-4.x and RAR 5.0 header walkers for the pre-scan.
#include "archive/rar_prescan.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace kiv {

namespace {

constexpr std::uint64_t kMaxHeaders = std::uint64_t{1} << 20;
constexpr std::uint64_t kMaxRar5Header = 2 * 1024 * 1024;
constexpr std::string_view kRar4Marker("Rar!\x1A\x07\x00", 7);
constexpr std::string_view kRar5Marker("Rar!\x1A\x07\x01\x00", 8);

constexpr std::uint8_t kRar4File = 0x74;
constexpr std::uint8_t kRar4Service = 0x7A;
constexpr std::uint8_t kRar4End = 0x7B;
constexpr std::uint16_t kRar4LongBlock = 0x8000;
constexpr std::uint16_t kRar4SkipIfUnknown = 0x4000;
constexpr std::uint16_t kRar4Large = 0x0100;
constexpr std::uint16_t kRar4Unicode = 0x0200;
constexpr std::uint16_t kRar4EncryptedHeaders = 0x0080;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// a + b + c, or `limit` when that passes it (or overflows).
std::uint64_t AdvanceTo(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t limit) {
    if (b > limit || c > limit || a > limit - b || a + b > limit - c) return limit;
    return a + b + c;
}

std::string SlashName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool ReadExact(const ByteReader& reader, std::uint64_t offset, void* buffer, std::size_t n) {
    return reader.ReadAt(offset, buffer, n) == n;
}

WalkResult WalkRar4(const ByteReader& reader, std::uint64_t pos,
                    const std::function<void(const RarFileHeader&)>& onFile) {
    WalkResult result{WalkStatus::Complete, RarFormat::Rar4, 0};
    const std::uint64_t size = reader.Size();
    std::uint8_t main[13];
    if (!ReadExact(reader, pos, main, sizeof main)) return {WalkStatus::MainHeaderShort};
    if (Le16(main + 3) & kRar4EncryptedHeaders) return {WalkStatus::HeadersEncrypted};
    std::uint64_t next = AdvanceTo(pos, std::max<std::uint16_t>(Le16(main + 5), 13), 0, size);
    std::string name;
    while (next < size) {
        if (++result.headers > kMaxHeaders) return {WalkStatus::TooManyHeaders, RarFormat::Rar4};
        const std::uint64_t at = next;
        std::uint8_t raw[40] = {};
        const std::size_t got = reader.ReadAt(at, raw, 32);
        if (got < 7) break;
        const std::uint8_t type = raw[2];
        const std::uint16_t flags = Le16(raw + 3);
        const std::uint16_t headerSize = Le16(raw + 5);
        if (headerSize < 7) return {WalkStatus::Damaged, RarFormat::Rar4, result.headers};
        if (type == kRar4End) break;
        std::uint64_t dataSize = (flags & kRar4LongBlock) && got >= 11 ? Le32(raw + 7) : 0;
        if (type == kRar4File || type == kRar4Service) {
            std::size_t fixed = 32;
            std::uint64_t highPacked = 0;
            std::uint64_t highUnpacked = 0;
            if (got < 32 || headerSize < 32)
                return {WalkStatus::Damaged, RarFormat::Rar4, result.headers};
            if (flags & kRar4Large) {
                if (headerSize < 40 || !ReadExact(reader, at + 32, raw + 32, 8)) {
                    return {WalkStatus::Damaged, RarFormat::Rar4, result.headers};
                }
                highPacked = Le32(raw + 32);
                highUnpacked = Le32(raw + 36);
                fixed = 40;
            }
            dataSize = Le32(raw + 7) | (highPacked << 32);
            if (type == kRar4File && !(flags & kRar4SkipIfUnknown)) {
                const std::size_t nameSize = Le16(raw + 26);
                if (fixed + nameSize > headerSize)
                    return {WalkStatus::Damaged, RarFormat::Rar4, result.headers};
                name.assign(nameSize, '\0');
                if (!ReadExact(reader, at + fixed, name.data(), nameSize)) {
                    return {WalkStatus::Damaged, RarFormat::Rar4, result.headers};
                }
                if (flags & kRar4Unicode) {
                    const std::size_t zero = name.find('\0');
                    if (zero != std::string::npos) name.resize(zero);
                }
                RarFileHeader file;
                file.headerPosition = at;
                file.packedSize = dataSize;
                file.unpackedSize = Le32(raw + 11) | (highUnpacked << 32);
                file.flags = flags;
                file.hostOs = raw[15];
                file.dosTime = Le32(raw + 20);
                file.attributes = Le32(raw + 28);
                file.name = SlashName(std::move(name));
                file.continued = (flags & 0x0001) != 0;
                onFile(file);
            }
        }
        next = AdvanceTo(at, headerSize, dataSize, size);
    }
    return result;
}

// A RAR 5.0 variable-length integer: 7 bits per byte, low groups first, at most 10 bytes.
class VintCursor {
public:
    VintCursor(const std::uint8_t* p, std::size_t n) : m_p(p), m_n(n) {}

    std::optional<std::uint64_t> Vint() {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 70; shift += 7) {
            if (m_pos >= m_n) return std::nullopt;
            const std::uint8_t byte = m_p[m_pos++];
            if (shift == 63 && (byte & 0x7E)) return std::nullopt;
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80)) return value;
        }
        return std::nullopt;
    }
    std::optional<std::uint32_t> U32() {
        if (m_n - m_pos < 4) return std::nullopt;
        const std::uint32_t value = Le32(m_p + m_pos);
        m_pos += 4;
        return value;
    }
    std::optional<std::string> Bytes(std::uint64_t n) {
        if (n > m_n - m_pos) return std::nullopt;
        std::string text(reinterpret_cast<const char*>(m_p + m_pos), static_cast<std::size_t>(n));
        m_pos += static_cast<std::size_t>(n);
        return text;
    }
    std::size_t Position() const { return m_pos; }

private:
    const std::uint8_t* m_p;
    std::size_t m_n;
    std::size_t m_pos = 0;
};

// Fills `file` from the type-specific part of a RAR 5.0 file header; false when it is cut short.
bool ParseRar5File(VintCursor& c, std::uint64_t headerFlags, RarFileHeader& file) {
    const auto fileFlags = c.Vint();
    const auto unpacked = c.Vint();
    const auto attributes = c.Vint();
    if (!fileFlags || !unpacked || !attributes) return false;
    std::uint32_t mtime = 0;
    if (*fileFlags & 0x0002) {
        const auto t = c.U32();
        if (!t) return false;
        mtime = *t;
    }
    if ((*fileFlags & 0x0004) && !c.U32()) return false;
    const auto compression = c.Vint();
    const auto host = c.Vint();
    const auto nameLength = c.Vint();
    if (!compression || !host || !nameLength) return false;
    auto name = c.Bytes(*nameLength);
    if (!name) return false;
    file.unpackedSize = *unpacked;
    file.attributes = static_cast<std::uint32_t>(*attributes);
    file.hostOs = *host == 0   ? 2
                  : *host == 1 ? 3
                               : static_cast<std::uint32_t>(std::min<std::uint64_t>(*host, 255));
    file.dosTime = (*fileFlags & 0x0002) ? UnixToDosTime(mtime) : 0;
    file.continued = (headerFlags & 0x0008) != 0;
    file.flags = (file.continued ? 0x01 : 0) | ((headerFlags & 0x0010) ? 0x02 : 0) |
                 ((*fileFlags & 0x0001) ? 0xE0 : 0);
    file.name = SlashName(std::move(*name));
    return true;
}

WalkResult WalkRar5(const ByteReader& reader, std::uint64_t pos,
                    const std::function<void(const RarFileHeader&)>& onFile) {
    WalkResult result{WalkStatus::Complete, RarFormat::Rar5, 0};
    const auto damaged = [&] {
        return WalkResult{WalkStatus::Damaged, RarFormat::Rar5, result.headers};
    };
    const std::uint64_t size = reader.Size();
    std::vector<std::uint8_t> header;
    while (pos < size) {
        if (++result.headers > kMaxHeaders) return {WalkStatus::TooManyHeaders, RarFormat::Rar5};
        std::uint8_t start[14] = {};
        const std::size_t got = reader.ReadAt(pos, start, sizeof start);
        if (got < 5) return damaged();
        VintCursor sizeCursor(start + 4, got - 4);
        const auto headerSize = sizeCursor.Vint();
        if (!headerSize || *headerSize == 0 || *headerSize > kMaxRar5Header) return damaged();
        const std::uint64_t body = pos + 4 + sizeCursor.Position();
        header.resize(static_cast<std::size_t>(*headerSize));
        if (!ReadExact(reader, body, header.data(), header.size())) return damaged();
        VintCursor c(header.data(), header.size());
        const auto type = c.Vint();
        const auto headerFlags = c.Vint();
        if (!type || !headerFlags) return damaged();
        if ((*headerFlags & 0x0001) && !c.Vint()) return damaged();
        std::uint64_t dataSize = 0;
        if (*headerFlags & 0x0002) {
            const auto data = c.Vint();
            if (!data) return damaged();
            dataSize = *data;
        }
        if (*type == 4) return {WalkStatus::HeadersEncrypted, RarFormat::Rar5, result.headers};
        if (*type == 5) break;
        if (*type == 2) {
            RarFileHeader file;
            file.headerPosition = pos;
            file.packedSize = dataSize;
            if (!ParseRar5File(c, *headerFlags, file)) return damaged();
            onFile(file);
        }
        pos = AdvanceTo(body, *headerSize, dataSize, size);
    }
    return result;
}

}  // namespace

WalkResult WalkRarVolume(const ByteReader& reader, std::uint64_t markerOffset,
                         const std::function<void(const RarFileHeader&)>& onFile) {
    char marker[8] = {};
    const std::size_t got = reader.ReadAt(markerOffset, marker, sizeof marker);
    const std::string_view seen(marker, got);
    if (seen.substr(0, kRar5Marker.size()) == kRar5Marker) {
        return WalkRar5(reader, markerOffset + kRar5Marker.size(), onFile);
    }
    if (seen.substr(0, kRar4Marker.size()) == kRar4Marker) {
        return WalkRar4(reader, markerOffset + kRar4Marker.size(), onFile);
    }
    return {WalkStatus::NotRar};
}

std::uint32_t EffectiveAttribute(std::uint32_t hostOs, std::uint32_t attributes) {
    if (hostOs == 3) return (attributes & 0x4000) ? 0x10 : 0x20;
    return attributes;
}

bool IsFolderEntry(std::uint32_t flags, std::uint32_t hostOs, std::uint32_t attributes) {
    return (flags & 0xE0) == 0xE0 || (EffectiveAttribute(hostOs, attributes) & 0x10) != 0;
}

std::uint32_t UnixToDosTime(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr) return 0;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return 0;
    return (static_cast<std::uint32_t>(year - 1980) << 25) |
           (static_cast<std::uint32_t>(local.tm_mon + 1) << 21) |
           (static_cast<std::uint32_t>(local.tm_mday) << 16) |
           (static_cast<std::uint32_t>(local.tm_hour) << 11) |
           (static_cast<std::uint32_t>(local.tm_min) << 5) |
           static_cast<std::uint32_t>(local.tm_sec / 2);
}

}  // namespace kiv
