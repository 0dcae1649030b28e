#include "vsthost/audio_feeder.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "vsthost/hosted_effect.h"

namespace qv::vsthost {

AudioFeeder::AudioFeeder(HostedEffect& effect, const AudioBuffer& input, double sampleRate, int blockSize)
    : effect_(effect), input_(input), sampleRate_(sampleRate), blockSize_(std::max(blockSize, 1)) {
    effect_.setSampleRate(static_cast<float>(sampleRate_));
    effect_.setBlockSize(blockSize_);
    effect_.resume();
    const auto block = static_cast<std::size_t>(blockSize_);
    const auto numIn = static_cast<std::size_t>(std::clamp(effect_.numInputs(), 1, 256));
    const auto numOut = static_cast<std::size_t>(std::clamp(effect_.numOutputs(), 1, 256));
    // Every buffer exists before the thread starts: the audio loop allocates nothing.
    inputStorage_.assign(block * numIn, 0.0f);
    outputStorage_.assign(block * numOut, 0.0f);
    for (std::size_t c = 0; c < numIn; ++c) inputs_.push_back(inputStorage_.data() + c * block);
    for (std::size_t c = 0; c < numOut; ++c) outputs_.push_back(outputStorage_.data() + c * block);
    thread_ = std::thread([this] { run(); });
}

AudioFeeder::~AudioFeeder() { stop(); }

void AudioFeeder::stop() {
    stop_.store(true);
    if (thread_.joinable()) {
        thread_.join();
        effect_.suspend();
    }
}

void AudioFeeder::run() {
    const auto start = std::chrono::steady_clock::now();
    const std::size_t frames = input_.frames();
    const auto block = static_cast<std::size_t>(blockSize_);
    std::size_t position = 0;
    long long done = 0;
    while (!stop_.load()) {
        for (std::size_t c = 0; c < inputs_.size(); ++c) {
            float* dst = inputs_[c];
            if (frames == 0 || static_cast<int>(c) >= input_.channels()) {
                std::memset(dst, 0, block * sizeof(float));
                continue;
            }
            for (std::size_t i = 0; i < block; ++i) dst[i] = input_.channel(static_cast<int>(c))[(position + i) % frames];
        }
        effect_.process(inputs_.data(), outputs_.data(), blockSize_);
        if (frames) position = (position + block) % frames;
        blocks_.store(++done);
        const auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                     std::chrono::duration<double>(static_cast<double>(done) * blockSize_ / sampleRate_));
        std::this_thread::sleep_until(due);
    }
}

}  // namespace qv::vsthost
