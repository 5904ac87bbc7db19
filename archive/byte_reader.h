// Positioned reads from a file or a memory block, for the detection and the pre-scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kiv {

class ByteReader {
public:
    virtual ~ByteReader() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to n bytes at offset into buffer; returns how many were read (0 at or past the
    // end, and on a read error).
    virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const = 0;
};

// A file opened read-only; the engine never opens an archive any other way.
class FileReader : public ByteReader {
public:
    ~FileReader() override;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // nullptr when the file cannot be opened or is not a regular file.
    static std::unique_ptr<FileReader> Open(const std::string& path);

    std::uint64_t Size() const override { return m_size; }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override;
    // Modification time in Unix seconds.
    std::int64_t ModificationTime() const { return m_mtime; }

private:
    FileReader(int fd, std::uint64_t size, std::int64_t mtime)
        : m_fd(fd), m_size(size), m_mtime(mtime) {}

    int m_fd;
    std::uint64_t m_size;
    std::int64_t m_mtime;
};

// Bytes held by the caller, who keeps them alive while the reader is used.
class MemoryReader : public ByteReader {
public:
    explicit MemoryReader(std::string_view bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override;

private:
    std::string_view m_bytes;
};

}  // namespace kiv
