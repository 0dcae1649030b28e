// The display's frequency axis (556 log-spaced columns from 10 Hz to 20 kHz) and the column map:
// the FFT bins that become curve points and the column each point is drawn at. The display
// builds the same map by the same rules to place the values of a CurveRecord, so build() is
// usable on its own.
#pragma once

#include <array>
#include <cstdint>

#include "core/data_request.h"

namespace qv {

struct ColumnMapEntry {
    std::uint32_t bin;
    std::uint16_t column;
};

// What a map depends on; a change of any field rebuilds it. The level range and the display's
// frequency range do not shape the points but still count as keys.
struct ColumnMapKey {
    float sampleRate = 0.0f;
    std::uint32_t fftSize = 0;
    std::uint32_t smoothingIndex = 0;
    std::int32_t freqLow = 0;
    std::int32_t freqHigh = 0;
    std::int32_t rangeLow = 0;
    std::int32_t rangeHigh = 0;

    bool operator==(const ColumnMapKey&) const = default;
};

class CColumnMap {
public:
    static constexpr std::uint32_t kColumns = kDisplayColumns;
    static constexpr std::uint32_t kMaxEntries = kDisplayColumns;

    CColumnMap();

    // Rebuilds the map when the key differs from the last build (or nothing was built yet).
    // Returns true when it rebuilt.
    bool update(const ColumnMapKey& key);
    // Builds the map for sampleRate (below 1 taken as 44100), FFT size fftSize and smoothing
    // index 0 ("Full": one point each time the bin changes) or 1..11 (log-spaced points).
    void build(float sampleRate, std::uint32_t fftSize, std::uint32_t smoothingIndex);

    // Frequency of display column c (0..555).
    static float columnFrequency(std::uint32_t c) { return frequencies()[c]; }
    static const std::array<float, kColumns>& frequencies();
    // Step between log-spaced points in decades for smoothing index 1..11 (above 11: one octave).
    static double smoothingStep(std::uint32_t smoothingIndex);

    const ColumnMapEntry* entries() const { return entries_.data(); }
    std::uint32_t count() const { return count_; }
    std::uint32_t firstBin() const { return firstBin_; }
    // Columns a smoothing-0 map may use: those below half the sample rate.
    std::uint32_t usableColumns() const { return usable_; }
    float sampleRate() const { return sampleRate_; }
    std::uint32_t fftSize() const { return fftSize_; }
    std::uint32_t binCount() const { return fftSize_ / 2 + 1; }
    std::uint32_t smoothingIndex() const { return smoothing_; }
    // trunc(N * f / fs) for this map.
    std::uint32_t binOf(double frequency) const;
    const ColumnMapKey& key() const { return key_; }

private:
    std::array<ColumnMapEntry, kMaxEntries> entries_{};
    std::uint32_t count_ = 0;
    std::uint32_t firstBin_ = 0;
    std::uint32_t usable_ = kColumns;
    float sampleRate_ = 44100.0f;
    std::uint32_t fftSize_ = 0;
    std::uint32_t smoothing_ = 0;
    ColumnMapKey key_{};
    bool built_ = false;
};

}  // namespace qv
