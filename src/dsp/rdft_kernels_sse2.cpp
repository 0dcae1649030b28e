// Scalar and SSE2 kernel sets of the real FFT (SSE2 is the x86-64 baseline).
#include <emmintrin.h>

#include <cstddef>

#include "dsp/rdft_transforms.h"

namespace qv {
namespace {

struct Sse2Traits {
    static constexpr std::size_t kLanes = 4;
    using V = __m128;
    static V load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, V v) { _mm_storeu_ps(p, v); }
    static V splat(float x) { return _mm_set1_ps(x); }
    static V mulAdd(V a, V b, V c) { return _mm_add_ps(_mm_mul_ps(a, b), c); }
    static V mulSub(V a, V b, V c) { return _mm_sub_ps(_mm_mul_ps(a, b), c); }
    static V reverse(V v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
    static void loadInterleaved(const float* p, V& re, V& im) {
        const V lo = _mm_loadu_ps(p), hi = _mm_loadu_ps(p + 4);
        re = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        im = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
    }
    static void storeInterleaved(float* p, V re, V im) {
        _mm_storeu_ps(p, _mm_unpacklo_ps(re, im));
        _mm_storeu_ps(p + 4, _mm_unpackhi_ps(re, im));
    }
    static void storeTransposed4(float* y, V r0, V r1, V r2, V r3) {
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        _mm_storeu_ps(y, r0), _mm_storeu_ps(y + 4, r1), _mm_storeu_ps(y + 8, r2), _mm_storeu_ps(y + 12, r3);
    }
    static void storeQuarters(float* y, std::size_t, V v) { _mm_storeu_ps(y, v); }
    static V splatQuarters(const float* t) { return _mm_set1_ps(*t); }
};

}  // namespace

const RdftKernelSet& rdftKernelsScalar() {
    static const RdftKernelSet set{1, &forwardTransform<ScalarTraits>, &inverseTransform<ScalarTraits>};
    return set;
}

const RdftKernelSet& rdftKernelsSse2() {
    static const RdftKernelSet set{4, &forwardTransform<Sse2Traits>, &inverseTransform<Sse2Traits>};
    return set;
}

}  // namespace qv
