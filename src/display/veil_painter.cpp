#include "display/veil_painter.h"

#include <algorithm>
#include <cmath>

namespace qv::display {

void CVeilPainter::reserve(std::int32_t w, std::int32_t h, std::uint32_t curves) {
    width = std::max(w, 0);
    height = std::clamp(h, 0, 32000);
    capacity = curves;
    low.assign(static_cast<std::size_t>(width) * curves, -1);
    high.assign(static_cast<std::size_t>(width) * curves, -1);
    steps.assign(static_cast<std::size_t>(height) + 2, 0);
    veils = 0;
}

void CVeilPainter::add(const std::int32_t* xs, const std::int32_t* ys, std::uint32_t count, std::int32_t base) {
    if (veils >= capacity || width == 0) return;
    std::int16_t* lo = low.data() + static_cast<std::size_t>(veils) * width;
    std::int16_t* hi = high.data() + static_cast<std::size_t>(veils) * width;
    std::fill(lo, lo + width, static_cast<std::int16_t>(-1));
    ++veils;
    if (count == 0) return;
    const auto row = [this](std::int32_t y) { return static_cast<std::int16_t>(std::clamp(y, 0, height - 1)); };
    const std::int16_t b = row(base);
    // Linear between successive points; points sharing a column keep the highest.
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::int32_t x0 = std::clamp(xs[k], 0, width - 1);
        const std::int32_t x1 = k + 1 < count ? std::clamp(xs[k + 1], 0, width - 1) : x0;
        const double y0 = ys[k];
        const double y1 = k + 1 < count ? ys[k + 1] : y0;
        for (std::int32_t x = x0; x <= x1; ++x) {
            const double t = x1 > x0 ? static_cast<double>(x - x0) / (x1 - x0) : 0.0;
            const std::int16_t y = row(static_cast<std::int32_t>(y0 + (y1 - y0) * t + 0.5));
            if (lo[x] < 0 || y > hi[x]) hi[x] = y;
            lo[x] = b;
        }
    }
}

void CVeilPainter::paint(const PixelSurface& surface, const CRect& clip, CPoint origin, float alpha) {
    if (veils == 0 || !surface.isValid() || height == 0) return;
    // Overlap count k -> blend weight of white, in 1/255.
    std::uint32_t weight[65] = {};
    const float a = std::clamp(std::isfinite(alpha) ? alpha : 0.0f, 0.0f, 1.0f);
    for (std::uint32_t k = 1; k <= 64; ++k)
        weight[k] = static_cast<std::uint32_t>((1.0 - std::pow(1.0 - a, static_cast<double>(k))) * 255.0 + 0.5);
    const std::int32_t left = std::max({clip.x, 0, origin.x});
    const std::int32_t right = std::min({clip.x + clip.width, surface.width, origin.x + width});
    const std::int32_t bottom = std::max({clip.y, 0, origin.y});
    const std::int32_t top = std::min({clip.y + clip.height, surface.height, origin.y + height});
    for (std::int32_t sx = left; sx < right; ++sx) {
        const std::int32_t x = sx - origin.x;
        std::int32_t first = height, last = -1;
        for (std::uint32_t v = 0; v < veils; ++v) {
            const std::size_t at = static_cast<std::size_t>(v) * width + x;
            if (low[at] < 0) continue;
            ++steps[low[at]];
            --steps[high[at] + 1];
            first = std::min<std::int32_t>(first, low[at]);
            last = std::max<std::int32_t>(last, high[at]);
        }
        std::int32_t covered = 0;
        // The graph is mostly one colour: remember the last blend.
        std::uint32_t lastIn = 0, lastOut = 0;
        std::int32_t lastCount = -1;
        for (std::int32_t y = first; y <= last + 1 && y <= height; ++y) {
            covered += steps[y];
            steps[y] = 0;
            const std::int32_t sy = y + origin.y;
            if (covered <= 0 || y > last || sy < bottom || sy >= top) continue;
            std::uint32_t& p = surface.row(sy)[sx];
            if (p != lastIn || covered != lastCount) {
                const std::uint32_t w = weight[std::min(covered, 64)];
                std::uint32_t out = 0;
                for (std::uint32_t shift = 0; shift < 32; shift += 8) {
                    const std::uint32_t c = p >> shift & 0xFFu;
                    out |= (c + ((255u - c) * w + 127u) / 255u) << shift;
                }
                lastIn = p;
                lastCount = covered;
                lastOut = out;
            }
            p = lastOut;
        }
    }
}

}  // namespace qv::display
