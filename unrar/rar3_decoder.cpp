// RAR 2.9/3.x decoding: block headers, the LZ symbol loop, PPM escapes, and the hand-over of
// finished bytes through the filters to the sink.
#include "unrar/rar3_decoder.h"

#include <algorithm>
#include <span>
#include <string>

#include "unrar/ppmd_h.h"
#include "unrar/rar3_filter_transforms.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

using rar3::FilterBlock;
using rar3::FilterKind;

// Distances of the format reach 4 MiB whatever dictionary the header declares.
constexpr uint64_t kMaxDictionary = uint64_t{4} * 1024 * 1024;
// More than the longest match (PPM's 287 bytes): decoding stops this far before bytes not yet
// handed on would be overwritten.
constexpr uint64_t kOvershoot = 512;

struct Slots {
    std::array<uint32_t, 60> base{};
    std::array<uint8_t, 60> bits{};
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
    MakeSlots<28>([](size_t slot) { return slot < 8 ? 0 : slot / 4 - 1; });
constexpr Slots kDistanceSlots = MakeSlots<60>([](size_t slot) {
    return slot < 4 ? 0 : slot < 36 ? slot / 2 - 1 : slot < 48 ? 16 : 18;
});
constexpr std::array<uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};
constexpr Slots kShortSlots = MakeSlots<8>([](size_t slot) { return kShortBits[slot]; });

[[noreturn]] void Fail(const std::string& why) {
    throw RarError(ERAR_BAD_DATA, why);
}

}  // namespace

Rar3Decoder::Rar3Decoder() = default;
Rar3Decoder::~Rar3Decoder() = default;

void Rar3Decoder::Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) {
    if (p.solid && m_broken) {
        Fail("the solid run cannot go on after an entry that did not end cleanly");
    }
    m_broken = true;  // until this entry ends well
    StartEntry(p);
    const bool endless = p.unknownSize || p.unpSize > UINT64_MAX - m_entryStart;
    m_target = endless ? UINT64_MAX : m_entryStart + p.unpSize;
    BitInput bits(in);
    LzWindow& window = *m_window;
    bool ended = false;
    while (!ended && window.Position() < m_target) {
        if (!m_tablesRead) ReadBlockStart(bits);
        const uint64_t limit = std::min(m_target, m_written + window.Size() - kOvershoot);
        const Step step = m_ppmBlock ? DecodePpm(bits, limit) : DecodeLz(bits, limit);
        if (bits.Overrun()) Fail("the packed data ends too soon");
        Flush(out, std::min(window.Position(), m_target));
        ended = step == Step::EndOfFile;
    }
    const uint64_t end = std::min(window.Position(), m_target);
    if (ended && !p.unknownSize && end < m_target) {
        Fail("the packed data ends " + std::to_string(m_target - end) +
             " bytes before the entry's size");
    }
    if (m_written < end) Fail("a filter block runs past the entry's end");
    m_broken = !ended && !ReadTrailer(bits);
}

void Rar3Decoder::StartEntry(const DecodeParams& p) {
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
    m_entryStart = m_written = m_window->Position();
}

void Rar3Decoder::Reset() {
    m_tables.Clear();
    m_tablesRead = false;
    m_ppmBlock = false;
    m_ppm.reset();
    m_oldDistances.fill(0);
    m_lastDistance = m_lastLength = 0;
    m_lowDistance = m_lowRepeats = 0;
    m_filters.Clear();
}

void Rar3Decoder::ReadBlockStart(BitInput& in) {
    in.AlignToByte();
    m_ppmBlock = in.Get(1) == 1;
    m_tablesRead = false;
    if (m_ppmBlock) {
        if (!m_ppm) m_ppm = std::make_unique<PpmdDecoder>();
        m_ppm->StartBlock(in);
    } else {
        m_tables.Read(in);
    }
    m_tablesRead = true;
}

uint32_t Rar3Decoder::LowDistance(BitInput& in) {
    if (m_lowRepeats > 0) {
        --m_lowRepeats;
        return m_lowDistance;
    }
    const uint32_t symbol = m_tables.LowDistance().Decode(in);
    // 16 repeats the last low part, for this distance and the next 15.
    if (symbol == 16) {
        m_lowRepeats = 15;
        return m_lowDistance;
    }
    m_lowDistance = symbol;
    return symbol;
}

void Rar3Decoder::PushDistance(uint32_t distance) {
    m_oldDistances[3] = m_oldDistances[2];
    m_oldDistances[2] = m_oldDistances[1];
    m_oldDistances[1] = m_oldDistances[0];
    m_oldDistances[0] = distance;
}

void Rar3Decoder::ReadNewMatch(BitInput& in, uint32_t lengthSlot, uint32_t& length,
                               uint32_t& distance) {
    length = kLengthSlots.base[lengthSlot] + 3 + in.Get(kLengthSlots.bits[lengthSlot]);
    const uint32_t slot = m_tables.Distance().Decode(in);
    const unsigned extra = kDistanceSlots.bits[slot];
    distance = kDistanceSlots.base[slot] + 1;
    if (slot > 9) {
        // The low four bits come from their own code.
        if (extra > 4) distance += in.Get(extra - 4) << 4;
        distance += LowDistance(in);
    } else {
        distance += in.Get(extra);
    }
    // Far matches are longer: short ones would not pay for their distance.
    if (distance >= 0x2000) {
        ++length;
        if (distance >= 0x40000) ++length;
    }
    PushDistance(distance);
}

Rar3Decoder::Step Rar3Decoder::DecodeLz(BitInput& in, uint64_t limit) {
    LzWindow& window = *m_window;
    while (window.Position() < limit) {
        const uint32_t symbol = m_tables.Main().Decode(in);
        if (symbol < 256) {
            window.Put(static_cast<uint8_t>(symbol));
            continue;
        }
        uint32_t length = 0;
        uint32_t distance = 0;
        if (symbol >= 271) {
            ReadNewMatch(in, symbol - 271, length, distance);
        } else if (symbol == 256) {
            if (in.Get(1) == 1) {
                ReadBlockStart(in);
                if (m_ppmBlock) return Step::Limit;
                continue;
            }
            // End of the entry; the next bit says whether the next one starts with new tables.
            m_tablesRead = in.Get(1) == 0;
            return Step::EndOfFile;
        } else if (symbol == 257) {
            ReadFilter([&in] { return static_cast<uint8_t>(in.Get(8)); });
            continue;
        } else if (symbol == 258) {
            if (m_lastLength == 0) {
                // Produces nothing; past the input's end the zeros might repeat it forever.
                if (in.Overrun()) return Step::Limit;
                continue;
            }
            length = m_lastLength;
            distance = m_lastDistance;
        } else if (symbol < 263) {
            const uint32_t index = symbol - 259;
            distance = m_oldDistances[index];
            for (uint32_t i = index; i > 0; --i) m_oldDistances[i] = m_oldDistances[i - 1];
            m_oldDistances[0] = distance;
            const uint32_t lengthSlot = m_tables.Length().Decode(in);
            length = kLengthSlots.base[lengthSlot] + 2 + in.Get(kLengthSlots.bits[lengthSlot]);
        } else {
            const uint32_t slot = symbol - 263;
            distance = kShortSlots.base[slot] + 1 + in.Get(kShortSlots.bits[slot]);
            length = 2;
            PushDistance(distance);
        }
        m_lastDistance = distance;
        m_lastLength = length;
        window.Copy(distance, length);
    }
    return Step::Limit;
}

Rar3Decoder::Step Rar3Decoder::DecodePpm(BitInput& in, uint64_t limit) {
    LzWindow& window = *m_window;
    PpmdDecoder& ppm = *m_ppm;
    while (window.Position() < limit) {
        const uint8_t byte = ppm.DecodeChar(in);
        if (byte != ppm.EscapeChar()) {
            window.Put(byte);
            continue;
        }
        switch (ppm.DecodeChar(in)) {
            case 0:  // a new block, PPM or LZ
                ReadBlockStart(in);
                if (!m_ppmBlock) return Step::Limit;
                break;
            case 2:
                // The range coder ends with the entry: the next one starts with a block header.
                m_tablesRead = false;
                return Step::EndOfFile;
            case 3:
                ReadFilter([&] { return ppm.DecodeChar(in); });
                break;
            case 4: {
                uint32_t distance = 0;
                for (int i = 0; i < 3; ++i) distance = (distance << 8) | ppm.DecodeChar(in);
                const uint32_t length = ppm.DecodeChar(in);
                window.Copy(distance + 2, length + 32);
                break;
            }
            case 5:
                window.Copy(1, ppm.DecodeChar(in) + 4u);
                break;
            default:  // the escape character itself
                window.Put(byte);
                break;
        }
    }
    return Step::Limit;
}

template <typename NextByte>
void Rar3Decoder::ReadFilter(NextByte next) {
    const uint8_t flags = next();
    uint32_t size = (flags & 7) + 1u;
    if (size == 7) {
        size = next() + 7u;
    } else if (size == 8) {
        size = next() << 8;
        size |= next();
    }
    std::vector<uint8_t> data(size);
    for (uint8_t& byte : data) byte = next();
    m_filters.Define(flags, data.data(), data.size(), m_window->Position());
}

bool Rar3Decoder::ReadTrailer(BitInput& in) {
    // Archivers end each entry with the end-of-file code, after its last byte, and it says how
    // the next entry of a solid run starts; a new block may come first (an empty entry is only
    // that). Without the code an LZ entry's tables carry on.
    try {
        for (int blocks = 0; blocks < 2; ++blocks) {
            if (!m_tablesRead) {
                if (!in.HasMore(8)) return true;
                ReadBlockStart(in);
            }
            if (m_ppmBlock) {
                // A PPM symbol cannot be looked at without taking it, and the model learns from
                // it: unless the code is there the model no longer matches the archiver's.
                const int escape = m_ppm->EscapeChar();
                if (m_ppm->DecodeChar(in) != escape) return false;
                const uint8_t code = m_ppm->DecodeChar(in);
                m_tablesRead = false;
                if (code == 2) return true;
                if (code != 0) return false;
                continue;
            }
            uint32_t symbol = 0;
            const unsigned length =
                m_tables.Main().LengthOf(in.Peek(rar3::PrefixCode::kMaxLength), &symbol);
            if (length == 0 || symbol != 256 || !in.HasMore(length + 2)) return true;
            in.Skip(length);
            if (in.Get(1) == 1) {
                m_tablesRead = false;
                continue;
            }
            m_tablesRead = in.Get(1) == 0;
            return true;
        }
    } catch (const RarError&) {
    }
    return false;
}

void Rar3Decoder::Flush(UnpackedSink& out, uint64_t upTo) {
    while (m_written < upTo) {
        if (m_filters.Empty() || m_filters.Front().start >= upTo) {
            m_window->WriteTo(out, m_written, upTo);
            m_written = upTo;
            return;
        }
        const FilterBlock& block = m_filters.Front();
        if (block.start < m_written) Fail("a filter block starts before the entry");
        m_window->WriteTo(out, m_written, block.start);
        m_written = block.start;
        if (block.start + block.length > m_window->Position()) return;  // not decoded yet
        if (block.start + block.length > m_target) Fail("a filter block runs past the entry's end");
        RunFilters(out);
    }
}

void Rar3Decoder::RunFilters(UnpackedSink& out) {
    const FilterBlock first = m_filters.Front();
    m_filterIn.resize(first.length);
    m_filterOut.resize(first.length);
    m_window->Read(first.start, first.length, m_filterIn.data());
    const uint32_t fileOffset = static_cast<uint32_t>(first.start - m_entryStart);
    // A block may be filtered several times over; each filter takes the previous one's output.
    do {
        const FilterBlock& f = m_filters.Front();
        const std::span<uint8_t> in(m_filterIn);
        const std::span<uint8_t> result(m_filterOut);
        switch (f.kind) {
            case FilterKind::E8:
            case FilterKind::E8E9:
                rar3::UndoE8(in, fileOffset, f.kind == FilterKind::E8E9);
                break;
            case FilterKind::Itanium:
                rar3::UndoItanium(in, fileOffset);
                break;
            case FilterKind::Delta:
                rar3::UndoDelta(in, result, f.registers[0]);
                m_filterIn.swap(m_filterOut);
                break;
            case FilterKind::Rgb:
                rar3::UndoRgb(in, result, f.registers[0], f.registers[1]);
                m_filterIn.swap(m_filterOut);
                break;
            case FilterKind::Audio:
                rar3::UndoAudio(in, result, f.registers[0]);
                m_filterIn.swap(m_filterOut);
                break;
        }
        m_filters.PopFront();
    } while (!m_filters.Empty() && m_filters.Front().start == first.start &&
             m_filters.Front().length == first.length);
    out.Write(m_filterIn.data(), first.length);
    m_written = first.start + first.length;
}

}  // namespace kiv::rar
