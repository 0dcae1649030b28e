// Helpers of the registry tests: instances of this process, fed like a host feeds them, and the
// names they hold.
#pragma once

#include "core/plugin.h"
#include "core/setting_ids.h"
#include "core/state_chunk.h"
#include "support/feeder.h"

namespace qvtest {

namespace id = qv::settingid;

inline std::unique_ptr<qv::CPlugin> makeInstance() { return std::make_unique<qv::CPlugin>(0, 2, 2); }

// Every test starts and ends with nobody registered in this process.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(makeInstance()->registeredInstances(), 1u) << "an earlier test left some registered"; }
    void TearDown() override { EXPECT_EQ(makeInstance()->registeredInstances(), 1u) << "instances were left registered"; }
};

// Runs `frames` of a full-scale sine through an instance in blocks of 512, none dropped.
inline void feedSine(qv::CPlugin& plugin, double frequency, int frames) { Feeder(plugin).sine(frequency, 44100.0, frames); }

inline int number(qv::CPlugin& plugin) { return static_cast<int>(plugin.getParameter(id::kInstanceNumber, 0)); }

// The 16 names as the state chunk carries them.
inline std::vector<std::string> names(qv::CPlugin& plugin) {
    void* data = nullptr;
    EXPECT_EQ(plugin.getChunk(&data, false), 2756);
    const auto* bytes = static_cast<const char*>(data) + 752;
    std::vector<std::string> result;
    for (int i = 0; i < 16; ++i) result.emplace_back(bytes + 32 * i, strnlen(bytes + 32 * i, 32));
    return result;
}

// The number map of an instance, registry index by index.
inline std::vector<int> numberMap(const qv::CPlugin& plugin) {
    std::vector<int> map;
    for (std::uint32_t i = 0; i < 16; ++i) map.push_back(plugin.instanceNumberAt(i));
    return map;
}

}  // namespace qvtest
