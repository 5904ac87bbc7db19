// Writes RAR 5.0 compressed streams symbol by symbol: block headers, Huffman tables, literals,
// matches, repeats and filters. Tests build hand-made streams with it; rar5pack's compressor
// builds on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kiv::rar5pack {

// Collects bits most significant first, as the decoder reads them.
class BitWriter {
public:
    // Appends the low `bits` bits of value (0..32 bits).
    void Put(uint32_t value, unsigned bits);
    uint64_t BitCount() const { return m_bits; }
    // The bytes so far, the last one padded with zero bits.
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    uint64_t m_bits = 0;
};

// The code lengths of a block's four tables.
struct Rar5Tables {
    std::vector<uint8_t> literals;       // 306: bytes, 256 filter, 257-261 repeats, lengths
    std::vector<uint8_t> distances;      // 64 (80 for version 70)
    std::vector<uint8_t> lowDistances;   // 16
    std::vector<uint8_t> repeatLengths;  // 44
    // Every symbol coded, with lengths that make each code complete.
    static Rar5Tables Flat(bool version70 = false);
    // Lengths (limit 15) fitted to symbol counts; a count of 0 leaves the symbol out.
    static std::vector<uint8_t> LengthsFor(const std::vector<uint64_t>& counts);
};

// Canonical codes for lengths, as the decoder assigns them; code[i] holds lengths[i] bits.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths);

class Rar5StreamWriter {
public:
    explicit Rar5StreamWriter(bool version70 = false) : m_version70(version70) {}

    // Starts a block with these tables, or with the previous block's when tables is null.
    // runCoded: code the lengths with the repeat and zero-run codes (otherwise one by one).
    void BeginBlock(const Rar5Tables* tables, bool runCoded = true);
    // Starts a block whose header announces tables that the caller writes with Raw; symbols
    // keep the previous tables' codes.
    void BeginBlockWithRawTables() { m_tablesInBlock = true; }
    void Literal(uint8_t byte);
    // A match at a new distance; length is the number of bytes it copies (for distances past
    // 0x100, 0x2000 and 0x40000 the coded length is 1, 2 or 3 less, and must stay >= 2).
    void Match(uint32_t length, uint64_t distance);
    // A match at the index-th most recent distance (0..3).
    void Repeat(unsigned index, uint32_t length);
    // The last match again, with its length and distance.
    void RepeatLast();
    // A filter over [offset, offset + length) from the current output position.
    void Filter(unsigned type, uint32_t offset, uint32_t length, unsigned channels = 1);
    // Raw bits inside the block, for damaged streams.
    void Raw(uint32_t value, unsigned bits) { m_block.Put(value, bits); }
    // Ends the block: writes its header (with `last` set as told) and its bytes.
    void EndBlock(bool last);

    const std::string& Stream() const { return m_stream; }

private:
    void PutSymbol(const std::vector<uint8_t>& lengths, const std::vector<uint32_t>& codes,
                   unsigned symbol);
    void PutLength(uint32_t length, const std::vector<uint8_t>& lengths,
                   const std::vector<uint32_t>& codes, unsigned firstSymbol);
    void WriteTables(const Rar5Tables& t, bool runCoded);

    bool m_version70;
    bool m_tablesInBlock = false;
    Rar5Tables m_tables;
    std::vector<uint32_t> m_literalCodes, m_distanceCodes, m_lowCodes, m_repeatCodes;
    BitWriter m_block;
    std::string m_stream;
};

// The length slot and extra bits of a length (>= 2) as the literal and repeat tables code it.
struct SlotCode {
    unsigned slot;
    unsigned extraBits;
    uint64_t extra;
};
SlotCode LengthSlot(uint32_t length);
SlotCode DistanceSlot(uint64_t distance);
// How much longer a match at this distance is than its coded length.
uint32_t LengthBonus(uint64_t distance);

}  // namespace kiv::rar5pack
