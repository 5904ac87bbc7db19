// Feeds arbitrary bytes to the LZ decoder (whole forms and single blocks) and checks that the
// same bytes survive compression and decompression unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/exception.h"
#include "framework/memory_stream.h"
#include "packfiles/compress_stream.h"
#include "packfiles/lzr.h"
#include "packfiles/packer_error.h"

namespace {

using kiv::TLZR;

void DecodeForm(const std::uint8_t* data, std::size_t size) {
    kiv::TMemoryStream source, dest;
    source.WriteBuffer(data, static_cast<std::int64_t>(size));
    source.SetPosition(0);
    try {
        kiv::TCompressStream().DecompressStream(source, dest);
    } catch (const kiv::EPackerError&) {
        // Damage is expected here; anything else (or a sanitizer report) is a fault.
    }
}

void DecodeBlock(const std::uint8_t* data, std::size_t size) {
    // Exact-size heap copies, so that any read or write outside them is reported.
    const std::vector<std::uint8_t> block(data, data + std::min<std::size_t>(size, 65535));
    const std::size_t capacity = size > 0 ? TLZR::MaxChunk - data[0] * 97 : TLZR::MaxChunk;
    std::vector<std::uint8_t> out(capacity);
    TLZR coder;
    try {
        const std::uint16_t n = coder.UnpackBlock(
            block.data(), out.data(), static_cast<std::uint16_t>(block.size()), capacity);
        if (n > capacity) std::abort();
    } catch (const kiv::EPackerError&) {
    }
}

void RoundTrip(const std::uint8_t* data, std::size_t size) {
    kiv::TMemoryStream source, packed, unpacked;
    source.WriteBuffer(data, static_cast<std::int64_t>(size));
    source.SetPosition(0);
    kiv::TCompressStream codec;
    codec.CompressStream(source, packed, static_cast<std::int64_t>(size));
    const std::size_t blocks = (size + TLZR::MaxChunk - 1) / TLZR::MaxChunk;
    if (packed.Size() > static_cast<std::int64_t>(7 + size + 5 * blocks)) std::abort();
    packed.SetPosition(0);
    codec.DecompressStream(packed, unpacked);
    if (packed.Position() != packed.Size()) std::abort();
    if (unpacked.Size() != static_cast<std::int64_t>(size)) std::abort();
    if (size > 0 && std::memcmp(unpacked.Memory(), data, size) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodeForm(data, size);
    DecodeBlock(data, size);
    RoundTrip(data, size);
    return 0;
}
