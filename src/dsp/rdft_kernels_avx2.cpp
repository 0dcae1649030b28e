// AVX2+FMA kernel set of the real FFT, used only where the processor reports both (the engine
// checks at construction). Every function after the target pragma is compiled for AVX2+FMA;
// the standard headers come first so that none of their inline code is.
#include <immintrin.h>

#include <cstddef>

#include "dsp/rdft_plan.h"

#pragma GCC target("avx2,fma")

#include "dsp/rdft_transforms.h"

namespace qv {
namespace {

struct Avx2Traits {
    static constexpr std::size_t kLanes = 8;
    using V = __m256;
    static V load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, V v) { _mm256_storeu_ps(p, v); }
    static V splat(float x) { return _mm256_set1_ps(x); }
    static V mulAdd(V a, V b, V c) { return _mm256_fmadd_ps(a, b, c); }
    static V mulSub(V a, V b, V c) { return _mm256_fmsub_ps(a, b, c); }
    // One cross-lane permute (the shuffle port is what the separation passes wait for).
    static V reverse(V v) { return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }
    // The in-lane shuffles leave 64-bit pairs in the order 0, 2, 1, 3; one cross-lane
    // permute restores it.
    static void loadInterleaved(const float* p, V& re, V& im) {
        const V lo = _mm256_loadu_ps(p), hi = _mm256_loadu_ps(p + 8);
        const V r = _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const V i = _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
        re = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(r), _MM_SHUFFLE(3, 1, 2, 0)));
        im = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(i), _MM_SHUFFLE(3, 1, 2, 0)));
    }
    static void storeInterleaved(float* p, V re, V im) {
        const V lo = _mm256_unpacklo_ps(re, im), hi = _mm256_unpackhi_ps(re, im);
        _mm256_storeu_ps(p, _mm256_permute2f128_ps(lo, hi, 0x20));
        _mm256_storeu_ps(p + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
    }
    // A 4x4 transpose inside each 128-bit half gives rows l and l + 4 side by side; the halves
    // go to memory by 128-bit stores (an upper-half store needs no shuffle).
    static void storeTransposed4(float* y, V r0, V r1, V r2, V r3) {
        const V t0 = _mm256_unpacklo_ps(r0, r1), t1 = _mm256_unpacklo_ps(r2, r3);
        const V t2 = _mm256_unpackhi_ps(r0, r1), t3 = _mm256_unpackhi_ps(r2, r3);
        const V l0 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        const V l1 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        const V l2 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
        const V l3 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
        storeQuarters(y, 16, l0);
        storeQuarters(y + 4, 16, l1);
        storeQuarters(y + 8, 16, l2);
        storeQuarters(y + 12, 16, l3);
    }
    static void storeQuarters(float* y, std::size_t pitch, V v) {
        _mm_storeu_ps(y, _mm256_castps256_ps128(v));
        _mm_storeu_ps(y + pitch, _mm256_extractf128_ps(v, 1));
    }
    // Two broadcast loads and a blend: no shuffle.
    static V splatQuarters(const float* t) { return _mm256_blend_ps(_mm256_broadcast_ss(t), _mm256_broadcast_ss(t + 1), 0xF0); }
};

}  // namespace

const RdftKernelSet& rdftKernelsAvx2() {
    static const RdftKernelSet set{8, &forwardTransform<Avx2Traits>, &inverseTransform<Avx2Traits>};
    return set;
}

}  // namespace qv
