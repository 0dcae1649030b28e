// The display driven by real analyzer instances in this process (noise, a sine, silence),
// read through the core's data service in every mode and layout; and a tone switched off,
// followed through the band-mode average whose length the core sets.
#include <numbers>
#include <random>

#include "core/analysis_shared.h"
#include "core/setting_ids.h"
#include "display_fixture.h"

namespace qv::test {
namespace {

using namespace std::chrono_literals;
namespace id = settingid;

// Feeds an instance `frames` samples from `next` in blocks of 512, letting its workers finish.
template <class Source>
void feed(CPlugin& plugin, int frames, Source&& next) {
    std::vector<float> left(512), right(512);
    for (int done = 0; done < frames; done += 512) {
        for (std::size_t i = 0; i < left.size(); ++i) left[i] = right[i] = next();
        void* ins[2] = {left.data(), right.data()};
        plugin.process(ins, ins, 2, 2, 512, kPrecisionFloat, 0);
        plugin.waitForWorkers(5s);
    }
}

// A 1 kHz sine at half scale.
struct Sine {
    double phase = 0.0;
    float operator()() { return 0.5f * static_cast<float>(std::sin(phase += 2.0 * std::numbers::pi * 1000.0 / 44100.0)); }
};
class LiveCores : public DisplayTest {
protected:
    LiveCores() {
        for (auto& c : cores) (c = std::make_unique<CPlugin>(0, 2, 2))->setSampleRate(44100.0);
        owner.core = cores[0].get();
        display->setSlope(3.0f);
    }
    ~LiveCores() override { owner.core = nullptr; }  // the cores go before the window
    std::unique_ptr<CPlugin> cores[3];
};

TEST_F(LiveCores, EveryModeAndLayoutShowsAllThree) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    Sine sine;
    for (std::uint32_t fft = 0; fft < 2; ++fft) {
        for (auto& c : cores) c->setParameter(id::kAnalysisView, static_cast<float>(fft), 0, false, false);
        display->setFftMode(fft);
        display->setSmoothingIndex(0);
        for (std::uint32_t mode = 0; mode < 4; ++mode) {
            display->setAlignMode(mode);
            for (int k = 0; k < 8; ++k) {
                feed(*cores[0], 4096, [&] { return noise(random); });
                feed(*cores[1], 4096, sine);
                feed(*cores[2], 4096, [] { return 0.0f; });
                frame();
            }
            EXPECT_EQ(display->graphsOnScreen(), 3u) << fft << " " << mode;
            if (fft == 0 && mode == 0) {  // the sine's bar at 1 kHz is tall, silence has none
                EXPECT_GT(runFromBottom(bandX(17) + 6, colourPixel(1)), kH / 2);
                EXPECT_LE(runFromBottom(bandX(17) + 11, colourPixel(2)), 1);
            }
        }
    }
}

TEST_F(LiveCores, BandAverageOfOneSecondLetsAToneDecayOverASecond) {
    // The core sets the average length (349) from the average time (347), the rate and the hop.
    CPlugin& core = *cores[1];
    core.setParameter(id::kAverageTime, (1.0f - 0.1f) / 4.9f, 0, false, false);
    const std::uint32_t hop = core.analysis().algorithm.getBandWindowLength();
    const auto frames = static_cast<int>(core.getParameter(id::kAverageFrames, 0));
    ASSERT_EQ(frames, static_cast<int>(44100 / hop));
    display->setAverageEnabled(true), display->setAverageFrames(static_cast<std::uint32_t>(frames));
    display->setInstantResponse(true), display->setShowPeaks(false), display->setStaleTimeout(1e9f);
    // One display frame per band record; the sine's bar in the 1 kHz band.
    Sine sine;
    const auto step = [&](bool on) {
        feed(core, static_cast<int>(hop), [&] { return on ? sine() : 0.0f; });
        frame();
        return runFromBottom(bandX(17) + 6, colourPixel(1));
    };
    std::int32_t lit = 0, half = 0, nearEnd = 0, after = 0;
    for (int k = 0; k < frames + 4; ++k) lit = step(true);
    for (int k = 1; k <= frames + 3; ++k) {
        after = step(false);
        half = k == frames / 2 ? after : half;
        nearEnd = k == frames - 2 ? after : nearEnd;
    }
    // Half a second after the tone stopped, then near the end of the second, then after it.
    EXPECT_TRUE(kH / 2 < lit && half < lit && 0 < nearEnd && nearEnd < half) << lit << " " << half << " " << nearEnd;
    EXPECT_EQ(after, 0);
}

}  // namespace
}  // namespace qv::test
