#include "display/curve_table.h"

#include <cmath>

namespace qv::display {

CCurveTable::CCurveTable() : points_(kPoints) {}

bool CCurveTable::update(float sampleRate, std::uint32_t fftSize, std::uint32_t smoothingIndex, float freqMin,
                         float freqMax, std::int32_t width) {
    const Key key{sampleRate, fftSize, smoothingIndex, freqMin, freqMax, width};
    if (built_ && key == key_) return false;
    key_ = key;
    built_ = true;
    fftSize_ = fftSize;
    map_.build(sampleRate, fftSize, smoothingIndex);
    count_ = 0;

    const FrequencyAxis axis(freqMin, freqMax, width);
    const double binWidth = fftSize ? static_cast<double>(map_.sampleRate()) / fftSize : 0.0;
    const std::uint32_t entries = map_.count();
    // Value 0 sits at 10 Hz, values 1..entries at their map columns, the optional last at 20 kHz.
    for (std::uint32_t v = 0; v <= entries + 1 && v < kPoints; ++v) {
        double f = kDisplayLowHz;
        if (v > entries) {
            f = kDisplayHighHz;
        } else if (v > 0) {
            f = CColumnMap::columnFrequency(map_.entries()[v - 1].column);
        }
        const std::int32_t x = axis.columnOf(f);
        if (x < 0) continue;
        const float tilt = f >= binWidth ? static_cast<float>(std::log2(f / 20.0)) : 0.0f;
        points_[count_++] = CurvePoint{v, x, tilt, static_cast<float>(f)};
    }
    return true;
}

bool CCurveTable::matches(std::uint32_t valueCount, std::uint32_t hasLast) const {
    return built_ && valueCount == map_.count() + 1 + (hasLast ? 1u : 0u);
}

std::uint32_t CCurveTable::countFor(std::uint32_t hasFirst, std::uint32_t hasLast) const {
    std::uint32_t n = count_;
    // Points are in value order: the 20 kHz point can only be the last, the 10 Hz one the first.
    if (!hasLast && n > 0 && points_[n - 1].value == map_.count() + 1) --n;
    (void)hasFirst;
    return n;
}

}  // namespace qv::display
