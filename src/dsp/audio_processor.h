// Small base of the in-place audio processors: sample rate and channel count.
#pragma once

#include <cstdint>

namespace qv {

template <typename T>
class CAudioProcessor {
public:
    static constexpr float kDefaultSampleRate = 44100.0f;

    explicit CAudioProcessor(float sampleRate = kDefaultSampleRate, std::uint32_t channels = 1) : m_channels(channels) {
        setSampleRate(sampleRate);
    }
    virtual ~CAudioProcessor() = default;

    // A rate below 1 Hz (or not a number) stands for the default 44100 Hz.
    void setSampleRate(float sampleRate) { m_sampleRate = sampleRate >= 1.0f ? sampleRate : kDefaultSampleRate; }
    float getSampleRate() const { return m_sampleRate; }
    void setChannelCount(std::uint32_t channels) { m_channels = channels; }
    std::uint32_t getChannelCount() const { return m_channels; }

    // Processes frames samples of one channel in place.
    virtual void process(T* data, std::uint32_t frames) = 0;

private:
    float m_sampleRate = kDefaultSampleRate;
    std::uint32_t m_channels = 1;
};

}  // namespace qv
