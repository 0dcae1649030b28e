// Helpers for the data-service tests: an instance whose set of registered instance numbers the
// test chooses, spectra written straight into its records, requests and captured messages.
#pragma once

#include "support/test_common.h"

#include "core/analysis_shared.h"
#include "core/data_request.h"
#include "core/plugin.h"
#include "core/setting_ids.h"

namespace qvtest {

namespace id = qv::settingid;

class TestPlugin : public qv::CPlugin {
public:
    explicit TestPlugin(std::uint32_t usedNumbers = 1u) : qv::CPlugin(0, 2, 2), used(usedNumbers) {
        // The priming spectrum must land before the tests write the records themselves.
        waitForWorkers(std::chrono::seconds(5));
    }
    // Jobs still in flight call this instance's overrides: they finish before it is torn down.
    ~TestPlugin() override { waitForWorkers(std::chrono::seconds(5)); }
    bool isInstanceNumberActive(std::uint32_t n) const override { return n < 16 && (used >> n & 1u); }
    std::uint32_t countInstanceNumbers() const override { return static_cast<std::uint32_t>(std::popcount(used)); }

    void set(std::uint32_t setting, float value) { setParameter(setting, value, 0, false, false); }
    void setBits(std::uint32_t setting, std::uint32_t bits) { set(setting, std::bit_cast<float>(bits)); }
    std::uint32_t bits(std::uint32_t setting) const { return std::bit_cast<std::uint32_t>(getParameter(setting, 0)); }
    void fftView(bool on = true) { set(id::kAnalysisView, on ? 1.0f : 0.0f); }
    void fftSizeIndex(std::uint32_t index) { set(id::kFftSize, static_cast<float>(index)); }
    void slope(float dbPerOctave) { set(id::kSlope, (dbPerOctave + 10.0f) / 20.0f); }
    void smoothing(std::uint32_t index) { set(id::kResolution, static_cast<float>(index)); }
    // A memory-switch action (1 delete, 2 store, 3 select, 4) on memory s of instance number i.
    void memoryAction(std::uint32_t i, std::uint32_t s, std::uint32_t code) {
        setBits(id::kMemorySwitchFirst + 8 * i + s, code << 8 | 1u);
    }
    std::uint32_t memoryState(std::uint32_t i, std::uint32_t s) const { return bits(id::kMemorySwitchFirst + 8 * i + s); }

    // Writes a spectrum of `count` bins into number n's records the way a worker does.
    void putSpectrum(std::uint32_t n, std::uint32_t count, float rate, const std::function<float(std::uint32_t)>& power,
                     std::uint32_t sequence = 1) {
        auto r = std::make_unique<qv::SpectrumRecord>();
        std::tie(r->size, r->type, r->target, r->source, r->sequence, r->count, r->sampleRate) =
            std::tuple(qv::spectrumRecordBytes(count), 8u, 0u, n, sequence, count, rate);
        for (std::uint32_t k = 0; k < count; ++k) r->power[k] = power(k);
        analysis().records->writeSpectrum(n, *r, true);
    }
    void putFlat(std::uint32_t n, std::uint32_t fftSize, float rate, float power) {
        putSpectrum(n, fftSize / 2 + 1, rate, [power](std::uint32_t) { return power; });
    }
    // Adds a flat spectrum of `count` bins to number 0's average, numbered as a worker does.
    void averageFlat(std::uint32_t count, float power) {
        auto record = std::make_unique<qv::SpectrumRecord>();
        record->count = count;
        record->sequence = ++averaged;
        std::fill_n(record->power, count, power);
        average(0, *record);
    }

    std::uint32_t used;
    std::uint32_t averaged = 1u << 31;  // apart from the priming job's
};

// A column map built for a rate, an FFT size and a smoothing index.
inline qv::CColumnMap builtMap(float rate, std::uint32_t fftSize, std::uint32_t smoothing) {
    qv::CColumnMap map;
    map.build(rate, fftSize, smoothing);
    return map;
}

// A request buffer with its header filled and every other byte set to a fill pattern.
inline std::vector<std::uint8_t> request(std::uint32_t capacity, std::uint32_t type, std::uint32_t a = 0,
                                         std::uint32_t b = 0, std::size_t bytes = 0) {
    std::vector<std::uint8_t> buffer(bytes ? bytes : std::max<std::size_t>(capacity, 16), 0xA5);
    const std::uint32_t header[4] = {capacity, type, a, b};
    std::memcpy(buffer.data(), header, sizeof(header));
    return buffer;
}

inline const qv::CurveRecord& curveAt(const std::vector<std::uint8_t>& reply, std::uint32_t k) {
    return *reinterpret_cast<const qv::CurveRecord*>(reply.data() + 32 + k * sizeof(qv::CurveRecord));
}

}  // namespace qvtest
