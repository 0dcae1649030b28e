// The pixels that drawing lands in, and what a drawing context tells bitmaps and the blend routine
// about its target.
#pragma once

#include <cstdint>

#include "gui/geometry.h"

namespace qv {

// A 32-bit image in memory: each pixel holds the bytes blue, green, red, alpha (colours
// premultiplied by alpha); rows run bottom-up without gaps, so toolkit row y is memory row y.
struct PixelSurface {
    std::uint32_t* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool isValid() const { return bits != nullptr && width > 0 && height > 0; }
    std::uint32_t* row(std::int32_t y) const { return bits + static_cast<std::int64_t>(y) * width; }
};

// Implemented by the drawing context: the surface it currently draws into (the back buffer, or
// a bitmap while drawing into one) and its current clip rectangle in toolkit coordinates of that
// surface. Bitmaps and translucent fills draw through this.
class CBlendTarget {
public:
    virtual ~CBlendTarget() = default;
    // Null when the context cannot draw.
    virtual PixelSurface* getTargetSurface() = 0;
    // Null when no clip is in force (the whole surface may be drawn).
    virtual const CRect* getTargetClip() const = 0;
};

}  // namespace qv
