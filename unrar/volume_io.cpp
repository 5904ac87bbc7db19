// Opening and reading volumes, with failures as the library's error codes.
#include "unrar/volume_io.h"

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

std::unique_ptr<format::FileSource> OpenVolume(const std::string& path) {
    std::string why;
    std::unique_ptr<format::FileSource> file = format::FileSource::Open(path, &why);
    if (!file) throw RarError(ERAR_EOPEN, why);
    return file;
}

size_t ReadVolumeAt(const format::ByteSource& source, uint64_t offset, void* buffer, size_t n) {
    try {
        return source.ReadAt(offset, buffer, n);
    } catch (const format::ReadError& e) {
        throw RarError(ERAR_EREAD, e.what());
    }
}

}  // namespace kiv::rar
