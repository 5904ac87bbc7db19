// The RAR 2.0 test stream writer: canonical codes from lengths, slots chosen from lengths and
// distances, and random streams.
#include "tests/unrar/rar20_stream_writer.h"

#include <random>
#include <stdexcept>

namespace kiv::test::rar20 {

namespace {

constexpr size_t kMain = 298, kDistances = 48, kLengths = 28, kAudio = 257;

// Where slot n of a length or distance starts, and its extra bits, counted the way the format
// lays the slots out end to end.
struct Slot {
    uint32_t slot = 0, extra = 0, bits = 0;
};
Slot SlotOf(uint32_t value, size_t count, unsigned (*bitsOf)(size_t)) {
    uint32_t base = 0;
    for (size_t s = 0; s < count; ++s) {
        const unsigned bits = bitsOf(s);
        if (value < base + (1u << bits)) return {static_cast<uint32_t>(s), value - base, bits};
        base += 1u << bits;
    }
    throw std::logic_error("value beyond the last slot");
}
unsigned LengthBits(size_t s) {
    return s < 8 ? 0 : static_cast<unsigned>(s / 4 - 1);
}
unsigned DistanceBits(size_t s) {
    return s < 4 ? 0 : s < 34 ? static_cast<unsigned>(s / 2 - 1) : 16;
}
unsigned ShortBits(size_t s) {
    static constexpr unsigned kBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};
    return kBits[s];
}

template <typename Code>
std::vector<Code> Canonical(const uint8_t* lengths, size_t count) {
    std::vector<Code> codes(count);
    uint32_t next = 0;
    for (uint8_t length = 1; length <= 15; ++length) {
        for (size_t s = 0; s < count; ++s) {
            if (lengths[s] != length) continue;
            codes[s].bits = next++;
            codes[s].length = length;
        }
        next <<= 1;
    }
    return codes;
}

}  // namespace

Lengths FullLzLengths() {
    // 214 codes of 8 bits and 84 of 9 fill the main code exactly; 16 + 32 and 4 + 24 the others.
    Lengths l(kMain + kDistances + kLengths, 0);
    for (size_t s = 0; s < kMain; ++s) l[s] = s < 214 ? 8 : 9;
    for (size_t s = 0; s < kDistances; ++s) l[kMain + s] = s < 16 ? 5 : 6;
    for (size_t s = 0; s < kLengths; ++s) l[kMain + kDistances + s] = s < 4 ? 4 : 5;
    return l;
}

Lengths FullAudioLengths(unsigned channels) {
    Lengths l;
    for (unsigned c = 0; c < channels; ++c) {
        // 255 codes of 8 bits and 2 of 9.
        for (size_t s = 0; s < kAudio; ++s) l.push_back(s < 255 ? 8 : 9);
    }
    return l;
}

void StreamWriter::Tables(bool audio, unsigned channels, const Lengths& lengths, bool keep) {
    m_out.Put(audio ? 1 : 0, 1);
    m_out.Put(keep ? 1 : 0, 1);
    if (!keep) m_lengths.fill(0);
    if (audio) m_out.Put(channels - 1, 2);
    for (int i = 0; i < 19; ++i) m_out.Put(5, 4);
    for (size_t i = 0; i < lengths.size(); ++i) {
        // With all 19 codes five bits long, each symbol's code is its own number.
        m_out.Put((lengths[i] - m_lengths[i]) & 0xf, 5);
        m_lengths[i] = lengths[i];
    }
    if (audio) {
        m_channels = channels;
        if (m_channel >= channels) m_channel = 0;
        for (unsigned c = 0; c < channels; ++c) {
            m_audio[c] = Canonical<Code>(&m_lengths[c * kAudio], kAudio);
        }
    } else {
        m_main = Canonical<Code>(&m_lengths[0], kMain);
        m_distance = Canonical<Code>(&m_lengths[kMain], kDistances);
        m_length = Canonical<Code>(&m_lengths[kMain + kDistances], kLengths);
    }
}

void StreamWriter::LzTables(const Lengths& lengths, bool keep) {
    Tables(false, 1, lengths, keep);
}
void StreamWriter::AudioTables(unsigned channels, const Lengths& lengths, bool keep) {
    Tables(true, channels, lengths, keep);
}
void StreamWriter::SwitchToLz(const Lengths& lengths, bool keep) {
    Put(m_audio[m_channel], 256);
    LzTables(lengths, keep);
}
void StreamWriter::SwitchToAudio(unsigned channels, const Lengths& lengths, bool keep) {
    Put(m_main, 269);
    AudioTables(channels, lengths, keep);
}

void StreamWriter::Put(const std::vector<Code>& code, uint32_t symbol) {
    if (symbol >= code.size() || code[symbol].length == 0) {
        throw std::logic_error("symbol without a code: " + std::to_string(symbol));
    }
    m_out.Put(code[symbol].bits, code[symbol].length);
}

void StreamWriter::Push(uint32_t distance, uint32_t length) {
    m_old[m_oldIndex++ & 3] = distance;
    m_lastDistance = distance;
    m_lastLength = length;
    m_produced += length;
}

void StreamWriter::Literal(uint8_t byte) {
    Put(m_main, byte);
    ++m_produced;
}

void StreamWriter::Match(uint32_t length, uint32_t distance) {
    if (length == 2 && distance <= 256) {
        const Slot s = SlotOf(distance - 1, 8, ShortBits);
        Put(m_main, 261 + s.slot);
        m_out.Put(s.extra, s.bits);
    } else {
        const uint32_t bonus = (distance >= 0x2000 ? 1 : 0) + (distance >= 0x40000 ? 1 : 0);
        const Slot l = SlotOf(length - 3 - bonus, kLengths, LengthBits);
        Put(m_main, 270 + l.slot);
        m_out.Put(l.extra, l.bits);
        const Slot d = SlotOf(distance - 1, kDistances, DistanceBits);
        Put(m_distance, d.slot);
        m_out.Put(d.extra, d.bits);
    }
    Push(distance, length);
}

void StreamWriter::OldDistance(unsigned index, uint32_t length) {
    const uint32_t distance = Distance(index);
    const uint32_t bonus =
        (distance >= 0x101 ? 1 : 0) + (distance >= 0x2000 ? 1 : 0) + (distance >= 0x40000 ? 1 : 0);
    Put(m_main, 256 + index);
    const Slot l = SlotOf(length - 2 - bonus, kLengths, LengthBits);
    Put(m_length, l.slot);
    m_out.Put(l.extra, l.bits);
    Push(distance, length);
}

void StreamWriter::RepeatLast() {
    Put(m_main, 256);
    Push(m_lastDistance, m_lastLength);
}

void StreamWriter::AudioCode(uint8_t code) {
    Put(m_audio[m_channel], code);
    m_channel = (m_channel + 1) % m_channels;
    ++m_produced;
}

std::vector<uint8_t> StreamWriter::Cut() {
    m_out.AlignToByte();
    std::vector<uint8_t> bytes = m_out.Bytes();
    m_out = rar3::BitWriter();
    return bytes;
}

std::vector<Piece> RandomRun(uint32_t seed, size_t entries, size_t steps, bool switches) {
    std::mt19937 rng(seed);
    const auto below = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    StreamWriter w;
    w.LzTables(FullLzLengths());
    bool audio = false;
    std::vector<Piece> pieces;
    uint64_t before = 0;
    for (size_t i = 0; i < entries * steps; ++i) {
        if (i > 0 && i % steps == 0) {
            pieces.push_back({w.Cut(), w.Produced() - before});
            before = w.Produced();
        }
        if (switches && below(200) == 0) {
            audio = !audio;
            if (audio) {
                const unsigned channels = 1 + below(4);
                w.SwitchToAudio(channels, FullAudioLengths(channels), below(2) == 0);
            } else {
                w.SwitchToLz(FullLzLengths(), below(2) == 0);
            }
        }
        if (audio) {
            // Small differences, as sound gives, with an outlier now and then.
            const uint32_t r = below(16);
            w.AudioCode(static_cast<uint8_t>(r < 14 ? (below(9) + 252) & 0xff : below(256)));
            continue;
        }
        const uint32_t kind = below(10);
        const uint32_t reach = static_cast<uint32_t>(std::min<uint64_t>(w.Produced() + 8, 1 << 20));
        if (kind < 4 || w.Produced() == 0) {
            w.Literal(static_cast<uint8_t>('a' + below(6)));
        } else if (kind < 6) {
            w.Match(2, 1 + below(std::min(reach, 256u)));
        } else if (kind < 8) {
            const uint32_t distance = 1 + below(reach);
            const uint32_t bonus = (distance >= 0x2000 ? 1 : 0) + (distance >= 0x40000 ? 1 : 0);
            w.Match(3 + bonus + below(below(4) == 0 ? 255 : 12), distance);
        } else if (kind == 8 && w.Distance(1) != 0) {
            const unsigned index = 1 + below(4);
            const uint32_t d = w.Distance(index);
            if (d == 0) continue;
            const uint32_t bonus =
                (d >= 0x101 ? 1 : 0) + (d >= 0x2000 ? 1 : 0) + (d >= 0x40000 ? 1 : 0);
            w.OldDistance(index, 2 + bonus + below(20));
        } else if (w.Distance(1) != 0) {
            w.RepeatLast();
        }
    }
    pieces.push_back({w.Cut(), w.Produced() - before});
    return pieces;
}

}  // namespace kiv::test::rar20
