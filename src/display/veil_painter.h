// The translucent white veil under the level curves of FFT mode. Each curve's area (between a
// base row and the curve, from its first to its last point) is lightened by white at one alpha;
// where k areas overlap the pixel gets white at 1 - (1 - alpha)^k, which is what k veils painted
// one over the other give. Computing the overlap per column lets one pass over the graph paint
// every veil of the frame.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/blend_target.h"
#include "gui/geometry.h"

namespace qv::display {

class CVeilPainter {
public:
    // Room for `curves` veils over `width` columns and `height` rows.
    void reserve(std::int32_t width, std::int32_t height, std::uint32_t curves);
    void clear() { veils = 0; }
    // The area between row `base` and the polyline (xs, ys), rows relative to the graph bottom;
    // xs ascending. Ignored when the room is used up.
    void add(const std::int32_t* xs, const std::int32_t* ys, std::uint32_t count, std::int32_t base);
    std::uint32_t count() const { return veils; }
    // Blends the veils into `surface` with the graph's lower-left corner at `origin` (toolkit
    // coordinates of the surface), limited to `clip`.
    void paint(const PixelSurface& surface, const CRect& clip, CPoint origin, float alpha);

private:
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t capacity = 0;
    std::uint32_t veils = 0;
    std::vector<std::int16_t> low;   // per veil and column: first row, -1 when not covered
    std::vector<std::int16_t> high;  // per veil and column: last row
    std::vector<std::int16_t> steps;  // per row: change of the overlap count
};

}  // namespace qv::display
