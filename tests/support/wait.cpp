// WaitUntil and Watchdog.
#include "tests/support/wait.h"

#include <cstdio>
#include <cstdlib>

namespace kiv::test {

::testing::AssertionResult WaitUntil(const std::function<bool()>& done, std::string_view what,
                                     std::chrono::milliseconds limit,
                                     const std::function<void()>& between) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return ::testing::AssertionFailure()
                   << "gave up after " << limit.count() << " ms waiting until " << what;
        }
        if (between) between();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ::testing::AssertionSuccess();
}

Watchdog::Watchdog(std::string what, std::chrono::milliseconds limit) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name()
                                       : std::string("(outside a test)");
    m_thread = std::thread([this, name = std::move(name), what = std::move(what), limit] {
        std::unique_lock lock(m_mutex);
        if (m_changed.wait_for(lock, limit, [this] { return m_done; })) return;
        std::fprintf(stderr, "%s: still waiting after %lld ms until %s; ending the run\n",
                     name.c_str(), static_cast<long long>(limit.count()), what.c_str());
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

}  // namespace kiv::test
