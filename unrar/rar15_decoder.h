// The decoder of RAR 1.5 (unpack version 15): fixed prefix codes chosen by running averages,
// adaptive byte tables that move frequent values to short codes, and runs of plain literals.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "unrar/bit_input.h"
#include "unrar/decoder.h"
#include "unrar/lz_window.h"

namespace kiv::rar {

namespace rar15 {

// Maps a decoded index to a byte value and learns from it: each use raises the value's count
// and moves it ahead of the values with a lower count, so that frequent values get the small
// indexes the fixed codes make short. Counts are kept in rank groups; when one reaches the
// table's limit, all counts are reset to eight tiers by rank.
class AdaptiveTable {
public:
    // Value v at index v, or (with reversed) at index -v mod 256; all counts zero.
    void Start(bool reversed);
    // As after the count reset: values keep their order, counts 7 down to 0 by rank.
    void StartTiered();
    // The value at index (0-255), counted once more.
    uint8_t Take(uint32_t index, uint32_t limit);

private:
    void ResetCounts();

    std::array<uint16_t, 256> m_entries{};    // value << 8 | count, by rank
    std::array<uint8_t, 256> m_groupStart{};  // the first rank of each count
};

}  // namespace rar15

class Rar15Decoder final : public Decoder {
public:
    Rar15Decoder();
    ~Rar15Decoder() override;
    Rar15Decoder(const Rar15Decoder&) = delete;
    Rar15Decoder& operator=(const Rar15Decoder&) = delete;

    // See Decoder. The format has no end-of-data code, so p.unknownSize is refused.
    void Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) override;

private:
    void StartEntry(const DecodeParams& p);
    void Reset();
    void DecodeUntil(BitInput& in, uint64_t limit);
    bool FlagBit(BitInput& in);
    void Literal(BitInput& in);
    void LongMatch(BitInput& in);
    void ShortMatch(BitInput& in);
    void RepeatedDistance(BitInput& in, uint32_t selector);
    void Remember(uint32_t distance, uint32_t length);
    void Copy(uint32_t distance, uint32_t length);

    std::unique_ptr<LzWindow> m_window;
    uint64_t m_written = 0;
    uint64_t m_target = 0;

    // Per entry: the flag byte being used, and whether literals come without flags.
    uint32_t m_flags = 0;
    unsigned m_flagBits = 0;
    bool m_literalRun = false;
    uint32_t m_lastRepeats = 0;  // short matches in a row that repeated the last match

    // Carried through a solid run.
    uint32_t m_literalWeight = 0, m_matchWeight = 0;
    uint32_t m_literalsInRow = 0;
    uint32_t m_averageLiteral = 0, m_averageSelector = 0, m_averageLength = 0;
    uint32_t m_averageDistance = 0, m_nearLongMatches = 0;
    uint32_t m_farDistance = 0;  // distances from here on get a longer match
    bool m_altShortCodes = false;
    uint32_t m_lastDistance = 0, m_lastLength = 0;
    std::array<uint32_t, 4> m_oldDistances{};
    unsigned m_oldIndex = 0;
    rar15::AdaptiveTable m_flagTable, m_literalTable, m_distanceTable;
    std::array<uint8_t, 256> m_shortDistances{};

    bool m_broken = false;
};

}  // namespace kiv::rar
