// Blend routine: the SSE2 kernels against the plain path over a 256 x 256 area (a large panel;
// both images stay in the cache, so the arithmetic is measured rather than memory), for a bitmap
// source and for a constant colour. Prints the speed-up of each kernel over the plain path
// measured in the same run; the budget is at least 3.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gui/blend.h"
#include "gui/blend_cpu.h"

namespace {

constexpr std::int32_t kWidth = 256, kHeight = 256;

struct Buffers {
    std::vector<std::uint32_t> source, destination;
    qv::PixelSurface src, dst;
    Buffers() : source(kWidth * kHeight), destination(kWidth * kHeight) {
        std::mt19937 rng(11);
        for (auto& p : source) {
            const std::uint32_t a = rng() % 256;
            p = (rng() % (a + 1)) | (rng() % (a + 1)) << 8 | (rng() % (a + 1)) << 16 | a << 24;
        }
        for (auto& p : destination) p = static_cast<std::uint32_t>(rng()) | 0xFF000000u;
        src = {source.data(), kWidth, kHeight};
        dst = {destination.data(), kWidth, kHeight};
    }
};

void run(benchmark::State& state, bool kernels, bool image) {
    Buffers b;
    qv::BlendRequest r;
    r.destination = &b.dst;
    r.width = kWidth;
    r.height = kHeight;
    r.alpha = 200;
    if (image) {
        r.source = &b.src;
    } else {
        r.color = {40, 160, 240, 180};
    }
    qv::setPlainBlendOverride(!kernels);
    for (auto _ : state) {
        qv::blend(r);
        benchmark::DoNotOptimize(b.destination.data());
        benchmark::ClobberMemory();
    }
    qv::setPlainBlendOverride(false);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_ImagePlain(benchmark::State& s) { run(s, false, true); }
void BM_ImageKernel(benchmark::State& s) { run(s, true, true); }
void BM_ColorPlain(benchmark::State& s) { run(s, false, false); }
void BM_ColorKernel(benchmark::State& s) { run(s, true, false); }
BENCHMARK(BM_ImagePlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImageKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorKernel)->Unit(benchmark::kMicrosecond);

// Console output as usual, plus the processor time per iteration of every run kept by name (less
// disturbed than wall time when other work shares the machine).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    int failed = 0;
    for (const char* kind : {"Image", "Color"}) {
        const auto plain = reporter.times.find(std::string("BM_") + kind + "Plain");
        const auto kernel = reporter.times.find(std::string("BM_") + kind + "Kernel");
        if (plain == reporter.times.end() || kernel == reporter.times.end() || kernel->second <= 0) continue;
        const double ratio = plain->second / kernel->second;
        std::printf("%s kernel speed-up over the plain path: %.2fx (budget >= 3): %s\n", kind, ratio,
                    ratio >= 3.0 ? "met" : "MISSED");
        failed += ratio < 3.0;
    }
    benchmark::Shutdown();
    return failed == 0 ? 0 : 1;
}
