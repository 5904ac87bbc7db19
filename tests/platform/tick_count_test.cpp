// The tick count is the monotonic clock in milliseconds, the 32-bit one its low half.
#include "platform/tick_count.h"

#include <time.h>

#include <gtest/gtest.h>

namespace kiv::platform {
namespace {

std::uint64_t MonotonicMilliseconds() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

TEST(TickCount, LiesBetweenTwoReadingsOfTheMonotonicClock) {
    const std::uint64_t before = MonotonicMilliseconds();
    const std::uint64_t tick = TickCount64();
    const std::uint64_t after = MonotonicMilliseconds();
    EXPECT_LE(before, tick);
    EXPECT_LE(tick, after);
}

TEST(TickCount, ThirtyTwoBitTickIsTheLowHalf) {
    const std::uint64_t before = TickCount64();
    const std::uint32_t tick = TickCount();
    const std::uint64_t after = TickCount64();
    // Unsigned differences, so that a wrap between the readings does not matter.
    EXPECT_LE(static_cast<std::uint32_t>(tick - static_cast<std::uint32_t>(before)),
              static_cast<std::uint32_t>(after - before));
}

}  // namespace
}  // namespace kiv::platform
