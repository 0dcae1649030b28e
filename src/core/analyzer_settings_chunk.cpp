// The state chunk of CAnalyzerSettings: written from the settings, and restored from a chunk the
// host hands back after every field has been checked.
#include <bit>
#include <cmath>
#include <cstring>

#include "core/analyzer_settings.h"

namespace qv {

using namespace settingid;

namespace {

bool finiteBits(std::uint32_t bits) { return std::isfinite(std::bit_cast<float>(bits)); }

template <std::size_t N>
bool allFinite(const std::uint32_t (&bits)[N]) {
    for (std::uint32_t b : bits) {
        if (!finiteBits(b)) return false;
    }
    return true;
}

}  // namespace

void CAnalyzerSettings::fillChunk(StateChunk& chunk) const {
    chunk.clear();
    chunk.instanceNumber = number_;
    chunk.knobBits[0] = values_[kAttack];
    chunk.knobBits[1] = values_[kRelease];
    chunk.knobBits[2] = values_[kSlope];
    for (std::uint32_t k = 0; k < CShowSwitches::kCount; ++k) chunk.showSwitches[k] = switches_.packed(k);
    chunk.soloCount = static_cast<std::uint32_t>(switches_.soloCount());
    for (std::uint32_t i = 0; i < kInstances; ++i) chunk.colours[i] = values_[kColourFirst + i];
    chunk.averageBits[0] = values_[kAverageTime];
    chunk.averageBits[1] = values_[kAverageOn];
    for (std::uint32_t i = 0; i < 4; ++i) chunk.peakBits[i] = values_[kPeakDisplay + i];
    chunk.rangeLow = level_.low();
    chunk.rangeHigh = level_.high();
    chunk.ecoMode = common_.ecoMode;
    chunk.arrangement = storedIndex(kArrangement);
    chunk.veil = get(kVeil) >= 0.5f ? 1 : 0;
    chunk.displayMode = displayMode_;
    chunk.fftSizeIndex = common_.fftSizeIndex;
    chunk.fftResponse = storedIndex(kFftResponse);
    chunk.windowType = common_.windowType;
    chunk.freqLow = static_cast<std::uint32_t>(freq_.low());
    chunk.freqHigh = static_cast<std::uint32_t>(freq_.high());
    chunk.resolution = storedIndex(kResolution);
    std::memcpy(chunk.names, names_, sizeof(chunk.names));
}

// Every field that is applied must hold a value this version could have written.
bool CAnalyzerSettings::chunkIsSound(const StateChunk& c) {
    if (!allFinite(c.knobBits) || !allFinite(c.averageBits) || !allFinite(c.peakBits)) return false;
    if (!CLevelRange::isValid(c.rangeLow, c.rangeHigh)) return false;
    if (!CFrequencyRange::isValid(c.freqLow, c.freqHigh)) return false;
    if (c.ecoMode > kMaxAccuracy || c.arrangement > kMaxArrangement || c.veil > 1 ||
        c.displayMode > kMaxAnalysisView || c.fftSizeIndex > kMaxFftSize || c.fftResponse > kMaxFftResponse ||
        c.windowType > kMaxWindowType || c.resolution > kMaxResolution)
        return false;
    for (const auto& n : c.names) {
        if (std::memchr(n, '\0', sizeof(n)) == nullptr) return false;
    }
    return true;
}

bool CAnalyzerSettings::restoreChunk(const void* data, std::int32_t size) {
    if (!StateChunk::isValid(data, size)) return false;
    StateChunk chunk;
    std::memcpy(static_cast<void*>(&chunk), data, sizeof(chunk));
    if (!chunkIsSound(chunk)) return false;
    applyChunk(chunk);
    return true;
}

// Own settings only: the instance number and the S/M switch states stay as the process has them.
void CAnalyzerSettings::applyChunk(const StateChunk& c) {
    // A knob saved outside its range (older versions kept any finite value) comes back clamped.
    auto restore = [this](std::uint32_t id, std::uint32_t bits) {
        const float value = withinRange(id, std::bit_cast<float>(bits));
        values_[id] = std::bit_cast<std::uint32_t>(value);
        report(id, value);
    };
    auto restoreIndex = [this](std::uint32_t id, std::uint32_t index) {
        store(id, static_cast<float>(index));
        report(id, static_cast<float>(index));
    };

    restore(kAttack, c.knobBits[0]);
    restore(kRelease, c.knobBits[1]);
    restore(kSlope, c.knobBits[2]);
    for (std::uint32_t i = 0; i < kInstances; ++i) restore(kColourFirst + i, c.colours[i]);
    restore(kAverageTime, c.averageBits[0]);
    updateAverageFrames();  // derived from the average time
    restore(kAverageOn, c.averageBits[1]);
    for (std::uint32_t i = 0; i < 4; ++i) restore(kPeakDisplay + i, c.peakBits[i]);

    level_.assign(c.rangeLow, c.rangeHigh);
    report(kLevelBottom, static_cast<float>(level_.low()));
    report(kLevelTop, static_cast<float>(level_.high()));
    freq_.assign(static_cast<std::int32_t>(c.freqLow), static_cast<std::int32_t>(c.freqHigh));
    report(kFreqLow, static_cast<float>(freq_.low()));
    report(kFreqHigh, static_cast<float>(freq_.high()));

    restoreIndex(kArrangement, c.arrangement);
    restoreIndex(kFftResponse, c.fftResponse);
    restoreIndex(kResolution, c.resolution);
    restore(kVeil, std::bit_cast<std::uint32_t>(c.veil ? 1.0f : 0.0f));

    common_.ecoMode = c.ecoMode;
    common_.fftSizeIndex = c.fftSizeIndex;
    common_.windowType = c.windowType;
    displayMode_ = c.displayMode;
    common_.displayModes[number_] = c.displayMode;
    report(kAccuracy, static_cast<float>(common_.ecoMode));
    report(kFftSize, static_cast<float>(common_.fftSizeIndex));
    report(kWindowType, static_cast<float>(common_.windowType));
    report(kAnalysisView, static_cast<float>(displayMode_));

    takeNames(c.names);

    if (!observer_) return;
    observer_->analysisSettingsChanged(common_.ecoMode, common_.fftSizeIndex);
    observer_->windowTypeChanged(common_.windowType);
    observer_->displayModeChanged();
    observer_->averageSwitchChanged();
    observer_->commonSettingsChanged(common_);
    observer_->postNames();
}

}  // namespace qv
