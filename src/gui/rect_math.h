// Tests and set operations on toolkit rectangles (integers, y up).
#pragma once

#include <algorithm>

#include "gui/geometry.h"

namespace qv {

// x <= px < x + width and y <= py < y + height.
inline bool rectContains(const CRect& r, std::int32_t px, std::int32_t py) {
    return px >= r.x && px < r.x + r.width && py >= r.y && py < r.y + r.height;
}

inline bool rectsEqual(const CRect& a, const CRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

inline bool rectIsEmpty(const CRect& r) { return r.width <= 0 || r.height <= 0; }

// The inclusive column and row ranges overlap.
inline bool rectsIntersect(const CRect& a, const CRect& b) {
    return a.x <= b.x + b.width - 1 && a.x + a.width - 1 >= b.x && a.y <= b.y + b.height - 1 &&
           a.y + a.height - 1 >= b.y;
}

// The overlap of two rectangles; zero width or height when they do not meet.
inline CRect rectIntersection(const CRect& a, const CRect& b) {
    const std::int32_t l = std::max(a.x, b.x);
    const std::int32_t bottom = std::max(a.y, b.y);
    const std::int32_t r = std::min(a.x + a.width, b.x + b.width);
    const std::int32_t t = std::min(a.y + a.height, b.y + b.height);
    if (r <= l || t <= bottom) return CRect{l, bottom, 0, 0};
    return CRect{l, bottom, r - l, t - bottom};
}

// The smallest rectangle holding both; an empty one adds nothing.
inline CRect rectUnion(const CRect& a, const CRect& b) {
    if (rectIsEmpty(a)) return b;
    if (rectIsEmpty(b)) return a;
    const std::int32_t l = std::min(a.x, b.x), bottom = std::min(a.y, b.y);
    const std::int32_t r = std::max(a.x + a.width, b.x + b.width), t = std::max(a.y + a.height, b.y + b.height);
    return CRect{l, bottom, r - l, t - bottom};
}

inline CRect rectOffset(const CRect& r, std::int32_t dx, std::int32_t dy) {
    return CRect{r.x + dx, r.y + dy, r.width, r.height};
}

}  // namespace qv
