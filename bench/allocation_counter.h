// Counts heap allocations for the benches' "nothing allocates per pass" figures. Replaces the
// global operator new and delete: include it in exactly one source file of a bench program.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace qv::bench {

// Allocations are counted while countingAllocations is set (any thread).
inline std::atomic<bool> countingAllocations{false};
inline std::atomic<std::uint64_t> allocationCount{0};

inline void* countedAllocate(std::size_t size) {
    if (countingAllocations.load(std::memory_order_relaxed)) allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace qv::bench

void* operator new(std::size_t size) { return qv::bench::countedAllocate(size); }
void* operator new[](std::size_t size) { return qv::bench::countedAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
