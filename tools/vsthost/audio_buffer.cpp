#include "vsthost/audio_buffer.h"

#include <cstring>

namespace qv::vsthost {

bool AudioBuffer::bitIdentical(const AudioBuffer& other) const {
    return channels_ == other.channels_ && frames_ == other.frames_ &&
           (data_.empty() || std::memcmp(data_.data(), other.data_.data(), data_.size() * sizeof(float)) == 0);
}

}  // namespace qv::vsthost
