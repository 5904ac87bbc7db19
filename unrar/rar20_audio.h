// The sample predictor of RAR 2.0's multimedia blocks: one per channel, each guessing the next
// byte from the channel's recent deltas and the previous channel's, and tuning its weights.
#pragma once

#include <array>
#include <cstdint>

namespace kiv::rar::rar20 {

class AudioChannel {
public:
    // Turns the coded difference `code` (0-255) into the channel's next byte. `crossDelta` is
    // the last delta of whichever channel came before; it is updated to this channel's delta.
    uint8_t Decode(uint8_t code, int& crossDelta);

private:
    // Each 32 samples, the weight whose change would have erred least so far is moved one step.
    void Adapt();

    std::array<int, 5> m_weights{};  // for the four own deltas and the cross-channel delta
    std::array<int, 4> m_deltas{};   // most recent first
    int m_lastDelta = 0;
    int m_lastByte = 0;
    std::array<int, 11> m_errors{};  // 0: no change; then each weight one step down and up
    uint32_t m_count = 0;
};

}  // namespace kiv::rar::rar20
