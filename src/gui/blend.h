// The blend routine: bitmaps and translucent colours written straight into a 32-bit surface,
// through the SSE2 kernels when the processor has SSE2, else in plain code.
#pragma once

#include <cstdint>

#include "gui/blend_target.h"
#include "gui/geometry.h"

namespace qv {

// A colour as bytes (component x 255, truncated), not premultiplied.
struct BlendColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;
};

// One blend: a width x height area whose lower-left corner is `position` on the destination,
// filled from `source` at `sourcePosition` (all in toolkit coordinates, y up) or, when source is
// null, with `color`. `alpha` (0..255; larger values count as 255) scales the source.
struct BlendRequest {
    PixelSurface* destination = nullptr;
    const CRect* clip = nullptr;  // destination clip; null: none
    CPoint position;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const PixelSurface* source = nullptr;
    CPoint sourcePosition;
    BlendColor color;
    std::uint32_t alpha = 255;
};

// Blends the request into its destination. The area is clipped against the clip rectangle and
// the bounds of the destination and of the source, moving the source position along; nothing is
// drawn when the destination (or a given source) is not a valid surface or nothing is left.
//
// Image source s (premultiplied), destination d, per channel c:
//   W = 65025 - s.alpha * alpha;  out.c = (s.c * alpha) >> 8 + (d.c * W) >> 16
// Colour source: k = color.alpha * alpha, premultiplied colour p = ((R,G,B) * k) >> 16 and
// alpha k >> 8, W = 65025 - k; plain path out.c = p.c + (W * d.c) >> 16, kernel path
// out.c = p.c + (d.c * (W >> 8)) >> 8. Results are stored modulo 256.
void blend(const BlendRequest& request);

// Copies the source pixels of the request unchanged (no blending), with the same clipping.
void copyPixels(const BlendRequest& request);

}  // namespace qv
