// The real FFT kernels, written once over a vector traits class VT and included (through
// rdft_transforms.h) by one source file per instruction set (scalar and SSE2 in one, AVX2+FMA in
// another). Everything here has internal linkage so that code compiled for AVX2 never stands in
// for the SSE2 copy.
//
// VT provides: kLanes, V, load, store, splat, mulAdd (a*b+c), mulSub (a*b-c), reverse (lane
// order), loadInterleaved / storeInterleaved (kLanes complex values as re,im pairs),
// storeTransposed4 (y[4l + k] = rk[l]), storeQuarters (4-lane chunk c at y + c * pitch) and
// splatQuarters (4-lane chunk c all t[c]).
//
// Complex core: Stockham radix-4 stages, kernel exp(+2 pi i jk / n), on split arrays, ping-pong
// between the two work buffers. A stage of length L, stride s and m = L/4 groups maps
// x[q + s(p + k m)] (k = 0..3) to y[q + s(4p + k)]; its contiguous index j = s p + q lets the
// vectors run along q (s >= lanes), along j with per-lane twiddles (s = 4) or along p with a
// transpose (s = 1, the first stage).
#pragma once

#include <cstddef>

#include "dsp/rdft_plan.h"

namespace qv {
namespace {

template <class VT>
struct Quad {
    typename VT::V r0, i0, r1, i1, r2, i2, r3, i3;
};

template <class VT>
struct Pair {
    typename VT::V kr, ki, nr, ni;
};

// 4-point DFT with the kernel exp(+2 pi i jk / 4) of (a, b, c, d).
template <class VT, class V = typename VT::V>
inline Quad<VT> butterfly(V ar, V ai, V br, V bi, V cr, V ci, V dr, V di) {
    const V apcR = ar + cr, apcI = ai + ci, amcR = ar - cr, amcI = ai - ci;
    const V bpdR = br + dr, bpdI = bi + di, bmdR = br - dr, bmdI = bi - di;
    return {apcR + bpdR, apcI + bpdI,   // a + b + c + d
            amcR - bmdI, amcI + bmdR,   // (a - c) + i (b - d)
            apcR - bpdR, apcI - bpdI,   // a - b + c - d
            amcR + bmdI, amcI - bmdR};  // (a - c) - i (b - d)
}

template <class VT, class V = typename VT::V>
inline void rotate(V& re, V& im, V wr, V wi) {
    const V t = VT::mulSub(re, wr, im * wi);
    im = VT::mulAdd(re, wi, im * wr);
    re = t;
}

template <class VT>
inline void rotateQuad(Quad<VT>& f, const typename VT::V (&w)[6]) {
    rotate<VT>(f.r1, f.i1, w[0], w[1]);
    rotate<VT>(f.r2, f.i2, w[2], w[3]);
    rotate<VT>(f.r3, f.i3, w[4], w[5]);
}

// One group p of a radix-4 stage with s >= lanes; kRotate false for the trivial twiddles of p = 0.
// kSorted: output k of group p goes to q + s(4p + k); otherwise to q + s(p + k m), four
// quarters that the blocked tail reads as contiguous blocks.
template <class VT, bool kRotate, bool kSorted>
inline void stage4Group(const float* xr, const float* xi, float* yr, float* yi, std::size_t s,
                        std::size_t m, std::size_t p, const typename VT::V (&w)[6]) {
    const std::size_t sm = s * m;
    const float* ar = xr + s * p;
    const float* ai = xi + s * p;
    float* oR = yr + s * (kSorted ? 4 * p : p);
    float* oI = yi + s * (kSorted ? 4 * p : p);
    const std::size_t step = kSorted ? s : sm;
    for (std::size_t q = 0; q < s; q += VT::kLanes) {
        Quad<VT> f = butterfly<VT>(VT::load(ar + q), VT::load(ai + q), VT::load(ar + sm + q),
                                   VT::load(ai + sm + q), VT::load(ar + 2 * sm + q),
                                   VT::load(ai + 2 * sm + q), VT::load(ar + 3 * sm + q),
                                   VT::load(ai + 3 * sm + q));
        if constexpr (kRotate) rotateQuad<VT>(f, w);
        VT::store(oR + q, f.r0), VT::store(oI + q, f.i0);
        VT::store(oR + step + q, f.r1), VT::store(oI + step + q, f.i1);
        VT::store(oR + 2 * step + q, f.r2), VT::store(oI + 2 * step + q, f.i2);
        VT::store(oR + 3 * step + q, f.r3), VT::store(oI + 3 * step + q, f.i3);
    }
}

template <class VT, bool kSorted = true>
void stage4Strided(const float* xr, const float* xi, float* yr, float* yi, std::size_t s, std::size_t m,
                   const float* tw) {
    using V = typename VT::V;
    const V unit[6] = {VT::splat(1.0f), VT::splat(0.0f), VT::splat(1.0f),
                       VT::splat(0.0f), VT::splat(1.0f), VT::splat(0.0f)};
    stage4Group<VT, false, kSorted>(xr, xi, yr, yi, s, m, 0, unit);
    for (std::size_t p = 1; p < m; ++p) {
        const V w[6] = {VT::splat(tw[p]),         VT::splat(tw[m + p]),     VT::splat(tw[2 * m + p]),
                        VT::splat(tw[3 * m + p]), VT::splat(tw[4 * m + p]), VT::splat(tw[5 * m + p])};
        stage4Group<VT, true, kSorted>(xr, xi, yr, yi, s, m, p, w);
    }
}

// The stage of stride 4: vectors run along j = 4p + q, each 4-lane chunk with the twiddles of
// its group p.
template <class VT>
void stage4Stride4(const float* xr, const float* xi, float* yr, float* yi, std::size_t m, const float* tw) {
    using V = typename VT::V;
    const std::size_t sm = 4 * m;
    for (std::size_t j = 0; j < sm; j += VT::kLanes) {
        Quad<VT> f = butterfly<VT>(VT::load(xr + j), VT::load(xi + j), VT::load(xr + sm + j),
                                   VT::load(xi + sm + j), VT::load(xr + 2 * sm + j),
                                   VT::load(xi + 2 * sm + j), VT::load(xr + 3 * sm + j),
                                   VT::load(xi + 3 * sm + j));
        const std::size_t p = j / 4;
        const V w[6] = {VT::splatQuarters(tw + p),         VT::splatQuarters(tw + m + p),
                        VT::splatQuarters(tw + 2 * m + p), VT::splatQuarters(tw + 3 * m + p),
                        VT::splatQuarters(tw + 4 * m + p), VT::splatQuarters(tw + 5 * m + p)};
        rotateQuad<VT>(f, w);
        // Lane chunk c holds group p = j/4 + c, whose outputs k start at 4(4p + k).
        float* oR = yr + 4 * j;
        float* oI = yi + 4 * j;
        VT::storeQuarters(oR, 16, f.r0), VT::storeQuarters(oI, 16, f.i0);
        VT::storeQuarters(oR + 4, 16, f.r1), VT::storeQuarters(oI + 4, 16, f.i1);
        VT::storeQuarters(oR + 8, 16, f.r2), VT::storeQuarters(oI + 8, 16, f.i2);
        VT::storeQuarters(oR + 12, 16, f.r3), VT::storeQuarters(oI + 12, 16, f.i3);
    }
}

// The final radix-2 stage of length 2 (odd powers of two), s = n/2.
template <class VT>
void stage2Strided(const float* xr, const float* xi, float* yr, float* yi, std::size_t s) {
    for (std::size_t q = 0; q < s; q += VT::kLanes) {
        const auto ar = VT::load(xr + q), ai = VT::load(xi + q);
        const auto br = VT::load(xr + s + q), bi = VT::load(xi + s + q);
        VT::store(yr + q, ar + br), VT::store(yi + q, ai + bi);
        VT::store(yr + s + q, ar - br), VT::store(yi + s + q, ai - bi);
    }
}

// First stage (s = 1, m >= lanes): vectors run along p; the input is either interleaved complex
// (the real signal read as pairs) or split.
template <class VT, bool kInterleaved>
void firstStage(const float* inRe, const float* inIm, float* yr, float* yi, std::size_t m, const float* tw,
                std::size_t live = 4) {
    using V = typename VT::V;
    const V zero = VT::splat(0.0f);
    for (std::size_t p = 0; p < m; p += VT::kLanes) {
        V ar, ai, br = zero, bi = zero, cr = zero, ci = zero, dr = zero, di = zero;
        if constexpr (kInterleaved) {
            VT::loadInterleaved(inRe + 2 * p, ar, ai);
            if (live > 1) VT::loadInterleaved(inRe + 2 * (p + m), br, bi);
            if (live > 2) VT::loadInterleaved(inRe + 2 * (p + 2 * m), cr, ci);
            if (live > 3) VT::loadInterleaved(inRe + 2 * (p + 3 * m), dr, di);
        } else {
            ar = VT::load(inRe + p), ai = VT::load(inIm + p);
            br = VT::load(inRe + p + m), bi = VT::load(inIm + p + m);
            cr = VT::load(inRe + p + 2 * m), ci = VT::load(inIm + p + 2 * m);
            dr = VT::load(inRe + p + 3 * m), di = VT::load(inIm + p + 3 * m);
        }
        Quad<VT> f = butterfly<VT>(ar, ai, br, bi, cr, ci, dr, di);
        const V w[6] = {VT::load(tw + p),         VT::load(tw + m + p),     VT::load(tw + 2 * m + p),
                        VT::load(tw + 3 * m + p), VT::load(tw + 4 * m + p), VT::load(tw + 5 * m + p)};
        rotateQuad<VT>(f, w);
        VT::storeTransposed4(yr + 4 * p, f.r0, f.r1, f.r2, f.r3);
        VT::storeTransposed4(yi + 4 * p, f.i0, f.i1, f.i2, f.i3);
    }
}

// Forward separation of the half-size transform Z into the real spectrum X for the pair
// (k, n - k):  E = (Z(k) + conj Z(n-k)) / 2,  O = (Z(k) - conj Z(n-k)) / 2i,
// X(k) = E + t O,  X(n-k) = conj(E - t O),  t = exp(+2 pi i k / N);  h = scale / 2.
template <class VT, class V = typename VT::V>
inline Pair<VT> separate(V ar, V ai, V br, V bi, V c, V s, V h) {
    const V er = (ar + br) * h, ei = (ai - bi) * h;
    const V odr = (ai + bi) * h, odi = (br - ar) * h;
    const V tr = VT::mulSub(c, odr, s * odi), ti = VT::mulAdd(c, odi, s * odr);
    return {er + tr, ei + ti, er - tr, ti - ei};
}

// Inverse: from X(k) and X(n-k) back to Z(k) and Z(n-k) (times 2h), returned with real and
// imaginary parts swapped: a forward complex transform of the swapped values, swapped back,
// is the transform with the opposite sign.
template <class VT, class V = typename VT::V>
inline Pair<VT> combine(V xr, V xi, V yr, V yi, V c, V s, V h) {
    const V er = (xr + yr) * h, ei = (xi - yi) * h;
    const V dr = (xr - yr) * h, di = (xi + yi) * h;
    const V odr = VT::mulAdd(c, dr, s * di), odi = VT::mulSub(c, di, s * dr);
    // Z(k) = (er - odi, ei + odr), Z(n-k) = (er + odi, odr - ei).
    return {ei + odr, er - odi, odr - ei, er + odi};
}

struct ScalarTraits {
    static constexpr std::size_t kLanes = 1;
    using V = float;
    static float load(const float* p) { return *p; }
    static void store(float* p, float v) { *p = v; }
    static float splat(float x) { return x; }
    static float mulAdd(float a, float b, float c) { return a * b + c; }
    static float mulSub(float a, float b, float c) { return a * b - c; }
    static float reverse(float v) { return v; }
    static void loadInterleaved(const float* p, float& re, float& im) { re = p[0], im = p[1]; }
    static void storeInterleaved(float* p, float re, float im) { p[0] = re, p[1] = im; }
    static void storeTransposed4(float* y, float r0, float r1, float r2, float r3) {
        y[0] = r0, y[1] = r1, y[2] = r2, y[3] = r3;
    }
    static void storeQuarters(float* y, std::size_t, float v) { *y = v; }
    static float splatQuarters(const float* t) { return *t; }
};

template <class VT>
void separateAll(const RdftPlan& plan, const float* zr, const float* zi, float* data, float scale) {
    using S = ScalarTraits;
    const std::size_t n = plan.complexSize;
    data[0] = (zr[0] + zi[0]) * scale;
    data[1] = (zr[0] - zi[0]) * scale;
    if (n < 2) return;
    const float h = 0.5f * scale;
    auto scalarPair = [&](std::size_t k) {
        const Pair<S> x = separate<S>(zr[k], zi[k], zr[n - k], zi[n - k], plan.postCos[k], plan.postSin[k], h);
        data[2 * (n - k)] = x.nr, data[2 * (n - k) + 1] = x.ni;
        data[2 * k] = x.kr, data[2 * k + 1] = x.ki;
    };
    std::size_t k = 1;
    if constexpr (VT::kLanes > 1) {
        for (; k < VT::kLanes; ++k) scalarPair(k);
        const auto vh = VT::splat(h);
        for (; k + VT::kLanes <= n / 2; k += VT::kLanes) {
            const std::size_t mirror = n - k - (VT::kLanes - 1);
            const Pair<VT> x = separate<VT>(VT::load(zr + k), VT::load(zi + k), VT::reverse(VT::load(zr + mirror)),
                                            VT::reverse(VT::load(zi + mirror)), VT::load(plan.postCos + k),
                                            VT::load(plan.postSin + k), vh);
            VT::storeInterleaved(data + 2 * k, x.kr, x.ki);
            VT::storeInterleaved(data + 2 * mirror, VT::reverse(x.nr), VT::reverse(x.ni));
        }
    }
    for (; k <= n / 2; ++k) scalarPair(k);
}

// Packed spectrum in data to the swapped split arrays wr (Im Z) and wi (Re Z), times scale.
template <class VT>
void combineAll(const RdftPlan& plan, const float* data, float* wr, float* wi, float scale) {
    using S = ScalarTraits;
    const std::size_t n = plan.complexSize;
    const float h = 0.5f * scale;
    wr[0] = (data[0] - data[1]) * h;
    wi[0] = (data[0] + data[1]) * h;
    if (n < 2) return;
    auto scalarPair = [&](std::size_t k) {
        const Pair<S> z = combine<S>(data[2 * k], data[2 * k + 1], data[2 * (n - k)], data[2 * (n - k) + 1],
                                     plan.postCos[k], plan.postSin[k], h);
        wr[k] = z.kr, wi[k] = z.ki;
        wr[n - k] = z.nr, wi[n - k] = z.ni;
    };
    std::size_t k = 1;
    if constexpr (VT::kLanes > 1) {
        for (; k < VT::kLanes; ++k) scalarPair(k);
        const auto vh = VT::splat(h);
        for (; k + VT::kLanes <= n / 2; k += VT::kLanes) {
            const std::size_t mirror = n - k - (VT::kLanes - 1);
            typename VT::V xr, xi, yr, yi;
            VT::loadInterleaved(data + 2 * k, xr, xi);
            VT::loadInterleaved(data + 2 * mirror, yr, yi);
            const Pair<VT> z = combine<VT>(xr, xi, VT::reverse(yr), VT::reverse(yi), VT::load(plan.postCos + k),
                                           VT::load(plan.postSin + k), vh);
            VT::store(wr + k, z.kr), VT::store(wi + k, z.ki);
            VT::store(wr + mirror, VT::reverse(z.nr)), VT::store(wi + mirror, VT::reverse(z.ni));
        }
    }
    for (; k <= n / 2; ++k) scalarPair(k);
}

}  // namespace
}  // namespace qv
