// Third-party VST 2.4 plug-ins from Debian's packages load and run in our host: a check that the
// host keeps to the standard interface, not only to what our plug-in does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "test_support.h"
#include "vsthost/effect_identity.h"
#include "vsthost/os.h"
#include "vsthost/signal_generator.h"

namespace qv::vsthost {
namespace {

// Debian's plug-ins are Linux libraries; under Windows there is nothing to load.
std::string thirdParty(const char* path) {
    if (std::string(os::libraryExtension()) != ".so" || !std::filesystem::exists(path)) return {};
    return path;
}

// LSP's libraries leave a few allocations of their own behind when they are unloaded (12 KB from
// a module they load and unload themselves); the leak checker is told to look away from them.
struct ForeignAllocations {
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler disabler;
#endif
};

AudioBuffer pink(int channels) {
    SignalSettings sig;
    sig.kind = SignalKind::Pink;
    sig.seconds = 0.5;
    return generateSignal(sig, 44100.0, channels);
}

TEST(ThirdParty, LspSpectrumAnalyzerIdentifiesItselfAndPassesAudio) {
    // The per-plug-in library is a small loader that finds the shared core next to it.
    const std::string path = thirdParty("/usr/lib/vst/lsp-plugins/spectrum-analyzer-x2.so");
    if (path.empty()) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    [[maybe_unused]] ForeignAllocations foreign;
    test::Loaded loaded = test::load(path);
    ASSERT_TRUE(loaded) << loaded.error;
    const EffectIdentity id = gatherIdentity(*loaded.effect);
    EXPECT_EQ(id.effectName, "Spectrum Analyzer x2");
    EXPECT_EQ(id.vendor, "LSP VST");
    EXPECT_EQ(id.vstVersion, 2400);
    EXPECT_EQ(id.numInputs, 2);
    EXPECT_EQ(id.numOutputs, 2);
    EXPECT_GT(id.numParams, 0);
    EXPECT_FALSE(id.parameters.at(0).name.empty());
    EXPECT_GT(id.chunk.size(), 16u);  // its state travels as a chunk

    // An analyzer passes its input through unchanged.
    const AudioBuffer in = pink(2);
    EXPECT_TRUE(test::run(*loaded.effect, in, 256).bitIdentical(in));
    EXPECT_EQ(loaded->close(), 1);
}

TEST(ThirdParty, LspCompressorProcessesAudio) {
    const std::string path = thirdParty("/usr/lib/vst/lsp-plugins/compressor-stereo.so");
    if (path.empty()) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    [[maybe_unused]] ForeignAllocations foreign;
    test::Loaded loaded = test::load(path);
    ASSERT_TRUE(loaded) << loaded.error;
    EXPECT_EQ(loaded->effectName().text, "Compressor Stereo");
    const AudioBuffer in = pink(2);
    const AudioBuffer out = test::run(*loaded.effect, in, 512);
    ASSERT_EQ(out.channels(), 2);
    double energy = 0;
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < out.frames(); ++i) {
            ASSERT_TRUE(std::isfinite(out.channel(c)[i]));
            energy += static_cast<double>(out.channel(c)[i]) * out.channel(c)[i];
        }
    }
    EXPECT_GT(energy, 0.0);
}

TEST(ThirdParty, DpfPluginWithOnlyTheOldEntryName) {
    const std::string path = thirdParty("/usr/lib/vst/3BandEQ-vst.so");
    if (path.empty()) GTEST_SKIP() << "dpf-plugins-vst is not installed";
    test::Loaded loaded = test::load(path);
    ASSERT_TRUE(loaded) << loaded.error;
    EXPECT_EQ(loaded.library->entryName(), "main");
    EXPECT_EQ(loaded->effectName().text, "3 Band EQ");
    // All three bands at 0 dB: the signal comes out as it went in, to rounding.
    const AudioBuffer in = pink(2);
    const AudioBuffer out = test::run(*loaded.effect, in, 300);
    ASSERT_EQ(out.channels(), 2);
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < out.frames(); ++i) ASSERT_NEAR(out.channel(c)[i], in.channel(c)[i], 1e-5);
    }
}

}  // namespace
}  // namespace qv::vsthost
