// TarxTimer: the elapsed-time clock of an extraction run, pausable while user handlers run.
#pragma once

#include <cstdint>
#include <functional>

namespace kiv {

class TarxTimer {
public:
    using Clock = std::function<std::uint64_t()>;

    // Reads the monotonic tick count in milliseconds unless another clock is given (tests).
    explicit TarxTimer(Clock clock = {});

    void Start();
    // Pauses nest: only the outermost Resume pushes the start forward by the paused time.
    void Pause();
    void Resume();
    // Seconds since Start without the paused time; the clock stays stopped afterwards.
    float Stop();

    bool Running() const { return m_running; }

private:
    Clock m_clock;
    std::uint64_t m_start = 0;
    std::uint64_t m_pausedAt = 0;
    int m_pauseDepth = 0;
    bool m_running = false;
};

}  // namespace kiv
