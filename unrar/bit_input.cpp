// Buffered most-significant-bit-first reader over a PackedInput.
#include "unrar/bit_input.h"

namespace kiv::rar {

namespace {
constexpr size_t kBufferSize = size_t{64} * 1024;
}

BitInput::BitInput(PackedInput& in) : m_in(in), m_buffer(kBufferSize) {}

void BitInput::Refill() {
    if (m_end - m_pos >= 8) {
        // Eight buffered bytes at once. The bits past the whole bytes taken are those of the
        // next byte, which the next refill puts in the same place again.
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | m_buffer[m_pos + i];
        const unsigned bytes = (64 - m_count) / 8;
        m_acc |= v >> m_count;
        m_pos += bytes;
        m_count += 8 * bytes;
        m_delivered += uint64_t{8} * bytes;
        return;
    }
    while (m_count <= 56) {
        if (m_pos == m_end && !m_ended) {
            m_end = m_in.Read(m_buffer.data(), m_buffer.size());
            m_pos = 0;
            m_ended = m_end == 0;
        }
        uint64_t byte = 0;
        if (m_pos < m_end) {
            byte = m_buffer[m_pos++];
            m_delivered += 8;
        }
        m_acc |= byte << (56 - m_count);
        m_count += 8;
    }
}

}  // namespace kiv::rar
