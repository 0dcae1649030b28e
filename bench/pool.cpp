// Sixteen instances of one library copy in this process, fed at real-time pace: the blocks their
// measurements dropped (a block that found the previous one of its instance not yet measured)
// and the threads the plug-in started, at 48 kHz in blocks of 512 and at 192 kHz in blocks of 64,
// in the band view and in the FFT view at 4096 points with averaging on.
//
//   bench_pool [seconds per case]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "core/plugin.h"
#include "core/setting_ids.h"

namespace {

std::size_t processThreads() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

void runCase(const char* name, double rate, int block, bool fft, double seconds) {
    const std::size_t threadsBefore = processThreads();
    std::vector<std::unique_ptr<qv::CPlugin>> instances;
    for (int i = 0; i < 16; ++i) {
        auto plugin = std::make_unique<qv::CPlugin>(0, 2, 2);
        plugin->setSampleRate(rate);
        if (fft) {
            plugin->setParameter(qv::settingid::kAnalysisView, 1.0f, 0, false, true);
            plugin->setParameter(qv::settingid::kAverageOn, 1.0f, 0, false, true);
        }
        instances.push_back(std::move(plugin));
    }
    const std::size_t threads = processThreads() - threadsBefore;
    // Counted from here: blocks the priming of each new instance dropped are not of the run.
    std::uint64_t measuredBefore = 0, droppedBefore = 0;
    for (auto& p : instances) {
        measuredBefore += p->bandBlocksMeasured() + p->spectrumBlocksMeasured();
        droppedBefore += p->droppedBandBlocks() + p->droppedSpectrumBlocks();
    }

    std::vector<float> left(static_cast<std::size_t>(block)), right(left.size()), out(left.size());
    std::uint32_t state = 12345;
    const auto blocks = static_cast<long>(seconds * rate / block);
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(block / rate));
    auto next = std::chrono::steady_clock::now();
    for (long b = 0; b < blocks; ++b) {
        for (std::size_t i = 0; i < left.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            left[i] = right[i] = 0.5f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
        }
        void* in[2] = {left.data(), right.data()};
        void* outs[2] = {out.data(), out.data()};
        for (auto& p : instances) p->process(in, outs, 2, 2, block, qv::kPrecisionFloat, 0);
        next += period;
        std::this_thread::sleep_until(next);
    }
    for (auto& p : instances) p->waitForWorkers(std::chrono::seconds(2));
    std::uint64_t dropped = 0, measured = 0;
    for (auto& p : instances) {
        dropped += p->droppedBandBlocks() + p->droppedSpectrumBlocks();
        measured += p->bandBlocksMeasured() + p->spectrumBlocksMeasured();
    }
    std::printf("  %-44s %7llu blocks measured, %llu dropped; threads started: %zu (budget 2 per copy: %s)\n", name,
                static_cast<unsigned long long>(measured - measuredBefore), static_cast<unsigned long long>(dropped - droppedBefore), threads,
                threads <= 2 ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    std::printf("16 instances of one copy at real-time pace, %.1f s each, noise\n", seconds);
    runCase("48 kHz, blocks of 512, band view:", 48000.0, 512, false, seconds);
    runCase("48 kHz, blocks of 512, FFT 4096 + averaging:", 48000.0, 512, true, seconds);
    runCase("192 kHz, blocks of 64, band view:", 192000.0, 64, false, seconds);
    runCase("192 kHz, blocks of 64, FFT 4096 + averaging:", 192000.0, 64, true, seconds);
    return 0;
}
