// Sixteen instances of the plug-in in one process, all registered and posting their records to
// each other, fed by one host audio thread at real-time pace (48 kHz, blocks of 512). The figure
// is the CPU time of the whole process (every thread: audio, the 32 workers, the posts) as a
// share of one core over the same wall-clock time. Two set-ups: default settings (third-octave
// view), and every instance in the FFT view at 4096 points with averaging on.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/os.h"
#include "vsthost/plugin_library.h"

namespace {

using namespace qv::vsthost;
using Clock = std::chrono::steady_clock;

constexpr int kInstances = 16;
constexpr int kBlock = 512;
constexpr float kRate = 48000.0f;
constexpr double kWarmUpSeconds = 1.0;
constexpr double kMeasureSeconds = 4.0;
constexpr int kAnalysisView = 362;
constexpr int kFftSize = 363;
constexpr int kAverageOn = 348;
constexpr int kSyncOthers = 376;

std::map<std::string, double> g_shares;

void runInstances(benchmark::State& state, bool fftWithAverage) {
    std::string error;
    auto library = PluginLibrary::load(os::nativePath(QV_PLUGIN_PATH), &error);
    if (!library) {
        state.SkipWithError(error.c_str());
        return;
    }
    HostContext host;
    host.setSampleRate(kRate);
    std::vector<std::unique_ptr<HostedEffect>> effects;
    for (int i = 0; i < kInstances; ++i) {
        effects.push_back(HostedEffect::create(library, host, &error));
        if (!effects.back()) {
            state.SkipWithError(error.c_str());
            return;
        }
        effects.back()->setSampleRate(kRate);
        effects.back()->setBlockSize(kBlock);
    }
    if (fftWithAverage) {
        effects[0]->setParameter(kFftSize, 3.0f);  // 4096 points, shared by all
        effects[0]->setParameter(kAnalysisView, 1.0f);
        effects[0]->setParameter(kSyncOthers, 1.0f);
        for (auto& e : effects) e->setParameter(kAverageOn, 1.0f);
    }
    for (auto& e : effects) e->resume();

    // A second of stereo noise, different per instance, played in a loop.
    const int loopFrames = static_cast<int>(kRate) / kBlock * kBlock;
    std::vector<std::vector<float>> noise(kInstances * 2, std::vector<float>(static_cast<std::size_t>(loopFrames)));
    std::minstd_rand random(99);
    for (auto& channel : noise) {
        for (float& v : channel) v = 0.25f * (static_cast<float>(random()) / 2147483647.0f - 0.5f);
    }
    std::vector<float> out(kBlock * 2);

    double share = 0.0;
    for (auto _ : state) {
        const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kBlock / kRate));
        auto next = Clock::now();
        const auto start = next;
        auto measureFrom = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kWarmUpSeconds));
        const auto end = measureFrom + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kMeasureSeconds));
        double cpuFrom = 0.0;
        bool measuring = false;
        int offset = 0;
        while (Clock::now() < end) {
            if (!measuring && Clock::now() >= measureFrom) {
                measuring = true;
                measureFrom = Clock::now();
                cpuFrom = os::processCpuSeconds();
            }
            for (int i = 0; i < kInstances; ++i) {
                float* in[2] = {noise[static_cast<std::size_t>(2 * i)].data() + offset,
                                noise[static_cast<std::size_t>(2 * i + 1)].data() + offset};
                float* outs[2] = {out.data(), out.data() + kBlock};
                effects[static_cast<std::size_t>(i)]->process(in, outs, kBlock);
            }
            offset = (offset + kBlock) % loopFrames;
            next += period;
            std::this_thread::sleep_until(next);
        }
        const double cpu = os::processCpuSeconds() - cpuFrom;
        const double wall = std::chrono::duration<double>(Clock::now() - measureFrom).count();
        share = 100.0 * cpu / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent_of_one_core"] = share;
    g_shares[fftWithAverage ? "16 instances, FFT 4096 + averaging" : "16 instances, default settings"] = share;
    for (auto& e : effects) e->close();
}

void BM_SixteenInstancesDefault(benchmark::State& state) { runInstances(state, false); }
void BM_SixteenInstancesFftAveraging(benchmark::State& state) { runInstances(state, true); }

BENCHMARK(BM_SixteenInstancesDefault)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SixteenInstancesFftAveraging)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nWhole-process CPU at real-time pace (48 kHz, blocks of 512), share of one core:\n");
    for (const auto& [name, share] : g_shares) {
        const bool budgeted = name.find("default") != std::string::npos;
        std::printf("  %-40s %6.2f%%%s\n", name.c_str(), share, budgeted ? (share <= 3.0 ? "  (budget 3%: met)" : "  (budget 3%: MISSED)") : "");
    }
    benchmark::Shutdown();
    return 0;
}
