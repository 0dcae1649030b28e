#include "dsp/scratch_pool.h"

#include <cstdint>

#include "dsp/process_shared.h"

namespace qv {

namespace {
constexpr std::size_t kAlignFloats = 64 / sizeof(float);  // one cache line
}  // namespace

std::shared_ptr<CScratchPool> CScratchPool::of(std::size_t floats) {
    return processShared<CScratchPool>(floats, [&] { return std::shared_ptr<CScratchPool>(new CScratchPool(floats)); });
}

CScratchPool::CScratchPool(std::size_t floats) : m_floats(floats) {
    for (Area& area : m_areas) {
        area.storage.assign(floats + kAlignFloats, 0.0f);
        float* p = area.storage.data();
        while (reinterpret_cast<std::uintptr_t>(p) % (kAlignFloats * sizeof(float)) != 0) ++p;
        area.aligned = p;
    }
}

float* CScratchPool::take() {
    for (Area& area : m_areas)
        if (!area.busy.load(std::memory_order_relaxed) && !area.busy.exchange(true, std::memory_order_acquire))
            return area.aligned;
    return nullptr;
}

void CScratchPool::give(float* area) {
    for (Area& a : m_areas)
        if (a.aligned == area) a.busy.store(false, std::memory_order_release);
}

}  // namespace qv
