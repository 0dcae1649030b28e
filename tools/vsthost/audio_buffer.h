// Planar float audio: one contiguous run of frames per channel.
#pragma once

#include <cstddef>
#include <vector>

namespace qv::vsthost {

class AudioBuffer {
public:
    AudioBuffer() = default;
    AudioBuffer(int channels, std::size_t frames)
        : channels_(channels), frames_(frames), data_(static_cast<std::size_t>(channels) * frames, 0.0f) {}

    int channels() const { return channels_; }
    std::size_t frames() const { return frames_; }
    float* channel(int c) { return data_.data() + static_cast<std::size_t>(c) * frames_; }
    const float* channel(int c) const { return data_.data() + static_cast<std::size_t>(c) * frames_; }

    // True when both hold the same channels and frames with the same bits in every sample.
    bool bitIdentical(const AudioBuffer& other) const;

private:
    int channels_ = 0;
    std::size_t frames_ = 0;
    std::vector<float> data_;
};

}  // namespace qv::vsthost
