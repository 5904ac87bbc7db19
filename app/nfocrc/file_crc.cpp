// CRC-32 of whole files: libdeflate's CRC over large sequential reads.
#include "app/nfocrc/file_crc.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kiv::nfocrc {

namespace {

// Closes the descriptor it holds.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

FileCrc Failure(const std::string& what, int err) {
    FileCrc result;
    result.outcome = FileCrc::Outcome::Failed;
    result.error = what + ": " + std::strerror(err);
    return result;
}

FileCrc NotRegular() {
    FileCrc result;
    result.outcome = FileCrc::Outcome::Failed;
    result.error = "not a regular file";
    return result;
}

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
    return libdeflate_crc32(crc, data, size);
}

FileCrc FileCrc32(const std::string& path, std::span<std::uint8_t> buffer,
                  const std::function<void(std::size_t)>& onChunk,
                  const std::function<bool()>& keepGoing) {
    // Only regular files are opened: opening a FIFO would wait for a writer and opening a
    // device may act on it. O_NONBLOCK covers a file swapped for one between the two looks.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {FileCrc::Outcome::Missing, 0, {}};
        return Failure("cannot examine", errno);
    }
    if (!S_ISREG(info.st_mode)) return NotRegular();
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {FileCrc::Outcome::Missing, 0, {}};
        return Failure("cannot open", errno);
    }
    if (::fstat(file.get(), &info) != 0) return Failure("cannot examine", errno);
    if (!S_ISREG(info.st_mode)) return NotRegular();
    // The kernel then reads further ahead, which is what keeps a disk streaming.
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    FileCrc result;
    for (;;) {
        if (keepGoing && !keepGoing()) {
            result.outcome = FileCrc::Outcome::Stopped;
            return result;
        }
        const ssize_t got = ::read(file.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return Failure("read error", errno);
        }
        if (got == 0) break;
        result.crc = Crc32(result.crc, buffer.data(), std::size_t(got));
        if (onChunk) onChunk(std::size_t(got));
    }
    return result;
}

}  // namespace kiv::nfocrc
