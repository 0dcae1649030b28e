// The level and frequency ranges of the display, moved by the range buttons of the editor.
#pragma once

#include <cstdint>

namespace qv {

// Level range in dB: within -90..+20, at least 10 dB wide, moved 10 dB at a time.
class CLevelRange {
public:
    static constexpr std::int32_t kFloor = -90;
    static constexpr std::int32_t kCeiling = 20;
    static constexpr std::int32_t kStep = 10;
    static constexpr std::int32_t kMinWidth = 10;

    std::int32_t low() const { return low_; }
    std::int32_t high() const { return high_; }

    // Each returns whether the range changed.
    bool raiseTop();
    bool lowerTop();
    bool raiseBottom();
    bool lowerBottom();

    static bool isValid(std::int32_t low, std::int32_t high);
    // Takes a range that isValid accepts; returns false and changes nothing otherwise.
    bool assign(std::int32_t low, std::int32_t high);

private:
    std::int32_t low_ = kFloor;
    std::int32_t high_ = 0;
};

// Frequency range in Hz: within 10..20000 with low below high, moved on the 1-2-...-9 grid of
// each decade.
class CFrequencyRange {
public:
    static constexpr std::int32_t kFloor = 10;
    static constexpr std::int32_t kCeiling = 20000;

    std::int32_t low() const { return low_; }
    std::int32_t high() const { return high_; }

    // Each returns whether the range changed.
    bool raiseLow();
    bool lowerLow();
    bool raiseHigh();
    bool lowerHigh();

    // The step up from f: 10 below 100, 100 below 1000, 1000 below 10000, else 10000.
    static std::int32_t stepUp(std::int32_t f);
    // The step down to below f: the step up from f - 1, so 100 goes down to 90.
    static std::int32_t stepDown(std::int32_t f);

    static bool isValid(std::int64_t low, std::int64_t high);
    bool assign(std::int32_t low, std::int32_t high);

private:
    std::int32_t low_ = kFloor;
    std::int32_t high_ = kCeiling;
};

}  // namespace qv
