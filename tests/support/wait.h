// Bounded waiting for tests: what another thread, a child process or the event loop brings about
// is waited for until a deadline, and then reported as a failure instead of hanging the run.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace kiv::test {

// How long a test waits for something before it fails: ample for a loaded sanitizer build, and
// spent only when the awaited thing never happens.
inline constexpr std::chrono::milliseconds kWaitLimit{20000};

// Checks `done` until it holds, running `between` (if any) and pausing about a millisecond
// between checks. Fails, naming `what` ("the worker finishes") and the time spent, once `limit`
// has passed.
[[nodiscard]] ::testing::AssertionResult WaitUntil(const std::function<bool()>& done,
                                                   std::string_view what,
                                                   std::chrono::milliseconds limit = kWaitLimit,
                                                   const std::function<void()>& between = {});

// For a call under test that blocks (joins a thread, waits inside the code under test) and so
// cannot be polled: if the scope is still running after `limit`, prints the test, `what` and
// the limit to stderr and ends the test program with exit code 1.
class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::milliseconds limit = kWaitLimit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_thread;
};

}  // namespace kiv::test
