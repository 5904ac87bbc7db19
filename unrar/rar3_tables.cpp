// Reads the code lengths of an LZ block through their own 20-symbol code, with run codes.
#include "unrar/rar3_tables.h"

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar::rar3 {

namespace {

constexpr size_t kLengthCodeSize = 20;

// The 20 lengths of the code that codes the lengths: 4 bits each, and 15 followed by a nonzero
// count n stands for n + 2 zeros (15 followed by 0 is the length 15 itself).
std::array<uint8_t, kLengthCodeSize> ReadLengthCodeLengths(BitInput& in) {
    std::array<uint8_t, kLengthCodeSize> lengths{};
    for (size_t i = 0; i < kLengthCodeSize;) {
        const uint8_t length = static_cast<uint8_t>(in.Get(4));
        if (length == 15) {
            const uint32_t zeros = in.Get(4);
            if (zeros != 0) {
                for (uint32_t k = 0; k < zeros + 2 && i < kLengthCodeSize; ++k) lengths[i++] = 0;
                continue;
            }
        }
        lengths[i++] = length;
    }
    return lengths;
}

}  // namespace

void LzTables::Read(BitInput& in) {
    if (in.Get(1) == 0) m_lengths.fill(0);
    const auto codeLengths = ReadLengthCodeLengths(in);
    PrefixCode lengthCode;
    lengthCode.Build(codeLengths.data(), codeLengths.size());

    for (size_t i = 0; i < kTotal;) {
        const uint32_t symbol = lengthCode.Decode(in);
        if (symbol < 16) {
            m_lengths[i] = static_cast<uint8_t>((m_lengths[i] + symbol) & 0xF);
            ++i;
            continue;
        }
        // 16 and 17 repeat the previous length, 18 and 19 write zeros; the even ones for 3-10
        // lengths, the odd ones for 11-138.
        const uint32_t count = (symbol & 1) == 0 ? in.Get(3) + 3 : in.Get(7) + 11;
        if (symbol < 18 && i == 0) {
            throw RarError(ERAR_BAD_DATA, "a table repeats a length before the first one");
        }
        const uint8_t value = symbol < 18 ? m_lengths[i - 1] : 0;
        for (uint32_t k = 0; k < count && i < kTotal; ++k) m_lengths[i++] = value;
    }
    if (in.Overrun()) throw RarError(ERAR_BAD_DATA, "the packed data ends inside a table");

    const uint8_t* at = m_lengths.data();
    m_main.Build(at, kMainSize);
    m_distance.Build(at += kMainSize, kDistanceSize);
    m_lowDistance.Build(at += kDistanceSize, kLowDistanceSize);
    m_length.Build(at += kLowDistanceSize, kLengthSize);
}

}  // namespace kiv::rar::rar3
