// The part of a back buffer that a present puts on screen, for backends that send only part.
#pragma once

#include <cstdint>

#include "gui/geometry.h"
#include "gui/rect_math.h"

namespace qv::native {

// The drawn box (window pixels, origin top left) within a buffer of width x height; the whole
// buffer when `all` (the screen lost what it showed, or the buffer is new). Width or height 0
// when there is nothing to send.
inline CRect presentedArea(const CRect& drawn, std::int32_t width, std::int32_t height, bool all) {
    const CRect whole{0, 0, width, height};
    return all ? whole : rectIntersection(drawn, whole);
}

}  // namespace qv::native
