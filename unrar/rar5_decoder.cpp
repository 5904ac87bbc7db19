// RAR 5.0 decoding: block headers, Huffman tables, literals and matches into the window, and the
// filters applied as their stretches are handed to the sink.
#include "unrar/rar5_decoder.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <string>

#include "unrar/bit_input.h"
#include "unrar/rar5_filters.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

// Alphabet sizes of the four coded tables, and of the table that codes their lengths.
constexpr size_t kLiteralSymbols = 306;
constexpr size_t kDistanceSymbols50 = 64;
constexpr size_t kDistanceSymbols70 = 80;  // the later revision reaches larger dictionaries
constexpr size_t kLowDistanceSymbols = 16;
constexpr size_t kRepeatLengthSymbols = 44;
constexpr size_t kLengthCodeSymbols = 20;
constexpr size_t kMaxTableLengths =
    kLiteralSymbols + kDistanceSymbols70 + kLowDistanceSymbols + kRepeatLengthSymbols;

// The longest match: length slot 43 with all its extra bits set, plus 3 for a far distance.
constexpr uint32_t kMaxMatch = 4100;
// Decoded bytes are handed on at least this often, while they are still in the cache.
constexpr uint64_t kBatch = uint64_t{1024} * 1024;
// Filters waiting for their stretch; a stream announcing more is refused as damage.
constexpr size_t kMaxPendingFilters = 8192;

[[noreturn]] void Damaged(const std::string& why) {
    throw RarError(ERAR_BAD_DATA, "damaged data: " + why);
}

}  // namespace

// The decoding of one entry: its bit stream, the block it is in, the filters waiting for their
// stretch, and how far the decoded bytes have been handed on.
class Rar5Decoder::EntryRun {
public:
    EntryRun(Rar5Decoder& d, PackedInput& in, UnpackedSink& out, const DecodeParams& p)
        : m_d(d),
          m_window(*d.m_window),
          m_bits(in),
          m_out(out),
          m_version(p.unpVer),
          m_distanceSymbols(p.unpVer == 70 ? kDistanceSymbols70 : kDistanceSymbols50),
          m_start(m_window.Position()),
          m_end(p.unknownSize || p.unpSize > std::numeric_limits<uint64_t>::max() - m_start
                    ? std::numeric_limits<uint64_t>::max()
                    : m_start + p.unpSize),
          m_unknownSize(p.unknownSize),
          m_flushed(m_start),
          m_filtersEnd(m_start) {}

    void Run();

private:
    void NextBlock();
    void ReadTables();
    void DecodeUntil(uint64_t stop);
    uint32_t ReadLength(uint32_t slot);
    uint64_t ReadDistance(uint32_t slot);
    void CopyMatch(uint64_t distance, uint32_t length);
    void ReadFilter();
    uint32_t ReadFilterNumber();
    void Flush(bool final);
    void Hand(uint64_t to);
    void ApplyFilter(const Rar5Filter& f, size_t length);

    Rar5Decoder& m_d;
    LzWindow& m_window;
    BitInput m_bits;
    UnpackedSink& m_out;
    const uint32_t m_version;
    const size_t m_distanceSymbols;
    const uint64_t m_start;  // window positions of the entry's first byte and of its end
    uint64_t m_end;
    const bool m_unknownSize;
    uint64_t m_flushed;  // bytes before this were handed on or gathered for a filter

    // Bit positions in the entry's packed stream: where the current block's codes end, and
    // where its bytes end (the next block header starts there).
    uint64_t m_blockBitEnd = 0;
    uint64_t m_blockByteEnd = 0;
    bool m_lastBlock = false;

    std::deque<Rar5Filter> m_filters;
    uint64_t m_filtersEnd;  // where the stretch of the last filter announced ends
};

void Rar5Decoder::EntryRun::Run() {
    const uint64_t windowSize = m_window.Size();
    for (;;) {
        const uint64_t pos = m_window.Position();
        if (pos >= m_end) break;
        if (m_bits.Position() >= m_blockBitEnd) {
            if (m_lastBlock) {
                if (m_unknownSize) break;
                Damaged("the packed data ends before the entry does");
            }
            NextBlock();
            continue;
        }
        // Everything before pos has been handed on (Flush), so the window may fill up to its
        // size beyond it; short of the entry's end, leave room for one match.
        uint64_t stop = m_end - pos <= windowSize ? m_end : pos + windowSize - kMaxMatch;
        stop = std::min(stop, pos + kBatch);
        DecodeUntil(stop);
        if (m_bits.Overrun()) Damaged("the packed data is cut short");
        Flush(false);
    }
    if (m_unknownSize) m_end = m_window.Position();
    Flush(true);
}

void Rar5Decoder::EntryRun::NextBlock() {
    for (uint64_t skip = m_blockByteEnd - m_bits.Position(); skip > 0;) {
        const unsigned n = static_cast<unsigned>(std::min<uint64_t>(skip, 32));
        m_bits.Skip(n);
        skip -= n;
    }
    const uint32_t flags = m_bits.Get(8);
    const uint32_t check = m_bits.Get(8);
    const unsigned sizeBytes = ((flags >> 3) & 7) + 1;
    if (sizeBytes > 3) Damaged("a block header with a " + std::to_string(sizeBytes) + "-byte size");
    uint32_t size = 0;
    for (unsigned i = 0; i < sizeBytes; ++i) size |= m_bits.Get(8) << (8 * i);
    if (((0x5A ^ flags ^ size ^ (size >> 8) ^ (size >> 16)) & 0xFF) != check) {
        Damaged("block header check value mismatch");
    }
    if (m_bits.Overrun()) Damaged("the packed data is cut short");

    const uint64_t dataStart = m_bits.Position();
    m_blockByteEnd = dataStart + uint64_t{size} * 8;
    m_blockBitEnd = size == 0 ? dataStart : m_blockByteEnd - 8 + (flags & 7) + 1;
    m_lastBlock = (flags & 0x40) != 0;
    if (flags & 0x80) {
        ReadTables();
        if (m_bits.Position() > m_blockBitEnd) Damaged("Huffman tables run past their block");
    } else if (!m_d.m_haveTables || m_d.m_tablesVersion != m_version) {
        Damaged("a block without Huffman tables where none were read before");
    }
}

void Rar5Decoder::EntryRun::ReadTables() {
    // The code lengths of the length code: 4 bits each, 15 escaping a run of zeros.
    uint8_t lengthCode[kLengthCodeSymbols];
    for (size_t i = 0; i < kLengthCodeSymbols;) {
        const auto length = static_cast<uint8_t>(m_bits.Get(4));
        if (length != 15) {
            lengthCode[i++] = length;
            continue;
        }
        const uint32_t zeros = m_bits.Get(4);
        if (zeros == 0) {
            lengthCode[i++] = 15;
        } else {
            for (uint32_t k = 0; k < zeros + 2 && i < kLengthCodeSymbols; ++k) lengthCode[i++] = 0;
        }
    }
    m_d.m_haveTables = false;
    Rar5HuffmanTable code;
    code.Build(lengthCode, kLengthCodeSymbols);

    // The code lengths of the four tables, one after another: 0-15 as they are, 16/17 repeat
    // the previous length, 18/19 put zeros.
    uint8_t lengths[kMaxTableLengths];
    const size_t total =
        kLiteralSymbols + m_distanceSymbols + kLowDistanceSymbols + kRepeatLengthSymbols;
    for (size_t i = 0; i < total;) {
        const uint32_t symbol = code.Decode(m_bits);
        if (symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(symbol);
            continue;
        }
        const uint32_t count = (symbol & 1) ? 11 + m_bits.Get(7) : 3 + m_bits.Get(3);
        if (symbol < 18 && i == 0) Damaged("a repeated code length before the first");
        const uint8_t value = symbol < 18 ? lengths[i - 1] : 0;
        for (uint32_t k = 0; k < count && i < total; ++k) lengths[i++] = value;
    }
    const uint8_t* at = lengths;
    m_d.m_literals.Build(at, kLiteralSymbols);
    at += kLiteralSymbols;
    m_d.m_distances.Build(at, m_distanceSymbols);
    at += m_distanceSymbols;
    m_d.m_lowDistances.Build(at, kLowDistanceSymbols);
    at += kLowDistanceSymbols;
    m_d.m_repeatLengths.Build(at, kRepeatLengthSymbols);
    m_d.m_haveTables = true;
    m_d.m_tablesVersion = m_version;
}

void Rar5Decoder::EntryRun::DecodeUntil(uint64_t stop) {
    const uint64_t blockEnd = m_blockBitEnd;
    auto& recent = m_d.m_recentDistances;
    while (m_window.Position() < stop && m_bits.Position() < blockEnd) {
        const uint32_t symbol = m_d.m_literals.Decode(m_bits);
        if (symbol < 256) {
            m_window.Put(static_cast<uint8_t>(symbol));
        } else if (symbol >= 262) {
            uint32_t length = ReadLength(symbol - 262);
            const uint64_t distance = ReadDistance(m_d.m_distances.Decode(m_bits));
            // Far matches are only worth coding from a few bytes on, so their lengths start
            // higher.
            length += (distance > 0x100) + (distance > 0x2000) + (distance > 0x40000);
            recent = {distance, recent[0], recent[1], recent[2]};
            m_d.m_lastLength = length;
            CopyMatch(distance, length);
        } else if (symbol == 256) {
            ReadFilter();
        } else if (symbol == 257) {
            if (m_d.m_lastLength != 0) CopyMatch(recent[0], m_d.m_lastLength);
        } else {
            const size_t index = symbol - 258;
            const uint64_t distance = recent[index];
            for (size_t i = index; i > 0; --i) recent[i] = recent[i - 1];
            recent[0] = distance;
            const uint32_t length = ReadLength(m_d.m_repeatLengths.Decode(m_bits));
            m_d.m_lastLength = length;
            CopyMatch(distance, length);
        }
    }
    if (m_bits.Position() > m_blockByteEnd) Damaged("a code runs past its block");
}

uint32_t Rar5Decoder::EntryRun::ReadLength(uint32_t slot) {
    if (slot < 8) return slot + 2;
    const unsigned extra = slot / 4 - 1;
    return 2 + ((4 | (slot & 3)) << extra) + m_bits.Get(extra);
}

uint64_t Rar5Decoder::EntryRun::ReadDistance(uint32_t slot) {
    if (slot < 4) return slot + 1;
    const unsigned extra = slot / 2 - 1;
    uint64_t distance = 1 + (uint64_t{2 | (slot & 1)} << extra);
    if (extra < 4) return distance + m_bits.Get(extra);
    // The bits above the lowest four come as they are (more than 32 only with version 70's
    // larger distances); the lowest four are Huffman-coded.
    unsigned high = extra - 4;
    uint64_t value = 0;
    if (high > 32) {
        value = uint64_t{m_bits.Get(high - 32)} << 32;
        high = 32;
    }
    value |= m_bits.Get(high);
    return distance + (value << 4) + m_d.m_lowDistances.Decode(m_bits);
}

void Rar5Decoder::EntryRun::CopyMatch(uint64_t distance, uint32_t length) {
    if (length > m_end - m_window.Position()) Damaged("a match runs past the entry's end");
    m_window.Copy(distance, length);
}

uint32_t Rar5Decoder::EntryRun::ReadFilterNumber() {
    const unsigned bytes = m_bits.Get(2) + 1;
    uint32_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= m_bits.Get(8) << (8 * i);
    return value;
}

void Rar5Decoder::EntryRun::ReadFilter() {
    Rar5Filter f;
    const uint32_t offset = ReadFilterNumber();
    f.length = ReadFilterNumber();
    const uint32_t type = m_bits.Get(3);
    if (type > static_cast<uint32_t>(Rar5FilterType::Arm)) {
        Damaged("unknown filter type " + std::to_string(type));
    }
    f.type = static_cast<Rar5FilterType>(type);
    if (f.type == Rar5FilterType::Delta) f.channels = m_bits.Get(5) + 1;
    if (f.length > kRar5MaxFilterLength) Damaged("a filter longer than 4 MiB");
    f.start = m_window.Position() + offset;
    if (f.start < m_filtersEnd) Damaged("overlapping filters");
    if (m_filters.size() >= kMaxPendingFilters) Damaged("too many filters waiting");
    m_filters.push_back(f);
    m_filtersEnd = f.start + f.length;
}

void Rar5Decoder::EntryRun::Hand(uint64_t to) {
    if (to > m_flushed) m_window.WriteTo(m_out, m_flushed, to);
    m_flushed = to;
}

void Rar5Decoder::EntryRun::Flush(bool final) {
    const uint64_t pos = std::min(m_window.Position(), m_end);
    while (!m_filters.empty()) {
        const Rar5Filter& f = m_filters.front();
        if (m_flushed < f.start) {
            Hand(std::min(f.start, pos));
            if (m_flushed < f.start) return;
        }
        // Gather the stretch as it is decoded, so the window may move on meanwhile.
        const uint64_t done = m_flushed - f.start;
        const uint64_t upTo = std::min(f.start + f.length, pos);
        if (upTo > m_flushed) {
            if (m_d.m_filterData.size() < f.length) m_d.m_filterData.resize(f.length);
            m_window.Read(m_flushed, static_cast<size_t>(upTo - m_flushed),
                          m_d.m_filterData.data() + done);
            m_flushed = upTo;
        }
        if (upTo < f.start + f.length && !final) return;
        // At the entry's end a stretch that runs past it is filtered as far as it goes.
        ApplyFilter(f, static_cast<size_t>(upTo - f.start));
        m_filters.pop_front();
    }
    Hand(pos);
}

void Rar5Decoder::EntryRun::ApplyFilter(const Rar5Filter& f, size_t length) {
    if (length == 0) return;
    uint8_t* data = m_d.m_filterData.data();
    if (f.type == Rar5FilterType::Delta) {
        if (m_d.m_filterOut.size() < length) m_d.m_filterOut.resize(length);
        UndoRar5DeltaFilter(data, m_d.m_filterOut.data(), length, f.channels);
        data = m_d.m_filterOut.data();
    } else {
        UndoRar5CodeFilter(f.type, data, length, f.start - m_start);
    }
    m_out.Write(data, length);
}

Rar5Decoder::Rar5Decoder() = default;
Rar5Decoder::~Rar5Decoder() = default;

void Rar5Decoder::PrepareWindow(const DecodeParams& p) {
    const size_t needed = WindowSizeFor(p);
    if (!p.solid || !m_window) {
        if (m_window && m_window->Size() == needed) return;
        m_window.reset();  // before the new one, so the two are never held at once
        m_window = std::make_unique<LzWindow>(needed);
        return;
    }
    // A solid entry declaring a larger dictionary than the window so far: the history moves
    // into a larger ring (fresh pages are only taken as they are written).
    m_window->Grow(needed);
}

void Rar5Decoder::Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) {
    if (p.unpVer != 50 && p.unpVer != 70) {
        throw RarError(ERAR_UNKNOWN_FORMAT,
                       "unpack version " + std::to_string(p.unpVer) + " is not RAR 5.0");
    }
    if (p.solid && m_failed) {
        throw RarError(ERAR_BAD_DATA, "a solid entry cannot continue a damaged one");
    }
    m_failed = true;
    PrepareWindow(p);
    if (!p.solid) {
        m_haveTables = false;
        m_recentDistances = {};
        m_lastLength = 0;
    }
    EntryRun(*this, in, out, p).Run();
    m_failed = false;
}

}  // namespace kiv::rar
