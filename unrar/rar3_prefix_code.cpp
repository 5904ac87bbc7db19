// Canonical prefix codes: a direct table for short codes, a search by length for long ones.
#include "unrar/rar3_prefix_code.h"

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar::rar3 {

void PrefixCode::Build(const uint8_t* lengths, size_t count) {
    std::array<uint32_t, kMaxLength + 1> perLength{};
    for (size_t i = 0; i < count; ++i) ++perLength[lengths[i]];
    perLength[0] = 0;

    uint32_t next = 0;  // the next free code, left-aligned
    uint32_t offset = 0;
    for (unsigned l = 1; l <= kMaxLength; ++l) {
        m_first[l] = next;
        m_offset[l] = offset;
        next += perLength[l] << (kMaxLength - l);
        offset += perLength[l];
        m_limit[l] = next;
    }
    if (next > (1u << kMaxLength)) throw RarError(ERAR_BAD_DATA, "over-subscribed prefix code");

    m_symbols.assign(offset, 0);
    std::array<uint32_t, kMaxLength + 1> fill = m_offset;
    for (size_t i = 0; i < count; ++i) {
        if (lengths[i] != 0) m_symbols[fill[lengths[i]]++] = static_cast<uint16_t>(i);
    }

    m_quick.fill(Quick{});
    for (unsigned l = 1; l <= kQuickBits; ++l) {
        const unsigned shift = kMaxLength - kQuickBits;
        const uint32_t span = 1u << (kQuickBits - l);
        for (uint32_t k = 0; k < perLength[l]; ++k) {
            const uint32_t code = (m_first[l] >> shift) + k * span;
            const Quick q{m_symbols[m_offset[l] + k], static_cast<uint8_t>(l)};
            for (uint32_t j = 0; j < span; ++j) m_quick[code + j] = q;
        }
    }
}

unsigned PrefixCode::LengthOf(uint32_t bits, uint32_t* symbol) const {
    for (unsigned l = 1; l <= kMaxLength; ++l) {
        // The limits grow with the length, so the first one above bits is the code's length.
        if (bits < m_limit[l]) {
            *symbol = m_symbols[m_offset[l] + ((bits - m_first[l]) >> (kMaxLength - l))];
            return l;
        }
    }
    return 0;
}

uint32_t PrefixCode::DecodeLong(BitInput& in, uint32_t bits) const {
    uint32_t symbol = 0;
    const unsigned length = LengthOf(bits, &symbol);
    if (length == 0) throw RarError(ERAR_BAD_DATA, "bits that form no code of the block's tables");
    in.Skip(length);
    return symbol;
}

}  // namespace kiv::rar::rar3
