// Milliseconds of the monotonic clock, the Linux form of the Windows tick count.
#pragma once

#include <cstdint>

namespace kiv::platform {

// Milliseconds since an arbitrary start (boot), wrapping at 2^32 like GetTickCount: compute
// intervals as unsigned differences, which stay right across one wrap.
std::uint32_t TickCount();

// The same clock without the wrap.
std::uint64_t TickCount64();

}  // namespace kiv::platform
