// The monotonic clock in milliseconds.
#include "platform/tick_count.h"

#include <time.h>

namespace kiv::platform {

std::uint64_t TickCount64() {
    struct timespec now {};
    // CLOCK_MONOTONIC cannot fail on Linux; a zeroed time would only repeat the same tick.
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

std::uint32_t TickCount() {
    return static_cast<std::uint32_t>(TickCount64());
}

}  // namespace kiv::platform
