// LZ window: match copies with the wrap-around of a ring, and hand-over of finished bytes.
#include "unrar/lz_window.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

size_t RingSize(size_t size) {
    size_t ring = 1;
    while (ring < size) ring <<= 1;
    return ring;
}

}  // namespace

LzWindow::LzWindow(size_t size) : m_data(Allocate(RingSize(size))), m_mask(RingSize(size) - 1) {}

uint8_t* LzWindow::Allocate(size_t ring) {
    // Zeroed, since a stream may reach back before its first byte; calloc takes fresh pages
    // from the system, so a large window costs memory only as far as it is written.
    auto* data = static_cast<uint8_t*>(std::calloc(ring, 1));
    if (!data) {
        throw RarError(ERAR_NO_MEMORY,
                       "cannot hold a window of " + std::to_string(ring) + " bytes");
    }
    return data;
}

void LzWindow::Grow(size_t size) {
    const size_t ring = RingSize(size);
    if (ring <= Size()) return;
    std::unique_ptr<uint8_t[], Free> data(Allocate(ring));
    const size_t kept = static_cast<size_t>(std::min<uint64_t>(m_pos, Size()));
    const uint64_t from = m_pos - kept;
    const size_t at = static_cast<size_t>(from & (ring - 1));
    // The new ring is at least twice as large, so the kept bytes wrap in it at most once.
    const size_t first = std::min(kept, ring - at);
    Read(from, first, &data[at]);
    Read(from + first, kept - first, &data[0]);
    m_data = std::move(data);
    m_mask = ring - 1;
}

void LzWindow::Free::operator()(uint8_t* p) const {
    std::free(p);
}

namespace {

template <size_t N>
void Move(uint8_t* to, const uint8_t* from) {
    std::memcpy(to, from, N);
}

// Copies a match whose source and destination both lie inside the ring. Most matches are
// short, so fixed-size moves do the work: where source and destination are apart, two moves
// that overlap in the middle; where they overlap, steps of 8 once the distance allows (each
// step reads only finished bytes), and single bytes below that, as the repetition needs.
void CopyWithin(uint8_t* to, const uint8_t* from, uint64_t distance, size_t length) {
    if (distance >= length) {
        if (length >= 64) {
            std::memcpy(to, from, length);
        } else if (length >= 16) {
            for (size_t done = 0; done + 16 < length; done += 16) Move<16>(to + done, from + done);
            Move<16>(to + length - 16, from + length - 16);
        } else if (length >= 8) {
            Move<8>(to, from);
            Move<8>(to + length - 8, from + length - 8);
        } else if (length >= 4) {
            Move<4>(to, from);
            Move<4>(to + length - 4, from + length - 4);
        } else {
            while (length-- > 0) *to++ = *from++;
        }
        return;
    }
    if (distance >= 8) {
        const size_t steps = length - 8;
        for (size_t done = 0; done < steps; done += 8) Move<8>(to + done, from + done);
        Move<8>(to + length - 8, from + length - 8);
    } else if (distance == 1) {
        std::memset(to, *from, length);
    } else {
        while (length-- > 0) *to++ = *from++;
    }
}

}  // namespace

void LzWindow::Copy(uint64_t distance, size_t length) {
    if (distance == 0 || distance > Size()) {
        // Only reachable before the first byte of an entry whose window was cut to its size.
        for (size_t i = 0; i < length; ++i) Put(0);
        return;
    }
    size_t src = static_cast<size_t>((m_pos - distance) & m_mask);
    size_t dst = static_cast<size_t>(m_pos & m_mask);
    m_pos += length;
    // A distance of the whole window copies each byte onto itself.
    if (src == dst) return;
    if (src + length <= Size() && dst + length <= Size()) {
        if (src > dst) {
            // The source lies past the destination in the ring's memory (the distance almost
            // spans the ring): each byte is read before its slot is rewritten, as memmove does.
            std::memmove(&m_data[dst], &m_data[src], length);
        } else {
            CopyWithin(&m_data[dst], &m_data[src], distance, length);
        }
        return;
    }
    while (length-- > 0) {
        m_data[dst] = m_data[src];
        dst = (dst + 1) & m_mask;
        src = (src + 1) & m_mask;
    }
}

void LzWindow::Read(uint64_t from, size_t length, uint8_t* out) const {
    const size_t start = static_cast<size_t>(from & m_mask);
    const size_t first = std::min(length, Size() - start);
    std::memcpy(out, &m_data[start], first);
    std::memcpy(out + first, &m_data[0], length - first);
}

void LzWindow::WriteTo(UnpackedSink& sink, uint64_t from, uint64_t to) const {
    if (to <= from) return;
    const size_t length = static_cast<size_t>(to - from);
    const size_t start = static_cast<size_t>(from & m_mask);
    const size_t first = std::min(length, Size() - start);
    sink.Write(&m_data[start], first);
    if (first < length) sink.Write(&m_data[0], length - first);
}

}  // namespace kiv::rar
