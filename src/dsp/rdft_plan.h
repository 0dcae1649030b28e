// The precomputed plan of one real FFT size and the kernel sets that execute it. Internal to
// the FFT engine: CRdftEngine builds the plan, a kernel set (scalar, SSE2 or AVX2+FMA, chosen
// at construction) runs it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

struct RdftStage {
    std::uint32_t radix;    // 4 or 2
    std::uint32_t stride;   // s: distance between the points of one butterfly
    std::uint32_t groups;   // m = length / radix: butterflies with distinct twiddles
    std::uint32_t twiddle;  // offset of the stage's 6m twiddles (radix 4)
};

// Floats of padding between split blocks (one cache line).
static constexpr std::size_t kRdftBlockPad = 16;

// Transforms the blocked tail stages handle at a time (one 64-byte row of each buffer).
static constexpr std::size_t kRdftTailWidth = 16;

struct RdftPlan {
    static constexpr std::size_t kMaxStages = 10;
    std::size_t complexSize = 0;  // n = N/2
    std::size_t stageCount = 0;
    RdftStage stages[kMaxStages] = {};
    // Per radix-4 stage, 6m values: re w^p, im w^p, re w^2p, im w^2p, re w^3p, im w^3p (p < m),
    // w = exp(+2 pi i / length).
    const float* twiddles = nullptr;
    const float* postCos = nullptr;  // cos(2 pi k / N), k = 0..n/2
    const float* postSin = nullptr;  // sin(2 pi k / N)
    // Two split work buffers of n complex values: the re block at work (work2), the im block
    // imOffset floats after it. The blocks are padded apart so that the same index in
    // different blocks never shares a first-level cache set (power-of-two strides would).
    float* work = nullptr;
    float* work2 = nullptr;
    std::size_t imOffset = 0;
    // Large sizes: the stages from tailFrom (0: none), of stride tailPitch and up, run blocked on
    // kRdftTailWidth of the tailPitch interleaved transforms of length n / tailPitch at a time.
    std::size_t tailFrom = 0;
    std::size_t tailPitch = 0;
    // The stage before the tail, of stride 16, leaves each block of 16 transforms contiguous
    // (rows of 16, block after block) instead of interleaved at pitch tailPitch.
    bool tailInBlocks = false;
    // Two buffers of kRdftTailWidth x n / tailPitch complex values, split and padded as above.
    float* scratch = nullptr;
};

// The read-only tables a plan points into (see RdftPlan for their layout).
struct RdftTables {
    std::vector<float> twiddles;
    std::vector<float> postCos;
    std::vector<float> postSin;
};

using RdftFunction = void (*)(const RdftPlan& plan, float* data, float scale);
// live: how many quarters of data (1, 2 or 4) hold values; the others are taken as zero, unread.
using RdftForwardFunction = void (*)(const RdftPlan& plan, float* data, float scale, std::size_t live);

struct RdftKernelSet {
    std::size_t lanes;            // floats per vector; the plan needs complexSize >= 4 * lanes
    RdftForwardFunction forward;  // packed forward transform in place, times scale
    RdftFunction inverse;         // packed inverse in place: x * N/2 * scale
};

const RdftKernelSet& rdftKernelsScalar();
const RdftKernelSet& rdftKernelsSse2();
const RdftKernelSet& rdftKernelsAvx2();  // call only where the processor has AVX2 and FMA

}  // namespace qv
