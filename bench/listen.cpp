// What listening to one band costs the audio thread: instances at 48 kHz, stereo blocks of 512,
// one passing through, one listening to a band, one whose band moves every block (two filters
// cross-fading all the time, the dearest case; its figure includes the band designs, which the
// editor's thread makes). The cases run interleaved, round after round, and
// the figures are medians of the audio thread's CPU time as a share of one core; the budget is
// the listening instance's cost above pass-through. Heap allocations on the audio path while the
// band is pressed, moved and released are counted (budget: none).
//
//   bench_listen [seconds of audio per case and round] [rounds]
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "allocation_counter.h"
#include "core/plugin.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Case {
    const char* name;
    std::unique_ptr<qv::CPlugin> plugin;
    bool moving;
    std::vector<double> shares;
};

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    const int rounds = std::max(5, argc > 2 ? std::atoi(argv[2]) : 21);
    const int blocks = std::max(1, static_cast<int>(seconds * kRate / kBlock));

    // Noise, 16 blocks of it round and round: left at -12 dBFS peak, right at half of that.
    constexpr int kRing = 16;
    std::vector<float> noise(2 * kRing * kBlock), out(2 * kBlock);
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < noise.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise[i] = ((i / kBlock) % 2 ? 0.125f : 0.25f) * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    void* outs[2] = {out.data(), out.data() + kBlock};
    const auto process = [&](qv::CPlugin& plugin, int block) {
        float* in = noise.data() + 2 * kBlock * (block % kRing);
        void* ins[2] = {in, in + kBlock};
        plugin.process(ins, outs, 2, 2, kBlock, qv::kPrecisionFloat, 0);
    };
    const float bands[] = {1000.0f, 1260.0f, 1590.0f, 2000.0f};

    Case cases[] = {{"pass-through", nullptr, false, {}}, {"listening", nullptr, false, {}}, {"band moving every block", nullptr, true, {}}};
    for (Case& c : cases) {
        c.plugin = std::make_unique<qv::CPlugin>(0, 2, 2);
        c.plugin->setSampleRate(kRate);
        if (&c != &cases[0]) c.plugin->listenToBand(1000.0f);
        for (int b = 0; b < 64; ++b) process(*c.plugin, b);  // settle: first blocks, page faults
    }
    for (int round = 0; round < rounds; ++round) {
        for (Case& c : cases) {
            const double start = threadSeconds();
            for (int b = 0; b < blocks; ++b) {
                if (c.moving) c.plugin->listenToBand(bands[b & 3]);
                process(*c.plugin, b);
            }
            c.shares.push_back(100.0 * (threadSeconds() - start) / (blocks * kBlock / kRate));
        }
    }

    // An audition as the editor makes it: press, moves, release, on a fresh instance.
    qv::CPlugin fresh(0, 2, 2);
    fresh.setSampleRate(kRate);
    for (int b = 0; b < 16; ++b) process(fresh, b);
    qv::bench::allocationCount = 0;
    qv::bench::countingAllocations = true;
    int moves = 0;
    for (int b = 0; b < 256; ++b) {
        if (b == 0 || (b < 200 && b % 8 == 4)) fresh.listenToBand(bands[(b / 8) & 3]), moves += b > 0;
        if (b == 200) fresh.stopListening();
        process(fresh, b);
    }
    qv::bench::countingAllocations = false;
    const auto allocations = qv::bench::allocationCount.load();

    const double dry = median(cases[0].shares);
    std::printf("Audio thread CPU, 48 kHz, stereo blocks of 512, noise; medians of %d interleaved rounds of %.1f s of audio\n",
                rounds, blocks * kBlock / kRate);
    std::printf("  %-24s %7.4f%% of one core\n", cases[0].name, dry);
    for (std::size_t k = 1; k < std::size(cases); ++k) {
        const double share = median(cases[k].shares), above = share - dry;
        std::printf("  %-24s %7.4f%% of one core, %+.4f%% above pass-through", cases[k].name, share, above);
        if (k == 1) std::printf("  (budget 0.1%%: %s)", above <= 0.1 ? "met" : "MISSED");
        std::printf("\n");
    }
    std::printf("  heap allocations during a press, %d band moves and the release: %llu  (budget 0: %s)\n", moves,
                static_cast<unsigned long long>(allocations), allocations == 0 ? "met" : "MISSED");
    return 0;
}
