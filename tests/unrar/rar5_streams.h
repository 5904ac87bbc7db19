// Streams for the RAR 5.0 decoder tests: a model of what a stream's operations produce, a
// script that writes the operations and runs the model alongside, decoding helpers, and a
// stream made by RAR itself.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "tools/rar5pack/rar5_stream_writer.h"
#include "unrar/decoder.h"

namespace kiv::test {

// The output of literals, matches and repeats on a plain string: bytes before the first one
// read as zeros.
class Rar5Model {
public:
    void Literal(uint8_t byte) { out.push_back(static_cast<char>(byte)); }
    void Match(uint32_t length, uint64_t distance);
    void Repeat(unsigned index, uint32_t length);
    void RepeatLast();
    const std::array<uint64_t, 4>& Recent() const { return m_recent; }

    std::string out;

private:
    void Copy(uint64_t distance, uint32_t length);
    std::array<uint64_t, 4> m_recent{};
    uint32_t m_lastLength = 0;
};

// Writes each operation to the stream and to the model.
struct Rar5Script {
    explicit Rar5Script(bool version70 = false) : writer(version70) {}
    void Literals(const std::string& bytes) {
        for (char c : bytes) Literal(static_cast<uint8_t>(c));
    }
    void Literal(uint8_t byte) {
        writer.Literal(byte);
        model.Literal(byte);
    }
    void Match(uint32_t length, uint64_t distance) {
        writer.Match(length, distance);
        model.Match(length, distance);
    }
    void Repeat(unsigned index, uint32_t length) {
        writer.Repeat(index, length);
        model.Repeat(index, length);
    }
    void RepeatLast() {
        writer.RepeatLast();
        model.RepeatLast();
    }
    rar5pack::Rar5StreamWriter writer;
    Rar5Model model;
};

rar::DecodeParams Rar5Params(uint64_t size, uint64_t dictionary = 128 * 1024, bool solid = false,
                             uint32_t version = 50);

// Decodes stream with the decoder, handing it out `chunk` bytes at a time.
std::string Rar5Decode(rar::Decoder& decoder, const std::string& stream, const rar::DecodeParams& p,
                       size_t chunk = 1 << 20);

// The filters as a compressor applies them, the inverse of the decoder's: the delta filter
// stores each of `channels` interleaved channels as differences; the x86 filter (with or without
// E9 jumps) and the ARM filter make relative addresses absolute, for code starting at
// `fileOffset` in the entry.
std::string DeltaEncode(const std::string& plain, unsigned channels);
std::string X86Encode(std::string plain, uint64_t fileOffset, bool withE9);
std::string ArmEncode(std::string plain, uint64_t fileOffset);

// The ERAR code `run` throws as RarError, or 0 when it returns.
int RarErrorOf(const std::function<void()>& run);

// A RAR 5.0 stream of 1200 bytes as RAR compressed them (a libarchive test file), with the
// CRC-32 of its output.
extern const std::string kRarMadeStream;
constexpr uint64_t kRarMadeSize = 1200;
constexpr uint32_t kRarMadeCrc = 0x7cca70cd;

}  // namespace kiv::test
