// Work areas that the measurement threads of the process borrow in turn. Sixteen instances each
// with their own transform work areas and scratch spectra crowd each other out of the cache; a
// handful of areas of one size, taken by whichever thread is measuring, stay in it. Taking and
// giving back are one atomic operation each (no lock, no allocation); when every area is taken
// the caller works in its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

// Floats of slack that let an area start on a cache line, and that start.
constexpr std::size_t kCacheLineFloats = 64 / sizeof(float);
inline float* cacheLineStart(float* p) {
    while (reinterpret_cast<std::uintptr_t>(p) % (kCacheLineFloats * sizeof(float)) != 0) ++p;
    return p;
}

class CScratchPool {
public:
    static constexpr std::size_t kAreas = 4;  // in use at once: two cores, and preempted holders

    // The pool of areas of this many floats (zeroed, cache-line aligned), made on first use by a
    // non-measuring thread and shared by every holder of the returned pointer.
    static std::shared_ptr<CScratchPool> of(std::size_t floats);

    std::size_t floats() const { return m_floats; }
    // A free area, or null when all are taken; give it back with give().
    float* take();
    void give(float* area);

private:
    explicit CScratchPool(std::size_t floats);

    struct Area {
        std::atomic<bool> busy{false};
        std::vector<float> storage;
        float* aligned = nullptr;
    };
    std::size_t m_floats;
    Area m_areas[kAreas];
};

// An area borrowed for one scope: the pool's when one is free, else the fallback.
class CScratchLease {
public:
    CScratchLease(CScratchPool* pool, float* fallback) : m_pool(pool), m_area(pool ? pool->take() : nullptr) {
        if (!m_area) m_area = fallback, m_pool = nullptr;
    }
    ~CScratchLease() {
        if (m_pool) m_pool->give(m_area);
    }
    CScratchLease(const CScratchLease&) = delete;
    CScratchLease& operator=(const CScratchLease&) = delete;

    float* get() const { return m_area; }

private:
    CScratchPool* m_pool;
    float* m_area;
};

}  // namespace qv
