// Packed real FFT engine of one power-of-two size.
//
// The forward transform of N real values x(j) gives, in place,
//   value 0 = R(0), value 1 = R(N/2), value 2k = R(k), value 2k+1 = I(k) for 1 <= k < N/2,
// with R(k) = sum x(j) cos(2 pi j k / N) and I(k) = sum x(j) sin(2 pi j k / N).
// The inverse maps such a spectrum back to x(j) * N/2 (unnormalised by N/2).
//
// Method: the N reals are read as N/2 complex values z(j) = x(2j) + i x(2j+1); a Stockham
// radix-4 complex FFT on split work arrays transforms them and one pass separates the even and
// odd halves into the real spectrum. From 8192 points up the last stages run blocked, a few
// kilobytes at a time in cache-sized scratch, so that the data cross memory fewer times. Kernels: SSE2 (the x86-64 floor), AVX2+FMA where the
// processor has them, scalar for the smallest sizes. Every table and the work area are
// allocated by the constructor and the transforms never allocate. An engine serves one thread
// at a time; its tables never change after construction and are shared with every other engine
// of the same size in the process. A transform borrows a free work area from a small pool the
// engines of its size share (an atomic exchange, no lock) and falls back on the engine's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "dsp/rdft_plan.h"
#include "dsp/scratch_pool.h"

namespace qv {

// Which kernels an engine may use: the fastest the processor runs, or a lower floor (tests
// check each set against the same reference).
enum enumRdftKernels : std::uint32_t {
    kRdftKernelsBest = 0,
    kRdftKernelsSse2 = 1,
    kRdftKernelsScalar = 2,
};

template <typename T>
class CRdftEngine;

template <>
class CRdftEngine<float> {
public:
    static constexpr std::uint32_t kMinSize = 2;
    static constexpr std::uint32_t kMaxSize = 131072;

    // size: N, a power of two from 2 to 131072; any other value gives an engine that does nothing.
    explicit CRdftEngine(std::uint32_t size, enumRdftKernels kernels = kRdftKernelsBest);

    ~CRdftEngine();
    CRdftEngine(const CRdftEngine&) = delete;
    CRdftEngine& operator=(const CRdftEngine&) = delete;

    std::uint32_t size() const { return m_size; }
    bool isValid() const { return m_size != 0; }
    // Floats per vector of the kernels in use: 1 (scalar), 4 (SSE2) or 8 (AVX2+FMA).
    std::size_t lanes() const { return m_kernels ? m_kernels->lanes : 0; }

    // Forward transform of data[0..N) in place into the packed format, every value times scale.
    // With filled at most N/2 the values from filled on are taken as zero, and from the next
    // multiple of N/4 on they are not read: at filled = N/4 or N/2, data[filled..N) may hold anything.
    void forward(float* data, float scale = 1.0f, std::uint32_t filled = kMaxSize);
    // Inverse of the packed format in place: x(j) * N/2 * scale.
    void inverse(float* data, float scale = 1.0f);

    static bool isSupportedSize(std::uint32_t size);
    static bool processorHasAvx2();

private:
    std::uint32_t m_size = 0;
    const RdftKernelSet* m_kernels = nullptr;
    template <typename Run>
    void run(Run transform);

    RdftPlan m_plan;
    std::shared_ptr<const RdftTables> m_tables;  // shared by every engine of this size
    // Used when every pooled area is taken; taken zeroed from the system, so that its pages are
    // mapped only once it is used.
    struct FreeFloats {
        void operator()(float* p) const { std::free(p); }
    };
    std::unique_ptr<float, FreeFloats> m_work;
    std::size_t m_bufferFloats = 0;
    std::shared_ptr<CScratchPool> m_pool;  // work areas the engines of this size take in turn
};

}  // namespace qv
