// TRect: a rectangle with the Windows RECT rules: Right and Bottom lie outside it.
#pragma once

#include <algorithm>

#include "platform/draw/point.h"
#include "platform/draw/size.h"

namespace kiv {

// Left/Top are the first column and row inside; Right/Bottom the first outside. A rectangle with
// Right <= Left or Bottom <= Top is empty and contains no point. Nothing here normalises a
// rectangle: GDI calls that take corners in either order do that themselves.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom)
        : Left(left), Top(top), Right(right), Bottom(bottom) {}
    constexpr TRect(TPoint topLeft, TSize size)
        : Left(topLeft.X),
          Top(topLeft.Y),
          Right(topLeft.X + size.cx),
          Bottom(topLeft.Y + size.cy) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TSize Size() const { return {Width(), Height()}; }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr TPoint BottomRight() const { return {Right, Bottom}; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }

    constexpr bool Contains(TPoint p) const {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }
    // True when every point of `r` lies in this rectangle; an empty `r` is contained nowhere.
    constexpr bool Contains(const TRect& r) const {
        return !r.IsEmpty() && r.Left >= Left && r.Right <= Right && r.Top >= Top &&
               r.Bottom <= Bottom;
    }

    constexpr void Offset(int dx, int dy) {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    constexpr TRect Offsetted(int dx, int dy) const {
        TRect r = *this;
        r.Offset(dx, dy);
        return r;
    }
    // Grows every side outward by (dx, dy); negative values shrink, as InflateRect.
    constexpr void Inflate(int dx, int dy) {
        Left -= dx;
        Right += dx;
        Top -= dy;
        Bottom += dy;
    }

    // The common part; an empty result is normalised to (0, 0, 0, 0) as IntersectRect does.
    constexpr TRect Intersect(const TRect& r) const {
        TRect out(std::max(Left, r.Left), std::max(Top, r.Top), std::min(Right, r.Right),
                  std::min(Bottom, r.Bottom));
        return out.IsEmpty() ? TRect() : out;
    }
    // The smallest rectangle holding both; an empty operand is ignored, as UnionRect does.
    constexpr TRect Union(const TRect& r) const {
        if (r.IsEmpty()) return IsEmpty() ? TRect() : *this;
        if (IsEmpty()) return r;
        return {std::min(Left, r.Left), std::min(Top, r.Top), std::max(Right, r.Right),
                std::max(Bottom, r.Bottom)};
    }
    // Corners swapped where needed so that Left <= Right and Top <= Bottom.
    constexpr TRect Normalized() const {
        return {std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right),
                std::max(Top, Bottom)};
    }

    constexpr bool operator==(const TRect&) const = default;
};

}  // namespace kiv
