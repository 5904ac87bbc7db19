// TThreadTimer: ticks on the UI thread, a worker that rests while the timer is off, and a clean
// end with a tick on its way.
#include "controls/thread_timer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <thread>

#include "tests/support/pump.h"
#include "tests/support/queued_call.h"

namespace kiv::test {
namespace {

// Whatever blocks (the join of a destroyed timer) ends the run instead of hanging it.
class ThreadTimer : public ::testing::Test {
    Watchdog m_watchdog{"the test and its timer finish", 2 * kWaitLimit};
};

TEST_F(ThreadTimer, StartsSuspendedAtIdlePriorityAndOff) {
    TThreadTimer timer;
    EXPECT_FALSE(timer.TimerEnabled());
    EXPECT_TRUE(timer.Suspended());
    EXPECT_EQ(timer.Priority(), TThreadPriority::tpIdle);
    EXPECT_EQ(timer.SleepInterval(), 100);
}

TEST_F(ThreadTimer, TicksRunOnTheUiThreadAsFastAsItTakesThemWithoutASleep) {
    TThreadTimer timer;
    int ticks = 0;
    bool elsewhere = false;
    const std::thread::id ui = std::this_thread::get_id();
    timer.OnTick = [&](TThreadTimer* sender) {
        elsewhere = elsewhere || std::this_thread::get_id() != ui || sender != &timer;
        ++ticks;
    };
    timer.SetSleepInterval(0);
    timer.SetTimerEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 50; }, "fifty ticks"));
    EXPECT_FALSE(elsewhere);
}

TEST_F(ThreadTimer, SwitchedOffItsWorkerRestsAtACheckPointAndNoTickFollows) {
    TThreadTimer timer;
    int ticks = 0;
    timer.OnTick = [&](TThreadTimer*) { ++ticks; };
    timer.SetSleepInterval(0);
    timer.SetTimerEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, "ticks"));
    timer.SetTimerEnabled(false);
    const int stopped = ticks;
    // A worker that looped while disabled would never be held here.
    EXPECT_TRUE(PumpUntil([&] { return timer.Held(); }, "the worker rests"));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(ticks, stopped);
    timer.SetTimerEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks > stopped; }, "ticks go on"));
}

TEST_F(ThreadTimer, DestroyedWithATickOnItsWayTheTickNeverRuns) {
    auto timer = std::make_unique<TThreadTimer>();
    int ticks = 0;
    timer->OnTick = [&](TThreadTimer*) { ++ticks; };
    timer->SetSleepInterval(0);
    BeforeQueuedCall destroy([&] { timer.reset(); });
    timer->SetTimerEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return timer == nullptr; }, "the first tick reaches the UI"));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace kiv::test
