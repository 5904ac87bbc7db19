// The range decoder of RAR 2.9/3.x PPM blocks: a carry-less coder that keeps the low end of the
// range and, unlike the coders of other PPMd containers, may cut the range short at a 15-bit
// boundary.
#pragma once

#include <cstdint>

#include "unrar/bit_input.h"
#include "unrar/ppmd_alloc.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar::ppmd {

// Binary contexts code their symbol against this total.
constexpr uint32_t kBinScale = 1 << 14;

class RangeDecoder {
public:
    // Starts on the next four bytes of in. Throws RarError(ERAR_BAD_DATA) for a start no coder
    // can produce.
    void Start(BitInput& in) {
        m_in = &in;
        m_pastEnd = 0;
        m_low = 0;
        m_range = 0xFFFFFFFF;
        m_code = 0;
        for (int i = 0; i < 4; ++i) m_code = (m_code << 8) | NextByte();
        // The first code lies below low + range = 0xFFFFFFFF.
        if (m_code == 0xFFFFFFFF) throw RarError(ERAR_BAD_DATA, "damaged PPM data");
    }
    // The same stream may be read through another BitInput object between calls.
    void Attach(BitInput& in) { m_in = &in; }

    // The model's choices. Each returns the chosen state, or null for the escape, and throws
    // RarError(ERAR_BAD_DATA) when the code lies beyond every choice.

    // Among the n states from s on, whose frequencies and escape add up to total.
    State* ChooseFirst(State* s, unsigned n, uint32_t total) {
        Scale(total);
        // Most symbols are the first: that test needs no division.
        const uint32_t offset = m_code - m_low;
        uint32_t high = s->freq;
        if (offset < high * m_range) {
            Narrow(0, high);
            return s;
        }
        const uint32_t count = offset / m_range;
        for (unsigned i = 1; i < n; ++i) {
            ++s;
            high += s->freq;
            if (high > count) {
                Narrow(high - s->freq, s->freq);
                return s;
            }
        }
        if (count >= total) Damaged();
        Narrow(high, total - high);
        return nullptr;
    }
    // The one state of a binary context, chosen with probability size0 / kBinScale.
    bool ChooseBinary(uint32_t size0, const State*) {
        m_range /= kBinScale;
        const uint32_t bound = size0 * m_range;
        if (m_code - m_low < bound) {
            m_range = bound;
            Normalize();
            return true;
        }
        m_low += bound;
        m_range *= kBinScale - size0;
        Normalize();
        return false;
    }
    // Among the n states listed in ps, whose frequencies add up to sum, or the escape.
    State* ChooseMasked(State* const* ps, unsigned n, uint32_t sum, uint32_t escape) {
        const uint32_t total = sum + escape;
        const uint32_t count = Threshold(total);
        if (count < sum) {
            uint32_t high = 0;
            for (unsigned i = 0; i < n; ++i) {
                high += ps[i]->freq;
                if (high > count) {
                    Narrow(high - ps[i]->freq, ps[i]->freq);
                    return ps[i];
                }
            }
        }
        if (count >= total) Damaged();
        Narrow(sum, escape);
        return nullptr;
    }

private:
    static constexpr uint32_t kTop = 1 << 24;
    static constexpr uint32_t kBottom = 1 << 15;
    // Bytes read past the end of the packed data before the stream counts as cut short; a
    // complete stream never needs any, as its coder flushed every byte the decoder reads.
    static constexpr unsigned kPastEndSlack = 8;

    [[noreturn]] static void Damaged() { throw RarError(ERAR_BAD_DATA, "damaged PPM data"); }

    // Divides the range among total parts (after which Narrow picks some of them).
    void Scale(uint32_t total) {
        m_range /= total;
        // Only a damaged model state or stream gets here with a total above the range.
        if (m_range == 0) Damaged();
    }
    uint32_t Threshold(uint32_t total) {
        Scale(total);
        return (m_code - m_low) / m_range;
    }
    void Narrow(uint32_t start, uint32_t size) {
        m_low += start * m_range;
        m_range *= size;
        Normalize();
    }
    void Normalize() {
        // Most symbols leave the range wide enough.
        if ((m_low ^ (m_low + m_range)) >= kTop && m_range >= kBottom) return;
        Refill();
    }
    [[gnu::noinline]] void Refill() {
        for (;;) {
            if ((m_low ^ (m_low + m_range)) >= kTop) {
                if (m_range >= kBottom) break;
                // The range straddles a byte boundary of low and got small: cut it at the
                // boundary below, as the encoder did.
                m_range = (0 - m_low) & (kBottom - 1);
            }
            m_code = (m_code << 8) | NextByte();
            m_range <<= 8;
            m_low <<= 8;
        }
    }
    uint32_t NextByte() {
        const uint32_t byte = m_in->Get(8);
        if (m_in->Overrun() && ++m_pastEnd > kPastEndSlack) {
            throw RarError(ERAR_BAD_DATA, "PPM data cut short");
        }
        return byte;
    }

    BitInput* m_in = nullptr;
    uint32_t m_low = 0;
    uint32_t m_code = 0;
    uint32_t m_range = 0;
    unsigned m_pastEnd = 0;
};

}  // namespace kiv::rar::ppmd
