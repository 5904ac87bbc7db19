// libFuzzer target: the PPMd variant H decoder on arbitrary PPM blocks, entry after entry of a
// solid run sharing one decoder, and arbitrary text through our model and back.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/unrar/ppm_stream.h"
#include "unrar/bit_input.h"
#include "unrar/ppmd_h.h"
#include "unrar/rar_error.h"

namespace {

// Enough for the model to fill and restart on most inputs, little enough to keep runs fast.
constexpr size_t kOutputLimit = 1 << 16;

// Reads one entry as the LZ decoder would drive the PPM decoder: blocks, literals and the escape
// codes, counting the bytes a match would copy. Returns the bytes of `packed` it consumed.
size_t ReadEntry(kiv::rar::PpmdDecoder& decoder, std::string_view packed, size_t& output) {
    kiv::test::ByteInput input(packed);
    kiv::rar::BitInput in(input);
    auto startBlock = [&] {
        in.AlignToByte();
        if (in.Get(1) == 0) return false;  // an LZ block
        decoder.StartBlock(in);
        return true;
    };
    if (!startBlock()) return packed.size();
    while (output < kOutputLimit && !in.Overrun()) {
        const uint8_t c = decoder.DecodeChar(in);
        if (c != decoder.EscapeChar()) {
            ++output;
            continue;
        }
        switch (decoder.DecodeChar(in)) {
            case 0:
                if (!startBlock()) return packed.size();
                break;
            case 2:
                return std::min<size_t>((in.Position() + 7) / 8, packed.size());
            case 4:
                for (int i = 0; i < 3; ++i) decoder.DecodeChar(in);
                output += decoder.DecodeChar(in) + 32u;
                break;
            case 5:
                output += decoder.DecodeChar(in) + 4u;
                break;
            default:
                ++output;
        }
    }
    return packed.size();
}

void DecodeRun(std::string_view packed) {
    kiv::rar::PpmdDecoder decoder;
    size_t output = 0;
    try {
        while (!packed.empty() && output < kOutputLimit) {
            packed.remove_prefix(ReadEntry(decoder, packed, output));
        }
    } catch (const kiv::rar::RarError& e) {
        if (e.Code() != ERAR_BAD_DATA && e.Code() != ERAR_NO_MEMORY) __builtin_trap();
    }
}

// Text through our writer and decoder must come back unchanged.
void RoundTrip(uint8_t options, std::string_view text) {
    // The orders a block header can hold: 2..16, then steps of three up to 64.
    const unsigned bits = 1 + options % 31;
    const unsigned order = bits < 16 ? bits + 1 : 16 + (bits - 15) * 3;
    const uint8_t escape = options & 0x80 ? 'e' : 2;
    kiv::test::PpmStreamWriter writer;
    writer.StartRestartBlock(1, order, escape);
    for (const char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        writer.Put(c);
        if (c == escape) writer.Put(1);
    }
    writer.Put(escape);
    writer.Put(2);
    const std::string packed = writer.Finish();
    kiv::rar::PpmdDecoder decoder;
    std::string window;
    const auto result = kiv::test::ReadPpmEntry(decoder, packed, UINT64_MAX, window);
    if (result.data != text) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (data[0] == 'T') {
        RoundTrip(data[1], bytes.substr(2));
    } else {
        DecodeRun(bytes);
    }
    return 0;
}
