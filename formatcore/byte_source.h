// Positioned reads from the bytes of one archive volume, and those bytes held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace kiv::format {

// Bytes that exist but cannot be read (an I/O error); never thrown for the end of the bytes.
class ReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies up to n bytes at offset into buffer and returns how many it copied: n, or fewer
    // where the bytes end first (0 at or past Size()). Throws ReadError when bytes within
    // Size() cannot be read.
    virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const = 0;
    // True when all n bytes at offset were copied.
    bool ReadExact(std::uint64_t offset, void* buffer, std::size_t n) const {
        return ReadAt(offset, buffer, n) == n;
    }
};

// Bytes held by the caller, who keeps them alive while the source is used.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    MemorySource(const std::uint8_t* data, std::size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), size) {}

    std::uint64_t Size() const override { return m_bytes.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override;

private:
    std::string_view m_bytes;
};

}  // namespace kiv::format
