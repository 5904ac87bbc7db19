// RAR 1.5 decoding: the flag bits that choose literal or match, the three kinds of match, and
// the running averages that pick among the fixed codes.
#include "unrar/rar15_decoder.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "unrar/rar3_prefix_code.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

using rar3::PrefixCode;

// The format's window; its distances reach at most this far.
constexpr uint64_t kDictionary = uint64_t{64} * 1024;
// More than the longest match (267 bytes).
constexpr uint64_t kOvershoot = 512;

[[noreturn]] void Fail(const std::string& why) {
    throw RarError(ERAR_BAD_DATA, why);
}

// A canonical code given as the number of codes of each length 1-12; the symbols take them in
// order, shortest first.
PrefixCode CodeOfCounts(std::initializer_list<uint16_t> counts) {
    std::vector<uint8_t> lengths;
    uint8_t length = 0;
    for (const uint16_t count : counts) {
        ++length;
        lengths.insert(lengths.end(), count, length);
    }
    PrefixCode code;
    code.Build(lengths.data(), lengths.size());
    return code;
}

struct FixedCodes {
    // For literals and distance indexes, from the most skewed to the flattest; index 256 of
    // the 257 symbols only ever appears in a run of literals.
    std::array<PrefixCode, 5> bytes;
    PrefixCode length1, length2;  // long-match lengths at higher running averages
};

const FixedCodes& Codes() {
    static const FixedCodes codes = [] {
        FixedCodes c;
        c.bytes[0] = CodeOfCounts({0, 0, 0, 8, 8, 8, 9, 0, 0, 0, 0, 224});
        c.bytes[1] = CodeOfCounts({0, 0, 0, 0, 4, 40, 16, 16, 4, 0, 47, 130});
        c.bytes[2] = CodeOfCounts({0, 0, 0, 0, 2, 5, 46, 64, 116, 24});
        c.bytes[3] = CodeOfCounts({0, 0, 0, 0, 0, 2, 14, 202, 33, 6});
        c.bytes[4] = CodeOfCounts({0, 0, 0, 0, 0, 0, 0, 255, 2});
        c.length1 = CodeOfCounts({0, 2, 1, 2, 2, 4, 5, 4, 4, 8, 0, 224});
        c.length2 = CodeOfCounts({0, 0, 5, 2, 2, 4, 5, 4, 4, 8, 2, 220});
        return c;
    }();
    return codes;
}

// The codes of a short match's selector, at most 8 bits long, looked up by the next 8 bits.
struct SelectorCode {
    std::array<uint8_t, 256> symbol{};
    std::array<uint8_t, 256> length{};  // 0: no code starts with these bits
};

constexpr SelectorCode MakeSelectorCode(std::initializer_list<std::string_view> codes) {
    SelectorCode c;
    uint8_t symbol = 0;
    for (const std::string_view bits : codes) {
        uint32_t value = 0;
        for (const char bit : bits) value = value << 1 | (bit == '1' ? 1 : 0);
        const auto length = static_cast<unsigned>(bits.size());
        const uint32_t first = value << (8 - length);
        for (uint32_t i = first; i < first + (1u << (8 - length)); ++i) {
            c.symbol[i] = symbol;
            c.length[i] = static_cast<uint8_t>(length);
        }
        ++symbol;
    }
    return c;
}

// Selectors 0-8: a new near distance with length 2-10; 9: the last match again; 10-13: one of
// the four last distances with a coded length; 14 (only in the alternative codes): a far match.
// The alternative codes, switched on and off by the stream, split one code to make room for 14;
// which pair applies depends on the running average of selectors.
constexpr std::array<SelectorCode, 4> kSelectorCodes = {
    MakeSelectorCode({"0", "101", "1101", "1110", "11110", "111110", "1111110", "11111110",
                      "11111111", "1100", "1000", "10010", "100110", "100111"}),
    MakeSelectorCode({"0", "1010", "1101", "1110", "11110", "111110", "1111110", "11111110",
                      "11111111", "1100", "1000", "10010", "100110", "100111", "1011"}),
    MakeSelectorCode({"00", "010", "011", "101", "1101", "1110", "11110", "111110", "111111",
                      "1100", "1000", "10010", "100110", "100111"}),
    MakeSelectorCode({"00", "010", "011", "1010", "1101", "1110", "11110", "111110", "111111",
                      "1100", "1000", "10010", "100110", "100111", "1011"}),
};

uint32_t DecodeSelector(BitInput& in, const SelectorCode& code) {
    const uint32_t bits = in.Peek(8);
    if (code.length[bits] == 0) Fail("a short match's selector is no code");
    in.Skip(code.length[bits]);
    return code.symbol[bits];
}

// The code the running average points at: thresholds in rising order.
template <size_t N>
const PrefixCode& ByAverage(uint32_t average, const std::array<uint32_t, N>& thresholds) {
    size_t i = 0;
    while (i < N && average >= thresholds[i]) ++i;
    return Codes().bytes[i];
}

}  // namespace

namespace rar15 {

void AdaptiveTable::Start(bool reversed) {
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t value = reversed ? (256 - i) & 0xff : i;
        m_entries[i] = static_cast<uint16_t>(value << 8);
    }
    m_groupStart.fill(0);
}

void AdaptiveTable::StartTiered() {
    Start(false);
    ResetCounts();
}

void AdaptiveTable::ResetCounts() {
    for (uint32_t i = 0; i < 256; ++i) {
        m_entries[i] = static_cast<uint16_t>((m_entries[i] & 0xff00) | (7 - i / 32));
    }
    m_groupStart.fill(0);
    for (uint32_t count = 0; count < 7; ++count) {
        m_groupStart[count] = static_cast<uint8_t>((7 - count) * 32);
    }
}

uint8_t AdaptiveTable::Take(uint32_t index, uint32_t limit) {
    uint16_t entry = m_entries[index & 0xff];
    if ((entry & 0xff) >= limit) {
        ResetCounts();
        entry = m_entries[index & 0xff];
    }
    // Every value of a higher count ranks before the group of this one: the value swaps with
    // the group's first and, counted once more, becomes the last of the group above.
    // (m_groupStart of a count holds how many values have a higher count; it wraps to 0 only
    // when no value is left with that count.)
    const uint8_t rank = m_groupStart[entry & 0xff]++;
    m_entries[index & 0xff] = m_entries[rank];
    m_entries[rank] = static_cast<uint16_t>(entry + 1);
    return static_cast<uint8_t>(entry >> 8);
}

}  // namespace rar15

Rar15Decoder::Rar15Decoder() = default;
Rar15Decoder::~Rar15Decoder() = default;

void Rar15Decoder::Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) {
    if (p.unknownSize) Fail("a RAR 1.5 entry needs its size: its data has no end code");
    if (p.solid && m_broken) {
        Fail("the solid run cannot go on after an entry that did not end cleanly");
    }
    m_broken = true;
    StartEntry(p);
    LzWindow& window = *m_window;
    if (p.unpSize > UINT64_MAX - window.Position()) Fail("the entry's size is out of range");
    m_target = window.Position() + p.unpSize;
    BitInput bits(in);
    while (window.Position() < m_target) {
        DecodeUntil(bits, std::min(m_target, m_written + window.Size() - kOvershoot));
        if (bits.Overrun()) Fail("the packed data ends too soon");
        const uint64_t end = std::min(window.Position(), m_target);
        window.WriteTo(out, m_written, end);
        m_written = end;
    }
    m_broken = false;
}

void Rar15Decoder::StartEntry(const DecodeParams& p) {
    DecodeParams sizing = p;
    sizing.dictionarySize = kDictionary;
    const size_t size = WindowSizeFor(sizing);
    if (!p.solid || !m_window) {
        m_window = std::make_unique<LzWindow>(size);
        Reset();
    } else if (m_window->Size() < size) {
        m_window->Grow(size);
    }
    m_written = m_window->Position();
    // Each entry's data starts with a fresh flag byte, outside a run of literals.
    m_flagBits = 0;
    m_literalRun = false;
    m_lastRepeats = 0;
}

void Rar15Decoder::Reset() {
    m_literalWeight = m_matchWeight = 0x80;
    m_literalsInRow = 0;
    m_averageLiteral = 0x3500;
    m_averageSelector = m_averageLength = m_averageDistance = m_nearLongMatches = 0;
    m_farDistance = 0x2001;
    m_altShortCodes = false;
    m_lastDistance = m_lastLength = 0;
    m_oldDistances.fill(0);
    m_oldIndex = 0;
    m_flagTable.Start(true);
    m_literalTable.Start(false);
    m_distanceTable.StartTiered();
    for (uint32_t i = 0; i < 256; ++i) m_shortDistances[i] = static_cast<uint8_t>(i);
}

void Rar15Decoder::DecodeUntil(BitInput& in, uint64_t limit) {
    while (m_window->Position() < limit) {
        if (m_literalRun) {
            Literal(in);
            continue;
        }
        // Two flag bits name one of three steps; which of literal and long match takes the
        // single bit follows from which has been more frequent lately.
        const bool expectMatch = m_matchWeight > m_literalWeight;
        if (FlagBit(in)) {
            expectMatch ? LongMatch(in) : Literal(in);
        } else if (FlagBit(in)) {
            expectMatch ? Literal(in) : LongMatch(in);
        } else {
            ShortMatch(in);
        }
    }
}

bool Rar15Decoder::FlagBit(BitInput& in) {
    if (m_flagBits == 0) {
        const uint32_t index = Codes().bytes[2].Decode(in);
        if (index == 256) Fail("a flag byte's index is out of range");
        m_flags = m_flagTable.Take(index, 0xff);
        m_flagBits = 8;
    }
    --m_flagBits;
    return (m_flags >> m_flagBits & 1) != 0;
}

void Rar15Decoder::Literal(BitInput& in) {
    uint32_t index =
        ByAverage(m_averageLiteral, std::array<uint32_t, 4>{0xe00, 0x3600, 0x5e00, 0x7600})
            .Decode(in);
    if (m_literalRun) {
        // Index 0 leaves the run or puts a short match in it; the literals move up by one.
        if (index == 0) {
            if (in.Get(1) == 1) {
                m_literalRun = false;
                m_literalsInRow = 0;
                return;
            }
            const uint32_t length = in.Get(1) == 1 ? 4 : 3;
            uint32_t distance = Codes().bytes[2].Decode(in) << 5;
            distance |= in.Get(5);
            Copy(distance, length);
            return;
        }
        --index;
    } else {
        index &= 0xff;
        // Many literals in a row, at a flag byte's boundary, start a run without flags.
        if (m_literalsInRow++ >= 16 && m_flagBits == 0) m_literalRun = true;
    }
    m_averageLiteral += index;
    m_averageLiteral -= m_averageLiteral >> 8;
    m_literalWeight += 16;
    if (m_literalWeight > 0xff) {
        m_literalWeight = 0x90;
        m_matchWeight >>= 1;
    }
    m_window->Put(m_literalTable.Take(index, 0xa1));
}

void Rar15Decoder::LongMatch(BitInput& in) {
    m_literalsInRow = 0;
    m_matchWeight += 16;
    if (m_matchWeight > 0xff) {
        m_matchWeight = 0x90;
        m_literalWeight >>= 1;
    }
    uint32_t rawLength = 0;
    if (m_averageLength >= 122) {
        rawLength = Codes().length2.Decode(in);
    } else if (m_averageLength >= 64) {
        rawLength = Codes().length1.Decode(in);
    } else {
        // Short lengths in unary; eight zeros announce an 8-bit length.
        while (rawLength < 8 && in.Get(1) == 0) ++rawLength;
        if (rawLength == 8) rawLength = in.Get(8);
    }
    const uint32_t index =
        ByAverage(m_averageDistance, std::array<uint32_t, 2>{0x700, 0x2900}).Decode(in);
    if (index == 256) Fail("a distance index is out of range");
    const uint32_t distance =
        static_cast<uint32_t>(m_distanceTable.Take(index, 0xff)) << 7 | in.Get(7);
    uint32_t length = rawLength + 3;
    if (distance >= m_farDistance) ++length;
    if (distance <= 256) length += 8;

    const uint32_t farDistance = m_farDistance;
    m_farDistance =
        m_nearLongMatches > 0xb0 || (m_averageLiteral >= 0x2a00 && m_averageLength < 0x40) ? 0x7f00
                                                                                           : 0x2001;
    m_averageLength += rawLength;
    m_averageLength -= m_averageLength >> 5;
    m_averageDistance += index;
    m_averageDistance -= m_averageDistance >> 8;
    if (rawLength == 0 && distance <= farDistance) {
        ++m_nearLongMatches;
        m_nearLongMatches -= m_nearLongMatches >> 8;
    } else if (rawLength != 1 && rawLength != 4 && m_nearLongMatches > 0) {
        --m_nearLongMatches;
    }
    Remember(distance, length);
    Copy(distance, length);
}

void Rar15Decoder::ShortMatch(BitInput& in) {
    m_literalsInRow = 0;
    if (m_lastRepeats == 2) {
        // After two repeats of the last match, one bit says whether a third follows.
        if (in.Get(1) == 1) {
            Copy(m_lastDistance, m_lastLength);
            return;
        }
        m_lastRepeats = 0;
    }
    const size_t table = (m_averageSelector < 37 ? 0 : 2) + (m_altShortCodes ? 1 : 0);
    const uint32_t selector = DecodeSelector(in, kSelectorCodes[table]);
    if (selector < 9) {
        m_lastRepeats = 0;
        m_averageSelector += selector;
        m_averageSelector -= m_averageSelector >> 4;
        // The near distances are ranked too: each use moves one a step towards the front.
        const uint32_t index = Codes().bytes[2].Decode(in) & 0xff;
        const uint32_t distance = m_shortDistances[index] + 1u;
        if (index != 0) std::swap(m_shortDistances[index], m_shortDistances[index - 1]);
        Remember(distance, selector + 2);
        Copy(distance, selector + 2);
    } else if (selector == 9) {
        ++m_lastRepeats;
        Copy(m_lastDistance, m_lastLength);
    } else if (selector < 14) {
        RepeatedDistance(in, selector);
    } else {
        m_lastRepeats = 0;
        m_lastLength = Codes().length2.Decode(in) + 5;
        m_lastDistance = in.Get(15) + 0x8000;
        Copy(m_lastDistance, m_lastLength);
    }
}

void Rar15Decoder::RepeatedDistance(BitInput& in, uint32_t selector) {
    m_lastRepeats = 0;
    const uint32_t distance = m_oldDistances[(m_oldIndex - (selector - 9)) & 3];
    uint32_t length = Codes().length1.Decode(in) + 2;
    if (length == 0x101 && selector == 10) {
        // This otherwise unused length switches between the two sets of selector codes.
        m_altShortCodes = !m_altShortCodes;
        return;
    }
    if (distance > 256) ++length;
    if (distance >= m_farDistance) ++length;
    Remember(distance, length);
    Copy(distance, length);
}

void Rar15Decoder::Remember(uint32_t distance, uint32_t length) {
    m_oldDistances[m_oldIndex++ & 3] = distance;
    m_lastDistance = distance;
    m_lastLength = length;
}

void Rar15Decoder::Copy(uint32_t distance, uint32_t length) {
    // In the format's 64 KiB window a distance of 0 reaches the whole window back.
    m_window->Copy(distance == 0 ? kDictionary : distance, length);
}

}  // namespace kiv::rar
