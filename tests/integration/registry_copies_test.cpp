// Instances from differently named copies of the plug-in, loaded by the host from one folder,
// share one registry: numbers, common settings, views and names go across the copies, the
// seventeenth instance is refused but passes audio, and a missing, foreign or stale registry
// library gives no effect at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "test_support.h"
#include "vsthost/os.h"

namespace qv::vsthost {
namespace {

namespace fs = std::filesystem;

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
    test::RegistryProbe registry(copies.folder);
    ASSERT_TRUE(registry.loaded());
    std::string error;
    auto stereo = PluginLibrary::load(copies.stereo, &error);
    auto mono = PluginLibrary::load(copies.mono, &error);
    ASSERT_TRUE(stereo && mono) << error;
    HostContext host;

    auto first = HostedEffect::create(stereo, host, &error);
    auto second = HostedEffect::create(mono, host, &error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_EQ(std::tuple(first->numInputs(), second->numInputs(), registry.count()), std::tuple(2, 1, 2u));
    EXPECT_EQ(std::pair(first->parameter(kInstanceNumber), second->parameter(kInstanceNumber)), std::pair(0.0f, 1.0f));
    EXPECT_EQ(namesOf(*second), namesOf(*first));

    // A common setting changed in one copy reaches the other; Sync Others hands on a view.
    first->setParameter(kFftSize, 5.0f);
    EXPECT_EQ(second->parameter(kFftSize), 5.0f);
    second->setParameter(kAnalysisView, 1.0f);
    EXPECT_EQ(first->parameter(kAnalysisView), 0.0f);
    second->setParameter(kSyncOthers, 1.0f);
    EXPECT_EQ(first->parameter(kAnalysisView), 1.0f);

    // Sixteen in all, from both copies; the seventeenth is refused but still passes audio.
    std::vector<std::unique_ptr<HostedEffect>> more;
    for (int i = 2; i < 16; ++i) {
        more.push_back(HostedEffect::create(i % 2 ? mono : stereo, host, &error));
        ASSERT_TRUE(more.back()) << error;
        EXPECT_EQ(more.back()->parameter(kInstanceNumber), static_cast<float>(i));
    }
    EXPECT_EQ(registry.count(), 16u);
    auto refused = HostedEffect::create(mono, host, &error);
    ASSERT_TRUE(refused) << error;
    EXPECT_EQ(registry.count(), 16u);
    const AudioBuffer in = test::noise(1, 4410);
    EXPECT_TRUE(test::run(*refused, in, 512).bitIdentical(in));
    refused.reset();
    EXPECT_EQ(registry.count(), 16u);

    // The next newcomer after a leaver takes its number.
    more[3].reset();  // number 5
    auto newcomer = HostedEffect::create(stereo, host, &error);
    ASSERT_TRUE(newcomer) << error;
    EXPECT_EQ(newcomer->parameter(kInstanceNumber), 5.0f);
    EXPECT_EQ(newcomer->parameter(kFftSize), 5.0f);

    newcomer.reset();
    more.clear();
    second.reset();
    first.reset();
    EXPECT_EQ(registry.count(), 0u);
}

TEST(RegistryCopies, WithoutTheRightRegistryLibraryTheEntryPointGivesNoEffectAndLeavesNothingRunning) {
    // The report is a modal message box on Windows, which nobody would close here.
    if (std::string(os::libraryExtension()) == ".dll") GTEST_SKIP() << "reports block in a message box";
    const test::TwoCopies missing = test::makeTwoCopies("missing", false);
    const test::TwoCopies foreign = test::makeTwoCopies("foreign", false);
    const test::TwoCopies stale = test::makeTwoCopies("stale", false);
    const fs::path plugin(test::pluginPath());
    fs::copy_file(plugin, fs::path(foreign.folder) / test::registryName());
    fs::copy_file(plugin.parent_path().parent_path() / "test-libs" / "stale" / test::registryName(),
                  fs::path(stale.folder) / test::registryName());
    for (const test::TwoCopies* copies : {&missing, &foreign, &stale}) {
        std::string error;
        auto library = PluginLibrary::load(copies->stereo, &error);
        ASSERT_TRUE(library) << error;
        const auto threadsBefore = os::threadCount();
        HostContext host;
        testing::internal::CaptureStderr();
        auto effect = HostedEffect::create(library, host, &error);
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_EQ(effect, nullptr) << copies->folder;
        EXPECT_NE(report.find("Nolvatek: Quorvane: The bundled dynamic library is missing. CPlugin::LoadDll"),
                  std::string::npos)
            << report;
        EXPECT_EQ(os::threadCount(), threadsBefore) << copies->folder;
    }
}

}  // namespace
}  // namespace qv::vsthost
