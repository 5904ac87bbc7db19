// The elapsed-time clock.
#include "archive/arx_timer.h"

#include <utility>

#include "platform/tick_count.h"

namespace kiv {

TarxTimer::TarxTimer(Clock clock) : m_clock(std::move(clock)) {
    if (!m_clock) m_clock = [] { return platform::TickCount64(); };
}

void TarxTimer::Start() {
    m_start = m_clock();
    m_pauseDepth = 0;
    m_running = true;
}

void TarxTimer::Pause() {
    if (!m_running) return;
    if (m_pauseDepth++ == 0) m_pausedAt = m_clock();
}

void TarxTimer::Resume() {
    if (!m_running || m_pauseDepth == 0) return;
    if (--m_pauseDepth == 0) m_start += m_clock() - m_pausedAt;
}

float TarxTimer::Stop() {
    if (!m_running) return 0.0F;
    const std::uint64_t now = m_pauseDepth > 0 ? m_pausedAt : m_clock();
    m_running = false;
    m_pauseDepth = 0;
    return static_cast<float>(static_cast<double>(now - m_start) / 1000.0);
}

}  // namespace kiv
