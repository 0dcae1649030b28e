// Equality and printing of rectangles for test expectations.
#pragma once

#include <ostream>

#include "gui/geometry.h"

namespace qv {

inline bool operator==(const CRect& a, const CRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

inline void PrintTo(const CRect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}

}  // namespace qv
