// DOS date-time values (local time) to and from Unix times.
#pragma once

#include <cstdint>

namespace kiv::rar {

// 0 when t is outside the DOS range (1980-2107).
uint32_t UnixToDosTime(int64_t t);
// Interprets a DOS date-time as local time.
int64_t DosToUnixTime(uint32_t dos);

}  // namespace kiv::rar
