// Differently named copies of the plug-in in one folder share one registry: numbers, common
// settings, views and names go across, the seventeenth instance is refused but passes audio;
// without the registry library there is no effect at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "test_support.h"
#include "vsthost/os.h"

namespace qv::vsthost {
namespace {

constexpr int kInstanceNumber = 0;
constexpr int kAnalysisView = 362;
constexpr int kFftSize = 363;
constexpr int kSyncOthers = 376;
constexpr std::size_t kNamesOffset = 752;

std::vector<std::uint8_t> namesOf(HostedEffect& effect) {
    const std::vector<std::uint8_t> chunk = effect.chunk();
    if (chunk.size() < kNamesOffset + 512) return {};
    return {chunk.begin() + kNamesOffset, chunk.begin() + kNamesOffset + 512};
}

TEST(RegistryCopies, TwoCopiesInOneFolderShareOneRegistry) {
    const test::TwoCopies copies = test::makeTwoCopies("shared");
    ASSERT_EQ(test::registryCount(copies.folder), 0);
    std::string error;
    auto stereo = PluginLibrary::load(copies.stereo, &error);
    auto mono = PluginLibrary::load(copies.mono, &error);
    ASSERT_TRUE(stereo && mono) << error;
    HostContext host;

    auto first = HostedEffect::create(stereo, host, &error);
    auto second = HostedEffect::create(mono, host, &error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_EQ(std::tuple(first->numInputs(), second->numInputs(), test::registryCount(copies.folder)), std::tuple(2, 1, 2));
    EXPECT_EQ(std::pair(first->parameter(kInstanceNumber), second->parameter(kInstanceNumber)), std::pair(0.0f, 1.0f));
    EXPECT_EQ(namesOf(*second), namesOf(*first));

    // A common setting changed in one copy reaches the other; Sync Others hands on a view.
    first->setParameter(kFftSize, 5.0f);
    second->setParameter(kAnalysisView, 1.0f);
    EXPECT_EQ(std::pair(second->parameter(kFftSize), first->parameter(kAnalysisView)), std::pair(5.0f, 0.0f));
    second->setParameter(kSyncOthers, 1.0f);
    EXPECT_EQ(first->parameter(kAnalysisView), 1.0f);

    // Sixteen in all, from both copies; the seventeenth is refused but still passes audio, and
    // the next newcomer after a leaver takes its number.
    std::vector<std::unique_ptr<HostedEffect>> more;
    for (int i = 2; i <= 16; ++i) {
        more.push_back(HostedEffect::create(i % 2 ? mono : stereo, host, &error));
        ASSERT_TRUE(more.back()) << error;
        EXPECT_TRUE(i == 16 || more.back()->parameter(kInstanceNumber) == static_cast<float>(i)) << i;
        EXPECT_EQ(test::registryCount(copies.folder), std::min(i + 1, 16));
    }
    const AudioBuffer in = test::noise(2, 4410);
    EXPECT_TRUE(test::run(*more.back(), in, 512).bitIdentical(in));
    more.back().reset();
    more[3].reset();  // number 5
    more.back() = HostedEffect::create(stereo, host, &error);
    ASSERT_TRUE(more.back()) << error;
    EXPECT_EQ(std::pair(more.back()->parameter(kInstanceNumber), more.back()->parameter(kFftSize)), std::pair(5.0f, 5.0f));
    EXPECT_EQ(test::registryCount(copies.folder), 16);
    more.clear();
    second.reset();
    first.reset();
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

}  // namespace
}  // namespace qv::vsthost
