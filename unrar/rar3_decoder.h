// The decoder of RAR 2.9/3.x (unpack versions 29 and 36): LZ blocks with their prefix codes, PPM
// blocks through PPMd variant H, and the standard filters.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "unrar/bit_input.h"
#include "unrar/decoder.h"
#include "unrar/lz_window.h"
#include "unrar/rar3_filters.h"
#include "unrar/rar3_tables.h"

namespace kiv::rar {

class PpmdDecoder;

// Everything a solid run carries from entry to entry lives here: the window, the LZ tables and
// distances, the PPM model, and the filter programs with the blocks still waiting for bytes.
class Rar3Decoder final : public Decoder {
public:
    Rar3Decoder();
    ~Rar3Decoder() override;
    Rar3Decoder(const Rar3Decoder&) = delete;
    Rar3Decoder& operator=(const Rar3Decoder&) = delete;

    // See Decoder. The stream's own end-of-file code ends an entry early only with
    // p.unknownSize; with a known size that code before the size is damage.
    void Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) override;

private:
    enum class Step { Limit, EndOfFile };

    void StartEntry(const DecodeParams& p);
    void Reset();
    void ReadBlockStart(BitInput& in);
    Step DecodeLz(BitInput& in, uint64_t limit);
    Step DecodePpm(BitInput& in, uint64_t limit);
    // Symbols 271-298: a length slot, then a distance of its own.
    void ReadNewMatch(BitInput& in, uint32_t lengthSlot, uint32_t& length, uint32_t& distance);
    uint32_t LowDistance(BitInput& in);
    void PushDistance(uint32_t distance);
    template <typename NextByte>
    void ReadFilter(NextByte next);
    // Reads the end-of-file code that may follow an entry's last byte; false when what follows
    // leaves the state unfit for a solid continuation.
    bool ReadTrailer(BitInput& in);
    void Flush(UnpackedSink& out, uint64_t upTo);
    void RunFilters(UnpackedSink& out);

    std::unique_ptr<LzWindow> m_window;
    uint64_t m_entryStart = 0;  // window position of the entry's first byte
    uint64_t m_written = 0;     // bytes before this position were handed on
    uint64_t m_target = 0;      // the entry's end as a window position

    rar3::LzTables m_tables;
    bool m_tablesRead = false;  // a block is open; otherwise the next one starts with its header
    bool m_ppmBlock = false;
    std::unique_ptr<PpmdDecoder> m_ppm;

    std::array<uint32_t, 4> m_oldDistances{};
    uint32_t m_lastDistance = 0;
    uint32_t m_lastLength = 0;
    uint32_t m_lowDistance = 0;
    uint32_t m_lowRepeats = 0;

    rar3::FilterQueue m_filters;
    std::vector<uint8_t> m_filterIn, m_filterOut;

    bool m_broken = false;  // the last entry failed or ended unclearly: no solid continuation
};

}  // namespace kiv::rar
