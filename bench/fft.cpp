// Forward real FFT: our engine (best kernels and the SSE2 floor) against FFTW single precision
// (FFTW_MEASURE, out of place), measured in the same run. Prints the time ratio per size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
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

void ourForward(benchmark::State& state, qv::enumRdftKernels kernels) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    qv::CRealFft fft(n, kernels);
    std::vector<float> data = noise(n);
    // In place, over and over: a scale of sqrt(2/N) keeps the values' energy where it was.
    const float scale = std::sqrt(2.0f / static_cast<float>(n));
    for (auto _ : state) {
        fft.forward(data.data(), scale);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
}

void BM_OurForward(benchmark::State& state) { ourForward(state, qv::kRdftKernelsBest); }
void BM_OurForwardSse2(benchmark::State& state) { ourForward(state, qv::kRdftKernelsSse2); }

void sizes(benchmark::internal::Benchmark* b) {
    for (int n = 512; n <= 16384; n *= 2) b->Arg(n);
    b->Arg(65536);
    b->Unit(benchmark::kNanosecond)->Repetitions(5);
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
    for (auto _ : state) {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}
BENCHMARK(BM_FftwForward)->Apply(sizes);
#endif

// Keeps the fastest repetition of every benchmark (the least disturbed by other load).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            double& best = m_best[run.run_name.function_name][std::stoi(run.run_name.args)];
            const double ns = run.GetAdjustedRealTime();
            if (best == 0.0 || ns < best) best = ns;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        const auto ours = m_best.find("BM_OurForward");
        const auto sse2 = m_best.find("BM_OurForwardSse2");
        const auto fftw = m_best.find("BM_FftwForward");
        if (ours == m_best.end()) return;
        std::printf("\nForward real FFT, fastest of 5 repetitions (ns per transform); goal: ours <= 1.5 x FFTW "
                    "for N = 1024 .. 16384\n");
        std::printf("%8s %12s %12s %12s %10s %10s\n", "N", "ours", "ours SSE2", "FFTW", "ours/FFTW", "SSE2/FFTW");
        for (const auto& [n, ns] : ours->second) {
            const double s = sse2 != m_best.end() ? sse2->second.at(n) : 0.0;
            if (fftw == m_best.end()) {
                std::printf("%8d %12.1f %12.1f %12s\n", n, ns, s, "-");
                continue;
            }
            const double f = fftw->second.at(n);
            const bool judged = n >= 1024 && n <= 16384;
            std::printf("%8d %12.1f %12.1f %12.1f %10.2f %10.2f%s\n", n, ns, s, f, ns / f, s / f,
                        judged ? (ns / f <= 1.5 ? "  ok" : "  OVER BUDGET") : "");
        }
    }

private:
    std::map<std::string, std::map<int, double>> m_best;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
