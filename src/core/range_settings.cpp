#include "core/range_settings.h"

#include <algorithm>

namespace qv {

// The conditions keep the range within its bounds and width when it lies on the 10 dB grid;
// the clamps keep it there for a restored range that does not.
bool CLevelRange::raiseTop() {
    if (high_ >= kCeiling) return false;
    high_ = std::min(kCeiling, high_ + kStep);
    return true;
}

bool CLevelRange::lowerTop() {
    if (low_ + kMinWidth >= high_) return false;
    high_ = std::max(low_ + kMinWidth, high_ - kStep);
    return true;
}

bool CLevelRange::raiseBottom() {
    if (low_ >= high_ - kMinWidth) return false;
    low_ = std::min(high_ - kMinWidth, low_ + kStep);
    return true;
}

bool CLevelRange::lowerBottom() {
    if (low_ <= kFloor) return false;
    low_ = std::max(kFloor, low_ - kStep);
    return true;
}

bool CLevelRange::isValid(std::int32_t low, std::int32_t high) {
    return low >= kFloor && high <= kCeiling && static_cast<std::int64_t>(high) - low >= kMinWidth;
}

bool CLevelRange::assign(std::int32_t low, std::int32_t high) {
    if (!isValid(low, high)) return false;
    low_ = low;
    high_ = high;
    return true;
}

std::int32_t CFrequencyRange::stepUp(std::int32_t f) {
    if (f < 100) return 10;
    if (f < 1000) return 100;
    if (f < 10000) return 1000;
    return 10000;
}

std::int32_t CFrequencyRange::stepDown(std::int32_t f) {
    if (f < 101) return 10;
    if (f < 1001) return 100;
    if (f < 10001) return 1000;
    return 10000;
}

bool CFrequencyRange::raiseLow() {
    const std::int32_t s = stepUp(low_);
    if (low_ + s >= high_) return false;
    low_ += s;
    return true;
}

bool CFrequencyRange::lowerLow() {
    const std::int32_t s = stepDown(low_);
    if (low_ - s <= kFloor - 1) return false;
    low_ -= s;
    return true;
}

bool CFrequencyRange::raiseHigh() {
    const std::int32_t s = stepUp(high_);
    if (high_ + s >= kCeiling + 1) return false;
    high_ += s;
    return true;
}

bool CFrequencyRange::lowerHigh() {
    const std::int32_t s = stepDown(high_);
    if (low_ >= high_ - s) return false;
    high_ -= s;
    return true;
}

bool CFrequencyRange::isValid(std::int64_t low, std::int64_t high) {
    return low >= kFloor && high <= kCeiling && low < high;
}

bool CFrequencyRange::assign(std::int32_t low, std::int32_t high) {
    if (!isValid(low, high)) return false;
    low_ = low;
    high_ = high;
    return true;
}

}  // namespace qv
