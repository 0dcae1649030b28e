#include "core/data_service_curves.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

constexpr float kFloorLinear = 1e-34f;

double binFrequency(const CColumnMap& map, std::uint32_t bin) {
    return static_cast<double>(bin) * map.sampleRate() / static_cast<double>(map.fftSize());
}

}  // namespace

float CCurveBuilder::levelDb(float v, float dbFactor, float slope, double frequency) {
    if (slope == 0.0f || !(frequency > 0.0)) return v >= kFloorLinear ? dbFactor * std::log10(v) : kSilenceDb;
    // The tilt scales the value (power by g^2, magnitude by g): the floor applies to the result.
    static const double floorLog = std::log10(static_cast<double>(kFloorLinear));
    if (!(v > 0.0f)) return kSilenceDb;
    const double db = dbFactor * std::log10(static_cast<double>(v)) + slope * std::log2(frequency / 20.0);
    return db >= dbFactor * floorLog ? static_cast<float>(db) : kSilenceDb;
}

float CCurveBuilder::interpolate(const CColumnMap& map, const CurveSource& source, std::uint32_t b1,
                                 std::uint32_t b2, double frequency) {
    const std::uint32_t last = source.count - 1;
    b1 = std::min(b1, last);
    b2 = std::min(b2, last);
    const double f1 = binFrequency(map, b1);
    const double f2 = binFrequency(map, b2);
    const float y1 = levelDb(source.data[b1], source.dbFactor, source.tiltSlope, f1);
    if (b2 == b1 || !(f1 > 0.0)) return y1;
    const float y2 = levelDb(source.data[b2], source.dbFactor, source.tiltSlope, f2);
    const double t = (std::log10(frequency) - std::log10(f1)) / (std::log10(f2) - std::log10(f1));
    return static_cast<float>(y1 + (y2 - y1) * t);
}

void CCurveBuilder::build(const CColumnMap& map, const CurveSource& source, CurvePoints& points) {
    points.count = 0;
    points.hasFirst = false;
    points.hasLast = false;
    if (source.data == nullptr || source.count < 2 || map.fftSize() < 2) return;

    const bool full = map.smoothingIndex() == 0;
    const float* data = source.data;
    const std::uint32_t lastBin = source.count - 1;
    const auto& freq = CColumnMap::frequencies();
    const ColumnMapEntry* entries = map.entries();

    // Entry k becomes point k + 1; point 0 is the first point.
    std::uint32_t n = 1;
    std::uint32_t next = map.firstBin() + 1;
    for (std::uint32_t k = 0; k < map.count() && n + 1 < CurvePoints::kCapacity; ++k) {
        const ColumnMapEntry& entry = entries[k];
        const double f = freq[entry.column];
        const std::uint32_t hi = std::min(entry.bin, lastBin);
        float level;
        if (next <= hi) {
            if (full) {
                float v = data[next];
                for (std::uint32_t b = next + 1; b <= hi; ++b) v = std::max(v, data[b]);
                level = levelDb(v, source.dbFactor, source.tiltSlope, f);
            } else {
                double sum = 0.0;
                for (std::uint32_t b = next; b <= hi; ++b) sum += data[b];
                level = levelDb(static_cast<float>(sum / (hi - next + 1)), source.dbFactor, source.tiltSlope, f);
            }
        } else if (entry.bin == 0) {
            // Below the first bin: bin 1's level, tilted to bin 1's frequency.
            level = levelDb(data[1], source.dbFactor, source.belowFirstBinSlope, binFrequency(map, 1));
        } else {
            level = interpolate(map, source, entry.bin, entry.bin + 1, f);
        }
        points.level[n] = level;
        points.column[n] = entry.column;
        ++n;
        next = entry.bin + 1;
        if (entry.bin >= lastBin) break;
    }

    // First point, at 10 Hz.
    points.hasFirst = true;
    points.column[0] = 0;
    const std::uint32_t tenHzBin = map.binOf(kDisplayLowHz);
    if (n == 1) {
        points.level[0] = kSilenceDb;
    } else if (!full || points.column[1] == 0 || tenHzBin == 0) {
        points.level[0] = points.level[1];
    } else {
        points.level[0] = interpolate(map, source, tenHzBin, entries[0].bin, kDisplayLowHz);
    }

    // Last point, at 20 kHz, when the map ends short of the last column and the data reaches it.
    if (full && n > 1) {
        const std::uint32_t highBin = map.binOf(kDisplayHighHz);
        if (points.column[n - 1] != CColumnMap::kColumns - 1 && highBin + 1 < source.count) {
            points.level[n] = interpolate(map, source, highBin, highBin + 1, kDisplayHighHz);
            points.column[n] = CColumnMap::kColumns - 1;
            points.hasLast = true;
            ++n;
        }
    }
    points.count = n;
}

void CCurveBuilder::fillRecord(CurveRecord& record, const CurvePoints& points) {
    const std::uint32_t m = std::min<std::uint32_t>(points.count, kCurveValues);
    record.size = CurveRecord::kSize;
    record.valueCount = m;
    record.hasFirst = points.hasFirst ? 1 : 0;
    record.hasLast = points.hasLast && m == points.count ? 1 : 0;
    std::copy_n(points.level.begin(), m, record.values);
    std::fill(record.values + m, record.values + kCurveValues, kSilenceDb);
}

}  // namespace qv
