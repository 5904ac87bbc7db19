// libFuzzer target: the RAR 2.9/3.x decoder on arbitrary packed data, as one entry or as two
// entries of a solid run sharing the decoder.
// Input: 8 bytes of header, then the packed bytes. Header: flags (bit 0 unknown size, bit 1 a
// second, solid entry follows), the first entry's size (3 bytes, little-endian, below 256 KiB),
// where the packed bytes split between the entries (2 bytes) and the second entry's size
// (2 bytes).
#include <algorithm>
#include <cstdint>
#include <span>

#include "unrar/decoder.h"
#include "unrar/rar_error.h"

namespace {

constexpr size_t kHeaderSize = 8;
// Output beyond this ends an entry of unknown size, which only its end code ends otherwise; it
// lies past the 4 MiB window such an entry gets, so that the window wraps.
constexpr uint64_t kOutputLimit = (4 << 20) + (256 << 10);

struct Enough {};

class MemoryInput : public kiv::rar::PackedInput {
public:
    explicit MemoryInput(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    size_t Read(uint8_t* data, size_t size) override {
        // Small, uneven pieces, as volume parts hand them over.
        const size_t n = std::min({size, m_bytes.size() - m_pos, size_t{4093}});
        std::copy_n(m_bytes.data() + m_pos, n, data);
        m_pos += n;
        return n;
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
};

class CountingSink : public kiv::rar::UnpackedSink {
public:
    void Write(const uint8_t* data, size_t size) override {
        // Touch what the decoder hands over, so that a read of bad memory shows.
        uint32_t sum = 0;
        for (size_t i = 0; i < size; i += 4096) sum += data[i];
        if (size > 0) sum += data[size - 1];
        m_sum = m_sum + sum;
        m_total += size;
        if (m_total > kOutputLimit) throw Enough{};
    }

private:
    uint64_t m_total = 0;
    volatile uint32_t m_sum = 0;
};

bool DecodeEntry(kiv::rar::Decoder& decoder, std::span<const uint8_t> packed,
                 const kiv::rar::DecodeParams& p) {
    MemoryInput in(packed);
    CountingSink out;
    try {
        decoder.Decode(in, out, p);
        return true;
    } catch (const kiv::rar::RarError&) {
    } catch (const Enough&) {
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) return 0;
    const uint8_t flags = data[0];
    kiv::rar::DecodeParams p;
    p.unpVer = 29;
    p.unpSize = (data[1] | data[2] << 8 | (data[3] & 0x03) << 16);
    p.unknownSize = (flags & 1) != 0;
    p.dictionarySize = 4 << 20;
    const std::span<const uint8_t> packed(data + kHeaderSize, size - kHeaderSize);
    const size_t split = std::min<size_t>(data[4] | data[5] << 8, packed.size());
    const bool twoEntries = (flags & 2) != 0;

    auto decoder = kiv::rar::CreateDecoder(p);
    const bool firstEnded = DecodeEntry(*decoder, twoEntries ? packed.first(split) : packed, p);
    if (twoEntries) {
        p.unknownSize = false;
        p.solid = true;
        p.unpSize = data[6] | data[7] << 8;
        const bool secondEnded = DecodeEntry(*decoder, packed.subspan(split), p);
        // After a failed entry the decoder must refuse to go on, not decode from a half state.
        if (!firstEnded && secondEnded) __builtin_trap();
    }
    return 0;
}
