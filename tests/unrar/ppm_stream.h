// Test-side tools for PPMd streams: a reader of RAR 2.9/3.x entries made of PPM blocks (the LZ
// decoder's part of the escape codes, reduced to what text needs) and a range encoder that drives
// our model to write such streams.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "unrar/decoder.h"
#include "unrar/ppmd_h.h"
#include "unrar/ppmd_model.h"

namespace kiv::test {

// Packed bytes held in memory, handed out as a volume would.
class ByteInput : public rar::PackedInput {
public:
    explicit ByteInput(std::string_view bytes) : m_bytes(bytes) {}
    size_t Read(uint8_t* data, size_t size) override;

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

// The packed bytes of each entry of a single-volume RAR 1.5-4.x file, up to the first damaged
// header.
struct PackedEntry {
    std::string name;
    uint32_t unpVer = 0;
    uint32_t method = 0;
    bool solid = false;
    uint64_t unpSize = 0;
    uint32_t crc = 0;
    std::string packed;
};
std::vector<PackedEntry> ReadPackedEntries(const std::string& archivePath);

// A RAR 2.9 archive of one entry: `packed` as its compressed data (method "best", unpack version
// 29, dictionary 4 MiB), declared with the size and CRC-32 of `unpacked`. Peers read it as they
// would an archive RAR wrote.
std::string WrapInRar29(const std::string& name, std::string_view packed,
                        std::string_view unpacked);

// How a PPM entry read ended.
enum class PpmEnd { EndOfFile, LzBlock, Size };

struct PpmResult {
    std::string data;
    PpmEnd end = PpmEnd::Size;
    unsigned blocks = 0;  // PPM blocks started
};

// Reads one entry's packed bytes: PPM blocks one after the other until the end-of-file code,
// an LZ block (where this reader stops) or unpSize bytes. `window` holds what earlier entries of
// a solid run produced (matches may reach into it) and receives this entry's bytes too. Throws
// RarError for damaged data, as the decoder does.
PpmResult ReadPpmEntry(rar::PpmdDecoder& decoder, std::string_view packed, uint64_t unpSize,
                       std::string& window);

// RAR's PPM block header followed by the range-coded symbols, written with our model: what the
// decoder must read back. Symbols are coded one at a time; escape sequences are the caller's.
class PpmStreamWriter {
public:
    // A block that restarts the model (memoryMiB 1..256, order 2..16 or 19, 22 .. 64 as the
    // format encodes orders above 16) and, when escape is not negative, sets the escape
    // character. Throws std::invalid_argument for an order the header cannot hold.
    void StartRestartBlock(unsigned memoryMiB, unsigned order, int escape = -1);
    // A block that continues the model; ends the previous block's range coder.
    void StartContinueBlock(int escape = -1);
    void Put(uint8_t symbol);
    // Flushes the range coder; the bytes so far are a complete stream.
    std::string Finish();
    rar::PpmdModel& Model() { return *m_model; }

private:
    struct Encoder;
    void FlushCoder();
    void PutBits(unsigned value, unsigned bits);

    std::unique_ptr<rar::PpmdModel> m_model;
    std::string m_out;
    uint32_t m_bitBuffer = 0;
    unsigned m_bitCount = 0;
    bool m_coding = false;
    uint32_t m_low = 0;
    uint32_t m_range = 0;
};

}  // namespace kiv::test
