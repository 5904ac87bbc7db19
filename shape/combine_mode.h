// TCombineMode: how a region-giving control's region joins the window region built so far.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/enum_set.h"

namespace kiv {

// The window region builder (TTransparentForm) maps each value to a region operation with the
// region built so far as the first operand: intersection, no change, difference, union and
// symmetric difference.
enum class TCombineMode : std::uint8_t { cmAnd, cmCopy, cmDifference, cmOR, cmXOR };

template <>
struct EnumInfo<TCombineMode> {
    static constexpr std::array<std::string_view, 5> names{"cmAnd", "cmCopy", "cmDifference",
                                                           "cmOR", "cmXOR"};
};

}  // namespace kiv
