// The greedy RAR 5.0 compressor and the archive writer of rar5pack.
#include "tools/rar5pack/rar5_compressor.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "tools/rar5pack/rar5_stream_writer.h"

namespace kiv::rar5pack {

namespace {

constexpr unsigned kHashBits = 17;
constexpr uint32_t kMaxLength = 4097;

enum class Kind : uint8_t { Literal, Match, Repeat, RepeatLast };

uint32_t Hash3(const char* p) {
    const uint32_t v = static_cast<uint8_t>(p[0]) << 16 | static_cast<uint8_t>(p[1]) << 8 |
                       static_cast<uint8_t>(p[2]);
    return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

struct Rar5Compressor::Token {
    Kind kind = Kind::Literal;
    uint8_t value = 0;  // the byte, or the repeat index
    uint32_t length = 1;
    uint64_t distance = 0;
};

Rar5Compressor::Rar5Compressor(const CompressOptions& options)
    : m_options(options), m_head(size_t{1} << kHashBits, -1), m_chain(options.dictionary, -1) {
    if (options.dictionary < 128 * 1024 || (options.dictionary & (options.dictionary - 1))) {
        throw std::invalid_argument("the dictionary must be a power of two from 128 KiB");
    }
}

Rar5Compressor::~Rar5Compressor() = default;

size_t Rar5Compressor::MatchLength(size_t a, size_t b, size_t limit) const {
    const char* p = m_history.data();
    size_t n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, p + a + n, 8);
        std::memcpy(&y, p + b + n, 8);
        if (x != y) return n + static_cast<size_t>(__builtin_ctzll(x ^ y)) / 8;
        n += 8;
    }
    while (n < limit && p[a + n] == p[b + n]) ++n;
    return n;
}

void Rar5Compressor::Insert(size_t pos) {
    if (pos + 3 > m_history.size()) return;
    const uint32_t h = Hash3(m_history.data() + pos);
    m_chain[pos & (m_options.dictionary - 1)] = m_head[h];
    m_head[h] = static_cast<int64_t>(pos);
}

void Rar5Compressor::FindMatch(size_t pos, size_t end, Token& best) {
    const size_t limit = std::min<size_t>(end - pos, kMaxLength);
    best = Token{Kind::Literal, static_cast<uint8_t>(m_history[pos]), 1, 0};
    if (limit < 2) return;
    size_t repeatLength = 0;
    unsigned repeatIndex = 0;
    for (unsigned i = 0; i < 4; ++i) {
        const uint64_t d = m_recent[i];
        if (d == 0 || d > pos) continue;
        const size_t n = MatchLength(pos, pos - d, limit);
        if (n > repeatLength) repeatLength = n, repeatIndex = i;
    }
    size_t matchLength = 0;
    uint64_t matchDistance = 0;
    if (limit >= 3) {
        int64_t candidate = m_head[Hash3(m_history.data() + pos)];
        for (unsigned depth = m_options.chainDepth; candidate >= 0 && depth > 0; --depth) {
            const uint64_t d = pos - static_cast<uint64_t>(candidate);
            if (d >= m_options.dictionary) break;
            const size_t n = MatchLength(pos, static_cast<size_t>(candidate), limit);
            if (n > matchLength) matchLength = n, matchDistance = d;
            if (n == limit) break;
            candidate = m_chain[static_cast<size_t>(candidate) & (m_options.dictionary - 1)];
        }
    }
    if (repeatLength >= 2 && repeatLength + 1 >= matchLength) {
        const bool last = repeatIndex == 0 && repeatLength == m_lastLength;
        best = Token{last ? Kind::RepeatLast : Kind::Repeat, static_cast<uint8_t>(repeatIndex),
                     static_cast<uint32_t>(repeatLength), m_recent[repeatIndex]};
    } else if (matchLength >= 3 && matchLength >= 2 + LengthBonus(matchDistance) &&
               (matchLength > 3 || matchDistance <= 0x2000)) {
        best = Token{Kind::Match, 0, static_cast<uint32_t>(matchLength), matchDistance};
    }
}

std::string Rar5Compressor::CompressEntry(const std::string& data) {
    const size_t start = m_history.size();
    m_history += data;
    const size_t end = m_history.size();
    std::vector<Token> tokens;
    for (size_t pos = start; pos < end;) {
        Token t;
        FindMatch(pos, end, t);
        if (t.kind == Kind::Match) {
            std::copy_backward(m_recent, m_recent + 3, m_recent + 4);
            m_recent[0] = t.distance;
        } else if (t.kind == Kind::Repeat) {
            std::copy_backward(m_recent, m_recent + t.value, m_recent + t.value + 1);
            m_recent[0] = t.distance;
        }
        if (t.kind != Kind::Literal) m_lastLength = t.length;
        for (size_t i = 0; i < t.length; ++i) Insert(pos + i);
        pos += t.length;
        tokens.push_back(t);
    }
    Rar5StreamWriter writer(m_options.version70);
    for (size_t first = 0; first < tokens.size(); first += m_options.blockSymbols) {
        const size_t count = std::min(m_options.blockSymbols, tokens.size() - first);
        const bool last = first + count == tokens.size();
        // Counts of every symbol the block codes, for its tables.
        std::vector<uint64_t> literals(306), distances(m_options.version70 ? 80 : 64), low(16),
            repeats(44);
        for (size_t i = first; i < first + count; ++i) {
            const Token& t = tokens[i];
            switch (t.kind) {
                case Kind::Literal:
                    ++literals[t.value];
                    break;
                case Kind::RepeatLast:
                    ++literals[257];
                    break;
                case Kind::Repeat:
                    ++literals[258 + t.value];
                    ++repeats[LengthSlot(t.length).slot];
                    break;
                case Kind::Match: {
                    ++literals[262 + LengthSlot(t.length - LengthBonus(t.distance)).slot];
                    const SlotCode d = DistanceSlot(t.distance);
                    ++distances[d.slot];
                    if (d.extraBits >= 4) ++low[d.extra & 15];
                    break;
                }
            }
        }
        Rar5Tables tables{Rar5Tables::LengthsFor(literals), Rar5Tables::LengthsFor(distances),
                          Rar5Tables::LengthsFor(low), Rar5Tables::LengthsFor(repeats)};
        writer.BeginBlock(&tables);
        for (size_t i = first; i < first + count; ++i) {
            const Token& t = tokens[i];
            switch (t.kind) {
                case Kind::Literal:
                    writer.Literal(t.value);
                    break;
                case Kind::RepeatLast:
                    writer.RepeatLast();
                    break;
                case Kind::Repeat:
                    writer.Repeat(t.value, t.length);
                    break;
                case Kind::Match:
                    writer.Match(t.length, t.distance);
                    break;
            }
        }
        writer.EndBlock(last);
    }
    return writer.Stream();
}

namespace {

void PutVint(std::string& out, uint64_t v) {
    do {
        out.push_back(static_cast<char>((v & 0x7F) | (v > 0x7F ? 0x80 : 0)));
        v >>= 7;
    } while (v != 0);
}

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string Block(const std::string& body) {
    std::string sized;
    PutVint(sized, body.size());
    sized += body;
    std::string block;
    Put32(block, static_cast<uint32_t>(
                     crc32(0, reinterpret_cast<const Bytef*>(sized.data()), sized.size())));
    return block + sized;
}

}  // namespace

std::string WriteRar5Archive(const std::vector<PackedEntry>& entries, bool solidArchive) {
    std::string out("Rar!\x1A\x07\x01\x00", 8);
    std::string main;
    PutVint(main, 1);  // main header
    PutVint(main, 0);
    PutVint(main, solidArchive ? 0x04 : 0);
    out += Block(main);
    for (const PackedEntry& e : entries) {
        unsigned dictionaryBits = 0;
        while ((uint64_t{128 * 1024} << dictionaryBits) < e.dictionary) ++dictionaryBits;
        std::string file;
        PutVint(file, 2);     // file header
        PutVint(file, 0x02);  // with a data area
        PutVint(file, e.packed.size());
        PutVint(file, 0x04);  // CRC-32 present
        PutVint(file, e.unpSize);
        PutVint(file, 0x20);  // archive attribute
        Put32(file, e.crc);
        const uint64_t method = e.stored ? 0 : 3;
        PutVint(file, (e.version70 ? 1 : 0) | (e.solid ? 0x40 : 0) | method << 7 |
                          uint64_t{dictionaryBits} << 10);
        PutVint(file, 0);  // Windows
        PutVint(file, e.name.size());
        file += e.name;
        out += Block(file);
        out += e.packed;
    }
    std::string end;
    PutVint(end, 5);
    PutVint(end, 0);
    PutVint(end, 0);
    out += Block(end);
    return out;
}

}  // namespace kiv::rar5pack
