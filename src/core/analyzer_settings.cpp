#include "core/analyzer_settings.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "framework/error_report.h"

namespace qv {

using namespace settingid;

namespace {

constexpr std::uint32_t kMaxAverageFrames = 1u << 24;  // every whole number below is exact as a float

// An index travels as a float and is read as trunc(value + 0.1).
std::optional<std::uint32_t> readIndex(float value, std::uint32_t max) {
    const double t = std::trunc(static_cast<double>(value) + 0.1);
    if (!(t >= 0.0 && t <= static_cast<double>(max))) return std::nullopt;
    return static_cast<std::uint32_t>(t);
}

std::uint32_t maxIndexOf(std::uint32_t id) {
    switch (id) {
        case kAccuracy: return kMaxAccuracy;
        case kArrangement: return kMaxArrangement;
        case kAnalysisView: return kMaxAnalysisView;
        case kFftSize: return kMaxFftSize;
        case kFftResponse: return kMaxFftResponse;
        case kWindowType: return kMaxWindowType;
        case kResolution: return kMaxResolution;
        default: return kMaxAverageFrames;
    }
}

// Copies at most 31 characters and zeroes the rest of the 32 bytes.
void copyName(char (&to)[kInstanceNameBytes], const char* from, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && n + 1 < kInstanceNameBytes && from[n] != '\0') ++n;
    std::memset(to, 0, sizeof(to));
    std::memcpy(to, from, n);
}

}  // namespace

std::uint32_t packColour(float red, float green, float blue, float alpha) {
    auto channel = [](float c) -> std::uint32_t {
        if (!(c > 0.0f)) return 0;
        if (c >= 1.0f) return 255;
        return static_cast<std::uint32_t>(255.0f * c);
    };
    return channel(red) << 24 | channel(green) << 16 | channel(blue) << 8 | channel(alpha);
}

// The display's default colours: hues 22.5 degrees apart from green; even slots saturated and
// bright, odd ones paler and darker.
std::uint32_t defaultInstanceColour(std::uint32_t slot) {
    float hue = 120.0f + 360.0f * static_cast<float>(slot) / static_cast<float>(kInstances);
    if (hue > 360.0f) hue -= 360.0f;
    const bool even = slot % 2 == 0;
    float r = 0, g = 0, b = 0;
    hsvToRgb(r, g, b, hue, even ? 1.0f : 0.5f, even ? 1.0f : 0.8f);
    return packColour(r, g, b, 1.0f);
}

CAnalyzerSettings::CAnalyzerSettings(ISettingsObserver* observer) : observer_(observer) {
    store(kAttack, (450.0f - 1.0f) / 799.0f);
    store(kRelease, (100.0f - 1.0f) / 799.0f);
    store(kSlope, (3.0f + 10.0f) / 20.0f);
    store(kAverageTime, (1.0f - 0.1f) / 4.9f);
    store(kPeakDisplay, 1.0f);
    store(kBarsCurves, 1.0f);
    store(kPeakHold, 1.0f);
    store(kPeakHoldTime, (2.0f - 0.1f) / 19.9f);
    store(kFftResponse, 1.0f);
    for (std::uint32_t i = 0; i < kInstances; ++i) values_[kColourFirst + i] = defaultInstanceColour(i);

    common_.header = {GlobalSettingsBlock::kSize, kMsgSettingsPost, 0};
    common_.ecoMode = 0;
    common_.fftSizeIndex = 3;
    common_.windowType = 1;

    for (std::uint32_t i = 0; i < kNames; ++i) {
        char text[kNameBytes];
        std::snprintf(text, sizeof(text), "Instance %lu", static_cast<unsigned long>(i + 1));
        copyName(names_[i], text, sizeof(text));
    }
}

void CAnalyzerSettings::report(std::uint32_t id, float value) {
    if (observer_) observer_->notifyEditor(id, value);
}

void CAnalyzerSettings::store(std::uint32_t id, float value) { values_[id] = std::bit_cast<std::uint32_t>(value); }

float CAnalyzerSettings::withinRange(std::uint32_t id, float value) {
    switch (id) {
        case kAttack: case kRelease: case kSlope: case kAverageTime: case kPeakHoldTime:
            return std::clamp(value, 0.0f, 1.0f);
        default: return value;
    }
}

std::uint32_t CAnalyzerSettings::storedIndex(std::uint32_t id) const {
    return readIndex(std::bit_cast<float>(values_[id]), maxIndexOf(id)).value_or(0);
}

bool CAnalyzerSettings::set(std::uint32_t id, float value) {
    if (id >= kCount) return false;
    if (carriesBits(id)) return setBitsSetting(id, std::bit_cast<std::uint32_t>(value));
    if (!std::isfinite(value)) return false;
    if (id >= kSoloFirst && id < kMuteFirst) return setShowSwitch(id - kSoloFirst, true, value >= 0.5f);
    if (id >= kMuteFirst && id < kColourFirst) return setShowSwitch(id - kMuteFirst, false, value >= 0.5f);
    if (id >= kNameFieldFirst && id < kMemorySwitchFirst) return false;

    switch (id) {
        case kInstanceNumber:
        case kLevelBottom:
        case kLevelTop:
        case kFreqLow:
        case kFreqHigh: return false;
        case kPostNames:
            if (observer_) observer_->postNames();
            return true;
        case kLevelTopUp:
        case kLevelTopDown:
        case kLevelBottomUp:
        case kLevelBottomDown:
        case kFreqLowUp:
        case kFreqLowDown:
        case kFreqHighUp:
        case kFreqHighDown: return setRangePress(id, value);
        case kAccuracy:
        case kFftSize:
        case kWindowType:
        case kAnalysisView: {
            const auto index = readIndex(value, maxIndexOf(id));
            return index && setCommonIndex(id, *index);
        }
        case kArrangement:
        case kFftResponse:
        case kResolution:
        case kAverageFrames: {
            const auto index = readIndex(value, maxIndexOf(id));
            if (!index) return false;
            store(id, static_cast<float>(*index));
            report(id, static_cast<float>(*index));
            return true;
        }
        case kCompactLayout: {
            const double t = std::trunc(static_cast<double>(value));
            if (!(t >= -2147483648.0 && t <= 2147483647.0)) return false;
            compact_ = static_cast<std::int32_t>(t);
            store(id, static_cast<float>(compact_));
            report(id, static_cast<float>(compact_));
            return true;
        }
        default: break;
    }

    value = withinRange(id, value);
    store(id, value);
    report(id, value);
    if (id == kAverageTime) updateAverageFrames();
    if (id == kSyncOthers) {
        syncOthers();
    } else if (observer_ && id == kNamesRequest) {
        observer_->namesRequested();
    } else if (observer_ && id == kAverageOn) {
        observer_->averageSwitchChanged();
    }
    return true;
}

void CAnalyzerSettings::setAverageBasis(double sampleRate, std::uint32_t hopSamples) {
    averageRate_ = sampleRate;
    averageHop_ = hopSamples;
    updateAverageFrames();
}

void CAnalyzerSettings::updateAverageFrames() {
    if (averageHop_ == 0) return;
    const double frames = std::trunc(static_cast<double>(averageSeconds()) * averageRate_ / averageHop_);
    // NaN and absurd rates end at the bounds too.
    const double bounded = frames >= 1.0 ? std::min(frames, static_cast<double>(kAverageFramesMax)) : 1.0;
    const float value = static_cast<float>(bounded);
    if (std::bit_cast<float>(values_[kAverageFrames]) == value) return;
    store(kAverageFrames, value);
    report(kAverageFrames, value);
}

bool CAnalyzerSettings::setBitsSetting(std::uint32_t id, std::uint32_t bits) {
    if (id >= kNamesColourFirst && id < kNameFieldFirst) id -= kNamesColourFirst - kColourFirst;
    values_[id] = bits;
    report(id, std::bit_cast<float>(bits));
    if (observer_ && id >= kMemorySwitchFirst && id < kMemoryStateFirst) observer_->memorySwitch(id, bits);
    return true;
}

bool CAnalyzerSettings::storeBits(std::uint32_t id, std::uint32_t bits) {
    if (id >= kCount || !carriesBits(id)) return false;
    if (id >= kNamesColourFirst && id < kNameFieldFirst) id -= kNamesColourFirst - kColourFirst;
    values_[id] = bits;
    return true;
}

float CAnalyzerSettings::get(std::uint32_t id) const {
    if (id >= kCount) return 0.0f;
    if (id >= kSoloFirst && id < kMuteFirst) return switches_.soloShown(id - kSoloFirst) ? 1.0f : 0.0f;
    if (id >= kMuteFirst && id < kColourFirst) return switches_.muteShown(id - kMuteFirst) ? 1.0f : 0.0f;
    return std::bit_cast<float>(getBits(id));
}

std::uint32_t CAnalyzerSettings::getBits(std::uint32_t id) const {
    if (id >= kCount) return 0;
    auto bitsOf = [](auto v) { return std::bit_cast<std::uint32_t>(static_cast<float>(v)); };
    if (id >= kSoloFirst && id < kColourFirst) return bitsOf(get(id));
    if (id >= kNamesColourFirst && id < kNameFieldFirst) return values_[id - (kNamesColourFirst - kColourFirst)];
    switch (id) {
        case kInstanceNumber: return bitsOf(number_);
        case kAccuracy: return bitsOf(common_.ecoMode);
        case kFftSize: return bitsOf(common_.fftSizeIndex);
        case kWindowType: return bitsOf(common_.windowType);
        case kAnalysisView: return bitsOf(displayMode_);
        case kLevelBottom: return bitsOf(level_.low());
        case kLevelTop: return bitsOf(level_.high());
        case kFreqLow: return bitsOf(freq_.low());
        case kFreqHigh: return bitsOf(freq_.high());
        default: return values_[id];
    }
}

void CAnalyzerSettings::setInstanceNumber(std::uint32_t number) {
    if (number >= kInstances) return;
    number_ = number;
    report(kInstanceNumber, static_cast<float>(number));
}

bool CAnalyzerSettings::setShowSwitch(std::uint32_t number, bool solo, bool on) {
    if (solo) {
        switches_.setSolo(number, on);
    } else {
        switches_.setMute(number, on);
    }
    reportShowSwitches();
    return true;
}

void CAnalyzerSettings::reportShowSwitches() {
    for (std::uint32_t k = 0; k < CShowSwitches::kCount; ++k) {
        report(kSoloFirst + k, switches_.soloShown(k) ? 1.0f : 0.0f);
        report(kMuteFirst + k, switches_.muteShown(k) ? 1.0f : 0.0f);
    }
}

// A press acts when its value is above 0.5; the moved end is reported when it changed.
bool CAnalyzerSettings::setRangePress(std::uint32_t id, float value) {
    store(id, value);
    report(id, value);
    if (!(value > 0.5f)) return true;
    switch (id) {
        case kLevelTopUp:
            if (level_.raiseTop()) report(kLevelTop, static_cast<float>(level_.high()));
            break;
        case kLevelTopDown:
            if (level_.lowerTop()) report(kLevelTop, static_cast<float>(level_.high()));
            break;
        case kLevelBottomUp:
            if (level_.raiseBottom()) report(kLevelBottom, static_cast<float>(level_.low()));
            break;
        case kLevelBottomDown:
            if (level_.lowerBottom()) report(kLevelBottom, static_cast<float>(level_.low()));
            break;
        case kFreqLowUp:
            if (freq_.raiseLow()) report(kFreqLow, static_cast<float>(freq_.low()));
            break;
        case kFreqLowDown:
            if (freq_.lowerLow()) report(kFreqLow, static_cast<float>(freq_.low()));
            break;
        case kFreqHighUp:
            if (freq_.raiseHigh()) report(kFreqHigh, static_cast<float>(freq_.high()));
            break;
        case kFreqHighDown:
            if (freq_.lowerHigh()) report(kFreqHigh, static_cast<float>(freq_.high()));
            break;
        default: break;
    }
    return true;
}

// Eco mode, FFT size, window type and own display mode live in the shared block; a change here
// goes to every other instance.
bool CAnalyzerSettings::setCommonIndex(std::uint32_t id, std::uint32_t index) {
    switch (id) {
        case kAccuracy: common_.ecoMode = index; break;
        case kFftSize: common_.fftSizeIndex = index; break;
        case kWindowType: common_.windowType = index; break;
        default:
            displayMode_ = index;
            common_.displayModes[number_] = index;
            break;
    }
    report(id, static_cast<float>(index));
    if (!observer_) return true;
    if (id == kWindowType) {
        observer_->windowTypeChanged(index);
    } else if (id == kAnalysisView) {
        observer_->displayModeChanged();
    } else {
        observer_->analysisSettingsChanged(common_.ecoMode, common_.fftSizeIndex);
    }
    observer_->commonSettingsChanged(common_);
    return true;
}

// Every other instance number takes this instance's view (bands or FFT).
void CAnalyzerSettings::syncOthers() {
    const std::uint32_t own = common_.displayModes[number_];
    for (std::uint32_t k = 0; k < kInstances; ++k) {
        if (k != number_) common_.displayModes[k] = own;
    }
    if (!observer_) return;
    observer_->displayModeChanged();
    observer_->commonSettingsChanged(common_);
}

bool CAnalyzerSettings::applyCommonSettings(const GlobalSettingsBlock& block) {
    if (block.ecoMode > kMaxAccuracy || block.fftSizeIndex > kMaxFftSize || block.windowType > kMaxWindowType)
        return false;
    for (std::uint32_t mode : block.displayModes) {
        if (mode > kMaxAnalysisView) return false;
    }
    common_.ecoMode = block.ecoMode;
    common_.fftSizeIndex = block.fftSizeIndex;
    common_.windowType = block.windowType;
    std::memcpy(common_.displayModes, block.displayModes, sizeof(common_.displayModes));
    displayMode_ = common_.displayModes[number_];

    report(kAccuracy, static_cast<float>(common_.ecoMode));
    report(kFftSize, static_cast<float>(common_.fftSizeIndex));
    report(kWindowType, static_cast<float>(common_.windowType));
    report(kAnalysisView, static_cast<float>(displayMode_));
    if (observer_) {
        observer_->analysisSettingsChanged(common_.ecoMode, common_.fftSizeIndex);
        observer_->windowTypeChanged(common_.windowType);
        observer_->displayModeChanged();
    }
    return true;
}

bool CAnalyzerSettings::setName(std::uint32_t slot, const char* text, std::size_t capacity) {
    if (slot >= kNames || text == nullptr) return false;
    copyName(names_[slot], text, capacity);
    return true;
}

void CAnalyzerSettings::takeNames(const NameTable& names) {
    for (std::uint32_t i = 0; i < kNames; ++i) copyName(names_[i], names[i], kNameBytes);
}

}  // namespace qv
