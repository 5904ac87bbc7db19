// TThread: the hand-off to the UI thread, stopping with a hand-off pending, suspension, priority.
#include <gtest/gtest.h>
#include <sched.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>

#include "framework/forms/errors.h"
#include "framework/forms/thread.h"
#include "framework/forms/window_handle.h"
#include "tests/support/pump.h"
#include "tests/support/queued_call.h"

namespace kiv::test {
namespace {

// Runs `body` as its Execute.
class LambdaThread : public TThread {
public:
    LambdaThread(bool suspended, std::function<void(LambdaThread&)> body)
        : TThread(suspended), m_body(std::move(body)) {}
    ~LambdaThread() override { Stop(); }

    using TThread::CheckSuspended;
    using TThread::Sleep;
    using TThread::Synchronize;

protected:
    void Execute() override { m_body(*this); }

private:
    std::function<void(LambdaThread&)> m_body;
};

// Whatever blocks (a WaitFor, the join when a thread is destroyed) ends the run with a message
// naming the test instead of hanging it; the waits inside the tests give up first.
class Thread : public testing::Test {
    Watchdog m_watchdog{"the test and its threads finish", 2 * kWaitLimit};
};

TEST_F(Thread, SynchronizeRunsTheMethodOnTheUiThreadAndWaitsForIt) {
    std::thread::id ranOn;
    std::atomic<int> seenAfter{-1};
    int value = 0;
    LambdaThread thread(true, [&](LambdaThread& self) {
        self.Synchronize([&] {
            ranOn = std::this_thread::get_id();
            value = 7;
        });
        seenAfter = value;
    });
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Finished(); }, "the worker finishes"));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(seenAfter, 7);
}

TEST_F(Thread, SynchronizeOnTheUiThreadRunsAtOnce) {
    LambdaThread thread(true, [](LambdaThread&) {});
    bool ran = false;
    thread.Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(Thread, DestroyingTheThreadReleasesAPendingHandOffWithoutRunningIt) {
    std::atomic<bool> returned{false};
    std::atomic<bool> methodRan{false};
    auto thread = std::make_unique<LambdaThread>(true, [&](LambdaThread& self) {
        self.Synchronize([&] { methodRan = true; });
        returned = true;
    });
    // When the queued call reaches the UI thread the worker has handed it off and waits for it:
    // destroy the thread right then, before the call runs.
    BeforeQueuedCall destroy([&] { thread.reset(); });
    thread->Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread == nullptr; }, "the hand-off reaches the UI thread"));
    EXPECT_TRUE(returned);
    EXPECT_FALSE(methodRan) << "the queued call finds the hand-off cancelled";
}

TEST_F(Thread, AnExceptionInTheHandedOffMethodIsRaisedInTheWorker) {
    std::string caught;
    LambdaThread thread(true, [&](LambdaThread& self) {
        try {
            self.Synchronize([] { throw EInvalidOperation("tick failed"); });
        } catch (const EInvalidOperation& error) {
            caught = error.Message();
        }
    });
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Finished(); }, "the worker finishes"));
    EXPECT_EQ(caught, "tick failed");
}

TEST_F(Thread, AnExceptionLeavingExecuteEndsTheThreadQuietly) {
    LambdaThread thread(true, [](LambdaThread&) { throw std::runtime_error("worker failed"); });
    thread.Resume();
    thread.WaitFor();
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

TEST_F(Thread, WaitForOnTheUiThreadRunsTheWorkersHandOffs) {
    int value = 0;
    LambdaThread thread(true, [&](LambdaThread& self) {
        for (int i = 0; i < 3; ++i) self.Synchronize([&] { ++value; });
    });
    thread.Resume();
    thread.WaitFor();  // no event processing here: WaitFor must serve the hand-offs itself
    EXPECT_EQ(value, 3);
}

TEST_F(Thread, ACreatedSuspendedThreadRunsOnlyAfterResume) {
    std::atomic<bool> ran{false};
    LambdaThread thread(true, [&](LambdaThread&) { ran = true; });
    EXPECT_TRUE(thread.Suspended());
    EXPECT_THROW(thread.WaitFor(), EThread);
    EXPECT_FALSE(ran);
    thread.Resume();
    thread.WaitFor();
    EXPECT_TRUE(ran);
}

TEST_F(Thread, SuspendHoldsTheWorkerAtItsNextCheckPointUntilResume) {
    std::atomic<int> rounds{0};
    std::atomic<bool> suspendNow{false};
    LambdaThread* self = nullptr;
    LambdaThread thread(true, [&](LambdaThread& worker) {
        while (!worker.Terminated()) {
            if (rounds == 3 && !suspendNow) {
                // Suspends itself, as a timer switched off from the UI thread would be.
                suspendNow = true;
                worker.Suspend();
            }
            worker.CheckSuspended();
            ++rounds;
        }
    });
    self = &thread;
    thread.Resume();
    ASSERT_TRUE(
        WaitUntil([&] { return suspendNow && self->Suspended(); }, "the worker suspends itself"));
    int held = rounds;
    EXPECT_EQ(held, 3);
    // Nothing to wait for here: the worker must simply not move for a while.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(rounds, held);
    thread.Resume();
    ASSERT_TRUE(WaitUntil([&] { return rounds >= held + 5; }, "the resumed worker goes on"));
    thread.Terminate();
    thread.WaitFor();
}

TEST_F(Thread, SuspendingWhileAHandOffWaitsInTheQueueHoldsItUntilResume) {
    std::atomic<int> ran{0};
    LambdaThread thread(true, [&](LambdaThread& self) { self.Synchronize([&] { ++ran; }); });
    bool suspended = false;
    // The hand-off is queued; the UI thread suspends the worker just before the call runs.
    BeforeQueuedCall suspend([&] {
        thread.Suspend();
        suspended = true;
    });
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return suspended; }, "the hand-off reaches the UI thread"));
    ASSERT_TRUE(WaitUntil([&] { return thread.Held(); }, "the worker is held"));
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0) << "a suspended worker's method does not run on the UI thread";
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Finished(); }, "the resumed worker finishes"));
    EXPECT_EQ(ran, 1);
}

TEST_F(Thread, SynchronizeIsACheckPointAfterASleep) {
    std::atomic<bool> sleeping{false};
    std::atomic<int> ran{0};
    LambdaThread thread(true, [&](LambdaThread& self) {
        sleeping = true;
        self.Sleep(20);
        self.Synchronize([&] { ++ran; });
    });
    thread.Resume();
    ASSERT_TRUE(WaitUntil([&] { return sleeping.load(); }, "the worker sleeps"));
    thread.Suspend();
    // However the sleep and the suspension interleave, the worker ends up held before the
    // hand-off, and nothing reaches the UI thread.
    ASSERT_TRUE(PumpUntil([&] { return thread.Held(); }, "the worker is held after its sleep"));
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Finished(); }, "the resumed worker finishes"));
    EXPECT_EQ(ran, 1);
}

TEST_F(Thread, DestroyingASuspendedThreadWithAHeldHandOffEndsIt) {
    std::atomic<bool> returned{false};
    auto thread = std::make_unique<LambdaThread>(true, [&](LambdaThread& self) {
        self.Synchronize([] { FAIL() << "the held method must not run"; });
        returned = true;
    });
    LambdaThread* raw = thread.get();
    BeforeQueuedCall suspend([&] { raw->Suspend(); });
    thread->Resume();
    ASSERT_TRUE(PumpUntil([&] { return raw->Held(); }, "the worker is held"));
    thread.reset();
    EXPECT_TRUE(returned);
    QCoreApplication::processEvents();
}

TEST_F(Thread, IdlePriorityRunsTheWorkerUnderSchedIdle) {
    std::atomic<int> policy{-1};
    LambdaThread thread(true, [&](LambdaThread&) { policy = sched_getscheduler(0); });
    thread.SetPriority(TThreadPriority::tpIdle);
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(policy, SCHED_IDLE);
}

TEST_F(Thread, SleepEndsEarlyWhenTheThreadIsTerminated) {
    std::atomic<bool> sleeping{false};
    LambdaThread thread(true, [&](LambdaThread& self) {
        sleeping = true;
        self.Sleep(60 * 60 * 1000);
    });
    thread.Resume();
    ASSERT_TRUE(WaitUntil([&] { return sleeping.load(); }, "the worker sleeps"));
    thread.Terminate();
    thread.WaitFor();  // an hour if Sleep ignored Terminate; the watchdog ends the run first
    EXPECT_TRUE(thread.Finished());
}

}  // namespace
}  // namespace kiv::test
