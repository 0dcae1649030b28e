// Feeds an effect audio on a thread of its own at the pace of real time, the way a host's audio
// thread does while the user looks at the editor. The input repeats; no input means silence.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "vsthost/audio_buffer.h"

namespace qv::vsthost {

class HostedEffect;

class AudioFeeder {
public:
    // Sets rate and block size, resumes the effect and starts the thread.
    AudioFeeder(HostedEffect& effect, const AudioBuffer& input, double sampleRate, int blockSize);
    ~AudioFeeder();
    AudioFeeder(const AudioFeeder&) = delete;
    AudioFeeder& operator=(const AudioFeeder&) = delete;

    // Ends the thread and suspends the effect; harmless twice.
    void stop();
    long long blocks() const { return blocks_.load(); }

private:
    void run();

    HostedEffect& effect_;
    const AudioBuffer& input_;
    double sampleRate_;
    int blockSize_;
    std::vector<float> inputStorage_;
    std::vector<float> outputStorage_;
    std::vector<float*> inputs_;
    std::vector<float*> outputs_;
    std::atomic<bool> stop_{false};
    std::atomic<long long> blocks_{0};
    std::thread thread_;
};

}  // namespace qv::vsthost
