// Positioned reads from a file opened read-only.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formatcore/byte_source.h"

namespace kiv::format {

// A regular file opened read-only; a fifo or a device named like an archive is refused, so that
// it can neither block the opener nor feed a reader endless bytes. Reads stop at the size the
// file had when it was opened.
class FileSource : public ByteSource {
public:
    // nullptr when path cannot be opened or is not a regular file; why, when given, then says
    // which, naming the path.
    static std::unique_ptr<FileSource> Open(const std::string& path, std::string* why = nullptr);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return m_size; }
    // Fewer than n bytes also when the file has shrunk since it was opened. Throws ReadError,
    // naming the path and the system's reason, when a read fails.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override;

    const std::string& Path() const { return m_path; }
    // Modification time in Unix seconds.
    std::int64_t ModificationTime() const { return m_mtime; }
    // Device and inode tell two names of one file apart from two files.
    dev_t Device() const { return m_device; }
    ino_t Inode() const { return m_inode; }

private:
    FileSource(int fd, std::string path, std::uint64_t size, std::int64_t mtime, dev_t device,
               ino_t inode);

    int m_fd;
    std::string m_path;
    std::uint64_t m_size;
    std::int64_t m_mtime;
    dev_t m_device;
    ino_t m_inode;
};

}  // namespace kiv::format
