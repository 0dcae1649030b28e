// Runs an effect over a whole signal block by block, the way a host's audio thread does, and
// measures the CPU time the process spent on it.
#pragma once

#include <string>

#include "vsthost/audio_buffer.h"

namespace qv::vsthost {

class HostedEffect;

struct RenderSettings {
    double sampleRate = 44100.0;
    int blockSize = 512;
    // Sleep after each block until its wall-clock length has passed, as a sound card would.
    bool realTime = false;
};

struct RenderResult {
    bool ok = false;
    std::string error;
    AudioBuffer output;          // one channel per effect output, as many frames as the input
    double audioSeconds = 0.0;
    double cpuSeconds = 0.0;     // process CPU time, all threads, while the blocks ran
    double wallSeconds = 0.0;
    long long blocks = 0;

    double cpuPerAudioSecond() const { return audioSeconds > 0.0 ? cpuSeconds / audioSeconds : 0.0; }
};

// Input channel i feeds effect input i; effect inputs beyond the signal's channels get silence.
// The effect is set to the rate and block size, resumed, run and suspended again.
RenderResult render(HostedEffect& effect, const AudioBuffer& input, const RenderSettings& settings);

}  // namespace qv::vsthost
