// Archive type detection from signatures and a few structural probes.
#include "archive/arc_detect.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "formatcore/endian.h"

namespace kiv {

namespace {

constexpr std::size_t kHeadBytes = 32767;
constexpr std::uint64_t kMinArchiveSize = 20;
// Offsets of a ZIP archive behind the self-extracting programs that were common.
constexpr std::array<std::uint64_t, 3> kZipSfxOffsets{7612, 15770, 25661};
constexpr std::uint64_t kStubSearchStart = 17000;
constexpr std::size_t kStubSearchBlock = std::size_t{32} * 1024;
constexpr int kStubSearchBlocks = 6;

bool Starts(const std::uint8_t* p, std::size_t n, std::string_view bytes) {
    return n >= bytes.size() && std::memcmp(p, bytes.data(), bytes.size()) == 0;
}

// An end-of-central-directory record in the last 64 KiB + 22 bytes of the file.
bool HasZipDirectory(const ByteReader& reader) {
    const std::uint64_t size = reader.Size();
    const std::uint64_t span = std::min<std::uint64_t>(size, 65535 + 22);
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(span));
    const std::size_t got = reader.ReadAt(size - span, tail.data(), tail.size());
    for (std::size_t i = got >= 22 ? got - 22 + 1 : 0; i-- > 0;) {
        if (Starts(tail.data() + i, got - i, "PK\x05\x06")) return true;
    }
    return false;
}

bool ZipAt(const ByteReader& reader, std::uint64_t offset) {
    std::uint8_t sig[4];
    return reader.ReadAt(offset, sig, 4) == 4 && Starts(sig, 4, "PK\x03\x04");
}

bool TarChecksumOk(const std::uint8_t* block) {
    unsigned stored = 0;
    bool digits = false;
    for (int i = 148; i < 156; ++i) {
        const std::uint8_t c = block[i];
        if (c >= '0' && c <= '7') {
            stored = stored * 8 + (c - '0');
            digits = true;
        } else if (c != ' ' && c != 0) {
            return false;
        } else if (digits) {
            break;
        }
    }
    if (!digits) return false;
    unsigned sum = 0;
    for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : block[i];
    return sum == stored;
}

bool IsTar(const std::uint8_t* head, std::size_t n) {
    if (n >= 512 && TarChecksumOk(head)) {
        if (head[156] != 'V') return true;
        return n >= 1024 && TarChecksumOk(head + 512);
    }
    return false;
}

bool IsUue(const std::uint8_t* head, std::size_t n) {
    const std::size_t limit = std::min<std::size_t>(n, 2500);
    for (std::size_t i = 0; i < limit; ++i) {
        if ((i == 0 || head[i - 1] == '\n') && Starts(head + i, limit - i, "begin ")) return true;
    }
    return false;
}

// An archive behind an executable stub: at the end of the DOS image, then by a search of the
// area where self-extracting programs put their archive.
DetectedArchive BehindProgram(const ByteReader& reader, const std::uint8_t* head, std::size_t n) {
    DetectedArchive result{TArcType::atUnknown, 1};
    if (n >= 6) {
        const std::uint64_t image =
            std::uint64_t{512} * format::Le16(head + 4) + format::Le16(head + 2);
        if (image >= 512) {
            const std::uint64_t imageEnd = image - 512;
            std::uint8_t sig[4];
            const std::size_t got = reader.ReadAt(imageEnd, sig, 4);
            const TArcType type = ClassifySignature(sig, got, true);
            if (IsRecognised(type) && type != TArcType::atUnsupported) {
                return {type, static_cast<std::int64_t>(imageEnd) + 1};
            }
        }
    }
    std::vector<std::uint8_t> block(kStubSearchBlock + 8);
    for (int b = 0; b < kStubSearchBlocks; ++b) {
        const std::uint64_t base = kStubSearchStart + std::uint64_t{kStubSearchBlock} * b;
        const std::size_t got = reader.ReadAt(base, block.data(), block.size());
        for (std::size_t i = 0; i + 4 <= got && i < kStubSearchBlock; ++i) {
            const std::uint8_t* p = block.data() + i;
            if (Starts(p, got - i, "Rar!")) return {TArcType::atRarExe, std::int64_t(base + i) + 1};
            if (Starts(p, got - i, "PK\x03\x04")) {
                return {TArcType::atZipExe, std::int64_t(base + i) + 1};
            }
            if (i + 5 <= got && p[0] == '-' && p[1] == 'l' && p[2] == 'h' && p[4] == '-' &&
                base + i >= 2) {
                return {TArcType::atLhaExe, std::int64_t(base + i - 2) + 1};
            }
        }
        if (got < block.size()) break;
    }
    return result;
}

}  // namespace

TArcType ClassifySignature(const std::uint8_t* p, std::size_t n, bool behind, SpannedDisk disk) {
    using enum TArcType;
    if (Starts(p, n, "Rar!")) return behind ? atRarExe : atRar;
    if (Starts(p, n, "PK\x03\x04")) return behind ? atZipExe : atZip;
    if (Starts(p, n, "PK\x07\x08")) {
        if (!disk.removable) return atZip;
        return disk.pkbackLabel ? atZipMV : atNA;
    }
    if (Starts(p, n, "MSCF")) return behind ? atUnsupported : atCab;
    if (Starts(p, n, "BH\x05\x07")) return behind ? atBhExe : atBh;
    if (Starts(p, n, "\x13\x5D\x65\x8C")) return behind ? atUnsupported : atMsGZ;
    if (n >= 2) {
        const std::uint8_t a = p[0];
        const std::uint8_t b = p[1];
        if ((a == 0x1F && (b == 0x8B || b == 0x9D || b == 0x9E || b == 0xA0 || b == 0x1E)) ||
            (a == 0x25 && b == 0x21)) {
            return behind ? atUnsupported : atGZip;
        }
        if (a == 'H' && b == 'A') return behind ? atUnsupported : atHa;
        if (a == 'Z' && b == 'O') return behind ? atUnsupported : atZoo;
        if (a == 0x60 && b == 0xEA) return behind ? atArjExe : atArj;
        if (n >= 4 && p[2] == '-' && p[3] == 'l') return behind ? atLhaExe : atLha;
        if (a == 0x1A && (b == 0x0A || b == 0x0B)) return behind ? atPakExe : atPak;
        // ARC: a 0x1A mark followed by a storage method.
        if (a == 0x1A && ((b >= 0x01 && b <= 0x09) || b == 0x1E || b == 0x1F || b == 0x7F)) {
            return behind ? atArcExe : atArc;
        }
    }
    return atUnknown;
}

namespace {

DetectedArchive Detect(const ByteReader& reader, SpannedDisk disk) {
    using enum TArcType;
    const std::uint64_t size = reader.Size();
    if (size < kMinArchiveSize) return {atFileOpenErr, 1};
    if (ZipAt(reader, 0) && HasZipDirectory(reader)) return {atZip, 1};
    for (std::uint64_t offset : kZipSfxOffsets) {
        if (ZipAt(reader, offset) && HasZipDirectory(reader)) {
            return {atZipExe, static_cast<std::int64_t>(offset) + 1};
        }
    }
    std::vector<std::uint8_t> head(kHeadBytes);
    const std::size_t n = reader.ReadAt(0, head.data(), head.size());
    DetectedArchive result{atNA, 1};
    if (Starts(head.data(), n, "MZ")) {
        result = BehindProgram(reader, head.data(), n);
    } else {
        std::size_t start = 0;
        while (start < n && head[start] == 0) ++start;
        result = {ClassifySignature(head.data() + start, n - start, false, disk),
                  static_cast<std::int64_t>(start) + 1};
        if (!IsRecognised(result.type)) result.signatureOffset = 1;
    }
    if (IsRecognised(result.type)) return result;
    if (n >= 14 && std::memcmp(head.data() + 7, "**ACE**", 7) == 0) return {atACE, 1};
    if (IsUue(head.data(), n)) return {atUue, 1};
    if (IsTar(head.data(), n)) return {atTar, 1};
    if (HasZipDirectory(reader)) return {atZip, 1};
    return result;
}

}  // namespace

DetectedArchive DetectArchive(const ByteReader& reader, SpannedDisk disk) {
    try {
        return Detect(reader, disk);
    } catch (const format::ReadError&) {
        // Bytes that cannot be read are not an archive of any type.
        return {TArcType::atFileOpenErr, 1};
    }
}

}  // namespace kiv
