// TStream: the byte-stream interface the framework, designs and the file store read and write.
#pragma once

#include <cstdint>

namespace kiv {

enum class SeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Reads up to `count` bytes into `buffer`; returns how many were read (0 at the end).
    // An I/O failure raises EReadError.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    // Writes up to `count` bytes; returns how many were written (fewer when the medium is full).
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Moves the position and returns the new one. Positions past the end are allowed; a later
    // write there fills the gap with zero bytes.
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t size) = 0;

    std::int64_t Position() { return Seek(0, SeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::soBeginning); }

    // Reads exactly `count` bytes or raises EReadError ("Stream read error").
    void ReadBuffer(void* buffer, std::int64_t count);
    // Writes exactly `count` bytes or raises EWriteError ("Stream write error").
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies `count` bytes from `source`'s position; a count of 0 copies the whole of `source`
    // from its start. Returns the number of bytes copied; a short source raises EReadError.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

}  // namespace kiv
