// Reads a decoder's packed stream bit by bit, most significant bit first, as every RAR
// generation stores its codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "unrar/decoder.h"

namespace kiv::rar {

class BitInput {
public:
    explicit BitInput(PackedInput& in);

    // The next 32 bits without consuming them; past the end of the input they read as zero.
    uint32_t Peek32() {
        if (m_count < 32) Refill();
        return static_cast<uint32_t>(m_acc >> 32);
    }
    // The next n bits (1..32) without consuming them.
    uint32_t Peek(unsigned n) { return n == 0 ? 0 : Peek32() >> (32 - n); }
    // Consumes n bits (0..32).
    void Skip(unsigned n) {
        if (m_count < n) Refill();
        m_acc <<= n;
        m_count -= n;
        m_consumed += n;
    }
    uint32_t Get(unsigned n) {
        const uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    // True when at least n (0..32) more bits of real input follow.
    bool HasMore(unsigned n) {
        Peek32();
        return m_delivered >= m_consumed + n;
    }
    // Drops the bits up to the next byte boundary of the stream.
    void AlignToByte() { Skip(static_cast<unsigned>((8 - m_consumed % 8) % 8)); }

    // Bits consumed since construction (or the last ResetPosition).
    uint64_t Position() const { return m_consumed; }
    void ResetPosition() { m_consumed = 0; }
    // True once more bits were consumed than the input held: the stream was cut short or is
    // damaged. Decoders check it at block boundaries and at the end of an entry; reads past the
    // end return zeros, so a decoder's loop still ends (its output is bounded by the entry size).
    bool Overrun() const { return m_ended && m_consumed > m_delivered; }

private:
    void Refill();

    PackedInput& m_in;
    std::vector<uint8_t> m_buffer;
    size_t m_pos = 0;
    size_t m_end = 0;
    uint64_t m_acc = 0;    // left-aligned: the next bit is bit 63
    unsigned m_count = 0;  // valid bits in m_acc
    uint64_t m_consumed = 0;
    uint64_t m_delivered = 0;  // bits of real input put into m_acc
    bool m_ended = false;
};

}  // namespace kiv::rar
