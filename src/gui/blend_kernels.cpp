#include "gui/blend_kernels.h"

#include <emmintrin.h>

// Both kernels work on 16-bit lanes, two pixels per register: every product of the arithmetic
// fits 16 bits (or is wanted modulo 2^16), and the high half of a 16 x 16 product gives the
// ">> 16" terms directly. Each of the two terms of a sum is below 256, so the terms are packed to
// bytes on their own and added with byte wrap-around, which is the "modulo 256" of the result.
// The lane constants live in registers, so calls may run concurrently.
namespace {

struct ImageLanes {
    __m128i factor;
    __m128i full;
};

struct Terms {
    __m128i source;       // t.c >> 8
    __m128i destination;  // (d.c * W) >> 16
};

// Two pixels widened to 16-bit lanes (blue, green, red, alpha, blue, green, red, alpha).
inline Terms blendTwo(__m128i s, __m128i d, const ImageLanes& k) {
    const __m128i t = _mm_mullo_epi16(s, k.factor);
    const __m128i ta = _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, 0xFF), 0xFF);
    const __m128i w = _mm_sub_epi16(k.full, ta);
    return {_mm_srli_epi16(t, 8), _mm_mulhi_epu16(d, w)};
}

inline __m128i scaleTwo(__m128i d, __m128i factor) { return _mm_srli_epi16(_mm_mullo_epi16(d, factor), 8); }

inline __m128i loadOne(const std::uint32_t* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }
inline void storeOne(std::uint32_t* p, __m128i v) { *p = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v)); }

}  // namespace

extern "C" void SSEPLAlphaBlend(qv::SSEBlendParams* params) {
    if (params == nullptr || params->destination == nullptr || params->source == nullptr) return;
    const __m128i zero = _mm_setzero_si128();
    const ImageLanes k{_mm_set1_epi16(static_cast<short>(params->factor & 0xFFFFu)),
                       _mm_set1_epi16(static_cast<short>(65025))};
    std::uint32_t* d = params->destination;
    const std::uint32_t* s = params->source;
    for (std::uint32_t row = 0; row < params->height; ++row) {
        std::uint32_t n = params->width;
        for (; n >= 4; n -= 4, s += 4, d += 4) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
            const Terms lo = blendTwo(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero), k);
            const Terms hi = blendTwo(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero), k);
            const __m128i out = _mm_add_epi8(_mm_packus_epi16(lo.source, hi.source),
                                             _mm_packus_epi16(lo.destination, hi.destination));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), out);
        }
        for (; n > 0; --n, ++s, ++d) {
            const Terms v = blendTwo(_mm_unpacklo_epi8(loadOne(s), zero), _mm_unpacklo_epi8(loadOne(d), zero), k);
            storeOne(d, _mm_add_epi8(_mm_packus_epi16(v.source, v.source), _mm_packus_epi16(v.destination, v.destination)));
        }
        d += params->destinationSkip;
        s += params->sourceSkip;
    }
}

extern "C" void SSEPLAlphaBlendConstantSrc(qv::SSEBlendParams* params) {
    if (params == nullptr || params->destination == nullptr) return;
    const __m128i zero = _mm_setzero_si128();
    const __m128i factor = _mm_set1_epi16(static_cast<short>(params->constantFactor & 0xFFFFu));
    const __m128i color = _mm_set1_epi32(static_cast<int>(params->constantColor));
    std::uint32_t* d = params->destination;
    for (std::uint32_t row = 0; row < params->height; ++row) {
        std::uint32_t n = params->width;
        for (; n >= 4; n -= 4, d += 4) {
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
            const __m128i lo = scaleTwo(_mm_unpacklo_epi8(dv, zero), factor);
            const __m128i hi = scaleTwo(_mm_unpackhi_epi8(dv, zero), factor);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_add_epi8(_mm_packus_epi16(lo, hi), color));
        }
        for (; n > 0; --n, ++d) {
            const __m128i v = scaleTwo(_mm_unpacklo_epi8(loadOne(d), zero), factor);
            storeOne(d, _mm_add_epi8(_mm_packus_epi16(v, v), color));
        }
        d += params->destinationSkip;
    }
}
