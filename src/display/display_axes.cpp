#include "display/display_axes.h"

#include <cmath>

namespace qv::display {

namespace {

constexpr float kCentres[kBandCount] = {20,   25,   31.5f, 40,   50,   63,   80,    100,   125,   160,  200,
                                        250,  315,  400,   500,  630,  800,  1000,  1250,  1600,  2000, 2500,
                                        3150, 4000, 5000,  6300, 8000, 10000, 12500, 16000, 20000};
constexpr const char* kLabels[kBandCount] = {"20",   "25",    "31.5", "40",  "50",    "63",   "80",    "100",
                                             "125",  "160",   "200",  "250", "315",   "400",  "500",   "630",
                                             "800",  "1k",    "1.25k", "1.6k", "2k",  "2.5k", "3.15k", "4k",
                                             "5k",   "6.3k",  "8k",   "10k", "12.5k", "16k",  "20k"};

std::int32_t awayFromZero(float v) {
    if (!std::isfinite(v)) return 0;
    const double moved = v > 0.0f ? v + 0.1 : (v < 0.0f ? v - 0.1 : 0.0);
    if (moved > 1e6) return 1000000;
    if (moved < -1e6) return -1000000;
    return static_cast<std::int32_t>(moved);
}

}  // namespace

float bandCentre(std::uint32_t band) { return band < kBandCount ? kCentres[band] : 0.0f; }
const char* bandLabel(std::uint32_t band) { return band < kBandCount ? kLabels[band] : ""; }

float levelFraction(float level, float bottom, float top) {
    const float span = top - bottom;
    if (!(span > 0.0f) || !std::isfinite(span)) return 0.0f;
    const float f = (level - bottom) / span;
    if (!(f > 0.0f)) return 0.0f;  // NaN too
    return f > 1.0f ? 1.0f : f;
}

std::int32_t levelPixels(float fraction, std::int32_t pixels) {
    return static_cast<std::int32_t>(fraction * static_cast<float>(pixels) + 0.5f);
}

LevelSpan levelSpan(float top, float bottom) { return LevelSpan{awayFromZero(top), awayFromZero(bottom)}; }

std::int32_t singleScaleStep(std::int32_t span) {
    if (span < 11) return 1;
    if (span < 31) return 2;
    if (span < 61) return 5;
    return 10;
}

std::int32_t sharedScaleStep(std::int32_t span, std::uint32_t graphs) {
    if (graphs <= 2) {
        if (span < 11) return 1;
        if (span < 21) return 2;
        if (span < 50) return 5;
        return 10;
    }
    if (span <= 0) return 1;
    if (graphs <= 4 && span % 4 == 0) return span / 4;
    if (graphs >= 7 && graphs <= 8 && span % 2 == 0) return span / 2;
    if (span % 3 == 0) return span / 3;
    if (span % 2 == 0) return span / 2;
    return span;
}

FrequencyAxis::FrequencyAxis(float low, float high, std::int32_t width) : width_(width) {
    valid_ = std::isfinite(low) && std::isfinite(high) && low > 0.0f && high > low && width >= 1;
    if (!valid_) return;
    logLow_ = std::log10(static_cast<double>(low));
    logHigh_ = std::log10(static_cast<double>(high));
}

double FrequencyAxis::frequencyAt(std::int32_t x) const {
    if (!valid_ || x < 0 || x >= width_) return -1.0;
    const double t = width_ > 1 ? static_cast<double>(x) / (width_ - 1) : 0.0;
    return std::pow(10.0, logLow_ + t * (logHigh_ - logLow_));
}

std::int32_t FrequencyAxis::columnOf(double f) const {
    if (!valid_ || !(f > 0.0)) return -1;
    const double l = std::log10(f);
    // A little slack so the axis ends themselves (10 Hz, 20 kHz as floats) stay on the axis.
    if (l < logLow_ - 1e-6 || l > logHigh_ + 1e-6) return -1;
    const double x = width_ * (l - logLow_) / (logHigh_ - logLow_);
    if (x <= 0.0) return 0;
    return x >= width_ - 1 ? width_ - 1 : static_cast<std::int32_t>(x);
}

Hsv defaultInstanceHsv(std::uint32_t slot, std::uint32_t count) {
    if (count == 4) {
        static constexpr float kHues[4] = {120.0f, 55.0f, 202.0f, 18.0f};
        return Hsv{kHues[slot % 4], 1.0f, 1.0f};
    }
    float hue = 120.0f + 360.0f * static_cast<float>(slot) / static_cast<float>(count ? count : 1);
    // At exactly 360 too: the six-sector conversion has no seventh sector.
    if (hue >= 360.0f) hue -= 360.0f;
    const bool even = slot % 2 == 0;
    return Hsv{hue, even ? 1.0f : 0.5f, even ? 1.0f : 0.8f};
}

}  // namespace qv::display
