// Band path through the headless window: bar heights, ballistics, peak hold, stale instances,
// layouts, memory capture and recall, averaging, and answers that must keep the previous frame.

#include "display_fixture.h"

namespace qv::test {
namespace {

class BandPath : public DisplayTest {
protected:
    BandPath() { display->setShowPeaks(false); }
    void show(float level, float peak, std::uint32_t sequence) {
        owner.bands = {bandRecord(0, sequence, level, peak)}, frame();
    }
    std::int32_t bar() const { return runFromBottom(bandX(0) + 1, colourPixel(0)); }
    std::int32_t peakRow() const { return topRow(bandX(0) + 1, 0xFFFFFFFFu); }
    static std::int32_t heightOf(float db) { return static_cast<std::int32_t>((db + 90.0f) / 90.0f * kH + 0.5f); }
};

TEST_F(BandPath, BarHeightsBallisticsAndStaleTimeOut) {
    // Attack 18 dB and release 4 dB per 40 ms frame.
    for (std::uint32_t k = 1; k <= 6; ++k) {
        show(0.0f, -90.0f, k);
        EXPECT_EQ(bar(), heightOf(std::min(0.0f, -90.0f + 18.0f * static_cast<float>(k)))) << "frame " << k;
    }
    show(-90.0f, -90.0f, 7);
    EXPECT_EQ(bar(), heightOf(-4.0f));
    display->setInstantResponse(true);
    const std::pair<float, std::int32_t> cases[] = {{0.0f, kH},  {-90.0f, 0}, {-45.0f, 121},    {30.0f, kH},
                                                     {-500.0f, 0}, {NAN, 0},    {INFINITY, kH}};
    std::uint32_t sequence = 10;
    for (const auto& [level, rows] : cases) {
        show(level, -90.0f, ++sequence);
        EXPECT_EQ(bar(), rows) << level;
        EXPECT_NE(pixel(bandX(0) + 1, kGraphY + kH), colourPixel(0)) << "nothing above the graph";
    }
    // Answers with more records than the display holds, or another band resolution, keep the frame.
    show(0.0f, -90.0f, ++sequence);
    owner.bandCount = 17;
    show(-90.0f, -90.0f, ++sequence);
    owner.bandCount = 0, owner.bandAnswer = 0;
    show(-90.0f, -90.0f, ++sequence);
    EXPECT_EQ(bar(), kH);
    owner.bandAnswer = 1;
    // The same sequence number for 200 ms: the instance drops to the bottom.
    show(0.0f, -90.0f, ++sequence);
    for (int ms = 40; ms <= 200; ms += 40) {
        show(0.0f, -90.0f, sequence);
        EXPECT_EQ(bar(), ms < 200 ? kH : 0) << ms << " ms";
    }
}

TEST_F(BandPath, PeakHoldsTwoSecondsThenFallsAtTheReleaseRate) {
    display->setShowPeaks(true), display->setInstantResponse(true);
    std::uint32_t sequence = 1;
    for (const bool hold : {true, false}) {
        display->setPeakHoldEnabled(hold);
        show(-90.0f, 0.0f, ++sequence);
        ASSERT_EQ(peakRow(), kH - 1);
        const int fallsAt = hold ? 50 : 1;  // 2000 ms of 40 ms frames
        for (int k = 1; k <= fallsAt + 1; ++k) {
            show(-90.0f, -90.0f, ++sequence);
            const float db = k < fallsAt ? 0.0f : -4.0f * static_cast<float>(k - fallsAt + 1);
            if (k >= fallsAt - 1) {
                EXPECT_EQ(peakRow(), static_cast<std::int32_t>((kH - 1) * (db + 90.0f) / 90.0f + 0.5f)) << hold << " " << k;
            }
        }
        display->setLevelBottom(-90.0f, true);
    }
}

TEST_F(BandPath, LayoutsPlaceThreeInstancesAndSixteenFit) {
    display->setInstantResponse(true);
    owner.bands = {bandRecord(0, 1, 0.0f, -90.0f), bandRecord(1, 1, -45.0f, -90.0f), bandRecord(2, 1, 0.0f, -90.0f),
                   bandRecord(3, 1, 0.0f, -90.0f, 1)};  // hidden: no place on screen
    frame();
    EXPECT_EQ(display->graphsOnScreen(), 3u);
    // Side by side: slices of 16 / 3 = 5 pixels.
    for (std::int32_t x = 0; x < 16; ++x)
        EXPECT_EQ(pixel(bandX(4) + x, kGraphY) == colourPixel(static_cast<std::uint32_t>(x / 5)), x < 15) << x;
    EXPECT_EQ(runFromBottom(bandX(4) + 6, colourPixel(1)), 121);
    // Stripes of 241 / 3 = 80 rows with a scale each, then a stack of bars scaled by 1/3.
    for (const auto& [mode, thirdTop] : {std::pair(2u, 239), std::pair(1u, 120 + 79)}) {
        display->setAlignMode(mode), frame();
        EXPECT_EQ(runFromBottom(bandX(4) + 1, colourPixel(0)), 80) << mode;
        EXPECT_EQ(topRow(bandX(4) + 1, colourPixel(1)), 80 + 39) << mode;
        EXPECT_EQ(topRow(bandX(4) + 1, colourPixel(2)), thirdTop) << mode;
    }
    // Overlay at alpha 1/3: the full slot holds a mix of the three colours.
    display->setAlignMode(3), frame();
    for (std::uint32_t shift : {0u, 8u, 16u}) EXPECT_GT(pixel(bandX(4) + 1, kGraphY + 10) >> shift & 0xFF, 0x30u);
    // Sixteen records, the most the display holds, are all shown.
    owner.bands.clear();
    for (std::uint32_t i = 0; i < 16; ++i) owner.bands.push_back(bandRecord(15 - i, 2, 0.0f, -90.0f));
    frame();
    EXPECT_EQ(display->graphsOnScreen(), 16u);
}

TEST_F(BandPath, CaptureIsSentOnceAndRecallShowsTheStoredGraph) {
    display->setShowPeaks(true), display->setInstantResponse(true);
    show(-30.0f, -10.0f, 1);
    display->memoryAction(0, 2, 2);
    display->memoryAction(0, 8, 2);   // no slot 8
    display->memoryAction(16, 0, 2);  // no instance 16
    show(-30.0f, -10.0f, 2);
    show(-30.0f, -10.0f, 3);
    ASSERT_EQ(owner.puts.size(), 1u);
    // The peak where it stands above the bottom.
    const auto& put = owner.puts[0];
    EXPECT_EQ(std::tuple(put.header.type, put.header.b, put.record.levels[5]), std::tuple(101u, 2u, -10.0f));

    display->setMemoryRecord(0, 3, bandRecord(0, 0, -45.0f, -45.0f));
    display->memoryAction(0, 3, 3), display->setShowPeaks(false);
    show(0.0f, 0.0f, 4);
    EXPECT_EQ(bar(), 121);
    display->memoryAction(0, 3, 4), show(0.0f, 0.0f, 5);
    EXPECT_EQ(bar(), kH);
}

TEST_F(BandPath, AverageOfTheLastFramesAndLiveValuesWithoutHistory) {
    display->setInstantResponse(true), display->setAverageEnabled(true);
    // Length 0: the live values are shown, not a blank graph.
    show(-30.0f, -90.0f, 1);
    EXPECT_EQ(bar(), heightOf(-30.0f));
    display->setAverageFrames(4);
    std::uint32_t sequence = 2;
    for (int k = 0; k < 4; ++k) show(0.0f, -90.0f, ++sequence);
    EXPECT_EQ(bar(), kH);
    // Two silent frames of four: half the magnitude, -6 dB.
    show(-90.0f, -90.0f, ++sequence), show(-90.0f, -90.0f, ++sequence);
    EXPECT_EQ(bar(), heightOf(20.0f * std::log10(0.5f)));
    display->setAverageFrames(939), show(-90.0f, -90.0f, ++sequence);  // above the capacity: off
    EXPECT_EQ(bar(), 0);
    // Records twice as fast as frames: each seen one stands for two, so four records are the
    // last two frames, both silent.
    display->setAverageFrames(4);
    for (int k = 0; k < 3; ++k) show(0.0f, -90.0f, sequence += 2);
    show(-90.0f, -90.0f, sequence += 2), show(-90.0f, -90.0f, sequence += 2);
    EXPECT_EQ(bar(), 0);
}

}  // namespace
}  // namespace qv::test
