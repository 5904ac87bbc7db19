// The interface every RAR decoder implements: packed bytes in (across volumes), unpacked bytes
// out, errors as RarError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kiv::rar {

// The packed bytes of one entry. When a part ends and the entry continues in the next volume,
// the implementation moves there by itself, so a decoder sees one unbroken stream.
class PackedInput {
public:
    virtual ~PackedInput() = default;
    // Copies up to size bytes into data and returns how many; 0 only once the entry's packed
    // data has ended. Throws RarError (ERAR_EREAD, ERAR_EOPEN) when a volume cannot be read.
    virtual size_t Read(uint8_t* data, size_t size) = 0;
};

// Where decoded bytes go: the entry's checks, its file and the data callback, or nowhere when a
// solid entry is decoded only to carry the state to the next one.
class UnpackedSink {
public:
    virtual ~UnpackedSink() = default;
    // May throw (a write error, the data callback asking to stop); the decoder lets it pass.
    virtual void Write(const uint8_t* data, size_t size) = 0;
};

// What a decoder needs to know of one entry.
struct DecodeParams {
    // The header's unpack version: 15, 20, 26, 29 or 36 for RAR 1.5-4.x; 50 for RAR 5.0 and 70
    // for the RAR 5.0 format's later revision that allows larger dictionaries.
    uint32_t unpVer = 0;
    uint64_t unpSize = 0;
    bool unknownSize = false;     // decode until the stream's end marker
    uint64_t dictionarySize = 0;  // bytes, as the header declares it
    bool solid = false;           // continues the previous entry's window and tables
    bool solidArchive = false;    // later entries may continue this one's window
};

class Decoder {
public:
    virtual ~Decoder() = default;
    // Decodes one entry: reads its packed bytes from `in` and writes exactly p.unpSize bytes to
    // `out` (or, with p.unknownSize, everything up to the stream's end marker). A solid entry
    // continues from the state the previous call left. Throws RarError(ERAR_BAD_DATA) for a
    // damaged or hostile stream, RarError(ERAR_NO_MEMORY) when the window cannot be held; after
    // a throw the decoder must not be used for a solid continuation.
    virtual void Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) = 0;
};

// The decoder for p.unpVer, or null when the library has none for that generation. A decoder
// made for the first entry of a solid run serves the entries that follow it.
std::unique_ptr<Decoder> CreateDecoder(const DecodeParams& p);

// The size of window to allocate: the declared dictionary, but no more than a non-solid entry
// of known size can ever reach back to (its own size, rounded up to a power of two) when no
// later entry may continue its window (p.solidArchive false). Throws
// RarError(ERAR_NO_MEMORY) when the declared dictionary is beyond what this library accepts.
size_t WindowSizeFor(const DecodeParams& p);

}  // namespace kiv::rar
