// The two measurements per call: analyzeBands (HiRes and Eco, Nb = 8192) and analyzeSpectrum
// (N = 2048, 4096, 16384), with each call's share of its block's real-time length at 44.1 kHz.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dsp/algorithm.h"

namespace {

constexpr float kRate = 44100.0f;

std::vector<float> noise(std::size_t n) {
    std::vector<float> x(n);
    std::uint32_t state = 777;
    for (float& v : x) {
        state = state * 1664525u + 1013904223u;
        v = 0.5f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    return x;
}

void analyzeBands(benchmark::State& state, bool hiRes) {
    auto algorithm = std::make_unique<qv::CAlgorithm>();
    algorithm->setBandFftSize(8192);
    algorithm->setEcoMode(hiRes ? 0 : 1);
    const std::vector<float> source = noise(4096);
    std::vector<float> block(8192, 0.0f);
    qv::BandLevelRecord record{};
    // Past the first four blocks the HiRes history is full and every call does the same work.
    for (int i = 0; i < 5; ++i) {
        std::copy(source.begin(), source.end(), block.begin());
        algorithm->analyzeBands(block.data(), &record, kRate);
    }
    for (auto _ : state) {
        std::copy(source.begin(), source.end(), block.begin());
        algorithm->analyzeBands(block.data(), &record, kRate);
        benchmark::DoNotOptimize(record);
    }
}

void BM_AnalyzeBandsHiRes(benchmark::State& state) { analyzeBands(state, true); }
void BM_AnalyzeBandsEco(benchmark::State& state) { analyzeBands(state, false); }

void BM_AnalyzeSpectrum(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    auto algorithm = std::make_unique<qv::CAlgorithm>();
    algorithm->setFftSize(n);
    algorithm->setWindowType(qv::kWindowHann);
    const std::vector<float> source = noise(n);
    std::vector<float> block(n);
    auto record = std::make_unique<qv::SpectrumRecord>();
    for (auto _ : state) {
        std::copy(source.begin(), source.end(), block.begin());  // the call leaves the spectrum there
        algorithm->analyzeSpectrum(block.data(), record.get(), kRate);
        benchmark::DoNotOptimize(record->power[0]);
    }
}

BENCHMARK(BM_AnalyzeBandsHiRes)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_AnalyzeBandsEco)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_AnalyzeSpectrum)->Arg(2048)->Arg(4096)->Arg(16384)->Unit(benchmark::kMicrosecond)->Repetitions(3);

// Keeps the fastest repetition of each benchmark and sets it against the block's length.
class ShareReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            double& best = m_best[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)];
            const double us = run.GetAdjustedRealTime();
            if (best == 0.0 || us < best) best = us;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printShares() const {
        std::printf("\nPer call, fastest of 3 repetitions; share of the block's real-time length at 44.1 kHz "
                    "(goal under 1%%)\n");
        std::printf("%-28s %8s %12s %14s %10s\n", "measurement", "block", "us per call", "block length", "share");
        for (const auto& [name, us] : m_best) {
            const bool bands = name.find("Bands") != std::string::npos;
            const int blockSamples = bands ? 4096 : std::stoi(name.substr(name.find('/') + 1));
            const double blockUs = 1e6 * blockSamples / kRate;
            std::printf("%-28s %8d %12.1f %11.1f ms %9.3f%%\n", name.c_str(), blockSamples, us, blockUs / 1000.0,
                        100.0 * us / blockUs);
        }
    }

private:
    std::map<std::string, double> m_best;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    ShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printShares();
    benchmark::Shutdown();
    return 0;
}
