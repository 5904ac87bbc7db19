// The test-side RAR 2.9/3.x LZ stream writer.
#include "tests/unrar/rar3_stream_writer.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace kiv::test::rar3 {

namespace {

constexpr size_t kMainSize = 299, kDistanceSize = 60, kLowSize = 17, kLengthSize = 28;

struct Slot {
    uint32_t base;
    unsigned bits;
};

std::vector<Slot> Slots(size_t count, unsigned (*bitsOf)(size_t)) {
    std::vector<Slot> slots;
    uint32_t base = 0;
    for (size_t i = 0; i < count; ++i) {
        slots.push_back({base, bitsOf(i)});
        base += 1u << slots.back().bits;
    }
    return slots;
}

const std::vector<Slot>& LengthSlots() {
    static const auto s = Slots(28, [](size_t i) { return unsigned(i < 8 ? 0 : i / 4 - 1); });
    return s;
}

const std::vector<Slot>& DistanceSlots() {
    static const auto s = Slots(60, [](size_t i) {
        return unsigned(i < 4 ? 0 : i < 36 ? i / 2 - 1 : i < 48 ? 16 : 18);
    });
    return s;
}

// The slot whose range holds value.
size_t SlotFor(const std::vector<Slot>& slots, uint32_t value) {
    size_t slot = 0;
    while (slot + 1 < slots.size() && slots[slot + 1].base <= value) ++slot;
    if (value - slots[slot].base >= (1u << slots[slot].bits)) {
        throw std::invalid_argument("value beyond the last slot");
    }
    return slot;
}

void PutNumber(BitWriter& out, uint32_t v) {
    if (v < 16) {
        out.Put(0, 2);
        out.Put(v, 4);
    } else if (v < 256) {
        out.Put(1, 2);
        out.Put(v, 8);
    } else if (v < 65536) {
        out.Put(2, 2);
        out.Put(v, 16);
    } else {
        out.Put(3, 2);
        out.Put(v, 32);
    }
}

std::vector<uint8_t> FilterBody(uint32_t number, uint32_t offset, uint32_t length, uint32_t r0,
                                uint32_t r1, const std::vector<uint8_t>* program) {
    BitWriter out;
    PutNumber(out, number + 1);
    PutNumber(out, offset);
    PutNumber(out, length);
    out.Put(0x03, 7);  // R0 and R1 follow
    PutNumber(out, r0);
    PutNumber(out, r1);
    if (program) {
        PutNumber(out, static_cast<uint32_t>(program->size()));
        for (uint8_t b : *program) out.Put(b, 8);
    }
    out.AlignToByte();
    return out.Bytes();
}

}  // namespace

void BitWriter::Put(uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
        if (m_bits % 8 == 0) m_bytes.push_back(0);
        if ((value >> i) & 1) m_bytes.back() |= static_cast<uint8_t>(0x80 >> (m_bits % 8));
        ++m_bits;
    }
}

void BitWriter::AlignToByte() {
    while (m_bits % 8 != 0) Put(0, 1);
}

TableLengths UniformLengths() {
    TableLengths lengths{};
    std::fill_n(lengths.begin(), kMainSize, 9);
    std::fill_n(lengths.begin() + kMainSize, kDistanceSize, 6);
    std::fill_n(lengths.begin() + kMainSize + kDistanceSize, kLowSize + kLengthSize, 5);
    return lengths;
}

void LzStreamWriter::Tables(const TableLengths& lengths, bool keepOld) {
    // The length stream first, as code-length symbols with their extra bits.
    struct Item {
        uint32_t symbol, extra;
        unsigned extraBits;
    };
    std::vector<Item> items;
    const TableLengths old = keepOld ? m_lengths : TableLengths{};
    for (size_t i = 0; i < lengths.size();) {
        size_t zeros = 0;
        while (i + zeros < lengths.size() && lengths[i + zeros] == 0 && zeros < 138) ++zeros;
        size_t same = 0;
        while (i > 0 && i + same < lengths.size() && lengths[i + same] == lengths[i - 1] &&
               same < 138) {
            ++same;
        }
        if (zeros >= 11) {
            items.push_back({19, uint32_t(zeros - 11), 7});
            i += zeros;
        } else if (zeros >= 3) {
            items.push_back({18, uint32_t(zeros - 3), 3});
            i += zeros;
        } else if (same >= 11) {
            items.push_back({17, uint32_t(same - 11), 7});
            i += same;
        } else if (same >= 3) {
            items.push_back({16, uint32_t(same - 3), 3});
            i += same;
        } else {
            items.push_back({uint32_t((lengths[i] - old[i]) & 0xF), 0, 0});
            ++i;
        }
    }
    // The code-length code: 5 bits for each symbol used, none for the others; runs of unused
    // ones are written as 15 and a count.
    std::array<uint8_t, 20> codeLengths{};
    for (const Item& item : items) codeLengths[item.symbol] = 5;
    m_out.AlignToByte();
    m_out.Put(0, 1);  // LZ
    m_out.Put(keepOld ? 1 : 0, 1);
    for (size_t i = 0; i < codeLengths.size();) {
        size_t zeros = 0;
        while (i + zeros < codeLengths.size() && codeLengths[i + zeros] == 0) ++zeros;
        if (zeros >= 3) {
            const size_t n = std::min<size_t>(zeros, 17);
            m_out.Put(15, 4);
            m_out.Put(uint32_t(n - 2), 4);
            i += n;
        } else {
            m_out.Put(codeLengths[i], 4);
            ++i;
        }
    }
    std::vector<Code> lengthCode(20);
    uint32_t next = 0;
    for (uint32_t s = 0; s < 20; ++s) {
        if (codeLengths[s] != 0) lengthCode[s] = {next++, 5};
    }
    for (const Item& item : items) {
        Symbol(lengthCode, item.symbol);
        m_out.Put(item.extra, item.extraBits);
    }
    UseTables(lengths);
}

void LzStreamWriter::UseTables(const TableLengths& lengths) {
    m_lengths = lengths;
    // Canonical codes: by length, then by symbol.
    auto build = [&](size_t from, size_t count) {
        std::vector<Code> codes(count);
        uint32_t code = 0;
        for (uint8_t l = 1; l <= 15; ++l) {
            for (size_t s = 0; s < count; ++s) {
                if (lengths[from + s] == l) codes[s] = {code++, l};
            }
            code <<= 1;
        }
        return codes;
    };
    m_main = build(0, kMainSize);
    m_distance = build(kMainSize, kDistanceSize);
    m_lowDistance = build(kMainSize + kDistanceSize, kLowSize);
    m_length = build(kMainSize + kDistanceSize + kLowSize, kLengthSize);
}

void LzStreamWriter::Symbol(const std::vector<Code>& table, uint32_t symbol) {
    const Code& c = table.at(symbol);
    if (c.length == 0) throw std::invalid_argument("symbol without a code");
    m_out.Put(c.bits, c.length);
}

void LzStreamWriter::Literals(std::string_view text) {
    for (char c : text) Literal(static_cast<uint8_t>(c));
}

void LzStreamWriter::Literal(uint8_t byte) {
    Symbol(m_main, byte);
}

void LzStreamWriter::LowDistance(uint32_t low, bool repeat) {
    if (m_lowRepeats > 0) {
        if (low != m_lastLow) throw std::invalid_argument("low bits must repeat here");
        --m_lowRepeats;
        return;
    }
    if (repeat) {
        if (low != m_lastLow) throw std::invalid_argument("low bits differ from the last");
        Symbol(m_lowDistance, 16);
        m_lowRepeats = 15;
        return;
    }
    Symbol(m_lowDistance, low);
    m_lastLow = low;
}

void LzStreamWriter::Match(uint32_t length, uint32_t distance, bool lowRepeat) {
    const uint32_t bonus = (distance >= 0x2000 ? 1 : 0) + (distance >= 0x40000 ? 1 : 0);
    const size_t lengthSlot = SlotFor(LengthSlots(), length - bonus - 3);
    Symbol(m_main, uint32_t(271 + lengthSlot));
    const Slot& ls = LengthSlots()[lengthSlot];
    m_out.Put(length - bonus - 3 - ls.base, ls.bits);
    const size_t slot = SlotFor(DistanceSlots(), distance - 1);
    Symbol(m_distance, uint32_t(slot));
    const Slot& ds = DistanceSlots()[slot];
    const uint32_t extra = distance - 1 - ds.base;
    if (slot > 9) {
        if (ds.bits > 4) m_out.Put(extra >> 4, ds.bits - 4);
        LowDistance(extra & 0xF, lowRepeat);
    } else {
        m_out.Put(extra, ds.bits);
    }
}

void LzStreamWriter::ShortMatch(uint32_t distance) {
    static constexpr uint32_t kBase[] = {0, 4, 8, 16, 32, 64, 128, 192, 256};
    static constexpr unsigned kBits[] = {2, 2, 3, 4, 5, 6, 6, 6};
    size_t slot = 0;
    while (kBase[slot + 1] <= distance - 1) ++slot;
    Symbol(m_main, uint32_t(263 + slot));
    m_out.Put(distance - 1 - kBase[slot], kBits[slot]);
}

void LzStreamWriter::OldDistance(unsigned index, uint32_t length) {
    Symbol(m_main, 259 + index);
    const size_t slot = SlotFor(LengthSlots(), length - 2);
    Symbol(m_length, uint32_t(slot));
    m_out.Put(length - 2 - LengthSlots()[slot].base, LengthSlots()[slot].bits);
}

void LzStreamWriter::RepeatLast() {
    Symbol(m_main, 258);
}

void LzStreamWriter::Filter(uint8_t flags, const std::vector<uint8_t>& body) {
    Symbol(m_main, 257);
    const size_t size = body.size();
    if (size == 0) throw std::invalid_argument("empty filter body");
    if (size <= 6) {
        m_out.Put((flags & 0xF8) | uint32_t(size - 1), 8);
    } else if (size <= 262) {
        m_out.Put((flags & 0xF8) | 6u, 8);
        m_out.Put(uint32_t(size - 7), 8);
    } else {
        m_out.Put((flags & 0xF8) | 7u, 8);
        m_out.Put(uint32_t(size), 16);
    }
    for (uint8_t b : body) m_out.Put(b, 8);
}

void LzStreamWriter::NewTables(const TableLengths& lengths, bool keepOld) {
    EndBlock();
    Tables(lengths, keepOld);
}

void LzStreamWriter::EndBlock() {
    Symbol(m_main, 256);
    m_out.Put(1, 1);
}

void LzStreamWriter::EndOfFile(bool nextHasTables) {
    Symbol(m_main, 256);
    m_out.Put(0, 1);
    m_out.Put(nextHasTables ? 1 : 0, 1);
}

std::vector<uint8_t> LzStreamWriter::Finish() {
    m_out.AlignToByte();
    return m_out.Bytes();
}

std::vector<uint8_t> NewProgramFilter(uint32_t programNumber, uint32_t offset, uint32_t length,
                                      uint32_t r0, uint32_t r1,
                                      const std::vector<uint8_t>& program) {
    return FilterBody(programNumber, offset, length, r0, r1, &program);
}

std::vector<uint8_t> ReuseFilter(uint32_t programNumber, uint32_t offset, uint32_t length,
                                 uint32_t r0, uint32_t r1) {
    return FilterBody(programNumber, offset, length, r0, r1, nullptr);
}

namespace {

void Put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

uint32_t Crc(const void* data, size_t size) {
    return static_cast<uint32_t>(
        crc32(0L, static_cast<const Bytef*>(data), static_cast<uInt>(size)));
}

// A block: the low half of its CRC-32, then the body from the type on.
std::string Block(const std::string& body) {
    std::string block;
    Put16(block, Crc(body.data(), body.size()) & 0xFFFF);
    return block + body;
}

}  // namespace

std::string Rar29Archive(const std::vector<ArchivedEntry>& entries) {
    const bool solid = entries.size() > 1;
    std::string archive("Rar!\x1a\x07\x00", 7);
    std::string main("\x73", 1);
    Put16(main, solid ? 0x08 : 0);
    Put16(main, 13);
    Put16(main, 0);
    Put32(main, 0);
    archive += Block(main);
    for (size_t i = 0; i < entries.size(); ++i) {
        const ArchivedEntry& e = entries[i];
        std::string file("\x74", 1);
        Put16(file, 0x8000 | 0xC0 | (i > 0 ? 0x10 : 0));  // data follows; 4 MiB; solid
        Put16(file, static_cast<uint32_t>(32 + e.name.size()));
        Put32(file, static_cast<uint32_t>(e.packed.size()));
        Put32(file, static_cast<uint32_t>(e.data.size()));
        file.push_back(3);  // Unix
        Put32(file, Crc(e.data.data(), e.data.size()));
        Put32(file, 0x5A210000);  // 2025-01-01
        file.push_back(29);
        file.push_back(0x33);
        Put16(file, static_cast<uint32_t>(e.name.size()));
        Put32(file, 0x81A4);  // rw-r--r--
        archive += Block(file + e.name);
        archive.append(e.packed.begin(), e.packed.end());
    }
    std::string end("\x7b", 1);
    Put16(end, 0x4000);
    Put16(end, 7);
    return archive + Block(end);
}

std::vector<uint8_t> E8E9Program() {
    return {0x84, 0x1B, 0x01, 0x28, 0x11, 0x10, 0x69, 0x80, 0x80, 0x00, 0x00, 0x0D,
            0x13, 0xA1, 0x01, 0xC6, 0x89, 0xD2, 0x80, 0xAC, 0x97, 0x62, 0x85, 0x5C,
            0xC9, 0x05, 0xC9, 0x2F, 0x81, 0x48, 0xC8, 0xAA, 0x98, 0x18, 0x95, 0x72,
            0x88, 0x81, 0xAA, 0xC9, 0x5B, 0x00, 0x20, 0xAB, 0x6A, 0x03, 0x35, 0x58,
            0x11, 0xA2, 0x48, 0x21, 0xB0, 0x12, 0x91, 0xF4, 0xB8};
}

std::vector<uint8_t> DeltaProgram() {
    return {0x2F, 0x01, 0x9A, 0x41, 0x80, 0xEC, 0x27, 0x48, 0x2F, 0x09,
            0x76, 0x6D, 0xD3, 0xEA, 0x41, 0x5B, 0x59, 0x44, 0xE8, 0x17,
            0x5C, 0xE1, 0x6C, 0x91, 0x4C, 0x4E, 0x3F, 0x77, 0x00};
}

}  // namespace kiv::test::rar3
