// Buffered most-significant-bit-first reader over a PackedInput.
#include "unrar/bit_input.h"

namespace kiv::rar {

namespace {
constexpr size_t kBufferSize = size_t{64} * 1024;
}

BitInput::BitInput(PackedInput& in) : m_in(in), m_buffer(kBufferSize) {}

void BitInput::Refill() {
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
