#include "gui/blend.h"

#include <algorithm>
#include <cstring>

#include "gui/blend_cpu.h"
#include "gui/blend_kernels.h"

namespace qv {
namespace {

// The part of a request left after clipping, in memory coordinates (rows bottom-up).
struct Span {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::int32_t sourceX = 0, sourceY = 0;
};

bool clipRequest(const BlendRequest& r, Span& out) {
    if (r.destination == nullptr || !r.destination->isValid()) return false;
    if (r.source != nullptr && !r.source->isValid()) return false;
    if (r.width <= 0 || r.height <= 0) return false;
    using I = std::int64_t;
    const I x0 = r.position.x, y0 = r.position.y;
    I left = std::max<I>(x0, 0), bottom = std::max<I>(y0, 0);
    I right = std::min<I>(x0 + r.width, r.destination->width);
    I top = std::min<I>(y0 + r.height, r.destination->height);
    if (r.clip != nullptr) {
        left = std::max<I>(left, r.clip->x);
        bottom = std::max<I>(bottom, r.clip->y);
        right = std::min<I>(right, I{r.clip->x} + r.clip->width);
        top = std::min<I>(top, I{r.clip->y} + r.clip->height);
    }
    if (r.source != nullptr) {
        // Keep the source inside its image as well: destination x maps to source x + sx - x0.
        const I shiftX = I{r.sourcePosition.x} - x0, shiftY = I{r.sourcePosition.y} - y0;
        left = std::max<I>(left, -shiftX);
        bottom = std::max<I>(bottom, -shiftY);
        right = std::min<I>(right, r.source->width - shiftX);
        top = std::min<I>(top, r.source->height - shiftY);
        out.sourceX = static_cast<std::int32_t>(left + shiftX);
        out.sourceY = static_cast<std::int32_t>(bottom + shiftY);
    }
    if (right <= left || top <= bottom) return false;
    out.x = static_cast<std::int32_t>(left);
    out.y = static_cast<std::int32_t>(bottom);
    out.width = static_cast<std::int32_t>(right - left);
    out.height = static_cast<std::int32_t>(top - bottom);
    return true;
}

inline std::uint32_t channel(std::uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFFu; }

void blendImagePlain(const BlendRequest& r, const Span& s, std::uint32_t alpha) {
    for (std::int32_t row = 0; row < s.height; ++row) {
        std::uint32_t* d = r.destination->row(s.y + row) + s.x;
        const std::uint32_t* src = r.source->row(s.sourceY + row) + s.sourceX;
        for (std::int32_t i = 0; i < s.width; ++i) {
            const std::uint32_t sp = src[i], dp = d[i];
            const std::uint32_t w = 65025u - channel(sp, 3) * alpha;
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                const std::uint32_t v = ((channel(sp, c) * alpha) >> 8) + ((channel(dp, c) * w) >> 16);
                out |= (v & 0xFFu) << (8 * c);
            }
            d[i] = out;
        }
    }
}

void blendColorPlain(const BlendRequest& r, const Span& s, const std::uint32_t premultiplied[4], std::uint32_t w) {
    for (std::int32_t row = 0; row < s.height; ++row) {
        std::uint32_t* d = r.destination->row(s.y + row) + s.x;
        for (std::int32_t i = 0; i < s.width; ++i) {
            const std::uint32_t dp = d[i];
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                const std::uint32_t v = premultiplied[c] + ((w * channel(dp, c)) >> 16);
                out |= (v & 0xFFu) << (8 * c);
            }
            d[i] = out;
        }
    }
}

SSEBlendParams kernelParams(const BlendRequest& r, const Span& s) {
    SSEBlendParams p{};
    p.width = static_cast<std::uint32_t>(s.width);
    p.height = static_cast<std::uint32_t>(s.height);
    p.destinationSkip = static_cast<std::uint32_t>(r.destination->width - s.width);
    p.destination = r.destination->row(s.y) + s.x;
    if (r.source != nullptr) {
        p.sourceSkip = static_cast<std::uint32_t>(r.source->width - s.width);
        p.source = r.source->row(s.sourceY) + s.sourceX;
    }
    return p;
}

}  // namespace

void blend(const BlendRequest& request) {
    Span span;
    if (!clipRequest(request, span)) return;
    const std::uint32_t alpha = std::min<std::uint32_t>(request.alpha, 255u);
    const bool kernels = blendUsesKernels();
    if (request.source != nullptr) {
        if (kernels) {
            SSEBlendParams p = kernelParams(request, span);
            p.factor = alpha;
            SSEPLAlphaBlend(&p);
        } else {
            blendImagePlain(request, span, alpha);
        }
        return;
    }
    const BlendColor& c = request.color;
    const std::uint32_t k = std::uint32_t{c.alpha} * alpha;
    const std::uint32_t premultiplied[4] = {(c.blue * k) >> 16, (c.green * k) >> 16, (c.red * k) >> 16, k >> 8};
    const std::uint32_t w = 65025u - k;
    if (kernels) {
        SSEBlendParams p = kernelParams(request, span);
        p.constantColor = premultiplied[0] | premultiplied[1] << 8 | premultiplied[2] << 16 | premultiplied[3] << 24;
        p.constantFactor = w >> 8;
        SSEPLAlphaBlendConstantSrc(&p);
    } else {
        blendColorPlain(request, span, premultiplied, w);
    }
}

void copyPixels(const BlendRequest& request) {
    Span span;
    if (request.source == nullptr || !clipRequest(request, span)) return;
    for (std::int32_t row = 0; row < span.height; ++row) {
        std::memmove(request.destination->row(span.y + row) + span.x,
                    request.source->row(span.sourceY + row) + span.sourceX,
                    static_cast<std::size_t>(span.width) * sizeof(std::uint32_t));
    }
}

}  // namespace qv
