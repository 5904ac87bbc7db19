// The format core's reads of volume bytes with the library's errors: RarError instead of a
// missing file or a format::ReadError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formatcore/byte_source.h"
#include "formatcore/file_source.h"

namespace kiv::rar {

// Opens a volume read-only. Throws RarError(ERAR_EOPEN) when path cannot be opened or is not a
// regular file.
std::unique_ptr<format::FileSource> OpenVolume(const std::string& path);

// Up to n bytes at offset, as ByteSource::ReadAt. Throws RarError(ERAR_EREAD) when bytes within
// the source's size cannot be read.
size_t ReadVolumeAt(const format::ByteSource& source, uint64_t offset, void* buffer, size_t n);

// Exactly n bytes at offset: false when the source ends first. Throws as ReadVolumeAt.
inline bool ReadVolume(const format::ByteSource& source, uint64_t offset, void* buffer, size_t n) {
    return ReadVolumeAt(source, offset, buffer, n) == n;
}

}  // namespace kiv::rar
