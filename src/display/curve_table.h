// The points the FFT path draws: the core's column map (the same code the core builds its curve
// values with) placed on the display's own, possibly zoomed, frequency axis. Point k of a curve
// takes value index k of a CurveRecord (value 0 at 10 Hz, value e + 1 at the column of map entry
// e, the last at 20 kHz); points whose frequency lies outside the display's axis are dropped.
#pragma once

#include <cstdint>
#include <vector>

#include "core/data_request.h"
#include "core/data_service_columns.h"
#include "display/display_axes.h"

namespace qv::display {

struct CurvePoint {
    std::uint32_t value;  // index into the record's values
    std::int32_t x;       // display column
    float tiltOctaves;    // log2(f / 20 Hz), 0 below one bin width
    float frequency;      // Hz
};

class CCurveTable {
public:
    // Value slots of the largest record (a memory curve block carries one more than a curve).
    static constexpr std::uint32_t kPoints = MemoryCurveBlock::kValues;

    CCurveTable();
    // Rebuilds when any input differs from the last build; true when it rebuilt. fftSize 0 or a
    // rate below 1 follow the core's rules (a rate below 1 counts as 44100).
    bool update(float sampleRate, std::uint32_t fftSize, std::uint32_t smoothingIndex, float freqMin, float freqMax,
                std::int32_t width);
    // Whether a record of valueCount values (with its first and last point flags) was built on
    // this map: anything else would put values at the wrong frequencies.
    bool matches(std::uint32_t valueCount, std::uint32_t hasLast) const;
    const CurvePoint* points() const { return points_.data(); }
    std::uint32_t count() const { return count_; }
    std::uint32_t mapEntries() const { return map_.count(); }
    std::uint32_t fftSize() const { return fftSize_; }
    // Points that exist for a record without a last value (the last map point is 20 kHz only
    // when hasLast).
    std::uint32_t countFor(std::uint32_t hasFirst, std::uint32_t hasLast) const;
    const CurvePoint& at(std::uint32_t k) const { return points_[k]; }

private:
    CColumnMap map_;
    std::vector<CurvePoint> points_;
    std::uint32_t count_ = 0;
    std::uint32_t fftSize_ = 0;
    struct Key {
        float sampleRate = -1.0f;
        std::uint32_t fftSize = 0;
        std::uint32_t smoothingIndex = 0;
        float freqMin = 0.0f;
        float freqMax = 0.0f;
        std::int32_t width = 0;
        bool operator==(const Key&) const = default;
    } key_;
    bool built_ = false;
};

}  // namespace qv::display
