// The harness shared by the fuzzers of the RAR 1.5 and RAR 2.0 decoders: arbitrary packed data
// as one entry, or as two entries of a solid run sharing the decoder.
// Input: 7 bytes of header, then the packed bytes. Header: flags (bit 0: a second, solid entry
// follows; bit 1: the first entry is decoded to nowhere, as a skipped entry of a solid run is;
// bit 2: sizes count 16 bytes, so that the window wraps), the first entry's size (2 bytes,
// little-endian), where the packed bytes split between the entries (2 bytes) and the second
// entry's size (2 bytes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "unrar/decoder.h"
#include "unrar/rar_error.h"

namespace kiv::fuzz {

class MemoryInput : public rar::PackedInput {
public:
    explicit MemoryInput(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    size_t Read(uint8_t* data, size_t size) override {
        // Small, uneven pieces, as volume parts hand them over.
        const size_t n = std::min({size, m_bytes.size() - m_pos, size_t{4093}});
        std::copy_n(m_bytes.data() + m_pos, n, data);
        m_pos += n;
        return n;
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
};

class CountingSink : public rar::UnpackedSink {
public:
    explicit CountingSink(bool touch) : m_touch(touch) {}
    void Write(const uint8_t* data, size_t size) override {
        // Touch what the decoder hands over, so that a read of bad memory shows.
        if (m_touch && size > 0) {
            uint32_t sum = data[size - 1];
            for (size_t i = 0; i < size; i += 512) sum += data[i];
            m_sum = m_sum + sum;
        }
        m_total += size;
    }
    uint64_t Total() const { return m_total; }

private:
    bool m_touch;
    uint64_t m_total = 0;
    volatile uint32_t m_sum = 0;
};

inline bool DecodeEntry(rar::Decoder& decoder, std::span<const uint8_t> packed,
                        const rar::DecodeParams& p, bool touch) {
    MemoryInput in(packed);
    CountingSink out(touch);
    try {
        decoder.Decode(in, out, p);
    } catch (const rar::RarError&) {
        return false;
    }
    // A decoder that returns has handed over exactly the entry's size.
    if (out.Total() != p.unpSize) __builtin_trap();
    return true;
}

inline int FuzzOldDecoder(uint32_t unpVer, const uint8_t* data, size_t size) {
    constexpr size_t kHeaderSize = 7;
    if (size < kHeaderSize) return 0;
    const uint8_t flags = data[0];
    rar::DecodeParams p;
    p.unpVer = unpVer;
    const uint64_t unit = (flags & 4) != 0 ? 16 : 1;
    p.unpSize = uint64_t{static_cast<uint32_t>(data[1] | data[2] << 8)} * unit;
    p.dictionarySize = unpVer < 20 ? 64 << 10 : 1 << 20;
    const bool twoEntries = (flags & 1) != 0;
    p.solidArchive = twoEntries;
    const std::span<const uint8_t> packed(data + kHeaderSize, size - kHeaderSize);
    const size_t split = std::min<size_t>(data[3] | data[4] << 8, packed.size());

    auto decoder = rar::CreateDecoder(p);
    if (!decoder) __builtin_trap();
    const bool firstEnded =
        DecodeEntry(*decoder, twoEntries ? packed.first(split) : packed, p, (flags & 2) == 0);
    if (twoEntries) {
        p.solid = true;
        p.unpSize = uint64_t{static_cast<uint32_t>(data[5] | data[6] << 8)} * unit;
        const bool secondEnded = DecodeEntry(*decoder, packed.subspan(split), p, true);
        // After a failed entry the decoder must refuse to go on, not decode from a half state.
        if (!firstEnded && secondEnded) __builtin_trap();
    }
    return 0;
}

}  // namespace kiv::fuzz
