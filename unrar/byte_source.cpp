// Reading volume bytes from memory and from read-only files.
#include "unrar/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

bool MemorySource::ReadAt(uint64_t offset, void* buffer, size_t n) const {
    if (offset > m_size || n > m_size - offset) return false;
    if (n > 0) std::memcpy(buffer, m_data + offset, n);
    return true;
}

std::unique_ptr<VolumeFile> VolumeFile::Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        throw RarError(ERAR_EOPEN, "cannot open " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw RarError(ERAR_EOPEN, path + " is not a regular file");
    }
    return std::unique_ptr<VolumeFile>(
        new VolumeFile(fd, path, static_cast<uint64_t>(st.st_size), st.st_dev, st.st_ino));
}

VolumeFile::VolumeFile(int fd, std::string path, uint64_t size, dev_t device, ino_t inode)
    : m_fd(fd), m_path(std::move(path)), m_size(size), m_device(device), m_inode(inode) {}

VolumeFile::~VolumeFile() {
    ::close(m_fd);
}

bool VolumeFile::ReadAt(uint64_t offset, void* buffer, size_t n) const {
    if (offset > m_size || n > m_size - offset) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (n > 0) {
        ssize_t got = ::pread(m_fd, out, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            throw RarError(ERAR_EREAD, "cannot read " + m_path + ": " + std::strerror(errno));
        if (got == 0) return false;  // the file shrank under us
        out += got;
        offset += static_cast<uint64_t>(got);
        n -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace kiv::rar
