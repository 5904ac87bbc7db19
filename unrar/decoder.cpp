// Chooses the decoder for an entry's generation and sizes its window.
#include "unrar/decoder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "unrar/rar15_decoder.h"
#include "unrar/rar20_decoder.h"
#include "unrar/rar3_decoder.h"
#include "unrar/rar5_decoder.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

uint64_t PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t{1} << 32;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

uint64_t RoundUpToPowerOfTwo(uint64_t n) {
    uint64_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

size_t WindowSizeFor(const DecodeParams& p) {
    // Below this a window is cheap, and the decoders' own look-ahead never runs past it.
    constexpr uint64_t kMinWindow = uint64_t{256} * 1024;
    uint64_t size = RoundUpToPowerOfTwo(p.dictionarySize == 0 ? kMinWindow : p.dictionarySize);
    if (!p.solid && !p.solidArchive && !p.unknownSize) {
        size = std::min(size, RoundUpToPowerOfTwo(p.unpSize));
    }
    size = std::max(size, kMinWindow);
    // A window the machine cannot hold would end in the kernel's out-of-memory killer rather
    // than in a failed allocation; refuse it while the refusal can still be reported.
    if (size > PhysicalMemory() / 2 || size > SIZE_MAX / 2) {
        throw RarError(ERAR_NO_MEMORY, "the entry needs a " + std::to_string(size >> 20) +
                                           " MiB dictionary, more than this machine can hold");
    }
    return static_cast<size_t>(size);
}

std::unique_ptr<Decoder> CreateDecoder(const DecodeParams& p) {
    switch (p.unpVer) {
        case 15:
            return std::make_unique<Rar15Decoder>();
        case 20:
        case 26:
            return std::make_unique<Rar20Decoder>();
        case 29:
        case 36:
            return std::make_unique<Rar3Decoder>();
        case 50:
        case 70:
            return std::make_unique<Rar5Decoder>();
        default:
            return nullptr;
    }
}

}  // namespace kiv::rar
