// TThread: the hand-off to the UI thread, stopping with a hand-off pending, suspension, priority.
#include <gtest/gtest.h>
#include <sched.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "framework/forms/errors.h"
#include "framework/forms/thread.h"
#include "framework/forms/window_handle.h"

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

// Lets the UI thread's queued calls run until `done` holds.
template <typename Predicate>
void PumpUntil(Predicate done) {
    while (!done()) {
        QCoreApplication::processEvents();
        std::this_thread::yield();
    }
}

TEST(Thread, SynchronizeRunsTheMethodOnTheUiThreadAndWaitsForIt) {
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
    PumpUntil([&] { return thread.Finished(); });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(seenAfter, 7);
}

TEST(Thread, SynchronizeOnTheUiThreadRunsAtOnce) {
    LambdaThread thread(true, [](LambdaThread&) {});
    bool ran = false;
    thread.Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Thread, DestroyingTheThreadReleasesAPendingHandOffWithoutRunningIt) {
    std::atomic<bool> aboutToHandOff{false};
    std::atomic<bool> returned{false};
    std::atomic<bool> methodRan{false};
    {
        LambdaThread thread(true, [&](LambdaThread& self) {
            aboutToHandOff = true;
            self.Synchronize([&] { methodRan = true; });
            returned = true;
        });
        thread.Resume();
        while (!aboutToHandOff) std::this_thread::yield();
        // Give the worker the chance to block in the hand-off; either way it must be released.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(returned);
    QCoreApplication::processEvents();  // the queued call, if it was queued, finds it cancelled
    EXPECT_FALSE(methodRan);
}

TEST(Thread, AnExceptionInTheHandedOffMethodIsRaisedInTheWorker) {
    std::string caught;
    LambdaThread thread(true, [&](LambdaThread& self) {
        try {
            self.Synchronize([] { throw EInvalidOperation("tick failed"); });
        } catch (const EInvalidOperation& error) {
            caught = error.Message();
        }
    });
    thread.Resume();
    PumpUntil([&] { return thread.Finished(); });
    EXPECT_EQ(caught, "tick failed");
}

TEST(Thread, AnExceptionLeavingExecuteEndsTheThreadQuietly) {
    LambdaThread thread(true, [](LambdaThread&) { throw std::runtime_error("worker failed"); });
    thread.Resume();
    thread.WaitFor();
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

TEST(Thread, WaitForOnTheUiThreadRunsTheWorkersHandOffs) {
    int value = 0;
    LambdaThread thread(true, [&](LambdaThread& self) {
        for (int i = 0; i < 3; ++i) self.Synchronize([&] { ++value; });
    });
    thread.Resume();
    thread.WaitFor();  // no event processing here: WaitFor must serve the hand-offs itself
    EXPECT_EQ(value, 3);
}

TEST(Thread, ACreatedSuspendedThreadRunsOnlyAfterResume) {
    std::atomic<bool> ran{false};
    LambdaThread thread(true, [&](LambdaThread&) { ran = true; });
    EXPECT_TRUE(thread.Suspended());
    EXPECT_THROW(thread.WaitFor(), EThread);
    EXPECT_FALSE(ran);
    thread.Resume();
    thread.WaitFor();
    EXPECT_TRUE(ran);
}

TEST(Thread, SuspendHoldsTheWorkerAtItsNextCheckPointUntilResume) {
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
    while (!suspendNow) std::this_thread::yield();
    while (!self->Suspended()) std::this_thread::yield();
    int held = rounds;
    EXPECT_EQ(held, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(rounds, held);
    thread.Resume();
    while (rounds < held + 5) std::this_thread::yield();
    thread.Terminate();
    thread.WaitFor();
}

TEST(Thread, IdlePriorityRunsTheWorkerUnderSchedIdle) {
    std::atomic<int> policy{-1};
    LambdaThread thread(true, [&](LambdaThread&) { policy = sched_getscheduler(0); });
    thread.SetPriority(TThreadPriority::tpIdle);
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(policy, SCHED_IDLE);
}

TEST(Thread, SleepEndsEarlyWhenTheThreadIsTerminated) {
    std::atomic<bool> sleeping{false};
    LambdaThread thread(true, [&](LambdaThread& self) {
        sleeping = true;
        self.Sleep(60 * 60 * 1000);
    });
    thread.Resume();
    while (!sleeping) std::this_thread::yield();
    thread.Terminate();
    thread.WaitFor();  // would hang for an hour if Sleep ignored Terminate
    EXPECT_TRUE(thread.Finished());
}

}  // namespace
}  // namespace kiv::test
