// TThreadTimer: the sleep-and-tick loop and its suspension while disabled.
#include "controls/thread_timer.h"

namespace kiv {

TThreadTimer::TThreadTimer() : TThread(true) {
    SetPriority(TThreadPriority::tpIdle);
}

TThreadTimer::~TThreadTimer() {
    // The loop reads this object's members: stop it before they go.
    Stop();
}

void TThreadTimer::SetTimerEnabled(bool enabled) {
    if (enabled == m_timerEnabled) return;
    // Suspended before the flag clears and enabled before the resume, so that a worker that
    // sees the timer disabled always finds itself suspended at its next check point.
    if (!enabled) {
        Suspend();
        m_timerEnabled = false;
    } else {
        m_timerEnabled = true;
        Resume();
    }
}

void TThreadTimer::FireTimer() {
    OnTick(this);
}

void TThreadTimer::Execute() {
    while (!Terminated()) {
        if (!m_timerEnabled) {
            CheckSuspended();
            continue;
        }
        Sleep(m_sleepInterval);
        if (Terminated()) break;
        Synchronize([this] { FireTimer(); });
    }
}

}  // namespace kiv
