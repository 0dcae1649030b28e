// Test helpers: an owned pixel surface that acts as a drawing target, and pixel packing.
#pragma once

#include <optional>

#include "support/test_common.h"

#include "gui/blend_target.h"

namespace qvtest {

inline std::uint32_t bgra(std::uint32_t b, std::uint32_t g, std::uint32_t r, std::uint32_t a) {
    return (b & 0xFFu) | (g & 0xFFu) << 8 | (r & 0xFFu) << 16 | (a & 0xFFu) << 24;
}
inline std::uint32_t channel(std::uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFFu; }

class SurfaceTarget : public qv::CBlendTarget {
public:
    SurfaceTarget(std::int32_t width, std::int32_t height, std::uint32_t fill = 0)
        : pixels(static_cast<std::size_t>(width) * height, fill) {
        surface = {pixels.data(), width, height};
    }
    qv::PixelSurface* getTargetSurface() override { return &surface; }
    const qv::CRect* getTargetClip() const override { return clip ? &*clip : nullptr; }

    std::uint32_t at(std::int32_t x, std::int32_t y) const { return pixels[static_cast<std::size_t>(y) * surface.width + x]; }

    std::vector<std::uint32_t> pixels;
    qv::PixelSurface surface;
    std::optional<qv::CRect> clip;
};

}  // namespace qvtest
