// Little-endian integers of the RAR headers, read from bytes the caller has checked are there.
#pragma once

#include <cstdint>

namespace kiv::format {

constexpr std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::uint32_t Le32(const std::uint8_t* p) {
    return Le16(p) | (static_cast<std::uint32_t>(Le16(p + 2)) << 16);
}

constexpr std::uint64_t Le64(const std::uint8_t* p) {
    return Le32(p) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

}  // namespace kiv::format
