// Instances of two copies created and destroyed by four threads while each passes audio through
// on a thread of its own and settings for all of them change. Under the sanitizers this finds
// races, leaks and calls into instances that are gone; at the end the registry is empty again.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "test_support.h"

namespace qv::vsthost {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
constexpr int kThreads = 4, kSlotsPerThread = 4, kBlock = 512;

// One instance and the thread that feeds it noise.
struct Slot {
    std::unique_ptr<HostedEffect> effect;
    std::thread audio;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> blocks{0}, changed{0};  // blocks processed, and not passed through

    void start(std::unique_ptr<HostedEffect> created, std::uint32_t seed) {
        effect = std::move(created);
        effect->setSampleRate(48000.0f);
        effect->setBlockSize(kBlock);
        effect->resume();
        stop.store(false);
        audio = std::thread([this, seed] {
            std::vector<float> buffer(static_cast<std::size_t>(effect->numInputs()) * kBlock);
            std::vector<float*> channels;
            for (std::size_t c = 0; c < buffer.size(); c += kBlock) channels.push_back(buffer.data() + c);
            std::minstd_rand random(seed);
            while (!stop.load()) {
                for (float& v : buffer) v = static_cast<float>(random()) / 2147483647.0f - 0.5f;
                const std::vector<float> sent = buffer;
                effect->process(channels.data(), channels.data(), kBlock);  // in place
                changed.fetch_add(buffer != sent);
                blocks.fetch_add(1);
                std::this_thread::sleep_for(milliseconds(4));
            }
        });
    }
    void finish() {
        if (!effect) return;
        stop.store(true);
        audio.join();
        effect.reset();
    }
};

TEST(RegistryStress, InstancesComeAndGoWhileAllOfThemProcessAndPost) {
    const test::TwoCopies copies = test::makeTwoCopies("stress");
    ASSERT_EQ(test::registryCount(copies.folder), 0);
    std::string error;
    auto stereo = PluginLibrary::load(copies.stereo, &error), mono = PluginLibrary::load(copies.mono, &error);
    ASSERT_TRUE(stereo && mono) << error;
    HostContext host;
    std::array<Slot, kThreads * kSlotsPerThread> slots;
    // At least 3 s and 32 instances (at most 40 s): the same churn in a fast release build as
    // under a sanitizer on a busy machine.
    std::atomic<int> created{0};
    const auto start = std::chrono::steady_clock::now();
    const auto running = [&] {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        return elapsed < seconds(3) || (created.load() < 32 && elapsed < seconds(40));
    };
    std::vector<std::thread> churners;
    for (int t = 0; t < kThreads; ++t) {
        churners.emplace_back([&, t] {
            std::minstd_rand random(static_cast<std::uint32_t>(1234 + t));
            for (std::uint32_t round = 0; running(); ++round) {
                Slot& slot = slots[static_cast<std::size_t>(t * kSlotsPerThread) + random() % kSlotsPerThread];
                if (!slot.effect) {
                    std::string why;
                    auto effect = HostedEffect::create(random() % 2 ? mono : stereo, host, &why);
                    ASSERT_TRUE(effect) << why;
                    const float number = effect->parameter(0);
                    EXPECT_TRUE(number >= 0.0f && number < 16.0f) << number;
                    slot.start(std::move(effect), round);
                    created.fetch_add(1);
                } else if (random() % 3 == 0) {
                    // Settings that travel to every instance: sizes, views, Sync Others, names.
                    const std::pair<int, float> changes[] = {
                        {363, static_cast<float>(random() % 6)}, {362, static_cast<float>(random() % 2)}, {376, 1.0f}, {3, 1.0f}};
                    const auto& [id, value] = changes[random() % 4];
                    slot.effect->setParameter(id, value);
                } else {
                    std::this_thread::sleep_for(milliseconds(random() % 20));
                    slot.finish();
                }
            }
        });
    }
    for (auto& c : churners) c.join();
    std::uint64_t blocks = 0, changed = 0;
    for (Slot& slot : slots) blocks += slot.blocks.load(), changed += slot.changed.load(), slot.finish();
    EXPECT_GE(created.load(), 32);
    EXPECT_GT(blocks, 0u);
    EXPECT_EQ(changed, 0u);
    EXPECT_EQ(test::registryCount(copies.folder), 0);
}

}  // namespace
}  // namespace qv::vsthost
