// TFileStream on POSIX descriptors.
#include "framework/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "framework/exception.h"

namespace kiv {

namespace {

int OpenFlags(std::uint16_t mode) {
    if (mode == fmCreate) return O_RDWR | O_CREAT | O_TRUNC;
    switch (mode & 0x0003) {
        case fmOpenWrite:
            return O_WRONLY;
        case fmOpenReadWrite:
            return O_RDWR;
        default:
            return O_RDONLY;
    }
}

}  // namespace

TFileStream::TFileStream(const std::string& path, std::uint16_t mode) : m_path(path) {
    do {
        m_fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        if (mode == fmCreate) throw EFCreateError(FormatMessage("Cannot create file %s", path));
        throw EFOpenError(FormatMessage("Cannot open file %s", path));
    }
}

TFileStream::~TFileStream() {
    ::close(m_fd);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(m_fd, out + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EReadError("Stream read error");
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(m_fd, in + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the caller sees the short count; WriteBuffer turns it into an error
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::soBeginning ? SEEK_SET
                       : origin == SeekOrigin::soCurrent ? SEEK_CUR
                                                         : SEEK_END;
    const off_t position = ::lseek(m_fd, offset, whence);
    if (position < 0) throw EStreamError(FormatMessage("Seek error in %s", m_path));
    return position;
}

std::int64_t TFileStream::Size() {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) throw EReadError("Stream read error");
    return st.st_size;
}

void TFileStream::SetSize(std::int64_t size) {
    if (::ftruncate(m_fd, size) != 0) throw EWriteError("Stream write error");
    if (Position() > size) Seek(size, SeekOrigin::soBeginning);
}

}  // namespace kiv
