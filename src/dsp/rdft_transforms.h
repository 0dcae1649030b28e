// The forward and inverse real FFT over a vector traits class VT (see rdft_kernels.h), included
// by one source file per instruction set.
//
// Large sizes run the last stages blocked. After the stages [0, tailFrom) of stride below P the
// data are P interleaved transforms of length n/P (transform c holds its element j at c + P j),
// and each remaining stage of stride s treats transform c alone as a stage of stride s/P. So the
// tail runs on 16 transforms at a time, rows of 16 values, through two scratch buffers small
// enough for the first-level cache: the data cross memory once for the whole tail instead of
// once per stage. Where the stage before the tail has stride 16 it writes each block of 16
// transforms contiguously, so that the tail's first stage reads one stream, not rows P apart.
// The operations and their order are those of the plain stages: the results are the same.
#pragma once

#include <cstddef>

#include "dsp/rdft_kernels.h"

namespace qv {
namespace {

constexpr std::size_t kTailWidth = kRdftTailWidth;

// A radix-4 tail stage on 16 transforms: row q + s(p + k m) of x to row q + s(4p + k) of y.
template <class VT>
void tailStage4(const float* xr, const float* xi, std::size_t xPitch, float* yr, float* yi, std::size_t yPitch,
                std::size_t s, std::size_t m, const float* tw) {
    using V = typename VT::V;
    const std::size_t quarter = s * m * xPitch;
    for (std::size_t p = 0; p < m; ++p) {
        const V w[6] = {VT::splat(tw[p]),         VT::splat(tw[m + p]),     VT::splat(tw[2 * m + p]),
                        VT::splat(tw[3 * m + p]), VT::splat(tw[4 * m + p]), VT::splat(tw[5 * m + p])};
        for (std::size_t q = 0; q < s; ++q) {
            const float* ar = xr + (q + s * p) * xPitch;
            const float* ai = xi + (q + s * p) * xPitch;
            float* oR = yr + (q + 4 * s * p) * yPitch;
            float* oI = yi + (q + 4 * s * p) * yPitch;
            const std::size_t step = s * yPitch;
            for (std::size_t c = 0; c < kTailWidth; c += VT::kLanes) {
                Quad<VT> f = butterfly<VT>(VT::load(ar + c), VT::load(ai + c), VT::load(ar + quarter + c),
                                           VT::load(ai + quarter + c), VT::load(ar + 2 * quarter + c),
                                           VT::load(ai + 2 * quarter + c), VT::load(ar + 3 * quarter + c),
                                           VT::load(ai + 3 * quarter + c));
                if (p != 0) rotateQuad<VT>(f, w);
                VT::store(oR + c, f.r0), VT::store(oI + c, f.i0);
                VT::store(oR + step + c, f.r1), VT::store(oI + step + c, f.i1);
                VT::store(oR + 2 * step + c, f.r2), VT::store(oI + 2 * step + c, f.i2);
                VT::store(oR + 3 * step + c, f.r3), VT::store(oI + 3 * step + c, f.i3);
            }
        }
    }
}

// The final radix-2 stage (length 2) on 16 transforms: rows q and q + s.
template <class VT>
void tailStage2(const float* xr, const float* xi, std::size_t xPitch, float* yr, float* yi, std::size_t yPitch,
                std::size_t s) {
    for (std::size_t q = 0; q < s; ++q) {
        for (std::size_t c = 0; c < kTailWidth; c += VT::kLanes) {
            const auto ar = VT::load(xr + q * xPitch + c), ai = VT::load(xi + q * xPitch + c);
            const auto br = VT::load(xr + (q + s) * xPitch + c), bi = VT::load(xi + (q + s) * xPitch + c);
            VT::store(yr + q * yPitch + c, ar + br), VT::store(yi + q * yPitch + c, ai + bi);
            VT::store(yr + (q + s) * yPitch + c, ar - br), VT::store(yi + (q + s) * yPitch + c, ai - bi);
        }
    }
}

// The tail stages on 16 transforms: from x (rows at pitch P, or at pitch 16 when the stage
// before left the blocks contiguous) through the scratch buffers (pitch 16) to y (pitch P).
template <class VT>
void runTail(const RdftPlan& plan, const float* xr, const float* xi, float* yr, float* yi) {
    const std::size_t pitch = plan.tailPitch;
    const std::size_t area = kTailWidth * (plan.complexSize / pitch) + kRdftBlockPad;
    float* buffers[2] = {plan.scratch, plan.scratch + 2 * area + kRdftBlockPad};
    for (std::size_t i = plan.tailFrom; i < plan.stageCount; ++i) {
        const RdftStage& st = plan.stages[i];
        const bool last = i + 1 == plan.stageCount;
        float* dr = last ? yr : buffers[i & 1];
        float* di = last ? yi : buffers[i & 1] + area;
        const std::size_t dPitch = last ? pitch : kTailWidth;
        const std::size_t sPitch = i == plan.tailFrom && !plan.tailInBlocks ? pitch : kTailWidth;
        if (st.radix == 4 && sPitch == kTailWidth && dPitch == kTailWidth)
            stage4Strided<VT>(xr, xi, dr, di, kTailWidth * (st.stride / pitch), st.groups, plan.twiddles + st.twiddle);
        else if (st.radix == 4)
            tailStage4<VT>(xr, xi, sPitch, dr, di, dPitch, st.stride / pitch, st.groups, plan.twiddles + st.twiddle);
        else
            tailStage2<VT>(xr, xi, sPitch, dr, di, dPitch, st.stride / pitch);
        xr = dr, xi = di;
    }
}

// Runs the plan's stages [first, stageCount) from src; returns the buffer holding the result.
template <class VT>
float* runStages(const RdftPlan& plan, std::size_t first, float* src) {
    const std::size_t im = plan.imOffset;
    float* bufA = plan.work;
    const std::size_t plainEnd = plan.tailFrom != 0 ? plan.tailFrom : plan.stageCount;
    for (std::size_t i = first; i < plainEnd; ++i) {
        const RdftStage& st = plan.stages[i];
        float* dst = src == bufA ? plan.work2 : bufA;
        if (plan.tailInBlocks && i + 1 == plainEnd) {
            stage4Strided<VT, false>(src, src + im, dst, dst + im, st.stride, st.groups, plan.twiddles + st.twiddle);
        } else if (st.radix == 4) {
            if (st.stride == 4 && VT::kLanes >= 4)
                stage4Stride4<VT>(src, src + im, dst, dst + im, st.groups, plan.twiddles + st.twiddle);
            else
                stage4Strided<VT>(src, src + im, dst, dst + im, st.stride, st.groups, plan.twiddles + st.twiddle);
        } else {
            stage2Strided<VT>(src, src + im, dst, dst + im, st.stride);
        }
        src = dst;
    }
    if (plainEnd < plan.stageCount) {
        float* dst = src == bufA ? plan.work2 : bufA;
        const std::size_t block = kTailWidth * (plan.complexSize / plan.tailPitch);
        for (std::size_t c0 = 0; c0 < plan.tailPitch; c0 += kTailWidth) {
            const std::size_t from = plan.tailInBlocks ? c0 / kTailWidth * block : c0;
            runTail<VT>(plan, src + from, src + im + from, dst + c0, dst + im + c0);
        }
        src = dst;
    }
    return src;
}

template <class VT>
void forwardTransform(const RdftPlan& plan, float* data, float scale, std::size_t live) {
    const std::size_t n = plan.complexSize;
    const std::size_t im = plan.imOffset;
    float* bufA = plan.work;
    float* z;
    if constexpr (VT::kLanes == 1) {
        const std::size_t read = live == 4 ? n : n / 4 * live;
        for (std::size_t j = 0; j < read; ++j) bufA[j] = data[2 * j], bufA[im + j] = data[2 * j + 1];
        for (std::size_t j = read; j < n; ++j) bufA[j] = 0.0f, bufA[im + j] = 0.0f;
        z = runStages<VT>(plan, 0, bufA);
    } else {
        firstStage<VT, true>(data, nullptr, bufA, bufA + im, plan.stages[0].groups, plan.twiddles, live);
        z = runStages<VT>(plan, 1, bufA);
    }
    separateAll<VT>(plan, z, z + im, data, scale);
}

template <class VT>
void inverseTransform(const RdftPlan& plan, float* data, float scale) {
    const std::size_t n = plan.complexSize;
    const std::size_t im = plan.imOffset;
    float* bufA = plan.work;
    combineAll<VT>(plan, data, bufA, bufA + im, scale);
    float* z;
    if constexpr (VT::kLanes == 1) {
        z = runStages<VT>(plan, 0, bufA);
    } else {
        float* bufB = plan.work2;
        firstStage<VT, false>(bufA, bufA + im, bufB, bufB + im, plan.stages[0].groups, plan.twiddles);
        z = runStages<VT>(plan, 1, bufB);
    }
    // Swap back: the even samples are in the imaginary array, the odd ones in the real array.
    const float* zr = z;
    const float* zi = z + im;
    std::size_t j = 0;
    if constexpr (VT::kLanes > 1)
        for (; j + VT::kLanes <= n; j += VT::kLanes) VT::storeInterleaved(data + 2 * j, VT::load(zi + j), VT::load(zr + j));
    for (; j < n; ++j) data[2 * j] = zi[j], data[2 * j + 1] = zr[j];
}

}  // namespace
}  // namespace qv
