// Whole-process cost of analyzer instances loaded from the built plug-in library, fed pink noise
// at real-time pace (48 kHz, blocks of 512): CPU time of every thread of the process per second
// of audio, and the memory an instance adds. Settings are applied through the state chunk.
//
//   bench_core_cpu [seconds per case]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/os.h"
#include "vsthost/plugin_library.h"
#include "vsthost/signal_generator.h"

using namespace qv::vsthost;

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

// Resident and peak resident memory of this process in bytes (Linux /proc).
struct Memory {
    long resident = 0, peak = 0;
};
Memory readMemory() {
    Memory m;
    std::ifstream status("/proc/self/status");
    std::string key;
    long value;
    std::string unit;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value >> unit) m.resident = value * 1024;
        else if (key == "VmHWM:" && status >> value >> unit) m.peak = value * 1024;
    }
    return m;
}


std::unique_ptr<HostedEffect> open(std::shared_ptr<PluginLibrary> lib, HostContext& host, std::uint32_t view,
                                   std::uint32_t fftIndex) {
    std::string error;
    auto effect = HostedEffect::create(lib, host, &error);
    if (!effect) {
        std::fprintf(stderr, "cannot open the plug-in: %s\n", error.c_str());
        std::exit(1);
    }
    effect->setSampleRate(static_cast<float>(kRate));
    effect->setBlockSize(kBlock);
    std::vector<std::uint8_t> chunk = effect->chunk();
    if (chunk.size() >= 2756) {
        std::memcpy(&chunk[720], &view, 4);       // analysis view
        std::memcpy(&chunk[724], &fftIndex, 4);   // FFT size index
        effect->setChunk(chunk);
    }
    effect->resume();
    return effect;
}

// Feeds every instance the same pink noise in real time; returns CPU seconds per audio second.
double run(std::vector<std::unique_ptr<HostedEffect>>& effects, double seconds) {
    SignalSettings pink;
    pink.kind = SignalKind::Pink;
    pink.seconds = 1.0;
    AudioBuffer noise = generateSignal(pink, kRate, 2);
    std::vector<float> outL(kBlock), outR(kBlock);
    const auto blocks = static_cast<long>(seconds * kRate / kBlock);
    const auto period = std::chrono::duration<double>(kBlock / kRate);
    const double cpu0 = os::processCpuSeconds();
    auto next = std::chrono::steady_clock::now();
    std::size_t pos = 0;
    for (long b = 0; b < blocks; ++b) {
        if (pos + kBlock > noise.frames()) pos = 0;
        float* in[2] = {noise.channel(0) + pos, noise.channel(1) + pos};
        float* out[2] = {outL.data(), outR.data()};
        for (auto& e : effects) e->process(in, out, kBlock);
        pos += kBlock;
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        std::this_thread::sleep_until(next);
    }
    return (os::processCpuSeconds() - cpu0) / (static_cast<double>(blocks) * kBlock / kRate);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 6.0;
    std::string error;
    auto lib = PluginLibrary::load(QV_PLUGIN_PATH, &error);
    if (!lib) {
        std::fprintf(stderr, "cannot load %s: %s\n", QV_PLUGIN_PATH, error.c_str());
        return 1;
    }
    HostContext host;
    host.setSampleRate(static_cast<float>(kRate));
    host.setBlockSize(kBlock);
    std::printf("Whole-process CPU per second of audio, 48 kHz, blocks of 512, pink noise, real-time pace\n");

    // The host's own pacing loop, for reference: what the process costs without an instance.
    std::vector<std::unique_ptr<HostedEffect>> none;
    const double idle = run(none, seconds);
    std::printf("  the host loop alone (reference):                 %.3f%% of one core\n", idle * 100);

    const Memory before = readMemory();
    std::vector<std::unique_ptr<HostedEffect>> one;
    one.push_back(open(lib, host, 0, 3));
    const Memory created = readMemory();
    const double bands = run(one, seconds);
    const Memory afterBands = readMemory();
    std::printf("  one instance, default settings (bands, HiRes):   %.3f%% of one core, %.3f%% above the host loop (budget 0.15%%)\n",
                bands * 100, (bands - idle) * 100);

    one.front()->close();
    one.clear();
    std::vector<std::unique_ptr<HostedEffect>> fft;
    fft.push_back(open(lib, host, 1, 5));
    const double spectrum = run(fft, seconds);
    std::printf("  one instance, FFT view at 16384 points:          %.3f%% of one core, %.3f%% above the host loop\n",
                spectrum * 100, (spectrum - idle) * 100);

    // Two instances, one in each view: every instance measures what any instance shows, so each
    // of them runs both measurements.
    std::vector<std::unique_ptr<HostedEffect>> both;
    both.push_back(open(lib, host, 0, 5));
    both.push_back(std::move(fft.front()));
    const double pair = run(both, seconds);
    std::printf("  bands plus FFT 16384, per instance (2 in one process, one per view): %.3f%% of one core, "
                "%.3f%% above the host loop (budget 0.3%%)\n", pair * 100 / 2, (pair - idle) * 100 / 2);
    for (auto& e : both) e->close();

    std::printf("Memory of one instance (averaging off): %.1f MB added at creation, %.1f MB peak after processing (budget 24 MB)\n",
                static_cast<double>(created.resident - before.resident) / 1e6,
                static_cast<double>(afterBands.peak - before.resident) / 1e6);
    return 0;
}
