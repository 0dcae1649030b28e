// Differently named copies of the plug-in in one folder share one registry: numbers, common
// settings, views and names go across (the limit of sixteen and the numbers leavers free are the
// registry's unit tests); without the registry library there is no effect at all. Under churn by
// four threads, while each instance passes audio through on a thread of its own and settings for
// all change, the sanitizers find races, leaks and calls into instances that are gone.
#include <array>
#include <random>

#include "support/test_common.h"
#include "test_support.h"

namespace qv::vsthost {
namespace {

constexpr int kInstanceNumber = 0, kAnalysisView = 362, kFftSize = 363, kSyncOthers = 376;

TEST(RegistryCopies, TwoCopiesInOneFolderShareOneRegistry) {
    const test::TwoCopies copies = test::makeTwoCopies("shared");
    ASSERT_EQ(test::registryCount(copies.folder), 0);
    test::Loaded first = test::load(copies.stereo), second = test::load(copies.mono);
    ASSERT_TRUE(first && second) << first.error << second.error;
    EXPECT_EQ(std::tuple(first->numInputs(), second->numInputs(), test::registryCount(copies.folder)), std::tuple(2, 1, 2));
    EXPECT_EQ(std::pair(first->parameter(kInstanceNumber), second->parameter(kInstanceNumber)), std::pair(0.0f, 1.0f));
    // The 16 names of 32 bytes at byte 752 of the chunk.
    const auto names = first->chunk(), others = second->chunk();
    ASSERT_EQ(std::pair(names.size(), others.size()), std::pair(std::size_t{2756}, std::size_t{2756}));
    EXPECT_TRUE(std::equal(names.begin() + 752, names.begin() + 752 + 512, others.begin() + 752));

    // A common setting changed in one copy reaches the other; Sync Others hands on a view.
    first->setParameter(kFftSize, 5.0f);
    second->setParameter(kAnalysisView, 1.0f);
    EXPECT_EQ(std::pair(second->parameter(kFftSize), first->parameter(kAnalysisView)), std::pair(5.0f, 0.0f));
    second->setParameter(kSyncOthers, 1.0f);
    EXPECT_EQ(first->parameter(kAnalysisView), 1.0f);

    second.effect.reset(), first.effect.reset();
    EXPECT_EQ(test::registryCount(copies.folder), 0);
}

TEST(RegistryCopies, WithoutTheRegistryLibraryTheEntryPointGivesNoEffectAndLeavesNothingRunning) {
    // The report is a modal message box on Windows, which nobody would close here. Which
    // libraries count as the registry is the registry library's own test.
    if (std::string(os::libraryExtension()) == ".dll") GTEST_SKIP() << "reports block in a message box";
    std::string error;
    auto library = PluginLibrary::load(test::makeTwoCopies("missing", false).stereo, &error);
    ASSERT_TRUE(library) << error;
    const auto threadsBefore = os::threadCount();
    HostContext host;
    testing::internal::CaptureStderr();
    EXPECT_EQ(HostedEffect::create(library, host, &error), nullptr);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("Nolvatek: Quorvane: The bundled dynamic library is missing. CPlugin::LoadDll"), std::string::npos)
        << report;
    EXPECT_EQ(os::threadCount(), threadsBefore);
}

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
        effect->setSampleRate(48000.0f), effect->setBlockSize(kBlock), effect->resume();
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
    void finish() { if (effect) stop.store(true), audio.join(), effect.reset(); }
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
                    const std::pair<int, float> changes[] = {{363, static_cast<float>(random() % 6)},
                                                             {362, static_cast<float>(random() % 2)}, {376, 1.0f}, {3, 1.0f}};
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
    EXPECT_EQ(std::tuple(created.load() >= 32, blocks > 0, changed, test::registryCount(copies.folder)),
              std::tuple(true, true, 0u, 0)) << created.load() << " created";
}

}  // namespace
}  // namespace qv::vsthost
