// Shared by the whole-process benches: instances of a plug-in library hosted by our host, fed
// pink noise at real-time pace (48 kHz, blocks of 512); CPU time of every thread of the process
// per second of audio, resident memory, and medians of interleaved runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

namespace qvbench {

using namespace qv::vsthost;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
// The reference: Debian's lsp-plugins-vst, one analyzer channel pair.
constexpr const char* kReferencePath = "/usr/lib/vst/lsp-plugins/spectrum-analyzer-x1.so";

// Resident memory of this process in bytes (Linux /proc).
inline long residentBytes() {
    std::ifstream status("/proc/self/status");
    std::string key, unit;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value >> unit) return value * 1024;
    }
    return 0;
}

inline std::shared_ptr<PluginLibrary> loadLibrary(const std::string& path) {
    if (!std::filesystem::exists(path)) return nullptr;
    std::string error;
    auto library = PluginLibrary::load(path, &error);
    if (!library) std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), error.c_str());
    return library;
}

// Our library (the build's own, or another build of ours named by QV_BENCH_PLUGIN, to compare an
// older one, say) and the reference analyzer (null when it is not installed).
struct Contenders {
    std::shared_ptr<PluginLibrary> ours;
    std::shared_ptr<PluginLibrary> reference;
};
inline Contenders loadContenders(const char* builtPath) {
    const char* other = std::getenv("QV_BENCH_PLUGIN");
    return {loadLibrary(other ? other : builtPath), loadLibrary(kReferencePath)};
}

// The host every whole-process bench runs: kRate, blocks of kBlock.
inline void configureHost(HostContext& host) {
    host.setSampleRate(static_cast<float>(kRate));
    host.setBlockSize(kBlock);
}

// Opens an instance; for ours, view (0 bands, 1 FFT) and FFT size index go in through the chunk
// and averageOn (setting 348) through a parameter.
inline std::unique_ptr<HostedEffect> openEffect(const std::shared_ptr<PluginLibrary>& library, HostContext& host,
                                                bool ours, std::uint32_t view = 0, std::uint32_t fftIndex = 3,
                                                bool average = false) {
    std::string error;
    auto effect = HostedEffect::create(library, host, &error);
    if (!effect) {
        std::fprintf(stderr, "cannot open an instance: %s\n", error.c_str());
        std::exit(1);
    }
    effect->setSampleRate(static_cast<float>(kRate));
    effect->setBlockSize(kBlock);
    if (ours) {
        std::vector<std::uint8_t> chunk = effect->chunk();
        if (chunk.size() >= 2756) {
            std::memcpy(&chunk[720], &view, 4);      // analysis view
            std::memcpy(&chunk[724], &fftIndex, 4);  // FFT size index
            effect->setChunk(chunk);
        }
        if (average) effect->setParameter(348, 1.0f);
    }
    effect->resume();
    return effect;
}

using Effects = std::vector<std::unique_ptr<HostedEffect>>;

// Feeds every instance the same pink noise in real time; CPU seconds per audio second.
inline double runRealtime(Effects& effects, double seconds) {
    static const AudioBuffer noise = [] {
        SignalSettings pink;
        pink.kind = SignalKind::Pink;
        pink.seconds = 1.0;
        return generateSignal(pink, kRate, 2);
    }();
    std::vector<float> outL(kBlock), outR(kBlock);
    const auto blocks = static_cast<long>(seconds * kRate / kBlock);
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(kBlock / kRate));
    const double cpu0 = os::processCpuSeconds();
    auto next = std::chrono::steady_clock::now();
    std::size_t pos = 0;
    for (long b = 0; b < blocks; ++b) {
        if (pos + kBlock > noise.frames()) pos = 0;
        float* in[2] = {const_cast<float*>(noise.channel(0)) + pos, const_cast<float*>(noise.channel(1)) + pos};
        float* out[2] = {outL.data(), outR.data()};
        for (auto& e : effects) e->process(in, out, kBlock);
        pos += kBlock;
        next += period;
        std::this_thread::sleep_until(next);
    }
    return (os::processCpuSeconds() - cpu0) / (static_cast<double>(blocks) * kBlock / kRate);
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : 0.5 * (values[m - 1] + values[m]);
}

// Percent of one core; the ratio of two costs above the host loop.
inline double percent(double share) { return 100.0 * share; }
inline double ratio(double ours, double reference) { return reference > 0.0 ? ours / reference : 0.0; }

}  // namespace qvbench
