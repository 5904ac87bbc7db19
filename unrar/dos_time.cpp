// DOS date-time values (local time) to and from Unix times.
#include "unrar/dos_time.h"

#include <ctime>

namespace kiv::rar {

uint32_t UnixToDosTime(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    struct tm tm {};
    if (localtime_r(&tt, &tm) == nullptr) return 0;
    int year = tm.tm_year + 1900;
    if (year < 1980 || year > 2107) return 0;
    return (static_cast<uint32_t>(year - 1980) << 25) |
           (static_cast<uint32_t>(tm.tm_mon + 1) << 21) |
           (static_cast<uint32_t>(tm.tm_mday) << 16) | (static_cast<uint32_t>(tm.tm_hour) << 11) |
           (static_cast<uint32_t>(tm.tm_min) << 5) | (static_cast<uint32_t>(tm.tm_sec) / 2);
}

int64_t DosToUnixTime(uint32_t dos) {
    struct tm tm {};
    tm.tm_year = static_cast<int>((dos >> 25) & 0x7f) + 80;
    tm.tm_mon = static_cast<int>((dos >> 21) & 0x0f) - 1;
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1f);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1f);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3f);
    tm.tm_sec = static_cast<int>(dos & 0x1f) * 2;
    tm.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&tm));
}

}  // namespace kiv::rar
