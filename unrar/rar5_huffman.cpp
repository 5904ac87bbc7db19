// Canonical Huffman tables of RAR 5.0: code assignment, the quick lookup and the long codes.
#include "unrar/rar5_huffman.h"

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

void Rar5HuffmanTable::Build(const uint8_t* lengths, size_t count) {
    if (count > kMaxSymbols) throw RarError(ERAR_BAD_DATA, "Huffman table too large");
    std::array<uint16_t, kMaxLength + 1> perLength{};
    for (size_t i = 0; i < count; ++i) {
        if (lengths[i] > kMaxLength) throw RarError(ERAR_BAD_DATA, "Huffman code too long");
        ++perLength[lengths[i]];
    }
    perLength[0] = 0;

    uint32_t next = 0;
    m_limit[0] = 0;
    m_first[0] = 0;
    for (unsigned n = 1; n <= kMaxLength; ++n) {
        next += static_cast<uint32_t>(perLength[n]) << (16 - n);
        if (next > 0x10000) throw RarError(ERAR_BAD_DATA, "Huffman code lengths oversubscribed");
        m_limit[n] = next;
        m_first[n] = static_cast<uint16_t>(m_first[n - 1] + perLength[n - 1]);
    }

    std::array<uint16_t, kMaxLength + 1> fill = m_first;
    for (size_t i = 0; i < count; ++i) {
        if (lengths[i] != 0) m_symbols[fill[lengths[i]]++] = static_cast<uint16_t>(i);
    }

    m_quick.fill(0);
    for (unsigned n = 1; n <= kQuickBits; ++n) {
        const uint32_t span = 1u << (kQuickBits - n);
        for (uint32_t k = 0; k < perLength[n]; ++k) {
            const uint32_t start = (m_limit[n - 1] >> (16 - kQuickBits)) + k * span;
            const auto entry = static_cast<uint16_t>(m_symbols[m_first[n] + k] << 4 | n);
            for (uint32_t j = 0; j < span; ++j) m_quick[start + j] = entry;
        }
    }
}

uint32_t Rar5HuffmanTable::DecodeLong(BitInput& in, uint32_t bits) const {
    for (unsigned n = kQuickBits + 1; n <= kMaxLength; ++n) {
        if (bits < m_limit[n]) {
            in.Skip(n);
            return m_symbols[m_first[n] + ((bits - m_limit[n - 1]) >> (16 - n))];
        }
    }
    throw RarError(ERAR_BAD_DATA, "damaged data: a Huffman code no symbol has");
}

}  // namespace kiv::rar
