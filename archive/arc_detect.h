// Recognition of an archive's format from its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/arc_type.h"
#include "archive/byte_reader.h"

namespace kiv {

struct DetectedArchive {
    TArcType type = TArcType::atFileOpenErr;
    // 1-based offset of the archive's signature in the file.
    std::int64_t signatureOffset = 1;
};

// What the drive of the file says about a spanned ZIP disk (bytes 50 4B 07 08).
struct SpannedDisk {
    bool removable = false;
    bool pkbackLabel = false;
};

// The type of the four bytes at p (n of them available, n may be < 4), at the start of a file
// or behind an executable stub.
TArcType ClassifySignature(const std::uint8_t* p, std::size_t n, bool behindProgram,
                           SpannedDisk disk = {});

// Detects the format of the file behind `reader`: ZIP probes, an executable stub with an
// archive behind it, the leading-signature table (leading zero bytes skipped), then the ACE,
// UUE, TAR and ZIP-directory probes. A file shorter than 20 bytes, or one that cannot be read,
// is atFileOpenErr.
DetectedArchive DetectArchive(const ByteReader& reader, SpannedDisk disk = {});

}  // namespace kiv
