// File and memory readers.
#include "archive/byte_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace kiv {

FileReader::~FileReader() {
    ::close(m_fd);
}

std::unique_ptr<FileReader> FileReader::Open(const std::string& path) {
    // O_NONBLOCK: a FIFO named like an archive must be refused, not waited on for a writer;
    // regular files ignore the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FileReader>(
        new FileReader(fd, static_cast<std::uint64_t>(st.st_size), st.st_mtime));
}

std::size_t FileReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) - n) return 0;
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
        const ssize_t got = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t MemoryReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset >= m_bytes.size()) return 0;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(n, m_bytes.size() - offset));
    std::memcpy(buffer, m_bytes.data() + offset, count);
    return count;
}

}  // namespace kiv
