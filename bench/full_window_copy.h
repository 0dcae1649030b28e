// The memory-bandwidth floor the GUI benches report their passes against: one copy of a whole
// 752 x 563 back buffer of 32-bit pixels, measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace qvbench {

inline void copyFullWindow(benchmark::State& state) {
    std::vector<std::uint32_t> from(752 * 563, 0xFF202020u), to(752 * 563);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * 4);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace qvbench
