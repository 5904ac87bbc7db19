// A test-side writer of RAR 2.0 streams, symbol by symbol, for hand-made decoder input; it
// tracks what the stream decodes to, so that random streams can be checked against unar.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/unrar/rar3_stream_writer.h"

namespace kiv::test::rar20 {

// Code lengths: 374 for an LZ block (main 298, distance 48, length 28), 257 per audio channel.
using Lengths = std::vector<uint8_t>;

// Every LZ symbol, distance and length slot, in complete codes.
Lengths FullLzLengths();
// Every code and the table switch of each of `channels` channels, in complete codes.
Lengths FullAudioLengths(unsigned channels);

class StreamWriter {
public:
    // A table header: the audio flag, the keep flag (the lengths are written as changes to the
    // previous block's), the channel count of an audio block, a code-length code of 19 codes of
    // five bits each, and the lengths without run codes.
    void LzTables(const Lengths& lengths, bool keep = false);
    void AudioTables(unsigned channels, const Lengths& lengths, bool keep = false);
    // Symbol 269 (LZ) or 256 (audio), then the next block's header.
    void SwitchToLz(const Lengths& lengths, bool keep = false);
    void SwitchToAudio(unsigned channels, const Lengths& lengths, bool keep = false);

    void Literal(uint8_t byte);
    // The decoded length and distance; the writer picks short (261-268) or new (270-297)
    // symbols, their slots and extra bits, and the length bonus of far distances.
    void Match(uint32_t length, uint32_t distance);
    // Symbols 257-260: the index-th last distance (1-4) with a new length.
    void OldDistance(unsigned index, uint32_t length);
    void RepeatLast();  // symbol 256
    // The code of the next channel's difference (0-255).
    void AudioCode(uint8_t code);

    // Bytes the stream decodes to so far.
    uint64_t Produced() const { return m_produced; }
    // The current distance history, most recent first.
    uint32_t Distance(unsigned index) const { return m_old[(m_oldIndex - index) & 3]; }
    // The stream so far, to the next byte; what follows is the next entry of a solid run, which
    // goes on with the same codes, distances and audio state from a byte of its own.
    std::vector<uint8_t> Cut();
    std::vector<uint8_t> Finish() { return Cut(); }

private:
    struct Code {
        uint32_t bits = 0;
        uint8_t length = 0;
    };
    void Tables(bool audio, unsigned channels, const Lengths& lengths, bool keep);
    void Put(const std::vector<Code>& code, uint32_t symbol);
    void Push(uint32_t distance, uint32_t length);

    rar3::BitWriter m_out;
    std::array<uint8_t, 1028> m_lengths{};
    std::vector<Code> m_main, m_distance, m_length;
    std::array<std::vector<Code>, 4> m_audio;
    unsigned m_channels = 1, m_channel = 0;
    std::array<uint32_t, 4> m_old{};
    unsigned m_oldIndex = 0;
    uint32_t m_lastLength = 0, m_lastDistance = 0;
    uint64_t m_produced = 0;
};

// One entry of a solid run: its packed bytes and its unpacked size.
struct Piece {
    std::vector<uint8_t> packed;
    uint64_t size = 0;
};
// `entries` pieces of `steps` random steps each over full codes: literals, matches of every
// kind, and (with switches) new LZ tables and audio blocks of 1-4 channels now and then.
std::vector<Piece> RandomRun(uint32_t seed, size_t entries, size_t steps, bool switches);

}  // namespace kiv::test::rar20
