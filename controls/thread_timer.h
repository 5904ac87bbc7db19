// TThreadTimer: a worker thread that sleeps and hands each tick to the UI thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/event.h"
#include "framework/forms/thread.h"

namespace kiv {

class TThreadTimer;
// A tick, with the timer as sender.
using TTimerEvent = Event<TThreadTimer*>;

// Created suspended and at idle priority (SCHED_IDLE: it runs only when nothing else wants the
// processor). While TimerEnabled it repeats: sleep SleepInterval milliseconds, then run
// FireTimer on the UI thread and wait until it has run there. So the time between two ticks is
// the sleep plus the time the UI thread takes to get to the tick; never more than one tick is
// outstanding and missed time is not made up. With SleepInterval 0 the ticks follow each other
// as fast as the UI thread takes them.
//
// The worker is suspended exactly while the timer is disabled: switching TimerEnabled off (on
// the UI thread) suspends it, so that no tick runs on the UI thread after the call, not even one
// that was already on its way; switching it on resumes it. An exception from a tick ends the
// worker quietly; the timer never ticks again. Destruction stops the worker and releases a
// tick waiting for the UI thread without running it.
class TThreadTimer : public TThread {
public:
    TThreadTimer();
    ~TThreadTimer() override;

    bool TimerEnabled() const { return m_timerEnabled; }
    // UI thread only.
    void SetTimerEnabled(bool enabled);
    std::uint16_t SleepInterval() const { return m_sleepInterval; }
    void SetSleepInterval(std::uint16_t milliseconds) { m_sleepInterval = milliseconds; }

    // Raised by FireTimer with the timer as sender.
    TTimerEvent OnTick;

    // One tick, on the calling thread: raises OnTick.
    virtual void FireTimer();

protected:
    void Execute() override;

private:
    std::atomic<bool> m_timerEnabled{false};
    std::atomic<std::uint16_t> m_sleepInterval{100};
};

}  // namespace kiv
