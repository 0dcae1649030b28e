// Turns one spectrum into dB points on the display's columns by walking a column map: the
// maximum (smoothing index 0) or the mean (1..11) of the bins each point covers, interpolation
// in log frequency where a point covers no bin, a first point at 10 Hz and, for smoothing
// index 0, a last point at 20 kHz.
#pragma once

#include <array>
#include <cstdint>

#include "core/data_request.h"
#include "core/data_service_columns.h"

namespace qv {

struct CurveSource {
    const float* data = nullptr;  // bins 0..count-1: powers (dbFactor 10) or magnitudes (20)
    std::uint32_t count = 0;
    float dbFactor = 10.0f;
    // Tilt in dB per octave from 20 Hz applied to every level (memory curves); live curves 0.
    float tiltSlope = 0.0f;
    // Slope applied to bin 1's level when a point lies below the first bin.
    float belowFirstBinSlope = 0.0f;
};

struct CurvePoints {
    static constexpr std::uint32_t kCapacity = MemoryCurveBlock::kPoints;

    std::uint32_t count = 0;  // points in level[] and column[]
    bool hasFirst = false;    // level[0] stands at 10 Hz
    bool hasLast = false;     // level[count - 1] stands at 20 kHz
    std::array<float, kCapacity> level{};
    std::array<std::uint16_t, kCapacity> column{};
};

class CCurveBuilder {
public:
    // level[0] is the first point, level[k + 1] the point of map entry k, then the last point.
    static void build(const CColumnMap& map, const CurveSource& source, CurvePoints& points);

    // factor * log10(v) plus a tilt of slope * log2(f / 20) dB; -200 when the tilted value lies
    // below 1e-34. A frequency at or below 0 gets no tilt.
    static float levelDb(float v, float dbFactor, float slope, double frequency);
    // Log-frequency interpolation between bins b1 < b2 at frequency f (levels tilted as given).
    static float interpolate(const CColumnMap& map, const CurveSource& source, std::uint32_t b1, std::uint32_t b2,
                             double frequency);
    // Fills a CurveRecord's header fields and values from built points; values beyond the
    // points read -200.
    static void fillRecord(CurveRecord& record, const CurvePoints& points);
};

}  // namespace qv
