// Rectangles and points of the GUI: signed 32-bit, y axis pointing up (row 0 is the bottom row).
#pragma once

#include <cstdint>

namespace qv {

struct CPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct CRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

}  // namespace qv
