// RAR 2.0 audio prediction: a weighted sum of past deltas, and the weights' slow adaptation.
#include "unrar/rar20_audio.h"

#include <cstdlib>

namespace kiv::rar::rar20 {

namespace {

// The byte's difference as a signed value, as the format's deltas are kept.
int Signed(int byte) {
    return static_cast<int8_t>(static_cast<uint8_t>(byte));
}

}  // namespace

uint8_t AudioChannel::Decode(uint8_t code, int& crossDelta) {
    ++m_count;
    m_deltas[3] = m_deltas[2];
    m_deltas[2] = m_deltas[1];
    m_deltas[1] = m_lastDelta - m_deltas[0];
    m_deltas[0] = m_lastDelta;

    int sum = 8 * m_lastByte + m_weights[4] * crossDelta;
    for (int i = 0; i < 4; ++i) sum += m_weights[i] * m_deltas[i];
    const int predicted = (sum >> 3) & 0xff;
    const int byte = (predicted - code) & 0xff;

    const int error = Signed(code) * 8;
    m_errors[0] += std::abs(error);
    for (int i = 0; i < 4; ++i) {
        m_errors[1 + 2 * i] += std::abs(error - m_deltas[i]);
        m_errors[2 + 2 * i] += std::abs(error + m_deltas[i]);
    }
    m_errors[9] += std::abs(error - crossDelta);
    m_errors[10] += std::abs(error + crossDelta);

    m_lastDelta = Signed(byte - m_lastByte);
    crossDelta = m_lastDelta;
    m_lastByte = byte;
    if ((m_count & 0x1f) == 0) Adapt();
    return static_cast<uint8_t>(byte);
}

void AudioChannel::Adapt() {
    int best = 0;
    for (int i = 1; i < 11; ++i) {
        if (m_errors[i] < m_errors[best]) best = i;
    }
    m_errors.fill(0);
    if (best == 0) return;
    int& weight = m_weights[(best - 1) / 2];
    if (best % 2 == 1) {
        if (weight >= -16) --weight;
    } else {
        if (weight < 16) ++weight;
    }
}

}  // namespace kiv::rar::rar20
