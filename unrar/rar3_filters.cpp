// Reads filter definitions of RAR 2.9/3.x streams and keeps the blocks they cover in order.
#include "unrar/rar3_filters.h"

#include <zlib.h>

#include <cstdio>
#include <string>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar::rar3 {

namespace {

[[noreturn]] void Fail(const std::string& why) {
    throw RarError(ERAR_BAD_DATA, why);
}

// Reads a definition's bytes bit by bit, first bit highest; past the end it reads zeros and
// remembers that it did.
class DefinitionBits {
public:
    DefinitionBits(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint32_t Get(unsigned n) {
        uint32_t v = 0;
        for (unsigned i = 0; i < n; ++i) {
            const size_t byte = m_bit / 8;
            uint32_t bit = 0;
            if (byte < m_size) {
                bit = (m_data[byte] >> (7 - m_bit % 8)) & 1;
            } else {
                m_overrun = true;
            }
            v = (v << 1) | bit;
            ++m_bit;
        }
        return v;
    }
    // The virtual machine's variable-length numbers: a 2-bit selector, then 4, 8, 16 or 32 bits;
    // an 8-bit value below 16 extends with 4 more bits into a negative 32-bit one.
    uint32_t Number() {
        switch (Get(2)) {
            case 0:
                return Get(4);
            case 1: {
                const uint32_t v = Get(8);
                if (v >= 16) return v;
                return 0xFFFFFF00u | (v << 4) | Get(4);
            }
            case 2:
                return Get(16);
            default:
                return Get(32);
        }
    }
    bool Overrun() const { return m_overrun; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_bit = 0;
    bool m_overrun = false;
};

constexpr uint32_t kMaxProgramSize = 0x10000;
constexpr uint32_t kMaxGlobalData = 0x2000 - 0x40;

}  // namespace

std::optional<FilterKind> IdentifyProgram(const uint8_t* code, size_t size) {
    struct Known {
        size_t size;
        uint32_t crc;
        FilterKind kind;
    };
    static constexpr Known kKnown[] = {
        {53, 0xAD576887, FilterKind::E8},       {57, 0x3CD7E57E, FilterKind::E8E9},
        {120, 0x3769893F, FilterKind::Itanium}, {29, 0x0E06077D, FilterKind::Delta},
        {149, 0x1C2C5DC8, FilterKind::Rgb},     {216, 0xBC85E701, FilterKind::Audio},
    };
    const uint32_t crc = static_cast<uint32_t>(crc32(0L, code, static_cast<uInt>(size)));
    for (const Known& k : kKnown) {
        if (k.size == size && k.crc == crc) return k.kind;
    }
    return std::nullopt;
}

void FilterQueue::Clear() {
    m_programs.clear();
    m_lastProgram = 0;
    m_pending.clear();
}

void FilterQueue::Define(uint8_t flags, const uint8_t* data, size_t size, uint64_t position) {
    DefinitionBits bits(data, size);
    size_t number = m_lastProgram;
    if (flags & 0x80) {
        const uint32_t n = bits.Number();
        if (n == 0) {
            Clear();
            number = 0;
        } else {
            number = n - 1;
        }
    }
    if (number > m_programs.size()) Fail("a filter names a program that was never defined");
    const bool isNew = number == m_programs.size();
    if (isNew && m_programs.size() == kMaxPrograms) Fail("too many filter programs");
    m_lastProgram = number;

    FilterBlock block;
    block.start = position + bits.Number();
    if (flags & 0x40) block.start += 258;
    uint32_t length = 0;
    if (flags & 0x20) {
        length = bits.Number();
    } else if (!isNew) {
        length = m_programs[number].lastLength;
    }
    if (flags & 0x10) {
        const uint32_t mask = bits.Get(7);
        for (unsigned i = 0; i < 7; ++i) {
            if (mask & (1u << i)) block.registers[i] = bits.Number();
        }
    }
    if (isNew) {
        const uint32_t programSize = bits.Number();
        if (programSize == 0 || programSize > kMaxProgramSize || bits.Overrun()) {
            Fail("a filter program of a bad size");
        }
        std::vector<uint8_t> code(programSize);
        for (uint8_t& byte : code) byte = static_cast<uint8_t>(bits.Get(8));
        if (bits.Overrun()) Fail("a filter program cut short");
        const auto kind = IdentifyProgram(code.data(), code.size());
        if (!kind) {
            char crc[16];
            std::snprintf(crc, sizeof crc, "%08X",
                          static_cast<unsigned>(crc32(0L, code.data(), programSize)));
            Fail("unsupported filter program (" + std::to_string(programSize) + " bytes, CRC-32 " +
                 crc + "): only the standard filters are known");
        }
        m_programs.push_back(Program{*kind});
    }
    Program& program = m_programs[number];
    program.lastLength = length;
    block.kind = program.kind;
    block.length = length;
    if (flags & 0x08) {
        // Data for the program's own use; the standard filters take none.
        const uint32_t globalSize = bits.Number();
        if (globalSize > kMaxGlobalData) Fail("filter data too large");
        for (uint32_t i = 0; i < globalSize && !bits.Overrun(); ++i) bits.Get(8);
    }
    if (bits.Overrun()) Fail("a filter definition cut short");
    if (length > kMaxBlockLength) {
        Fail("a filter block of " + std::to_string(length) + " bytes, more than the " +
             std::to_string(kMaxBlockLength) + " a filter can hold");
    }
    if (!m_pending.empty()) {
        // Blocks follow one another; a block may only be filtered again as a whole.
        const FilterBlock& last = m_pending.back();
        const bool again = block.start == last.start && block.length == last.length;
        if (!again && block.start < last.start + last.length) Fail("overlapping filter blocks");
    }
    if (m_pending.size() == kMaxPending) Fail("too many filter blocks waiting");
    m_pending.push_back(block);
}

}  // namespace kiv::rar::rar3
