// RAR 5.0 stream writing: bits, canonical codes, fitted code lengths, tables and symbols.
#include "tools/rar5pack/rar5_stream_writer.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <stdexcept>

namespace kiv::rar5pack {

namespace {

constexpr unsigned kMaxCodeLength = 15;
constexpr size_t kLengthCodeSymbols = 20;

unsigned HighestBit(uint64_t v) {
    return 63 - static_cast<unsigned>(__builtin_clzll(v));
}

// Depths of a Huffman tree over the counts (all non-zero, at least two).
std::vector<unsigned> HuffmanDepths(const std::vector<uint64_t>& counts) {
    struct Node {
        uint64_t weight;
        int left, right;
    };
    std::vector<Node> nodes;
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    for (size_t i = 0; i < counts.size(); ++i) {
        nodes.push_back({counts[i], -1, -1});
        queue.push({counts[i], static_cast<int>(i)});
    }
    while (queue.size() > 1) {
        const auto a = queue.top();
        queue.pop();
        const auto b = queue.top();
        queue.pop();
        nodes.push_back({a.first + b.first, a.second, b.second});
        queue.push({a.first + b.first, static_cast<int>(nodes.size() - 1)});
    }
    std::vector<unsigned> depth(nodes.size(), 0);
    for (size_t i = nodes.size(); i-- > counts.size();) {
        depth[nodes[i].left] = depth[i] + 1;
        depth[nodes[i].right] = depth[i] + 1;
    }
    depth.resize(counts.size());
    return depth;
}

}  // namespace

void BitWriter::Put(uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
        if (m_bits % 8 == 0) m_bytes.push_back('\0');
        if ((value >> i) & 1)
            m_bytes.back() = static_cast<char>(m_bytes.back() | 0x80 >> m_bits % 8);
        ++m_bits;
    }
}

Rar5Tables Rar5Tables::Flat(bool version70) {
    Rar5Tables t;
    t.literals.assign(306, 9);
    std::fill_n(t.literals.begin(), 206, 8);  // 206 / 256 + 100 / 512 = 1
    if (version70) {
        t.distances.assign(80, 7);
        std::fill_n(t.distances.begin(), 48, 6);  // 48 / 64 + 32 / 128 = 1
    } else {
        t.distances.assign(64, 6);
    }
    t.lowDistances.assign(16, 4);
    t.repeatLengths.assign(44, 6);
    std::fill_n(t.repeatLengths.begin(), 20, 5);  // 20 / 32 + 24 / 64 = 1
    return t;
}

std::vector<uint8_t> Rar5Tables::LengthsFor(const std::vector<uint64_t>& counts) {
    std::vector<uint8_t> lengths(counts.size(), 0);
    std::vector<size_t> used;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] > 0) used.push_back(i);
    }
    if (used.size() == 1) lengths[used[0]] = 1;
    if (used.size() < 2) return lengths;
    std::vector<uint64_t> weights;
    for (size_t i : used) weights.push_back(counts[i]);
    for (;;) {
        const std::vector<unsigned> depth = HuffmanDepths(weights);
        if (*std::max_element(depth.begin(), depth.end()) <= kMaxCodeLength) {
            for (size_t k = 0; k < used.size(); ++k)
                lengths[used[k]] = static_cast<uint8_t>(depth[k]);
            return lengths;
        }
        // Flatten the counts until the deepest code fits.
        for (uint64_t& w : weights) w = (w >> 1) | 1;
    }
}

std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
    std::vector<uint32_t> codes(lengths.size(), 0);
    uint32_t next = 0;
    for (unsigned n = 1; n <= kMaxCodeLength; ++n) {
        for (size_t i = 0; i < lengths.size(); ++i) {
            if (lengths[i] == n) codes[i] = next++;
        }
        next <<= 1;
    }
    return codes;
}

SlotCode LengthSlot(uint32_t length) {
    if (length < 2) throw std::invalid_argument("match length below 2");
    if (length < 10) return {length - 2, 0, 0};
    for (unsigned slot = 8; slot < 44; ++slot) {
        const unsigned bits = slot / 4 - 1;
        const uint32_t base = 2 + ((4 | (slot & 3)) << bits);
        if (length < base + (1u << bits)) return {slot, bits, length - base};
    }
    throw std::invalid_argument("match length beyond 4097");
}

SlotCode DistanceSlot(uint64_t distance) {
    if (distance == 0) throw std::invalid_argument("distance 0");
    const uint64_t v = distance - 1;
    if (v < 4) return {static_cast<unsigned>(v), 0, 0};
    const unsigned high = HighestBit(v);
    const unsigned bits = high - 1;
    return {2 * high + static_cast<unsigned>((v >> bits) & 1), bits,
            v & ((uint64_t{1} << bits) - 1)};
}

uint32_t LengthBonus(uint64_t distance) {
    return (distance > 0x100) + (distance > 0x2000) + (distance > 0x40000);
}

void Rar5StreamWriter::BeginBlock(const Rar5Tables* tables, bool runCoded) {
    m_tablesInBlock = tables != nullptr;
    if (!tables) return;
    m_tables = *tables;
    m_literalCodes = CanonicalCodes(m_tables.literals);
    m_distanceCodes = CanonicalCodes(m_tables.distances);
    m_lowCodes = CanonicalCodes(m_tables.lowDistances);
    m_repeatCodes = CanonicalCodes(m_tables.repeatLengths);
    WriteTables(m_tables, runCoded);
}

void Rar5StreamWriter::WriteTables(const Rar5Tables& t, bool runCoded) {
    std::vector<uint8_t> all;
    for (const auto* part : {&t.literals, &t.distances, &t.lowDistances, &t.repeatLengths}) {
        all.insert(all.end(), part->begin(), part->end());
    }
    // The lengths as length-code symbols, each with its extra bits.
    struct Coded {
        unsigned symbol;
        unsigned bits;
        uint32_t extra;
    };
    std::vector<Coded> coded;
    for (size_t i = 0; i < all.size();) {
        size_t run = 1;
        const bool zero = all[i] == 0;
        const uint8_t previous = i > 0 ? all[i - 1] : 0xFF;
        if (runCoded && (zero || all[i] == previous)) {
            while (i + run < all.size() && all[i + run] == all[i] && run < 138) ++run;
        }
        if (runCoded && run >= 11) {
            coded.push_back({zero ? 19u : 17u, 7, static_cast<uint32_t>(run - 11)});
        } else if (runCoded && run >= 3) {
            run = std::min<size_t>(run, 10);
            coded.push_back({zero ? 18u : 16u, 3, static_cast<uint32_t>(run - 3)});
        } else {
            run = 1;
            coded.push_back({all[i], 0, 0});
        }
        i += run;
    }
    std::vector<uint64_t> counts(kLengthCodeSymbols, 0);
    for (const Coded& c : coded) ++counts[c.symbol];
    const std::vector<uint8_t> lengths = Rar5Tables::LengthsFor(counts);
    const std::vector<uint32_t> codes = CanonicalCodes(lengths);
    for (size_t i = 0; i < kLengthCodeSymbols;) {
        size_t zeros = 0;
        while (i + zeros < kLengthCodeSymbols && lengths[i + zeros] == 0 && zeros < 17) ++zeros;
        if (zeros >= 3) {
            m_block.Put(15, 4);
            m_block.Put(static_cast<uint32_t>(zeros - 2), 4);
            i += zeros;
        } else if (lengths[i] == 15) {
            m_block.Put(15, 4);
            m_block.Put(0, 4);
            ++i;
        } else {
            m_block.Put(lengths[i++], 4);
        }
    }
    for (const Coded& c : coded) {
        m_block.Put(codes[c.symbol], lengths[c.symbol]);
        m_block.Put(c.extra, c.bits);
    }
}

void Rar5StreamWriter::PutSymbol(const std::vector<uint8_t>& lengths,
                                 const std::vector<uint32_t>& codes, unsigned symbol) {
    if (symbol >= lengths.size() || lengths[symbol] == 0) {
        throw std::invalid_argument("symbol " + std::to_string(symbol) + " has no code");
    }
    m_block.Put(codes[symbol], lengths[symbol]);
}

void Rar5StreamWriter::PutLength(uint32_t length, const std::vector<uint8_t>& lengths,
                                 const std::vector<uint32_t>& codes, unsigned firstSymbol) {
    const SlotCode s = LengthSlot(length);
    PutSymbol(lengths, codes, firstSymbol + s.slot);
    m_block.Put(static_cast<uint32_t>(s.extra), s.extraBits);
}

void Rar5StreamWriter::Literal(uint8_t byte) {
    PutSymbol(m_tables.literals, m_literalCodes, byte);
}

void Rar5StreamWriter::Match(uint32_t length, uint64_t distance) {
    PutLength(length - LengthBonus(distance), m_tables.literals, m_literalCodes, 262);
    const SlotCode d = DistanceSlot(distance);
    PutSymbol(m_tables.distances, m_distanceCodes, d.slot);
    if (d.extraBits < 4) {
        m_block.Put(static_cast<uint32_t>(d.extra), d.extraBits);
        return;
    }
    const unsigned high = d.extraBits - 4;
    if (high > 32) m_block.Put(static_cast<uint32_t>(d.extra >> 36), high - 32);
    m_block.Put(static_cast<uint32_t>(d.extra >> 4), std::min(high, 32u));
    PutSymbol(m_tables.lowDistances, m_lowCodes, static_cast<unsigned>(d.extra & 15));
}

void Rar5StreamWriter::Repeat(unsigned index, uint32_t length) {
    PutSymbol(m_tables.literals, m_literalCodes, 258 + index);
    PutLength(length, m_tables.repeatLengths, m_repeatCodes, 0);
}

void Rar5StreamWriter::RepeatLast() {
    PutSymbol(m_tables.literals, m_literalCodes, 257);
}

void Rar5StreamWriter::Filter(unsigned type, uint32_t offset, uint32_t length, unsigned channels) {
    PutSymbol(m_tables.literals, m_literalCodes, 256);
    for (uint32_t number : {offset, length}) {
        const unsigned bytes = number < 0x100       ? 1
                               : number < 0x10000   ? 2
                               : number < 0x1000000 ? 3
                                                    : 4;
        m_block.Put(bytes - 1, 2);
        for (unsigned i = 0; i < bytes; ++i) m_block.Put((number >> (8 * i)) & 0xFF, 8);
    }
    m_block.Put(type, 3);
    if (type == 0) m_block.Put(channels - 1, 5);
}

void Rar5StreamWriter::EndBlock(bool last) {
    const std::string& body = m_block.Bytes();
    const uint32_t size = static_cast<uint32_t>(body.size());
    const unsigned bitSize = m_block.BitCount() == 0 ? 1 : (m_block.BitCount() - 1) % 8 + 1;
    const unsigned sizeBytes = size < 0x100 ? 1 : size < 0x10000 ? 2 : 3;
    const uint32_t flags =
        (m_tablesInBlock ? 0x80 : 0) | (last ? 0x40 : 0) | (sizeBytes - 1) << 3 | (bitSize - 1);
    m_stream.push_back(static_cast<char>(flags));
    m_stream.push_back(static_cast<char>((0x5A ^ flags ^ size ^ size >> 8 ^ size >> 16) & 0xFF));
    for (unsigned i = 0; i < sizeBytes; ++i) m_stream.push_back(static_cast<char>(size >> (8 * i)));
    m_stream += body;
    m_block = BitWriter();
}

}  // namespace kiv::rar5pack
