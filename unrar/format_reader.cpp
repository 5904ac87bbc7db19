// Finds the RAR signature in a volume and picks the reader for its format.
#include "unrar/format_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "unrar/rar4_reader.h"
#include "unrar/rar5_reader.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

// Self-extracting modules put the archive after their own code; it starts within this span.
constexpr uint64_t kMaxSfxSize = uint64_t{4} * 1024 * 1024;
constexpr uint8_t kRar14Marker[4] = {0x52, 0x45, 0x7e, 0x5e};

std::unique_ptr<FormatReader> TryAt(const ByteSource& source, uint64_t offset) {
    uint8_t sig[8] = {};
    const uint64_t left = source.Size() - offset;
    if (left < 7 || !source.ReadAt(offset, sig, left < 8 ? 7 : 8)) return nullptr;
    if (left >= 8 && IsRar5Signature(sig)) return std::make_unique<Rar5Reader>(source, offset);
    if (IsRar4Marker(sig)) return std::make_unique<Rar4Reader>(source, offset);
    if (sig[0] == 0x52 && sig[1] == 0x61 && sig[2] == 0x72 && sig[3] == 0x21 && sig[4] == 0x1a &&
        sig[5] == 0x07) {
        throw RarError(ERAR_UNKNOWN_FORMAT, "unknown RAR format version");
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<FormatReader> OpenFormatReader(const ByteSource& source) {
    uint8_t head[4] = {};
    if (source.Size() >= 4 && source.ReadAt(0, head, 4) &&
        std::memcmp(head, kRar14Marker, 4) == 0) {
        throw RarError(ERAR_UNKNOWN_FORMAT, "RAR 1.4 archives are not supported");
    }
    if (auto reader = TryAt(source, 0)) return reader;

    // Look for a signature further in, as a self-extracting archive has it; a signature that
    // only appears inside the module's code fails its main header and the search goes on.
    const uint64_t span = std::min<uint64_t>(source.Size(), kMaxSfxSize);
    std::vector<uint8_t> buffer(static_cast<size_t>(span));
    if (span < 8 || !source.ReadAt(0, buffer.data(), buffer.size())) {
        throw RarError(ERAR_BAD_ARCHIVE, "not a RAR archive");
    }
    int lastError = ERAR_BAD_ARCHIVE;
    for (size_t i = 1; i + 7 <= buffer.size(); ++i) {
        if (buffer[i] != 0x52 || std::memcmp(&buffer[i], "Rar!\x1a\x07", 6) != 0) continue;
        try {
            if (auto reader = TryAt(source, i)) return reader;
        } catch (const RarError& e) {
            if (e.Code() == ERAR_MISSING_PASSWORD) throw;
            lastError = e.Code() == ERAR_UNKNOWN_FORMAT ? ERAR_UNKNOWN_FORMAT : lastError;
        }
    }
    throw RarError(lastError, "not a RAR archive");
}

}  // namespace kiv::rar
