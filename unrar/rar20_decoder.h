// The decoder of RAR 2.0 and 2.6 (unpack versions 20 and 26): LZ blocks with three prefix codes,
// and multimedia blocks that predict up to four interleaved audio channels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "unrar/bit_input.h"
#include "unrar/decoder.h"
#include "unrar/lz_window.h"
#include "unrar/rar20_audio.h"
#include "unrar/rar3_prefix_code.h"

namespace kiv::rar {

// A solid run carries the window, the code lengths and codes, the distances and the audio
// predictors from entry to entry; each entry's packed data starts on a byte of its own.
class Rar20Decoder final : public Decoder {
public:
    Rar20Decoder();
    ~Rar20Decoder() override;
    Rar20Decoder(const Rar20Decoder&) = delete;
    Rar20Decoder& operator=(const Rar20Decoder&) = delete;

    // See Decoder. The format has no end-of-data code, so p.unknownSize is refused.
    void Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) override;

    static constexpr size_t kMainSize = 298, kDistanceSize = 48, kLengthSize = 28;
    static constexpr size_t kAudioSize = 257, kMaxChannels = 4;

private:
    void StartEntry(const DecodeParams& p);
    void Reset();
    void ReadTables(BitInput& in);
    void ReadLengths(BitInput& in, size_t count);
    void DecodeLz(BitInput& in, uint64_t limit);
    void DecodeAudio(BitInput& in, uint64_t limit);
    void Match(uint32_t distance, uint32_t length);

    std::unique_ptr<LzWindow> m_window;
    uint64_t m_written = 0;  // bytes before this window position were handed on
    uint64_t m_target = 0;   // the entry's end as a window position

    // Lengths of the block's codes: LZ blocks use the first 374, audio blocks 257 per channel.
    // A block may give its lengths as changes to these.
    std::array<uint8_t, kAudioSize * kMaxChannels> m_lengths{};
    bool m_tablesRead = false;
    bool m_audioBlock = false;
    rar3::PrefixCode m_main, m_distance, m_length;
    std::array<rar3::PrefixCode, kMaxChannels> m_audioCodes;

    unsigned m_channels = 1;
    unsigned m_channel = 0;  // the channel of the next audio byte
    int m_crossDelta = 0;    // the previous channel's last delta
    std::array<rar20::AudioChannel, kMaxChannels> m_audio;

    std::array<uint32_t, 4> m_oldDistances{};
    unsigned m_oldIndex = 0;  // where the next distance goes; the last one is just before it
    uint32_t m_lastDistance = 0;
    uint32_t m_lastLength = 0;

    bool m_broken = false;  // the last entry failed: no solid continuation
};

}  // namespace kiv::rar
