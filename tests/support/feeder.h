// Feeds an instance like a host: `channels` channels in blocks of `block` frames, waiting for its
// workers after every block (while paced) so that no block is dropped.
#pragma once

#include "support/test_common.h"
#include <numbers>

#include "core/plugin.h"

namespace qvtest {

struct Feeder {
    qv::CPlugin& plugin;
    std::vector<std::vector<float>> in, out;
    double phase = 0;
    bool paced = true;

    explicit Feeder(qv::CPlugin& p, int channels = 2, int block = 512)
        : plugin(p), in(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(block))), out(in) {}
    // Runs frames of a sine (amplitude on channel `active`, every channel when active < 0).
    void sine(double frequency, double rate, int frames, float amplitude = 1.0f, int active = -1) {
        const int block = static_cast<int>(in[0].size());
        for (int done = 0; done < frames; done += block) {
            const int n = std::min(block, frames - done);
            for (int i = 0; i < n; ++i) {
                const auto v = static_cast<float>(amplitude * std::sin(phase));
                phase += 2 * std::numbers::pi * frequency / rate;
                for (std::size_t c = 0; c < in.size(); ++c)
                    in[c][static_cast<std::size_t>(i)] = (active < 0 || static_cast<int>(c) == active) ? v : 0.0f;
            }
            run(n);
        }
    }
    void run(int n) {
        std::vector<void*> ins, outs;
        for (std::size_t c = 0; c < in.size(); ++c) ins.push_back(in[c].data()), outs.push_back(out[c].data());
        const auto channels = static_cast<std::int32_t>(in.size());
        plugin.process(ins.data(), outs.data(), channels, channels, n, qv::kPrecisionFloat, 0);
        if (paced) plugin.waitForWorkers(std::chrono::seconds(5));
    }
};

}  // namespace qvtest
