#include "dsp/rdft_engine.h"

#include <cmath>
#include <cstdint>
#include <new>

#include "dsp/process_shared.h"

namespace qv {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// From this many complex points up the last stages run blocked (below it the whole work area
// stays in the first-level cache), on tails of at most kTailMaxLength points per transform (so
// that two scratch buffers of 16 such transforms take 32 KiB).
constexpr std::size_t kTailMinSize = 4096;
constexpr std::size_t kTailMaxLength = 128;

const RdftKernelSet* chooseKernels(std::size_t complexSize, enumRdftKernels allowed) {
    // Each vector set needs n >= 4 lanes: the first stage runs its vectors along n/4 groups.
    if (allowed == kRdftKernelsBest && complexSize >= 32 && CRdftEngine<float>::processorHasAvx2())
        return &rdftKernelsAvx2();
    if (allowed != kRdftKernelsScalar && complexSize >= 16) return &rdftKernelsSse2();
    return &rdftKernelsScalar();
}

// The tables of the plan's size: per radix-4 stage the twiddles, and the separation pass's
// cosines and sines.
std::shared_ptr<const RdftTables> buildTables(const RdftPlan& plan, std::size_t twiddleCount) {
    auto tables = std::make_shared<RdftTables>();
    const std::size_t n = plan.complexSize;
    tables->twiddles.assign(twiddleCount, 0.0f);
    for (std::size_t i = 0; i < plan.stageCount; ++i) {
        const RdftStage& st = plan.stages[i];
        if (st.radix != 4) continue;
        const std::size_t m = st.groups;
        const double stageLength = 4.0 * static_cast<double>(m);
        float* tw = tables->twiddles.data() + st.twiddle;
        for (std::size_t p = 0; p < m; ++p) {
            for (std::size_t r = 1; r <= 3; ++r) {
                const double angle = kTwoPi * static_cast<double>(r * p) / stageLength;
                tw[(2 * r - 2) * m + p] = static_cast<float>(std::cos(angle));
                tw[(2 * r - 1) * m + p] = static_cast<float>(std::sin(angle));
            }
        }
    }
    tables->postCos.assign(n / 2 + 1, 0.0f);
    tables->postSin.assign(n / 2 + 1, 0.0f);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const double angle = kTwoPi * static_cast<double>(k) / static_cast<double>(2 * n);
        tables->postCos[k] = static_cast<float>(std::cos(angle));
        tables->postSin[k] = static_cast<float>(std::sin(angle));
    }
    if (n >= 2) tables->postCos[n / 2] = 0.0f, tables->postSin[n / 2] = 1.0f;  // exactly a quarter turn
    return tables;
}

// The tables never change once built, so every engine of a size in the process reads one copy:
// sixteen instances keep one set in the cache instead of sixteen. Built under the lock, on the
// (non-audio) thread that constructs the engine.
std::shared_ptr<const RdftTables> sharedTables(const RdftPlan& plan, std::size_t twiddleCount) {
    return processShared<const RdftTables>(plan.complexSize, [&] { return buildTables(plan, twiddleCount); });
}

// Points the plan's work buffers into an area of the engine's layout (cache-line aligned).
void placeWork(RdftPlan& plan, float* area, std::size_t bufferFloats) {
    area = cacheLineStart(area);
    plan.work = area;
    plan.work2 = area + bufferFloats;
    if (plan.tailFrom != 0) plan.scratch = area + 2 * bufferFloats;
}

}  // namespace

bool CRdftEngine<float>::isSupportedSize(std::uint32_t size) {
    return size >= kMinSize && size <= kMaxSize && (size & (size - 1)) == 0;
}

bool CRdftEngine<float>::processorHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

CRdftEngine<float>::CRdftEngine(std::uint32_t size, enumRdftKernels kernels) {
    if (!isSupportedSize(size)) return;
    m_size = size;
    const std::size_t n = size / 2;
    m_plan.complexSize = n;

    // Radix-4 stages over the lengths n, n/4, ...; a last radix-2 stage when log2 n is odd.
    std::size_t length = n;
    std::size_t offset = 0;
    while (length >= 4) {
        const std::size_t m = length / 4;
        m_plan.stages[m_plan.stageCount++] = {4, static_cast<std::uint32_t>(n / length),
                                              static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(offset)};
        offset += 6 * m;
        length /= 4;
    }
    if (length == 2) m_plan.stages[m_plan.stageCount++] = {2, static_cast<std::uint32_t>(n / 2), 1, 0};

    m_tables = sharedTables(m_plan, offset);
    m_kernels = chooseKernels(n, kernels);
    std::size_t scratchFloats = 0;
    if (m_kernels->lanes > 1 && n >= kTailMinSize) {
        for (std::size_t i = 1; i < m_plan.stageCount; ++i) {
            const std::size_t pitch = m_plan.stages[i].stride;
            if (pitch < kRdftTailWidth || n / pitch > kTailMaxLength) continue;
            m_plan.tailFrom = i;
            m_plan.tailPitch = pitch;
            const RdftStage& before = m_plan.stages[i - 1];
            m_plan.tailInBlocks = i >= 2 && before.radix == 4 && before.stride == kRdftTailWidth;
            scratchFloats = 4 * (kRdftTailWidth * (n / pitch) + kRdftBlockPad) + kRdftBlockPad;
            break;
        }
    }
    // The four blocks of the work buffers start on cache lines at distinct offsets within a
    // page; so do the tail's.
    m_plan.imOffset = n + kRdftBlockPad;
    const std::size_t bufferFloats = 2 * m_plan.imOffset + 2 * kRdftBlockPad;
    const std::size_t workFloats = 2 * bufferFloats + scratchFloats + kCacheLineFloats;
    m_work.reset(static_cast<float*>(std::calloc(workFloats, sizeof(float))));
    if (!m_work) throw std::bad_alloc();
    m_bufferFloats = bufferFloats;
    m_pool = CScratchPool::of(workFloats);

    m_plan.twiddles = m_tables->twiddles.data();
    m_plan.postCos = m_tables->postCos.data();
    m_plan.postSin = m_tables->postSin.data();
    placeWork(m_plan, m_work.get(), bufferFloats);
}

CRdftEngine<float>::~CRdftEngine() = default;

template <typename Run>
void CRdftEngine<float>::run(Run transform) {
    // A free pooled area if there is one, else the engine's own.
    const CScratchLease lease(m_pool.get(), m_work.get());
    if (lease.get() == m_work.get()) return transform(m_plan);
    RdftPlan plan = m_plan;
    placeWork(plan, lease.get(), m_bufferFloats);
    transform(plan);
}

void CRdftEngine<float>::forward(float* data, float scale, std::uint32_t filled) {
    if (!m_kernels) return;
    // The first stage reads the values in quarters: those past the samples are not read.
    const std::uint32_t quarter = m_size / 4;
    std::size_t live = 4;
    if (m_size >= 8 && filled <= 2 * quarter) live = filled <= quarter ? 1 : 2;
    run([&](const RdftPlan& plan) { m_kernels->forward(plan, data, scale, live); });
}

void CRdftEngine<float>::inverse(float* data, float scale) {
    if (m_kernels) run([&](const RdftPlan& plan) { m_kernels->inverse(plan, data, scale); });
}

}  // namespace qv
