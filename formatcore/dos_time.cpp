// DOS date-times to and from Unix times, through the local time zone.
#include "formatcore/dos_time.h"

#include <ctime>

namespace kiv::format {

std::uint32_t UnixToDosTime(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr) return 0;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return 0;
    return (static_cast<std::uint32_t>(year - 1980) << 25) |
           (static_cast<std::uint32_t>(local.tm_mon + 1) << 21) |
           (static_cast<std::uint32_t>(local.tm_mday) << 16) |
           (static_cast<std::uint32_t>(local.tm_hour) << 11) |
           (static_cast<std::uint32_t>(local.tm_min) << 5) |
           static_cast<std::uint32_t>(local.tm_sec / 2);
}

std::int64_t DosToUnixTime(std::uint32_t dos) {
    std::tm local{};
    local.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    local.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    local.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    local.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    local.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    local.tm_sec = static_cast<int>(dos & 0x1F) * 2;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

}  // namespace kiv::format
