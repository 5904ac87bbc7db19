// Positioned reads from a regular file opened read-only.
#include "formatcore/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kiv::format {

std::unique_ptr<FileSource> FileSource::Open(const std::string& path, std::string* why) {
    // O_NONBLOCK: a fifo must be refused, not waited on for a writer; regular files ignore it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (why) *why = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (why) *why = path + " is not a regular file";
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(
        fd, path, static_cast<std::uint64_t>(st.st_size), st.st_mtime, st.st_dev, st.st_ino));
}

FileSource::FileSource(int fd, std::string path, std::uint64_t size, std::int64_t mtime,
                       dev_t device, ino_t inode)
    : m_fd(fd),
      m_path(std::move(path)),
      m_size(size),
      m_mtime(mtime),
      m_device(device),
      m_inode(inode) {}

FileSource::~FileSource() {
    ::close(m_fd);
}

std::size_t FileSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset >= m_size) return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_size - offset));
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < want) {
        const ssize_t got =
            ::pread(m_fd, out + done, want - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw ReadError("cannot read " + m_path + ": " + std::strerror(errno));
        if (got == 0) break;  // the file shrank under us
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace kiv::format
