// An observer that records everything the settings report, and settings reporting to one.
#pragma once

#include <optional>

#include "core/analyzer_settings.h"
#include "support/test_common.h"

struct RecordingObserver : qv::ISettingsObserver {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> echoes, analysis, memory;  // (id, bits), (eco, fft), (id, bits)
    std::vector<qv::GlobalSettingsBlock> posted;
    std::vector<std::uint32_t> windowTypes;
    int displayModes = 0, averageSwitches = 0, namesRequests = 0, namePosts = 0;

    void notifyEditor(std::uint32_t id, float value) override { echoes.emplace_back(id, std::bit_cast<std::uint32_t>(value)); }
    void commonSettingsChanged(const qv::GlobalSettingsBlock& block) override { posted.push_back(block); }
    void analysisSettingsChanged(std::uint32_t eco, std::uint32_t fft) override { analysis.emplace_back(eco, fft); }
    void windowTypeChanged(std::uint32_t type) override { windowTypes.push_back(type); }
    void displayModeChanged() override { ++displayModes; }
    void averageSwitchChanged() override { ++averageSwitches; }
    void namesRequested() override { ++namesRequests; }
    void postNames() override { ++namePosts; }
    void memorySwitch(std::uint32_t id, std::uint32_t bits) override { memory.emplace_back(id, bits); }

    // Every value echoed for id, in order, and the last of them.
    std::vector<float> all(std::uint32_t id) const {
        std::vector<float> out;
        for (const auto& [i, bits] : echoes)
            if (i == id) out.push_back(std::bit_cast<float>(bits));
        return out;
    }
    std::optional<float> last(std::uint32_t id) const {
        const auto values = all(id);
        return values.empty() ? std::nullopt : std::optional<float>(values.back());
    }
    bool silent() const {
        return echoes.empty() && posted.empty() && analysis.empty() && windowTypes.empty() && memory.empty() &&
               displayModes == 0 && averageSwitches == 0 && namesRequests == 0 && namePosts == 0;
    }
    void clear() { *this = RecordingObserver{}; }
};

struct SettingsTest : ::testing::Test {
    RecordingObserver seen;
    qv::CAnalyzerSettings s{&seen};
    void press(std::uint32_t id, int times = 1) { for (int i = 0; i < times; ++i) s.set(id, 1.0f); }
};
