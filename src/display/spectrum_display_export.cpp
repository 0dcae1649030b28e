// What CSpectrumDisplay shows, as numbers: the rows and graphs the last frame painted.
#include <algorithm>
#include <limits>

#include "display/spectrum_display.h"

namespace qv {

CSpectrumDisplay::ShownValues CSpectrumDisplay::shownValues() {
    ShownValues out;
    if (!usable) return out;
    static constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    using Kind = ShownColumn::Kind;
    const auto add = [&out](std::uint32_t i, Kind kind, std::uint32_t slot) -> std::vector<float>& {
        ShownColumn& c = out.columns.emplace_back();
        c.instance = i;
        c.kind = kind;
        c.slot = slot;
        c.values.assign(out.frequencies.size(), kNone);
        return c.values;
    };
    const bool peaksShown = showPeaks && alignMode != 1;

    if (fftMode == 0) {
        if (bandResolution != 1) return out;  // the band view paints nothing then
        for (std::uint32_t b = 0; b < kBands; ++b) out.frequencies.push_back(display::bandCentre(b));
        for (std::uint32_t i = 0; i < maxInstances; ++i) {
            if (instances[i].position < 0) continue;
            std::uint32_t slot = 0;
            while (slot < memorySlots && !shownBand[slotIndex(i, slot)]) ++slot;
            if (slot < memorySlots) {
                // The bars of a recalled memory stand in for the live ones.
                const BandLevelRecord& m = memories[slotIndex(i, slot)];
                if (!showLevels && !peaksShown) continue;
                std::vector<float>& v = add(i, Kind::kMemory, slot);
                for (std::uint32_t b = 0; b < kBands; ++b) v[b] = showLevels ? m.levels[b] : m.peaks[b];
                continue;
            }
            const BandLevelRecord& live = instances[i].painted;
            if (showLevels) std::copy(std::begin(live.levels), std::end(live.levels), add(i, Kind::kLevel, 0).begin());
            if (peaksShown) std::copy(std::begin(live.peaks), std::end(live.peaks), add(i, Kind::kPeak, 0).begin());
        }
        return out;
    }

    if (!curveSupport) return out;
    const std::uint32_t points = table.count();
    for (std::uint32_t k = 0; k < points; ++k) out.frequencies.push_back(table.at(k).frequency);
    // A curve ends at the last value its record carried.
    const auto fill = [&](std::vector<float>& v, const float* levels, std::uint32_t valueCount) {
        for (std::uint32_t k = 0; k < points && table.at(k).value < valueCount; ++k) v[k] = levels[k];
    };
    for (std::uint32_t i = 0; i < maxInstances; ++i) {
        const Instance& s = instances[i];
        if (s.position < 0) continue;
        const std::size_t at = static_cast<std::size_t>(i) * display::CCurveTable::kPoints;
        if (const MemoryCurveBlock* memory = fetchMemoryCurve(i)) {
            if (!showLevels) continue;
            std::uint32_t slot = 0;
            while (slot < memorySlots && !shownFft[slotIndex(i, slot)]) ++slot;
            std::vector<float>& v = add(i, Kind::kMemory, slot);
            for (std::uint32_t k = 0; k < points && table.at(k).value < memory->valueCount; ++k) {
                const float m = memory->values[table.at(k).value];
                v[k] = !(m >= levelFloor) ? levelFloor : std::min(m, 1000.0f);  // as painted
            }
            continue;
        }
        if (showLevels) fill(add(i, Kind::kLevel, 0), (fftSmoothing == 0 ? fftInput.data() : fftLevel.data()) + at, s.fftValues);
        if (peaksShown) fill(add(i, Kind::kPeak, 0), fftPeak.data() + at, s.fftValues);
    }
    return out;
}

}  // namespace qv
