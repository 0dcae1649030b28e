#include <random>

#include "recording_observer.h"

namespace {

using namespace qv::settingid;

using Ranges = SettingsTest;
using ShowSwitches = SettingsTest;

TEST_F(Ranges, LevelTopRisesTwiceToTwentyAndTheRangeNeverNarrowsBelowTenDb) {
    press(kLevelTopUp, 3);
    EXPECT_EQ(seen.all(kLevelTop), (std::vector<float>{10.0f, 20.0f}));  // the third press changes nothing
    press(kLevelTopDown, 12);
    press(kLevelBottomUp);
    EXPECT_EQ(std::tuple(s.levelRange().low(), s.levelRange().high(), s.get(kLevelBottom), s.get(kLevelTop)),
              std::tuple(-90, -80, -90.0f, -80.0f));
    // Only a press above 0.5 acts; a release writes 0 and 0.5 is not a press.
    s.set(kLevelTopUp, 0.5f);
    s.set(kLevelTopUp, 0.0f);
    EXPECT_EQ(s.levelRange().high(), -80);
}

TEST_F(Ranges, TheLowestFrequencyWalksTheDecadeGridBothWaysAndTheHighestJumpsADecade) {
    auto walk = [&](std::uint32_t button) {  // every lowest frequency until a press changes nothing
        std::vector<int> lows{s.frequencyRange().low()};
        for (int i = 0; i < 100 && (lows.size() < 2 || lows.back() != lows[lows.size() - 2]); ++i)
            press(button), lows.push_back(s.frequencyRange().low());
        return lows.pop_back(), lows;
    };
    const std::vector<int> up = walk(kFreqLowUp), down = walk(kFreqLowDown);
    EXPECT_EQ(std::vector<int>(up.begin(), up.begin() + 11), (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 200}));
    // 10..90, 100..900, 1000..9000, 10000: 10000 + 10000 would reach the upper end
    EXPECT_EQ(std::pair(up.back(), up.size()), std::pair(10000, std::size_t{28}));
    EXPECT_EQ(std::vector<int>(down.rbegin(), down.rend()), up);
    press(kFreqHighDown, 2);
    EXPECT_EQ(seen.all(kFreqHigh), (std::vector<float>{10000, 9000}));
    press(kFreqHighUp, 2);
    EXPECT_EQ(s.frequencyRange().high(), 20000);
}

TEST_F(Ranges, AnyPressSequenceKeepsBothRangesOnTheirGridWithinBounds) {
    std::mt19937 rng(7);
    for (int i = 0; i < 8000; ++i) {
        press(i % 2 ? kLevelTopUp + rng() % 4 : kFreqLowUp + rng() % 4);
        const auto& l = s.levelRange();
        const auto& r = s.frequencyRange();
        ASSERT_TRUE(l.low() >= -90 && l.high() <= 20 && l.high() - l.low() >= 10 && l.low() % 10 == 0 &&
                    l.high() % 10 == 0) << l.low() << ".." << l.high();
        ASSERT_TRUE(r.low() >= 10 && r.low() < r.high() && r.high() <= 20000) << r.low() << ".." << r.high();
    }
}

// What the M switch of every number shows, from the last report of each.
std::vector<float> muteSwitches(const RecordingObserver& seen) {
    std::vector<float> m;
    for (std::uint32_t k = 0; k < 16; ++k) m.push_back(seen.last(kMuteFirst + k).value_or(-1.0f));
    return m;
}

TEST_F(ShowSwitches, SoloShowsOnlyTheSoloedNumberAndUnsoloRestoresSavedMutes) {
    s.set(kMuteFirst + 5, 1.0f);
    s.set(kSoloFirst + 2, 1.0f);
    auto allBut = [](std::uint32_t k, float value) {  // every switch at value, but k
        std::vector<float> m(16, value);
        return m[k] = 1.0f - value, m;
    };
    EXPECT_EQ(muteSwitches(seen), allBut(2, 1.0f));
    EXPECT_EQ(std::pair(seen.last(kSoloFirst + 2), s.showSwitches().soloCount()), std::pair(std::optional(1.0f), 1));
    for (std::uint32_t k = 0; k < 16; ++k) EXPECT_EQ(s.showSwitches().hidden(k), k != 2) << k;
    s.set(kSoloFirst + 2, 0.0f);
    EXPECT_EQ(muteSwitches(seen), allBut(5, 0.0f));
    EXPECT_EQ(std::pair(seen.last(kSoloFirst + 2), s.showSwitches().soloCount()), std::pair(std::optional(0.0f), 0));
}

TEST_F(ShowSwitches, OverlappingSolosCountAndTheLastOneRestores) {
    s.set(kSoloFirst + 2, 1.0f);
    s.set(kSoloFirst + 2, 1.0f);  // already soloed: not counted twice
    s.set(kSoloFirst + 7, 1.0f);
    EXPECT_EQ(s.showSwitches().soloCount(), 2);
    s.set(kMuteFirst + 7, 1.0f);  // soloed and muted: both switches on
    EXPECT_EQ(std::pair(seen.last(kSoloFirst + 7), muteSwitches(seen)[7]), std::pair(std::optional(1.0f), 1.0f));
    s.set(kMuteFirst + 7, 0.0f);
    s.set(kSoloFirst + 2, 0.0f);  // another solo remains: 2 is dimmed
    EXPECT_EQ(std::pair(muteSwitches(seen)[2], muteSwitches(seen)[7]), std::pair(1.0f, 0.0f));
    // Un-muting a dimmed number shows it while the solo lasts.
    s.set(kMuteFirst + 3, 0.0f);
    EXPECT_FALSE(s.showSwitches().hidden(3));

    s.set(kSoloFirst + 7, 0.0f);
    EXPECT_EQ(std::pair(s.showSwitches().soloCount(), muteSwitches(seen)), std::pair(0, std::vector<float>(16, 0.0f)));
    // Chunk form: state + 8 * saved; a muted number is 1 + 8.
    s.set(kMuteFirst + 4, 1.0f);
    EXPECT_EQ(s.showSwitches().packed(4), 9u);
}

TEST_F(Ranges, BoundsAreInclusiveAndARestoredOffGridRangeStaysWithinThem) {
    const struct { std::int32_t low, high; bool level, frequency; } cases[] = {
        {-90, -80, true, false}, {-90, -81, false, false}, {-91, 0, false, false}, {10, 20, true, true},
        {10, 21, false, true},   {10, 11, false, true},    {9, 100, false, false}, {100, 100, false, false},
        {19, 20000, false, true}, {19, 20001, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::pair(qv::CLevelRange::isValid(c.low, c.high), qv::CFrequencyRange::isValid(c.low, c.high)),
                  std::pair(c.level, c.frequency)) << c.low << ".." << c.high;
    // From 19 Hz a step of 10 would leave the range: it stays; from 29 it reaches 19.
    qv::CFrequencyRange f;
    EXPECT_TRUE(f.assign(19, 20000) && !f.lowerLow());
    EXPECT_TRUE(f.assign(29, 19999) && f.lowerLow() && !f.raiseHigh());  // 19999 + 10000 would pass 20000
    EXPECT_EQ(std::pair(f.low(), f.high()), std::pair(19, 19999));
    qv::CLevelRange l;
    EXPECT_TRUE(l.assign(-85, 15) && l.raiseTop() && l.lowerBottom());
    EXPECT_EQ(std::pair(l.low(), l.high()), std::pair(-90, 20));  // clamped onto the bounds

    qv::CShowSwitches switches;  // number 16 does not exist
    EXPECT_FALSE(switches.setSolo(16, true) || switches.setMute(16, true) || switches.soloShown(16) || switches.muteShown(16));
    EXPECT_EQ(std::pair(switches.packed(16), switches.soloCount()), std::pair(0u, 0));
}

}  // namespace
