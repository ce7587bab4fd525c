// Rectangles in pixels, as the window, the title strip and the page view use
// them: right and bottom are exclusive.
#pragma once

#include <cstdint>

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;

    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};
