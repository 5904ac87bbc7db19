// A test-side writer of RAR 2.9/3.x LZ streams, symbol by symbol, for hand-made decoder input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::test::rar3 {

// Bits first-highest, as the format stores them.
class BitWriter {
public:
    void Put(uint32_t value, unsigned bits);
    void AlignToByte();
    size_t BitCount() const { return m_bits; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_bits = 0;
};

using TableLengths = std::array<uint8_t, 404>;  // main 299, distance 60, low 17, length 28

// Every symbol of every table usable: 9 bits for the main code, 6 for distances, 5 for the low
// distances and lengths. With equal lengths a symbol's code is its own number.
TableLengths UniformLengths();

// Writes one stream. Lengths and distances are the decoded ones; the writer picks the slots,
// the extra bits and the length bonus of far distances, and keeps the low-distance repeat
// state as the decoder does.
class LzStreamWriter {
public:
    // A block header: the LZ flag, whether the lengths are added to the previous ones, the code
    // lengths' own code and the lengths (with run codes where they fit).
    void Tables(const TableLengths& lengths, bool keepOld = false);
    // Takes the codes of these lengths without writing anything, as an entry of a solid run
    // that goes on with the previous entry's tables.
    void UseTables(const TableLengths& lengths);
    void Literals(std::string_view text);
    void Literal(uint8_t byte);
    // Symbols 271-298: a new distance. With lowRepeat the low four bits of the distance are
    // coded as "the previous ones, for this and the next 15 far distances".
    void Match(uint32_t length, uint32_t distance, bool lowRepeat = false);
    // Symbols 263-270: a length-2 match at distance 1-256.
    void ShortMatch(uint32_t distance);
    // Symbols 259-262: the index-th previous distance again, with a new length.
    void OldDistance(unsigned index, uint32_t length);
    void RepeatLast();  // symbol 258
    // Symbol 257 and the definition: its flags byte and body, sized as the format sizes it.
    void Filter(uint8_t flags, const std::vector<uint8_t>& body);
    void NewTables(const TableLengths& lengths, bool keepOld = false);  // 256, 1, header
    void EndBlock();  // 256, 1: a block of either kind follows, from the next byte
    void EndOfFile(bool nextHasTables);  // 256, 0, flag
    // Raw bits, for damage of the writer's own making.
    void Bits(uint32_t value, unsigned bits) { m_out.Put(value, bits); }
    std::vector<uint8_t> Finish();

private:
    struct Code {
        uint32_t bits = 0;
        uint8_t length = 0;
    };
    void Symbol(const std::vector<Code>& table, uint32_t symbol);
    void LowDistance(uint32_t low, bool repeat);

    BitWriter m_out;
    TableLengths m_lengths{};
    std::vector<Code> m_main, m_distance, m_lowDistance, m_length;
    uint32_t m_lastLow = 0;
    uint32_t m_lowRepeats = 0;
};

// A filter definition body for a new program (flags 0x80 | 0x20 | 0x10 with the program number
// following the last one defined, the block's offset from the position, its length, R0 and R1,
// and the program's bytes), in the format's variable-length numbers.
std::vector<uint8_t> NewProgramFilter(uint32_t programNumber, uint32_t offset, uint32_t length,
                                      uint32_t r0, uint32_t r1,
                                      const std::vector<uint8_t>& program);
// The body for a further use of an existing program (flags 0x80 | 0x20 | 0x10).
std::vector<uint8_t> ReuseFilter(uint32_t programNumber, uint32_t offset, uint32_t length,
                                 uint32_t r0, uint32_t r1);
constexpr uint8_t kNewFilterFlags = 0x80 | 0x20 | 0x10;

// A RAR 2.9 archive of these entries (unpack version 29, method "normal", 4 MiB dictionary),
// solid when there is more than one: peers read it as an archive RAR wrote.
struct ArchivedEntry {
    std::string name;
    std::vector<uint8_t> packed;
    std::string data;
};
std::string Rar29Archive(const std::vector<ArchivedEntry>& entries);

// The standard programs as archivers write them (taken from libarchive's RAR test files).
std::vector<uint8_t> E8E9Program();
std::vector<uint8_t> DeltaProgram();

}  // namespace kiv::test::rar3
