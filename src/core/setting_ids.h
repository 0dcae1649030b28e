// The identifiers through which the editor, the host and the state chunk address the analyzer's
// settings, and the ranges of the settings that carry an index.
#pragma once

#include <cstdint>

namespace qv::settingid {

constexpr std::uint32_t kCount = 388;
constexpr std::uint32_t kInstances = 16;
constexpr std::uint32_t kMemoriesPerInstance = 8;

constexpr std::uint32_t kInstanceNumber = 0;
constexpr std::uint32_t kSidePanel = 2;
constexpr std::uint32_t kPostNames = 3;
constexpr std::uint32_t kNamesRequest = 4;
constexpr std::uint32_t kTabBands = 5;
constexpr std::uint32_t kTabFft = 6;
constexpr std::uint32_t kTabAbout = 7;
constexpr std::uint32_t kAttack = 8;
constexpr std::uint32_t kRelease = 9;
constexpr std::uint32_t kSlope = 10;
constexpr std::uint32_t kSoloFirst = 11;         // + instance number
constexpr std::uint32_t kMuteFirst = 27;         // + instance number
constexpr std::uint32_t kColourFirst = 43;       // + instance number; packed RGBA bits
constexpr std::uint32_t kNamesColourFirst = 59;  // + instance number; an alias of the colour
constexpr std::uint32_t kNameFieldFirst = 75;    // + instance number; names travel as records
constexpr std::uint32_t kMemorySwitchFirst = 91;  // + 8 * instance + memory; action bits
constexpr std::uint32_t kMemoryStateFirst = 219;  // + 8 * instance + memory; state bits
constexpr std::uint32_t kAverageTime = 347;
constexpr std::uint32_t kAverageOn = 348;
constexpr std::uint32_t kAverageFrames = 349;
constexpr std::uint32_t kPeakDisplay = 350;
constexpr std::uint32_t kBarsCurves = 351;
constexpr std::uint32_t kPeakHold = 352;
constexpr std::uint32_t kPeakHoldTime = 353;
constexpr std::uint32_t kAccuracy = 354;
constexpr std::uint32_t kArrangement = 355;
constexpr std::uint32_t kLevelTopUp = 356;
constexpr std::uint32_t kLevelTopDown = 357;
constexpr std::uint32_t kLevelBottomUp = 358;
constexpr std::uint32_t kLevelBottomDown = 359;
constexpr std::uint32_t kLevelBottom = 360;
constexpr std::uint32_t kLevelTop = 361;
constexpr std::uint32_t kAnalysisView = 362;
constexpr std::uint32_t kFftSize = 363;
constexpr std::uint32_t kFreqLowUp = 364;
constexpr std::uint32_t kFreqLowDown = 365;
constexpr std::uint32_t kFreqHighUp = 366;
constexpr std::uint32_t kFreqHighDown = 367;
constexpr std::uint32_t kFreqLow = 368;
constexpr std::uint32_t kFreqHigh = 369;
constexpr std::uint32_t kFreqLowSteps = 370;
constexpr std::uint32_t kFreqHighSteps = 371;
constexpr std::uint32_t kFftResponse = 372;
constexpr std::uint32_t kWindowType = 373;
constexpr std::uint32_t kVeil = 374;
constexpr std::uint32_t kResolution = 375;
constexpr std::uint32_t kSyncOthers = 376;
constexpr std::uint32_t kDisplay = 377;
constexpr std::uint32_t kLevelTopSteps = 378;
constexpr std::uint32_t kLevelBottomSteps = 379;
constexpr std::uint32_t kPause = 380;
constexpr std::uint32_t kCompactLayout = 387;

// Largest value of each index setting (all start at 0).
constexpr std::uint32_t kMaxAccuracy = 1;
constexpr std::uint32_t kMaxArrangement = 2;
constexpr std::uint32_t kMaxAnalysisView = 1;
constexpr std::uint32_t kMaxFftSize = 5;
constexpr std::uint32_t kMaxFftResponse = 1;
constexpr std::uint32_t kMaxWindowType = 5;
constexpr std::uint32_t kMaxResolution = 11;

// Settings whose value is a 32-bit pattern rather than a number.
constexpr bool carriesBits(std::uint32_t id) {
    return (id >= kColourFirst && id < kNameFieldFirst) || (id >= kMemorySwitchFirst && id < kAverageTime);
}

}  // namespace qv::settingid
