// Forward real FFT: our engine (best kernels and the SSE2 floor) against FFTW single precision
// (FFTW_MEASURE, out of place), measured in the same run, repetitions interleaved at random.
// Each repetition times batches of 8 transforms and keeps the 10th percentile of the batch
// times, so that a batch cut by another process's time slice does not count; the table gives
// the median of the repetitions and the ratio to FFTW per size, with the processor's name.
#include <benchmark/benchmark.h>
#include <cpuid.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "dsp/real_fft.h"

#ifdef QV_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

std::vector<float> noise(std::uint32_t n) {
    std::vector<float> x(n);
    std::uint32_t state = 12345;
    for (float& v : x) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
    }
    return x;
}

// Runs transform() once per iteration and reports the 10th percentile of the time per transform
// over batches of 8 as the counter "p10".
template <class F>
void timeBatches(benchmark::State& state, F&& transform) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 8;
    std::vector<double> perTransform;
    perTransform.reserve(1 << 16);
    int inBatch = 0;
    Clock::time_point start = Clock::now();
    for (auto _ : state) {
        transform();
        if (++inBatch == kBatch) {
            const Clock::time_point now = Clock::now();
            perTransform.push_back(std::chrono::duration<double, std::nano>(now - start).count() / kBatch);
            start = now;
            inBatch = 0;
        }
    }
    if (perTransform.empty()) return;
    const auto at = perTransform.begin() + static_cast<std::ptrdiff_t>(perTransform.size() / 10);
    std::nth_element(perTransform.begin(), at, perTransform.end());
    state.counters["p10"] = *at;
}

void ourForward(benchmark::State& state, qv::enumRdftKernels kernels) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    qv::CRealFft fft(n, kernels);
    std::vector<float> data = noise(n);
    // In place, over and over: a scale of sqrt(2/N) keeps the values' energy where it was.
    const float scale = std::sqrt(2.0f / static_cast<float>(n));
    timeBatches(state, [&] {
        fft.forward(data.data(), scale);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    });
}

void BM_OurForward(benchmark::State& state) { ourForward(state, qv::kRdftKernelsBest); }
void BM_OurForwardSse2(benchmark::State& state) { ourForward(state, qv::kRdftKernelsSse2); }

constexpr int kRepetitions = 9;

void sizes(benchmark::internal::Benchmark* b) {
    for (int n = 512; n <= 16384; n *= 2) b->Arg(n);
    b->Arg(65536);
    b->Unit(benchmark::kNanosecond)->Repetitions(kRepetitions)->MinTime(0.05);
}

BENCHMARK(BM_OurForward)->Apply(sizes);
BENCHMARK(BM_OurForwardSse2)->Apply(sizes);

#ifdef QV_HAVE_FFTW
void BM_FftwForward(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    float* in = fftwf_alloc_real(static_cast<std::size_t>(n));
    fftwf_complex* out = fftwf_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    const std::vector<float> x = noise(static_cast<std::uint32_t>(n));
    std::copy(x.begin(), x.end(), in);
    timeBatches(state, [&] {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    });
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}
BENCHMARK(BM_FftwForward)->Apply(sizes);
#endif

std::string processorName() {
    unsigned regs[12] = {};
    for (unsigned i = 0; i < 3; ++i)
        if (!__get_cpuid(0x80000002u + i, &regs[4 * i], &regs[4 * i + 1], &regs[4 * i + 2], &regs[4 * i + 3]))
            return "unknown processor";
    char text[sizeof regs + 1] = {};
    std::memcpy(text, regs, sizeof regs);
    std::string name(text);
    name.erase(0, name.find_first_not_of(' '));
    return name;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Collects the repetitions' "p10" per benchmark and size and prints the table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const auto p10 = run.counters.find("p10");
            if (p10 == run.counters.end()) continue;
            m_samples[run.run_name.function_name][std::stoi(run.run_name.args)].push_back(p10->second.value);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        const auto ours = m_samples.find("BM_OurForward");
        const auto sse2 = m_samples.find("BM_OurForwardSse2");
        const auto fftw = m_samples.find("BM_FftwForward");
        if (ours == m_samples.end()) return;
        auto at = [](const auto& set, int n) {
            const auto found = set.second.find(n);
            return found == set.second.end() ? 0.0 : median(found->second);
        };
        std::printf("\nForward real FFT on %s, ns per transform (10th percentile of batches of 8, median of %d "
                    "interleaved repetitions)\n",
                    processorName().c_str(), kRepetitions);
        std::printf("goal: \u2264 1.0 \u00d7 FFTW at every size 512..16384\n");
        std::printf("%8s %12s %12s %12s %10s %10s\n", "N", "ours", "ours SSE2", "FFTW", "ours/FFTW", "SSE2/FFTW");
        for (const auto& [n, samples] : ours->second) {
            const double ns = median(samples);
            const double s = sse2 != m_samples.end() ? at(*sse2, n) : 0.0;
            if (fftw == m_samples.end()) {
                std::printf("%8d %12.1f %12.1f %12s\n", n, ns, s, "-");
                continue;
            }
            const double f = at(*fftw, n);
            const bool judged = n >= 512 && n <= 16384;
            std::printf("%8d %12.1f %12.1f %12.1f %10.2f %10.2f%s%s\n", n, ns, s, f, ns / f, s / f,
                        judged ? (ns / f <= 1.0 ? "  PASS" : "  over") : "",
                        s > 0.0 && ns > s ? "  (slower than SSE2)" : "");
        }
    }

private:
    std::map<std::string, std::map<int, std::vector<double>>> m_samples;
};

}  // namespace

int main(int argc, char** argv) {
    // Repetitions interleaved at random unless the command line says otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (char* a : args) given = given || std::strncmp(a, "--benchmark_enable_random_interleaving", 38) == 0;
    if (!given) args.insert(args.begin() + 1, interleave.data());
    argc = static_cast<int>(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
