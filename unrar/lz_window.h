// The sliding window of an LZ decoder: a power-of-two ring of the bytes produced so far, from
// which matches are copied and finished bytes are handed to the sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "unrar/decoder.h"

namespace kiv::rar {

class LzWindow {
public:
    // Holds at least `size` bytes (rounded up to a power of two), all zero at first. Throws
    // RarError(ERAR_NO_MEMORY) when it cannot be allocated.
    explicit LzWindow(size_t size);

    size_t Size() const { return m_mask + 1; }
    // Enlarges the ring to at least `size` bytes (rounded up to a power of two), keeping the
    // position and the bytes the window holds; the rest reads as zeros. Throws
    // RarError(ERAR_NO_MEMORY) when the larger ring cannot be allocated.
    void Grow(size_t size);
    // Bytes produced since construction; a solid run keeps counting across entries.
    uint64_t Position() const { return m_pos; }

    void Put(uint8_t byte) { m_data[m_pos++ & m_mask] = byte; }
    // Appends `length` bytes copied from `distance` bytes back (overlapping copies repeat, as
    // LZ77 wants). A distance reaching before the first byte produced reads zeros, as a cleared
    // window gives; so does a distance of 0 or one beyond the window, which only a window cut to
    // a non-solid entry's size can see, and only before that entry's start.
    void Copy(uint64_t distance, size_t length);
    uint8_t At(uint64_t position) const { return m_data[position & m_mask]; }

    // Copies the produced bytes [from, from + length) into out; they must still be in the window.
    void Read(uint64_t from, size_t length, uint8_t* out) const;
    // Writes the window's bytes [from, to) to sink, in at most two pieces.
    void WriteTo(UnpackedSink& sink, uint64_t from, uint64_t to) const;

    // Bytes that may still be produced before unflushed ones (from `flushed` on) are overwritten.
    uint64_t Room(uint64_t flushed) const { return Size() - (m_pos - flushed); }

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    static uint8_t* Allocate(size_t ring);
    std::unique_ptr<uint8_t[], Free> m_data;
    size_t m_mask;
    uint64_t m_pos = 0;
};

}  // namespace kiv::rar
