#include "core/data_service_columns.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

const double kLogLow = std::log10(static_cast<double>(kDisplayLowHz));    // 1
const double kLogHigh = std::log10(static_cast<double>(kDisplayHighHz));  // 4.30103

}  // namespace

CColumnMap::CColumnMap() = default;

const std::array<float, CColumnMap::kColumns>& CColumnMap::frequencies() {
    static const std::array<float, kColumns> table = [] {
        std::array<float, kColumns> f{};
        for (std::uint32_t c = 0; c < kColumns; ++c) {
            const double x = static_cast<double>(c) / (kColumns - 1) * (kLogHigh - kLogLow) + kLogLow;
            f[c] = static_cast<float>(std::pow(10.0, x));
        }
        return f;
    }();
    return table;
}

double CColumnMap::smoothingStep(std::uint32_t smoothingIndex) {
    // Index 1..9 gives about 1/i octave, 10 two thirds and 11 three quarters of an octave.
    static constexpr double kFraction[12] = {1.0,       1.0,       1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 5,
                                             1.0 / 6,   1.0 / 7,   1.0 / 8, 1.0 / 9, 2.0 / 3, 3.0 / 4};
    return 0.3 * (smoothingIndex < 12 ? kFraction[smoothingIndex] : 1.0);
}

std::uint32_t CColumnMap::binOf(double frequency) const {
    const double bin = static_cast<double>(fftSize_) * frequency / static_cast<double>(sampleRate_);
    if (!(bin > 0.0)) return 0;
    return bin >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(bin);
}

bool CColumnMap::update(const ColumnMapKey& key) {
    if (built_ && key == key_) return false;
    build(key.sampleRate, key.fftSize, key.smoothingIndex);
    key_ = key;
    return true;
}

void CColumnMap::build(float sampleRate, std::uint32_t fftSize, std::uint32_t smoothingIndex) {
    const float fs = sampleRate >= 1.0f && std::isfinite(sampleRate) ? sampleRate : 44100.0f;
    sampleRate_ = fs;
    fftSize_ = fftSize;
    smoothing_ = smoothingIndex;
    count_ = 0;
    built_ = true;
    const auto& freq = frequencies();

    usable_ = kColumns;
    if (fs > 1.0f && fs < 40000.1f) {
        const double c = (std::log10(static_cast<double>(fs) / 2.0) - kLogLow) * (kColumns - 1) / (kLogHigh - kLogLow);
        usable_ = c <= 0.0 ? 0 : std::min<std::uint32_t>(kColumns, static_cast<std::uint32_t>(c));
    }
    firstBin_ = binOf(freq[0]);
    if (fftSize_ < 2) return;
    const std::uint32_t half = fftSize_ / 2;

    if (smoothingIndex == 0) {
        // One point each time the bin changes; bin 0 never gets a point of its own.
        std::uint32_t previous = firstBin_;
        for (std::uint32_t c = 0; c < usable_ && count_ < kMaxEntries; ++c) {
            const std::uint32_t bin = binOf(freq[c]);
            if (bin > half) break;
            if (bin == 0 || bin == previous) continue;
            entries_[count_++] = {bin, static_cast<std::uint16_t>(c)};
            previous = bin;
        }
        return;
    }

    // Log-spaced points from 10 Hz; the point that reaches 20 kHz is put on it and ends the map.
    const double step = smoothingStep(smoothingIndex);
    for (std::uint32_t k = 0; count_ < kMaxEntries; ++k) {
        double x = kLogLow + static_cast<double>(k) * step;
        const bool last = x >= kLogHigh;
        if (last) x = kLogHigh;
        const double position = (kColumns * (x - kLogLow)) / (kLogHigh - kLogLow);
        const std::uint32_t column =
            position <= 0.0 ? 0 : std::min<std::uint32_t>(kColumns - 1, static_cast<std::uint32_t>(position));
        const std::uint32_t bin = binOf(std::pow(10.0, x));
        if (bin > half) break;
        entries_[count_++] = {bin, static_cast<std::uint16_t>(column)};
        if (last) break;
    }
}

}  // namespace qv
