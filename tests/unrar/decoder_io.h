// Packed input and unpacked output in memory for the decoder tests: input handed out a few
// bytes at a time, as a part boundary between volumes would, and output gathered in a string.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "unrar/decoder.h"

namespace kiv::test {

class ChunkedInput : public rar::PackedInput {
public:
    ChunkedInput(std::vector<uint8_t> bytes, size_t chunk)
        : m_bytes(std::move(bytes)), m_chunk(chunk) {}
    ChunkedInput(std::string_view bytes, size_t chunk)
        : ChunkedInput(std::vector<uint8_t>(bytes.begin(), bytes.end()), chunk) {}
    size_t Read(uint8_t* data, size_t size) override {
        const size_t n = std::min({size, m_chunk, m_bytes.size() - m_pos});
        std::copy_n(m_bytes.begin() + static_cast<long>(m_pos), n, data);
        m_pos += n;
        return n;
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_chunk;
    size_t m_pos = 0;
};

struct StringSink : rar::UnpackedSink {
    void Write(const uint8_t* data, size_t size) override {
        text.append(reinterpret_cast<const char*>(data), size);
    }
    std::string text;
};

// Counts what it is given and keeps nothing, as the skip path of a solid entry does.
struct DiscardSink : rar::UnpackedSink {
    void Write(const uint8_t*, size_t size) override { bytes += size; }
    uint64_t bytes = 0;
};

}  // namespace kiv::test
