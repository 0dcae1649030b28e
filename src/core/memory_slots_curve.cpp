// The memory curve of a stored spectrum: its points on its own column map, and the values the
// display draws on the live map.
#include <algorithm>
#include <cmath>
#include <optional>

#include "core/data_service_curves.h"
#include "core/memory_slots.h"

namespace qv {

namespace {

// Linear interpolation in bin index between the tilted dB levels of the two bins around f.
class CStoredSpectrum {
public:
    CStoredSpectrum(const float* power, std::uint32_t count, float sampleRate, float slope)
        : power_(power), count_(count), rate_(sampleRate), size_(2.0 * (count - 1)), slope_(slope) {}

    std::optional<float> levelAt(double f) const {
        if (f >= rate_ / 2.0) return std::nullopt;
        const double position = f * size_ / rate_;
        if (!(position >= 0.0)) return std::nullopt;
        const auto b = static_cast<std::uint32_t>(position);
        if (b + 1 > count_ - 1) return std::nullopt;
        const double f0 = binFrequency(b);
        const double f1 = binFrequency(b + 1);
        const double t = std::abs(f1 - f0) < 0.0001 ? 0.0 : (f - f0) / (f1 - f0);
        const float l0 = binLevel(b);
        return static_cast<float>(l0 + t * (binLevel(b + 1) - l0));
    }

private:
    double binFrequency(std::uint32_t b) const { return b * rate_ / size_; }
    // Bin 0 has no frequency of its own to tilt by; it takes the tilt of bin 1.
    float binLevel(std::uint32_t b) const {
        return CCurveBuilder::levelDb(power_[b], 10.0f, slope_, binFrequency(b == 0 ? 1 : b));
    }

    const float* power_;
    std::uint32_t count_;
    double rate_;
    double size_;
    float slope_;
};

}  // namespace

void computeMemoryCurve(MemoryCurveBlock& block, const float* power, std::uint32_t count, float sampleRate,
                        const CColumnMap& live) {
    const float rate = sampleRate >= 1.0f && std::isfinite(sampleRate) ? sampleRate : 44100.0f;
    const float slope = block.slope;
    std::fill(std::begin(block.values), std::end(block.values), kSilenceDb);
    std::fill(std::begin(block.points), std::end(block.points), MemoryCurvePoint{kSilenceDb, 0, 0});
    block.valueCount = block.pointCount = 0;
    block.hasFirst = block.hasLast = 0;
    block.recompute = 0;
    if (power == nullptr || count < 2) return;

    // The stored spectrum on its own map, every level tilted by the slope it was stored with.
    const std::uint32_t storedSize = 2 * (count - 1);
    CColumnMap own;
    own.build(rate, storedSize, live.smoothingIndex());
    CurvePoints points;
    CCurveBuilder::build(own, CurveSource{power, count, 10.0f, slope, slope}, points);
    for (std::uint32_t k = 0; k < points.count; ++k) block.points[k] = {points.level[k], points.column[k], 0};
    block.pointCount = points.count;

    const bool resample = live.smoothingIndex() == 0 && (storedSize != live.fftSize() || rate != live.sampleRate());
    if (!resample) {
        // Same map (or log-spaced points, which lie at the same frequencies for any FFT size):
        // the values are the points; where the stored map ends early the rest stays -200.
        std::copy_n(points.level.begin(), points.count, block.values);
        block.valueCount = points.count;
        block.hasFirst = points.hasFirst ? 1 : 0;
        block.hasLast = points.hasLast ? 1 : 0;
        return;
    }

    // Resampled onto the live map: value 0 is the stored curve's own 10 Hz point, value k + 1
    // the stored level at live entry k's column, then the live map's 20 kHz point when it has
    // one. Where the stored spectrum has no data (above half its rate) the value stays -200.
    const CStoredSpectrum stored(power, count, rate, slope);
    const auto& freq = CColumnMap::frequencies();
    block.values[0] = points.count > 0 ? points.level[0] : kSilenceDb;
    std::uint32_t n = 1;
    for (std::uint32_t k = 0; k < live.count() && n < MemoryCurveBlock::kValues; ++k, ++n) {
        if (const auto level = stored.levelAt(freq[live.entries()[k].column])) block.values[n] = *level;
    }
    const bool liveHasLast = live.count() > 0 &&
                             live.entries()[live.count() - 1].column != CColumnMap::kColumns - 1 &&
                             live.binOf(kDisplayHighHz) + 1 < live.binCount();
    if (liveHasLast && n < MemoryCurveBlock::kValues) {
        if (const auto level = stored.levelAt(kDisplayHighHz)) block.values[n] = *level;
        ++n;
    }
    block.valueCount = n;
    block.hasFirst = 1;
    block.hasLast = liveHasLast ? 1 : 0;
}

}  // namespace qv
