// Canonical prefix codes of RAR 2.9/3.x LZ blocks: built from code lengths, read bit by bit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "unrar/bit_input.h"

namespace kiv::rar::rar3 {

// Codes are given by their lengths alone (0: the symbol is unused): shorter codes first, and
// within one length in symbol order, as every RAR generation assigns them.
class PrefixCode {
public:
    static constexpr unsigned kMaxLength = 15;

    // Builds the code for lengths[0..count) (each 0..kMaxLength). Throws RarError(ERAR_BAD_DATA)
    // when the lengths ask for more codes than exist; fewer is allowed, and the missing codes
    // are refused when read.
    void Build(const uint8_t* lengths, size_t count);

    // The next symbol. Throws RarError(ERAR_BAD_DATA) for bits that are no code of this table.
    uint32_t Decode(BitInput& in) const {
        const uint32_t bits = in.Peek(kMaxLength);
        const Quick q = m_quick[bits >> (kMaxLength - kQuickBits)];
        if (q.length != 0) {
            in.Skip(q.length);
            return q.symbol;
        }
        return DecodeLong(in, bits);
    }
    // The length of the code `bits` (kMaxLength bits, first bit highest) starts with, and its
    // symbol; length 0 when they start no code. Consumes nothing.
    unsigned LengthOf(uint32_t bits, uint32_t* symbol) const;

private:
    static constexpr unsigned kQuickBits = 10;
    struct Quick {
        uint16_t symbol = 0;
        uint8_t length = 0;  // 0: longer than kQuickBits, or no code
    };
    uint32_t DecodeLong(BitInput& in, uint32_t bits) const;

    std::array<Quick, 1u << kQuickBits> m_quick{};
    // Codes of length l, left-aligned to kMaxLength bits, lie in [m_first[l], m_limit[l]).
    std::array<uint32_t, kMaxLength + 1> m_first{};
    std::array<uint32_t, kMaxLength + 1> m_limit{};
    std::array<uint32_t, kMaxLength + 1> m_offset{};  // where length l starts in m_symbols
    std::vector<uint16_t> m_symbols;                  // by length, then by symbol
};

}  // namespace kiv::rar::rar3
