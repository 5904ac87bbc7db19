// TMemoryStream: a growable stream over bytes held in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "framework/stream.h"

namespace kiv {

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Raises EWriteError when the stream cannot grow that far.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(m_bytes.size()); }
    void SetSize(std::int64_t size) override;

    // The bytes of the stream, valid until the next write or size change.
    std::uint8_t* Memory() { return m_bytes.data(); }
    std::span<const std::uint8_t> Bytes() const { return m_bytes; }

    // Empties the stream and rewinds it.
    void Clear();
    // Replaces the content with the whole of `source` (read from its start) and rewinds.
    void LoadFromStream(TStream& source);
    // Replaces the content with the file's bytes and rewinds; EFOpenError when it cannot be opened.
    void LoadFromFile(const std::string& path);
    // Writes all bytes at `dest`'s position; this stream's position is unchanged.
    void SaveToStream(TStream& dest) const;
    // Creates or overwrites the file with all bytes; EFCreateError when it cannot be created.
    void SaveToFile(const std::string& path) const;

private:
    void Grow(std::int64_t size);

    std::vector<std::uint8_t> m_bytes;
    std::int64_t m_position = 0;
};

}  // namespace kiv
