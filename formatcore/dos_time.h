// DOS date-times (local time), the time field of RAR 1.5-4.x headers, to and from Unix times.
#pragma once

#include <cstdint>

namespace kiv::format {

// 0 when seconds falls outside the DOS range (1980-2107) or has no local time.
std::uint32_t UnixToDosTime(std::int64_t seconds);
// Interprets a DOS date-time as local time.
std::int64_t DosToUnixTime(std::uint32_t dos);

}  // namespace kiv::format
