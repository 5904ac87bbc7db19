// TSize: a width and height in pixels, as the Windows SIZE (cx, cy).
#pragma once

namespace kiv {

struct TSize {
    int cx = 0;
    int cy = 0;

    constexpr TSize() = default;
    constexpr TSize(int w, int h) : cx(w), cy(h) {}

    constexpr bool operator==(const TSize&) const = default;
};

}  // namespace kiv
