// TPoint: a pixel position with the value semantics of the Windows POINT.
#pragma once

namespace kiv {

struct TPoint {
    int X = 0;
    int Y = 0;

    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}

    constexpr TPoint operator+(TPoint o) const { return {X + o.X, Y + o.Y}; }
    constexpr TPoint operator-(TPoint o) const { return {X - o.X, Y - o.Y}; }
    constexpr bool operator==(const TPoint&) const = default;
};

}  // namespace kiv
