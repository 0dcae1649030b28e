// The display's axes as plain functions: third-octave band centres and labels, the level scale
// and its grid steps, the log frequency axis of FFT mode and the default instance hues.
#pragma once

#include <cstdint>

namespace qv::display {

constexpr std::uint32_t kBandCount = 31;

// Centre frequency of third-octave band b (0 = 20 Hz), and its axis label.
float bandCentre(std::uint32_t band);
const char* bandLabel(std::uint32_t band);

// (level - bottom) / (top - bottom) clamped to [0, 1]; 0 for NaN or an empty range.
float levelFraction(float level, float bottom, float top);
// fraction x pixels, rounded half up.
std::int32_t levelPixels(float fraction, std::int32_t pixels);

// Whole-dB span of the grid: both ends moved 0.1 dB away from zero, then truncated.
struct LevelSpan {
    std::int32_t top;
    std::int32_t bottom;
    std::int32_t range() const { return top - bottom; }
};
LevelSpan levelSpan(float top, float bottom);
// Grid step of one scale over the whole graph: 1, 2, 5 or 10 dB by the span.
std::int32_t singleScaleStep(std::int32_t span);
// Grid step of each stripe (or of the stack) when `graphs` graphs share the height.
std::int32_t sharedScaleStep(std::int32_t span, std::uint32_t graphs);

// The log frequency axis of FFT mode over `width` columns. Invalid (every query answers "outside")
// unless 0 < low < high and both finite, and width >= 1.
class FrequencyAxis {
public:
    FrequencyAxis() = default;
    FrequencyAxis(float low, float high, std::int32_t width);
    bool valid() const { return valid_; }
    // Frequency of column x (0 .. width - 1); the first and last columns are the axis ends.
    double frequencyAt(std::int32_t x) const;
    // Column of frequency f (at most width - 1), or -1 when f lies outside [low, high].
    std::int32_t columnOf(double f) const;
    double logLow() const { return logLow_; }
    double logHigh() const { return logHigh_; }

private:
    double logLow_ = 0.0;
    double logHigh_ = 1.0;
    std::int32_t width_ = 0;
    bool valid_ = false;
};

// Default colour of instance slot i of n: hue, saturation and value.
struct Hsv {
    float hue;
    float saturation;
    float value;
};
Hsv defaultInstanceHsv(std::uint32_t slot, std::uint32_t count);

}  // namespace qv::display
