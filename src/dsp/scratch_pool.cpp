#include "dsp/scratch_pool.h"

#include "dsp/process_shared.h"

namespace qv {

std::shared_ptr<CScratchPool> CScratchPool::of(std::size_t floats) {
    return processShared<CScratchPool>(floats, [&] { return std::shared_ptr<CScratchPool>(new CScratchPool(floats)); });
}

CScratchPool::CScratchPool(std::size_t floats) : m_floats(floats) {
    for (Area& area : m_areas) {
        area.storage.assign(floats + kCacheLineFloats, 0.0f);
        area.aligned = cacheLineStart(area.storage.data());
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
