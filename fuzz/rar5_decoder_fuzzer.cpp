// libFuzzer target: the RAR 5.0 decoder on arbitrary packed bytes. The first five bytes choose
// the entry: flags (bit 0 version 70, bit 1 unknown size, bit 2 decode a solid second entry from
// the same bytes, bits 3-4 how many bytes the input hands out at a time), the entry size (20
// bits, little-endian over three bytes) and the dictionary (128 KiB shifted by 0-7).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "unrar/decoder.h"
#include "unrar/rar5_decoder.h"
#include "unrar/rar_error.h"

namespace {

class MemoryInput : public kiv::rar::PackedInput {
public:
    MemoryInput(const uint8_t* data, size_t size, size_t chunk)
        : m_data(data), m_size(size), m_chunk(chunk) {}
    size_t Read(uint8_t* out, size_t size) override {
        const size_t n = std::min({size, m_chunk, m_size - m_pos});
        std::memcpy(out, m_data + m_pos, n);
        m_pos += n;
        return n;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_chunk;
    size_t m_pos = 0;
};

// Counts the bytes and touches each, so that a read of memory never written is caught.
class CountingSink : public kiv::rar::UnpackedSink {
public:
    void Write(const uint8_t* data, size_t size) override {
        for (size_t i = 0; i < size; ++i) m_sum += data[i];
        m_count += size;
    }
    uint64_t Count() const { return m_count; }

private:
    uint64_t m_count = 0;
    unsigned m_sum = 0;
};

// Decodes one entry; aborts when a known-size entry yields other than its size.
bool DecodeEntry(kiv::rar::Decoder& decoder, const uint8_t* data, size_t size, size_t chunk,
                 const kiv::rar::DecodeParams& p) {
    MemoryInput in(data, size, chunk);
    CountingSink out;
    try {
        decoder.Decode(in, out, p);
    } catch (const kiv::rar::RarError&) {
        return false;
    }
    if (!p.unknownSize && out.Count() != p.unpSize) std::abort();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const uint8_t flags = data[0];
    kiv::rar::DecodeParams p;
    p.unpVer = (flags & 1) ? 70 : 50;
    p.unknownSize = (flags & 2) != 0;
    p.unpSize = (data[1] | data[2] << 8 | data[3] << 16) & 0xFFFFF;
    p.dictionarySize = uint64_t{128 * 1024} << (data[4] & 7);
    static constexpr size_t kChunks[] = {1 << 16, 1, 7, 4096};
    const size_t chunk = kChunks[(flags >> 3) & 3];
    kiv::rar::Rar5Decoder decoder;
    DecodeEntry(decoder, data + 5, size - 5, chunk, p);
    if (flags & 4) {
        p.solid = true;
        p.dictionarySize <<= 1;  // a solid entry may declare a larger dictionary
        DecodeEntry(decoder, data + 5, size - 5, chunk, p);
    }
    return 0;
}
