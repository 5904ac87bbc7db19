// RAR 2.0/2.6 decoding: the code-length tables, the LZ symbol loop, the audio loop, and the
// hand-over of finished bytes to the sink.
#include "unrar/rar20_decoder.h"

#include <algorithm>
#include <string>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

// Distances of the format reach 1 MiB whatever dictionary the header declares.
constexpr uint64_t kMaxDictionary = uint64_t{1024} * 1024;
// More than the longest match (260 bytes): decoding stops this far before bytes not yet handed
// on would be overwritten.
constexpr uint64_t kOvershoot = 512;

struct Slots {
    std::array<uint32_t, 48> base{};
    std::array<uint8_t, 48> bits{};
};

// Slot n of a length or distance starts where slot n - 1 ends; only the extra bits differ.
template <size_t N, typename BitsOf>
constexpr Slots MakeSlots(BitsOf bitsOf) {
    Slots s;
    uint32_t base = 0;
    for (size_t i = 0; i < N; ++i) {
        s.base[i] = base;
        s.bits[i] = static_cast<uint8_t>(bitsOf(i));
        base += 1u << s.bits[i];
    }
    return s;
}

constexpr Slots kLengthSlots =
    MakeSlots<Rar20Decoder::kLengthSize>([](size_t slot) { return slot < 8 ? 0 : slot / 4 - 1; });
constexpr Slots kDistanceSlots = MakeSlots<Rar20Decoder::kDistanceSize>([](size_t slot) {
    return slot < 4 ? 0 : slot < 34 ? slot / 2 - 1 : 16;
});
constexpr std::array<uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};
constexpr Slots kShortSlots = MakeSlots<8>([](size_t slot) { return kShortBits[slot]; });

// Main-code symbols past the 256 literals.
constexpr uint32_t kRepeatLast = 256;    // the last match again
constexpr uint32_t kOldDistances = 257;  // 257-260: a previous distance with a new length
constexpr uint32_t kShortMatches = 261;  // 261-268: two bytes from a near distance
constexpr uint32_t kNewTables = 269;
constexpr uint32_t kNewMatches = 270;  // 270-297: a length slot, then a distance
constexpr uint32_t kAudioNewTables = 256;

constexpr size_t kPreCodeSize = 19;

[[noreturn]] void Fail(const std::string& why) {
    throw RarError(ERAR_BAD_DATA, why);
}

}  // namespace

Rar20Decoder::Rar20Decoder() = default;
Rar20Decoder::~Rar20Decoder() = default;

void Rar20Decoder::Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) {
    if (p.unknownSize) Fail("a RAR 2.0 entry needs its size: its data has no end code");
    if (p.solid && m_broken) {
        Fail("the solid run cannot go on after an entry that did not end cleanly");
    }
    m_broken = true;  // until this entry ends well
    StartEntry(p);
    LzWindow& window = *m_window;
    if (p.unpSize > UINT64_MAX - window.Position()) Fail("the entry's size is out of range");
    m_target = window.Position() + p.unpSize;
    BitInput bits(in);
    while (window.Position() < m_target) {
        if (!m_tablesRead) ReadTables(bits);
        const uint64_t limit = std::min(m_target, m_written + window.Size() - kOvershoot);
        if (m_audioBlock) {
            DecodeAudio(bits, limit);
        } else {
            DecodeLz(bits, limit);
        }
        if (bits.Overrun()) Fail("the packed data ends too soon");
        const uint64_t end = std::min(window.Position(), m_target);
        window.WriteTo(out, m_written, end);
        m_written = end;
    }
    m_broken = false;
}

void Rar20Decoder::StartEntry(const DecodeParams& p) {
    DecodeParams sizing = p;
    sizing.dictionarySize = kMaxDictionary;
    const size_t size = WindowSizeFor(sizing);
    if (!p.solid || !m_window) {
        m_window = std::make_unique<LzWindow>(size);
        Reset();
    } else if (m_window->Size() < size) {
        // The run's first entry was small and got a window of its own size.
        m_window->Grow(size);
    }
    // A match of a damaged entry may have run past its end; those bytes belong to no entry.
    m_written = m_window->Position();
}

void Rar20Decoder::Reset() {
    m_lengths.fill(0);
    m_tablesRead = false;
    m_audioBlock = false;
    m_channels = 1;
    m_channel = 0;
    m_crossDelta = 0;
    m_audio = {};
    m_oldDistances.fill(0);
    m_oldIndex = 0;
    m_lastDistance = m_lastLength = 0;
}

void Rar20Decoder::ReadTables(BitInput& in) {
    m_tablesRead = false;
    m_audioBlock = in.Get(1) == 1;
    // Without this bit the new lengths start from zero rather than from the last block's.
    if (in.Get(1) == 0) m_lengths.fill(0);
    if (m_audioBlock) {
        m_channels = in.Get(2) + 1;
        if (m_channel >= m_channels) m_channel = 0;
        ReadLengths(in, m_channels * kAudioSize);
        for (unsigned c = 0; c < m_channels; ++c) {
            m_audioCodes[c].Build(&m_lengths[c * kAudioSize], kAudioSize);
        }
    } else {
        ReadLengths(in, kMainSize + kDistanceSize + kLengthSize);
        m_main.Build(&m_lengths[0], kMainSize);
        m_distance.Build(&m_lengths[kMainSize], kDistanceSize);
        m_length.Build(&m_lengths[kMainSize + kDistanceSize], kLengthSize);
    }
    m_tablesRead = true;
}

void Rar20Decoder::ReadLengths(BitInput& in, size_t count) {
    std::array<uint8_t, kPreCodeSize> preLengths{};
    for (uint8_t& length : preLengths) length = static_cast<uint8_t>(in.Get(4));
    rar3::PrefixCode preCode;
    preCode.Build(preLengths.data(), preLengths.size());
    size_t i = 0;
    while (i < count) {
        const uint32_t symbol = preCode.Decode(in);
        if (symbol < 16) {
            m_lengths[i] = static_cast<uint8_t>((m_lengths[i] + symbol) & 0xf);
            ++i;
            continue;
        }
        uint8_t value = 0;
        uint32_t run = 0;
        if (symbol == 16) {
            if (i == 0) Fail("a code-length table starts by repeating a length");
            value = m_lengths[i - 1];
            run = in.Get(2) + 3;
        } else {
            run = symbol == 17 ? in.Get(3) + 3 : in.Get(7) + 11;
        }
        for (; run > 0 && i < count; --run) m_lengths[i++] = value;
    }
}

void Rar20Decoder::Match(uint32_t distance, uint32_t length) {
    m_oldDistances[m_oldIndex++ & 3] = distance;
    m_lastDistance = distance;
    m_lastLength = length;
    m_window->Copy(distance, length);
}

void Rar20Decoder::DecodeLz(BitInput& in, uint64_t limit) {
    LzWindow& window = *m_window;
    while (window.Position() < limit) {
        const uint32_t symbol = m_main.Decode(in);
        if (symbol < 256) {
            window.Put(static_cast<uint8_t>(symbol));
            continue;
        }
        uint32_t distance = 0;
        uint32_t length = 0;
        if (symbol == kRepeatLast) {
            // Before any match it produces nothing; past the input's end the zeros might
            // repeat it forever.
            if (m_lastLength == 0 && in.Overrun()) return;
            distance = m_lastDistance;
            length = m_lastLength;
        } else if (symbol < kShortMatches) {
            distance = m_oldDistances[(m_oldIndex - (symbol - kOldDistances + 1)) & 3];
            const uint32_t slot = m_length.Decode(in);
            length = kLengthSlots.base[slot] + 2 + in.Get(kLengthSlots.bits[slot]);
            if (distance >= 0x101) ++length;
            if (distance >= 0x2000) ++length;
            if (distance >= 0x40000) ++length;
        } else if (symbol < kNewTables) {
            const uint32_t slot = symbol - kShortMatches;
            distance = kShortSlots.base[slot] + 1 + in.Get(kShortSlots.bits[slot]);
            length = 2;
        } else if (symbol == kNewTables) {
            ReadTables(in);
            if (m_audioBlock) return;
            continue;
        } else {
            const uint32_t lengthSlot = symbol - kNewMatches;
            length = kLengthSlots.base[lengthSlot] + 3 + in.Get(kLengthSlots.bits[lengthSlot]);
            const uint32_t slot = m_distance.Decode(in);
            distance = kDistanceSlots.base[slot] + 1 + in.Get(kDistanceSlots.bits[slot]);
            // Far matches are longer: short ones would not pay for their distance.
            if (distance >= 0x2000) ++length;
            if (distance >= 0x40000) ++length;
        }
        Match(distance, length);
    }
}

void Rar20Decoder::DecodeAudio(BitInput& in, uint64_t limit) {
    LzWindow& window = *m_window;
    while (window.Position() < limit) {
        const uint32_t symbol = m_audioCodes[m_channel].Decode(in);
        if (symbol == kAudioNewTables) {
            ReadTables(in);
            if (!m_audioBlock) return;
            continue;
        }
        window.Put(m_audio[m_channel].Decode(static_cast<uint8_t>(symbol), m_crossDelta));
        if (++m_channel == m_channels) m_channel = 0;
    }
}

}  // namespace kiv::rar
