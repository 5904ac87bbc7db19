// The RAR 5.0 decoder (unpack versions 50 and 70): LZ with Huffman-coded blocks, a cache of the
// last four distances, and the delta, E8, E8E9 and ARM filters.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "unrar/decoder.h"
#include "unrar/lz_window.h"
#include "unrar/rar5_huffman.h"

namespace kiv::rar {

// One decoder serves a run of entries: a solid entry continues the window, the Huffman tables,
// the distance cache and the last match length the previous entry left; any other entry starts
// afresh. Memory: the window WindowSizeFor gives (grown, keeping its history, when a solid entry
// declares a larger dictionary) plus at most twice the longest filtered stretch (4 MiB each).
class Rar5Decoder : public Decoder {
public:
    Rar5Decoder();
    ~Rar5Decoder() override;

    // As Decoder::Decode. Also throws RarError(ERAR_UNKNOWN_FORMAT) for an unpack version other
    // than 50 or 70, and RarError(ERAR_BAD_DATA) for a solid entry after one that failed.
    void Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) override;

private:
    class EntryRun;

    void PrepareWindow(const DecodeParams& p);

    std::unique_ptr<LzWindow> m_window;
    Rar5HuffmanTable m_literals;       // literals, the filter and repeat codes, match lengths
    Rar5HuffmanTable m_distances;      // distance slots
    Rar5HuffmanTable m_lowDistances;   // the low four bits of long distances
    Rar5HuffmanTable m_repeatLengths;  // lengths of matches at a cached distance
    bool m_haveTables = false;
    uint32_t m_tablesVersion = 0;  // the unpack version the tables were read for
    std::array<uint64_t, 4> m_recentDistances{};
    uint32_t m_lastLength = 0;
    bool m_failed = false;              // the last entry threw: its state cannot be continued
    std::vector<uint8_t> m_filterData;  // a filtered stretch, gathered as it is decoded
    std::vector<uint8_t> m_filterOut;   // the delta filter's output
};

}  // namespace kiv::rar
