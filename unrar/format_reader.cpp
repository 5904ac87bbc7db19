// Finds the RAR signature in a volume and picks the reader for its format.
#include "unrar/format_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formatcore/rar4_layout.h"
#include "formatcore/rar5_layout.h"
#include "unrar/rar4_reader.h"
#include "unrar/rar5_reader.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"
#include "unrar/volume_io.h"

namespace kiv::rar {

namespace {

namespace rar4 = format::rar4;
namespace rar5 = format::rar5;

// Self-extracting modules put the archive after their own code; it starts within this span.
constexpr uint64_t kMaxSfxSize = uint64_t{4} * 1024 * 1024;

std::unique_ptr<FormatReader> TryAt(const format::ByteSource& source, uint64_t offset,
                                    Keyring* keyring) {
    uint8_t sig[rar5::kSignatureSize] = {};
    const size_t got = ReadVolumeAt(source, offset, sig, sizeof sig);
    if (got < rar4::kMarkerSize) return nullptr;
    if (got == sizeof sig && rar5::IsSignature(sig)) {
        return std::make_unique<Rar5Reader>(source, offset, keyring);
    }
    if (rar4::IsMarker(sig)) return std::make_unique<Rar4Reader>(source, offset, keyring);
    if (std::memcmp(sig, rar4::kMarker, rar4::kMarkerStemSize) == 0) {
        throw RarError(ERAR_UNKNOWN_FORMAT, "unknown RAR format version");
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<FormatReader> OpenFormatReader(const format::ByteSource& source, Keyring* keyring) {
    uint8_t head[sizeof rar4::kRar14Marker] = {};
    if (ReadVolume(source, 0, head, sizeof head) &&
        std::memcmp(head, rar4::kRar14Marker, sizeof head) == 0) {
        throw RarError(ERAR_UNKNOWN_FORMAT, "RAR 1.4 archives are not supported");
    }
    if (auto reader = TryAt(source, 0, keyring)) return reader;

    // Look for a signature further in, as a self-extracting archive has it; a signature that
    // only appears inside the module's code fails its main header and the search goes on.
    const uint64_t span = std::min<uint64_t>(source.Size(), kMaxSfxSize);
    std::vector<uint8_t> buffer(static_cast<size_t>(span));
    if (span < rar5::kSignatureSize || !ReadVolume(source, 0, buffer.data(), buffer.size())) {
        throw RarError(ERAR_BAD_ARCHIVE, "not a RAR archive");
    }
    int lastError = ERAR_BAD_ARCHIVE;
    for (size_t i = 1; i + rar4::kMarkerSize <= buffer.size(); ++i) {
        if (buffer[i] != rar4::kMarker[0] ||
            std::memcmp(&buffer[i], rar4::kMarker, rar4::kMarkerStemSize) != 0) {
            continue;
        }
        try {
            if (auto reader = TryAt(source, i, keyring)) return reader;
        } catch (const RarError& e) {
            if (e.Code() == ERAR_MISSING_PASSWORD || e.Code() == ERAR_BAD_PASSWORD) throw;
            lastError = e.Code() == ERAR_UNKNOWN_FORMAT ? ERAR_UNKNOWN_FORMAT : lastError;
        }
    }
    throw RarError(lastError, "not a RAR archive");
}

}  // namespace kiv::rar
