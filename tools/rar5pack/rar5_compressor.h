// A plain RAR 5.0 compressor (greedy LZ over hash chains, Huffman tables fitted per block) and
// the archive around its streams: enough for round trips, peer cross-checks and benchmark
// inputs, not for small archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kiv::rar5pack {

struct CompressOptions {
    uint64_t dictionary = 4 << 20;  // a power of two from 128 KiB
    unsigned chainDepth = 24;       // hash chain entries tried per position
    size_t blockSymbols = 1 << 16;  // symbols per block (each block has its own tables)
    bool version70 = false;         // the later revision's distance alphabet
};

// Compresses entries one after another as one solid stream: each entry's stream may reach
// back into the entries before it and continues their distance cache.
class Rar5Compressor {
public:
    explicit Rar5Compressor(const CompressOptions& options);
    ~Rar5Compressor();
    // The packed stream of the next entry.
    std::string CompressEntry(const std::string& data);

private:
    struct Token;
    size_t MatchLength(size_t a, size_t b, size_t limit) const;
    void FindMatch(size_t pos, size_t end, Token& best);
    void Insert(size_t pos);
    std::string Encode(const std::vector<Token>& tokens, size_t first, size_t count, bool last);

    CompressOptions m_options;
    std::string m_history;
    std::vector<int64_t> m_head;
    std::vector<int64_t> m_chain;
    uint64_t m_recent[4] = {0, 0, 0, 0};
    uint32_t m_lastLength = 0;
};

struct PackedEntry {
    std::string name;
    std::string packed;  // the stream, or the data itself when stored
    uint64_t unpSize = 0;
    uint32_t crc = 0;  // of the unpacked data
    bool stored = false;
    bool solid = false;  // continues the previous entry's state
    uint64_t dictionary = 4 << 20;
    bool version70 = false;
};

// A RAR 5.0 archive of the entries (one volume, CRC-32 checks).
std::string WriteRar5Archive(const std::vector<PackedEntry>& entries, bool solidArchive);

}  // namespace kiv::rar5pack
