// The two exported blending kernels and their parameter record. Both walk `height` rows of
// `width` pixels, bottom row first, and after each row skip the given number of pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/blend_export.h"

namespace qv {

struct SSEBlendParams {
    std::uint32_t width;            // pixels per row
    std::uint32_t height;           // rows
    std::uint32_t destinationSkip;  // pixels from the end of one destination row to the next row
    std::uint32_t sourceSkip;       // the same for the source
    std::uint32_t factor;           // source scale, at most 255
    std::uint32_t constantColor;    // premultiplied colour: bytes blue, green, red, alpha
    std::uint32_t constantFactor;   // destination scale of the constant-colour kernel
    std::uint32_t reserved;
    std::uint32_t* destination;
    const std::uint32_t* source;
};
static_assert(sizeof(SSEBlendParams) == 32 + 2 * sizeof(void*));
static_assert(offsetof(SSEBlendParams, factor) == 16);
static_assert(offsetof(SSEBlendParams, constantColor) == 20);
static_assert(offsetof(SSEBlendParams, constantFactor) == 24);
static_assert(offsetof(SSEBlendParams, destination) == 32);
static_assert(offsetof(SSEBlendParams, source) == 32 + sizeof(void*));

}  // namespace qv

extern "C" {

// Per channel c: t.c = (s.c * factor) mod 2^16, W = (65025 - t.alpha) mod 2^16,
// out.c = ((t.c >> 8) + ((d.c * W) >> 16)) mod 256.
QV_EXPORT void SSEPLAlphaBlend(qv::SSEBlendParams* params);

// Per channel c: out.c = ((((d.c * constantFactor) mod 2^16) >> 8) + constantColor.c) mod 256.
// The source pointer and the source skip are not used.
QV_EXPORT void SSEPLAlphaBlendConstantSrc(qv::SSEBlendParams* params);
}
