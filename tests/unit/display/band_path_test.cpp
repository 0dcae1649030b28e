// Band path through the headless window: bar heights, ballistics, peak hold, stale instances,
// layouts, memory capture and recall, averaging, and answers that must keep the previous frame.
#include <cmath>

#include "display_fixture.h"

namespace qv::test {

namespace {

class BandPath : public DisplayTest {
protected:
    void show(float level, float peak = -90.0f, std::uint32_t sequence = 1) {
        owner.bands = {bandRecord(0, sequence, level, peak)};
        frame();
    }
    std::int32_t bar(std::int32_t band = 0) const { return runFromBottom(bandX(band) + 1, colourPixel(0)); }
    static std::int32_t heightOf(float db) { return static_cast<std::int32_t>((db + 90.0f) / 90.0f * kH + 0.5f); }
};

TEST_F(BandPath, BarHeightSpansTheGraphFromBottomToTop) {
    display->setShowPeaks(false);
    display->setInstantResponse(true);
    const struct {
        float level;
        std::int32_t height;
    } cases[] = {{0.0f, kH}, {-90.0f, 0}, {-45.0f, 121}, {30.0f, kH}, {-500.0f, 0}, {NAN, 0}, {INFINITY, kH}};
    std::uint32_t sequence = 1;
    for (const auto& c : cases) {
        show(c.level, -90.0f, ++sequence);
        EXPECT_EQ(bar(), c.height) << c.level;
        // Nothing above the graph: the row over the top keeps the background.
        EXPECT_NE(pixel(bandX(0) + 1, kGraphY + kH), colourPixel(0));
    }
}

TEST_F(BandPath, AttackRisesEighteenDbPerFrameAndReleaseFallsFour) {
    display->setShowPeaks(false);
    for (std::int32_t k = 1; k <= 6; ++k) {
        show(0.0f, -90.0f, static_cast<std::uint32_t>(k));
        EXPECT_EQ(bar(), heightOf(std::min(0.0f, -90.0f + 18.0f * k))) << "frame " << k;
    }
    show(-90.0f, -90.0f, 7);
    EXPECT_EQ(bar(), heightOf(-4.0f));
    show(-90.0f, -90.0f, 8);
    EXPECT_EQ(bar(), heightOf(-8.0f));
    display->setInstantResponse(true);
    show(-90.0f, -90.0f, 9);
    EXPECT_EQ(bar(), 0);
}

TEST_F(BandPath, PeakHoldsTwoSecondsThenFallsAtTheReleaseRate) {
    for (const bool hold : {true, false}) {
        display->setPeakHoldEnabled(hold);
        display->setInstantResponse(true);
        show(-90.0f, 0.0f, 10);
        ASSERT_EQ(peakRow(bandX(0) + 1), kH - 1);
        const int fallsAt = hold ? 50 : 1;  // 2000 ms of 40 ms frames
        for (int k = 1; k <= fallsAt + 1; ++k) {
            show(-90.0f, -90.0f, 10 + static_cast<std::uint32_t>(k));
            const float db = k < fallsAt ? 0.0f : -4.0f * static_cast<float>(k - fallsAt + 1);
            const auto expected = static_cast<std::int32_t>((kH - 1) * (db + 90.0f) / 90.0f + 0.5f);
            if (k >= fallsAt - 1) {
                EXPECT_EQ(peakRow(bandX(0) + 1), expected) << "hold " << hold << " frame " << k;
            }
        }
        show(-90.0f, -90.0f, 100);
        display->setLevelBottom(-90.0f, true);
    }
}

TEST_F(BandPath, StaleInstanceDropsAfterTwoHundredMilliseconds) {
    display->setShowPeaks(false);
    display->setInstantResponse(true);
    show(0.0f);
    for (int k = 1; k <= 4; ++k) {
        show(0.0f);  // the same sequence number: no new data
        EXPECT_EQ(bar(), kH) << k * 40 << " ms";
    }
    show(0.0f);
    EXPECT_EQ(bar(), 0) << "200 ms";
}

TEST_F(BandPath, AnswersThatKeepThePreviousFrame) {
    display->setShowPeaks(false);
    display->setInstantResponse(true);
    show(0.0f, -90.0f, 1);
    ASSERT_EQ(bar(), kH);
    // More records than the display holds, a changed band resolution, a refusal.
    owner.bandCount = 17;
    show(-90.0f, -90.0f, 2);
    EXPECT_EQ(bar(), kH);
    owner.bandCount = 0;
    owner.bandAnswer = 0;
    show(-90.0f, -90.0f, 3);
    EXPECT_EQ(bar(), kH);
    owner.bandAnswer = 1;
    show(-90.0f, -90.0f, 4);
    EXPECT_EQ(bar(), 0);
}

TEST_F(BandPath, LayoutsPlaceThreeInstances) {
    display->setShowPeaks(false);
    display->setInstantResponse(true);
    owner.bands = {bandRecord(0, 1, 0.0f, -90.0f), bandRecord(1, 1, -45.0f, -90.0f), bandRecord(2, 1, 0.0f, -90.0f),
                   bandRecord(3, 1, 0.0f, -90.0f, 1)};  // hidden: no place on screen
    frame();
    EXPECT_EQ(display->graphsOnScreen(), 3u);
    // Side by side: slices of 16 / 3 = 5 pixels.
    for (std::int32_t x = 0; x < 15; ++x) EXPECT_EQ(pixel(bandX(4) + x, kGraphY), colourPixel(static_cast<std::uint32_t>(x / 5))) << x;
    EXPECT_NE(pixel(bandX(4) + 15, kGraphY), colourPixel(2));
    EXPECT_EQ(runFromBottom(bandX(4) + 6, colourPixel(1)), 121);

    // Stripes of 241 / 3 = 80 rows, each with its own scale.
    display->setAlignMode(2);
    frame();
    EXPECT_EQ(runFromBottom(bandX(4) + 1, colourPixel(0)), 80);
    EXPECT_EQ(pixel(bandX(4) + 1, kGraphY + 80), colourPixel(1));
    EXPECT_EQ(pixel(bandX(4) + 1, kGraphY + 80 + 39), colourPixel(1));
    EXPECT_NE(pixel(bandX(4) + 1, kGraphY + 80 + 40), colourPixel(1));
    EXPECT_EQ(pixel(bandX(4) + 1, kGraphY + 239), colourPixel(2));

    // Stacked: heights scaled by 1/3, each on top of the previous.
    display->setAlignMode(1);
    frame();
    EXPECT_EQ(runFromBottom(bandX(4) + 1, colourPixel(0)), 80);
    EXPECT_EQ(pixel(bandX(4) + 1, kGraphY + 80 + 39), colourPixel(1));
    EXPECT_EQ(pixel(bandX(4) + 1, kGraphY + 80 + 40), colourPixel(2));

    // Overlay at alpha 1/3: the full slot holds a mix, no pure instance colour.
    display->setAlignMode(3);
    frame();
    const std::uint32_t mixed = pixel(bandX(4) + 1, kGraphY + 10);
    for (std::uint32_t i = 0; i < 3; ++i) EXPECT_NE(mixed, colourPixel(i));
    EXPECT_GT(mixed >> 16 & 0xFF, 0x30u);
    EXPECT_GT(mixed & 0xFF, 0x30u);
}

TEST_F(BandPath, CaptureIsSentOnceAndRecallShowsTheStoredGraph) {
    display->setInstantResponse(true);
    show(-30.0f, -10.0f, 1);
    display->memoryAction(0, 2, 2);
    show(-30.0f, -10.0f, 2);
    show(-30.0f, -10.0f, 3);
    ASSERT_EQ(owner.puts.size(), 1u);
    EXPECT_EQ(owner.puts[0].header.type, 101u);
    EXPECT_EQ(owner.puts[0].header.size, 288u);
    EXPECT_EQ(owner.puts[0].header.b, 2u);
    EXPECT_FLOAT_EQ(owner.puts[0].record.levels[5], -10.0f);  // the peak where it stands above the bottom

    BandLevelRecord stored = bandRecord(0, 0, -45.0f, -45.0f);
    display->setMemoryRecord(0, 3, stored);
    display->memoryAction(0, 3, 3);
    display->setShowPeaks(false);
    show(0.0f, 0.0f, 4);
    EXPECT_EQ(bar(), 121);
    display->memoryAction(0, 3, 4);
    show(0.0f, 0.0f, 5);
    EXPECT_EQ(bar(), kH);
    // Out-of-range slots are ignored.
    display->memoryAction(0, 8, 2);
    display->memoryAction(16, 0, 2);
    show(0.0f, 0.0f, 6);
    EXPECT_EQ(owner.puts.size(), 1u);
}

TEST_F(BandPath, AverageOfTheLastFramesAndLiveValuesWithoutHistory) {
    display->setShowPeaks(false);
    display->setInstantResponse(true);
    display->setAverageEnabled(true);
    // Length 0: the live values are shown, not a blank graph.
    show(-30.0f, -90.0f, 1);
    EXPECT_EQ(bar(), heightOf(-30.0f));
    display->setAverageFrames(4);
    std::uint32_t sequence = 2;
    for (int k = 0; k < 4; ++k) show(0.0f, -90.0f, ++sequence);
    EXPECT_EQ(bar(), kH);
    // Two silent frames of four: half the magnitude, -6 dB.
    show(-90.0f, -90.0f, ++sequence);
    show(-90.0f, -90.0f, ++sequence);
    EXPECT_EQ(bar(), heightOf(20.0f * std::log10(0.5f)));
    display->setAverageFrames(939);  // above the capacity: off
    show(-90.0f, -90.0f, ++sequence);
    EXPECT_EQ(bar(), 0);
}

}  // namespace

}  // namespace qv::test
