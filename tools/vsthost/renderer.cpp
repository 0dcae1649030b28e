#include "vsthost/renderer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "vsthost/hosted_effect.h"
#include "vsthost/os.h"

namespace qv::vsthost {

namespace {
// More channels than any real plug-in has; a larger count is a broken record.
constexpr int kMaxChannels = 256;
}  // namespace

RenderResult render(HostedEffect& effect, const AudioBuffer& input, const RenderSettings& settings) {
    RenderResult result;
    if (!effect.raw()) {
        result.error = "the effect is closed";
        return result;
    }
    if (settings.blockSize < 1 || !(settings.sampleRate > 0.0)) {
        result.error = "block size and sample rate must be positive";
        return result;
    }
    effect.setSampleRate(static_cast<float>(settings.sampleRate));
    effect.setBlockSize(settings.blockSize);
    effect.resume();
    // Read the bus widths after resuming: a plug-in may change them then.
    const int numIn = effect.numInputs(), numOut = effect.numOutputs();
    if (numIn < 0 || numOut < 0 || numIn > kMaxChannels || numOut > kMaxChannels) {
        effect.suspend();
        result.error = "the effect reports " + std::to_string(numIn) + " inputs and " + std::to_string(numOut) +
                       " outputs";
        return result;
    }

    const auto block = static_cast<std::size_t>(settings.blockSize);
    const std::size_t frames = input.frames();
    std::vector<float> inputStorage(block * static_cast<std::size_t>(std::max(numIn, 1)), 0.0f);
    std::vector<float*> inputs(static_cast<std::size_t>(std::max(numIn, 1)));
    for (std::size_t c = 0; c < inputs.size(); ++c) inputs[c] = inputStorage.data() + c * block;
    result.output = AudioBuffer(numOut, frames);
    // Outputs are written straight into the result; an effect without outputs gets a dummy bus.
    std::vector<float> dummyOutput(block, 0.0f);
    std::vector<float*> outputs(static_cast<std::size_t>(std::max(numOut, 1)), dummyOutput.data());

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = os::processCpuSeconds();
    for (std::size_t start = 0; start < frames; start += block) {
        const std::size_t n = std::min(block, frames - start);
        for (int c = 0; c < numIn; ++c) {
            float* dst = inputs[static_cast<std::size_t>(c)];
            if (c < input.channels()) std::memcpy(dst, input.channel(c) + start, n * sizeof(float));
            else std::memset(dst, 0, n * sizeof(float));
        }
        for (int c = 0; c < numOut; ++c) outputs[static_cast<std::size_t>(c)] = result.output.channel(c) + start;
        effect.process(inputs.data(), outputs.data(), static_cast<int>(n));
        ++result.blocks;
        if (settings.realTime) {
            const auto due = wallStart + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                             std::chrono::duration<double>((start + n) / settings.sampleRate));
            std::this_thread::sleep_until(due);
        }
    }
    result.cpuSeconds = os::processCpuSeconds() - cpuStart;
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    result.audioSeconds = static_cast<double>(frames) / settings.sampleRate;
    effect.suspend();
    result.ok = true;
    return result;
}

}  // namespace qv::vsthost
