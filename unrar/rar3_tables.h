// The four prefix codes of a RAR 2.9/3.x LZ block and the reading of their lengths.
#pragma once

#include <array>
#include <cstdint>

#include "unrar/bit_input.h"
#include "unrar/rar3_prefix_code.h"

namespace kiv::rar::rar3 {

class LzTables {
public:
    static constexpr size_t kMainSize = 299, kDistanceSize = 60, kLowDistanceSize = 17,
                            kLengthSize = 28;
    static constexpr size_t kTotal = kMainSize + kDistanceSize + kLowDistanceSize + kLengthSize;

    // Forgets the lengths, as at the start of a non-solid entry.
    void Clear() { m_lengths.fill(0); }

    // Reads a block's tables, the block's flag bit already consumed: the keep-old-lengths bit,
    // the code-length code and the lengths, each new length added to the previous one (mod 16)
    // unless the block starts afresh. Throws RarError(ERAR_BAD_DATA) for lengths that build no
    // code; the old tables are then lost.
    void Read(BitInput& in);

    const PrefixCode& Main() const { return m_main; }
    const PrefixCode& Distance() const { return m_distance; }
    const PrefixCode& LowDistance() const { return m_lowDistance; }
    const PrefixCode& Length() const { return m_length; }

private:
    std::array<uint8_t, kTotal> m_lengths{};
    PrefixCode m_main, m_distance, m_lowDistance, m_length;
};

}  // namespace kiv::rar::rar3
