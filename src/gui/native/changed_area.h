// The part of a back buffer that changed since it was last put on screen, for backends that
// present only that part. The copy holds what the screen shows, in top-down rows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gui/geometry.h"

namespace qv::native {

// Brings copy (top-down) up to the bottom-up buffer of width x height and returns the box
// around every pixel that differed, in top-down window pixels; width 0 when none did. Rows
// that are equal cost one comparison.
inline CRect syncChangedArea(const std::uint32_t* bottomUp, std::uint32_t* copy, std::int32_t width,
                             std::int32_t height) {
    std::int32_t top = height, bottom = -1, left = width, right = -1;
    const auto rowBytes = static_cast<std::size_t>(width) * sizeof(std::uint32_t);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint32_t* src = bottomUp + static_cast<std::size_t>(height - 1 - y) * width;
        std::uint32_t* dst = copy + static_cast<std::size_t>(y) * width;
        if (std::memcmp(dst, src, rowBytes) == 0) continue;
        // Columns already inside the box need no look.
        std::int32_t first = 0, last = width - 1;
        while (first < left && src[first] == dst[first]) ++first;
        while (last > right && src[last] == dst[last]) --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
        std::memcpy(dst, src, rowBytes);
    }
    if (bottom < 0) return CRect{};
    return CRect{left, top, right - left + 1, bottom - top + 1};
}

}  // namespace qv::native
