// WaitUntil gives up with a message after its limit and returns when the condition comes true;
// a Watchdog ends a stuck run with a message instead of letting it hang.
#include "tests/support/wait.h"

#include <atomic>
#include <thread>

namespace kiv::test {
namespace {

using namespace std::chrono_literals;

TEST(WaitUntil, GivesUpAfterItsLimitNamingWhatItWaitedFor) {
    int checks = 0;
    int between = 0;
    const ::testing::AssertionResult result =
        WaitUntil([&] { return ++checks < 0; }, "the flag is set", 30ms, [&] { ++between; });
    EXPECT_FALSE(result);
    EXPECT_STREQ(result.message(), "gave up after 30 ms waiting until the flag is set");
    EXPECT_GT(checks, 1) << "checked again until the limit";
    EXPECT_EQ(between, checks - 1);
}

TEST(WaitUntil, ReturnsOnceAnotherThreadMakesTheConditionTrue) {
    std::atomic<bool> set{false};
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        set = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return set.load(); }, "the flag is set"));
    setter.join();
}

TEST(WatchdogDeathTest, EndsAStuckRunNamingTheTestAndWhatItWaitedFor) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Watchdog watchdog("the stuck call returns", 50ms);
            std::this_thread::sleep_for(60s);
        },
        ::testing::ExitedWithCode(1),
        "WatchdogDeathTest.EndsAStuckRunNamingTheTestAndWhatItWaitedFor: still waiting after 50 ms "
        "until the stuck call returns");
}

}  // namespace
}  // namespace kiv::test
