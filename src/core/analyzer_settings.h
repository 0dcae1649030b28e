// Every setting of one analyzer instance (identifiers 0..387), the rules that apply a written
// value, the settings block shared with the other instances, the 16 instance names, and the
// state chunk. It takes no lock: its owner serialises all calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/instance_messages.h"
#include "core/range_settings.h"
#include "core/setting_ids.h"
#include "core/settings_observer.h"
#include "core/show_switches.h"
#include "core/state_chunk.h"

namespace qv {

class CAnalyzerSettings {
public:
    static constexpr std::uint32_t kCount = settingid::kCount;
    static constexpr std::uint32_t kNames = kMaxRegistryInstances;
    static constexpr std::uint32_t kNameBytes = kInstanceNameBytes;
    using NameTable = char[kNames][kNameBytes];

    // Initial values of a new instance; observer may be null (nothing is reported).
    explicit CAnalyzerSettings(ISettingsObserver* observer = nullptr);
    void setObserver(ISettingsObserver* observer) { observer_ = observer; }

    // Stores and applies a written value and reports it (see the observer). Returns false when
    // the write is ignored: an unknown identifier, a value set by the core itself (0, 360, 361,
    // 368, 369), a name field (75..90), a non-finite value of a setting that is not carried as
    // bits, or an index outside its setting's range.
    bool set(std::uint32_t id, float value);
    // The current value in its setting's form: index settings as whole numbers, S and M switches
    // as shown (0.0 or 1.0), bits settings as their exact pattern. 0 for unknown identifiers.
    float get(std::uint32_t id) const;
    std::uint32_t getBits(std::uint32_t id) const;
    // Stores a bits setting (colours, memory switches and states) without reporting it.
    bool storeBits(std::uint32_t id, std::uint32_t bits);

    // This instance's number (0..15, from the registry); reported as setting 0.
    void setInstanceNumber(std::uint32_t number);
    std::uint32_t instanceNumber() const { return number_; }

    // A settings block posted by another instance (type 5) or answered to a query (type 6):
    // takes over eco mode, FFT size index, window type and the 16 display modes; own display
    // mode becomes the entry of own number. Reports 354, 363, 373, 362 and the hooks, but never
    // commonSettingsChanged. A block with a value out of range changes nothing (false).
    bool applyCommonSettings(const GlobalSettingsBlock& block);
    const GlobalSettingsBlock& commonSettings() const { return common_; }

    // Writes every field of the chunk from the current settings; other bytes become 0.
    void fillChunk(StateChunk& chunk) const;
    // Applies own settings from a chunk of size bytes. The instance number and the solo state
    // belong to the process and are not taken. A short, foreign or corrupt chunk changes nothing
    // (false). Restored values are reported like written ones.
    bool restoreChunk(const void* data, std::int32_t size);

    // Instance names, NUL-terminated within 32 bytes, zero after the terminator.
    const NameTable& names() const { return names_; }
    const char* name(std::uint32_t slot) const { return slot < kNames ? names_[slot] : ""; }
    // Replaces one name by at most 31 characters of text (read up to capacity bytes).
    bool setName(std::uint32_t slot, const char* text, std::size_t capacity);
    // Replaces all 16 names (a received type-32 record); an unterminated name is cut to 31.
    void takeNames(const NameTable& names);

    const CLevelRange& levelRange() const { return level_; }
    const CFrequencyRange& frequencyRange() const { return freq_; }
    const CShowSwitches& showSwitches() const { return switches_; }
    std::uint32_t ecoMode() const { return common_.ecoMode; }
    std::uint32_t fftSizeIndex() const { return common_.fftSizeIndex; }
    std::uint32_t windowType() const { return common_.windowType; }
    std::uint32_t displayMode() const { return displayMode_; }
    std::uint32_t smoothingIndex() const { return storedIndex(settingid::kResolution); }
    bool averageOn() const { return get(settingid::kAverageOn) > 0.5f; }
    float averageSeconds() const { return 0.1f + 4.9f * get(settingid::kAverageTime); }
    float slopeDbPerOctave() const { return 20.0f * get(settingid::kSlope) - 10.0f; }
    bool paused() const { return get(settingid::kPause) >= 0.5f; }
    bool compactLayout() const { return compact_ != 0; }
    // The band-mode average length in band records (setting 349): trunc(average seconds x
    // sample rate / band hop), 1 .. kAverageFramesMax (the display's history). Recomputed when the
    // average time, the sample rate or the hop changes; reported when its value changes.
    static constexpr std::uint32_t kAverageFramesMax = 938;
    void setAverageBasis(double sampleRate, std::uint32_t hopSamples);

private:
    void updateAverageFrames();
    void report(std::uint32_t id, float value);
    void store(std::uint32_t id, float value);
    // A knob's normalised value within 0..1 (others as they are), from every source.
    static float withinRange(std::uint32_t id, float value);
    std::uint32_t storedIndex(std::uint32_t id) const;
    bool setBitsSetting(std::uint32_t id, std::uint32_t bits);
    bool setShowSwitch(std::uint32_t number, bool solo, bool on);
    void reportShowSwitches();
    bool setRangePress(std::uint32_t id, float value);
    bool setCommonIndex(std::uint32_t id, std::uint32_t index);
    void syncOthers();
    static bool chunkIsSound(const StateChunk& chunk);
    void applyChunk(const StateChunk& chunk);

    ISettingsObserver* observer_;
    std::array<std::uint32_t, kCount> values_{};  // float settings as bit patterns
    GlobalSettingsBlock common_{};
    std::uint32_t displayMode_ = 0;
    std::uint32_t number_ = 0;
    std::int32_t compact_ = 0;
    double averageRate_ = 44100.0;
    std::uint32_t averageHop_ = 0;
    CLevelRange level_;
    CFrequencyRange freq_;
    CShowSwitches switches_;
    NameTable names_{};
};

// The default colour of instance slot i of 16, packed as the colour settings carry it.
std::uint32_t defaultInstanceColour(std::uint32_t slot);
// Packs red, green, blue and alpha (0..1) as trunc(255 * c) into red 24..31 ... alpha 0..7.
std::uint32_t packColour(float red, float green, float blue, float alpha);

}  // namespace qv
