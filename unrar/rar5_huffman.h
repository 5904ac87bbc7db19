// The canonical Huffman codes of RAR 5.0 blocks: built from code lengths, decoded from the bit
// stream through a lookup table for the short codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "unrar/bit_input.h"

namespace kiv::rar {

class Rar5HuffmanTable {
public:
    static constexpr unsigned kMaxLength = 15;
    // The largest alphabet: 306 literal and length symbols.
    static constexpr size_t kMaxSymbols = 306;

    // Assigns the codes: shorter codes first, codes of one length in symbol order; a length of 0
    // leaves the symbol out. An incomplete code (some bit patterns assigned to no symbol) is
    // allowed, as an alphabet of one symbol needs it. Throws RarError(ERAR_BAD_DATA) when the
    // lengths ask for more codes than the code space holds, or when count > kMaxSymbols or a
    // length exceeds kMaxLength.
    void Build(const uint8_t* lengths, size_t count);

    // The next symbol. Throws RarError(ERAR_BAD_DATA) for a bit pattern that no symbol has
    // (which includes every pattern of a table without symbols).
    uint32_t Decode(BitInput& in) const {
        const uint32_t bits = in.Peek32() >> 16;
        const uint16_t quick = m_quick[bits >> (16 - kQuickBits)];
        if (quick != 0) {
            in.Skip(quick & 0xF);
            return quick >> 4;
        }
        return DecodeLong(in, bits);
    }

private:
    static constexpr unsigned kQuickBits = 10;

    uint32_t DecodeLong(BitInput& in, uint32_t bits) const;

    // m_limit[n]: the first 16-bit left-aligned pattern past the codes of length n or shorter.
    std::array<uint32_t, kMaxLength + 1> m_limit{};
    // m_first[n]: the index in m_symbols of the first symbol with a code of length n.
    std::array<uint16_t, kMaxLength + 1> m_first{};
    std::array<uint16_t, kMaxSymbols> m_symbols{};
    // Codes of up to kQuickBits bits, by their next kQuickBits bits: symbol << 4 | length, or 0
    // for a longer code (or none).
    std::array<uint16_t, 1u << kQuickBits> m_quick{};
};

}  // namespace kiv::rar
