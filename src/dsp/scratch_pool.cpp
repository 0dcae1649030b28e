#include "dsp/scratch_pool.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace qv {

namespace {
constexpr std::size_t kAlignFloats = 64 / sizeof(float);  // one cache line
}  // namespace

std::shared_ptr<CScratchPool> CScratchPool::of(std::size_t floats) {
    static std::mutex lock;
    static std::map<std::size_t, std::weak_ptr<CScratchPool>> pools;
    std::lock_guard<std::mutex> guard(lock);
    std::weak_ptr<CScratchPool>& entry = pools[floats];
    std::shared_ptr<CScratchPool> pool = entry.lock();
    if (!pool) {
        pool.reset(new CScratchPool(floats));
        entry = pool;
    }
    return pool;
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
