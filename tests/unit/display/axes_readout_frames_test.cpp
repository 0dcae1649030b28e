// Grid steps, default hues and the mouse readout (through the window's mouse events); frames
// where nothing moved paint nothing, in both views, while a new record, a colour change or a full
// redraw paints again, and the picture of a skipped frame is the one last painted.

#include <cmath>
#include <limits>

#include "display/display_axes.h"
#include "display/note_name.h"
#include "display_fixture.h"

namespace qv::test {
namespace {

using Readout = DisplayTest;

TEST(DisplayAxes, GridStepsFollowTheSpanAndTheGraphCount) {
    const std::tuple<float, float, std::int32_t> spans[] = {{0, -90, 10}, {0, -40, 5},  {0, -20, 2},        {0, -10, 1},
                                                            {0, -60, 5},  {0, -61, 10}, {0.05f, -30.05f, 2}};
    for (const auto& [top, bottom, single] : spans)
        EXPECT_EQ(display::singleScaleStep(display::levelSpan(top, bottom).range()), single) << bottom;
    EXPECT_EQ(display::levelSpan(0.05f, -30.05f).range(), 30);
    // Span, graphs and step.
    const std::int32_t shared[][3] = {{90, 3, 30}, {80, 3, 20}, {90, 4, 30}, {80, 4, 20}, {90, 7, 45},
                                      {90, 8, 45}, {81, 8, 27}, {35, 7, 35}, {70, 3, 35}, {20, 2, 2},
                                      {21, 1, 5},  {10, 2, 1},  {49, 2, 5},  {50, 2, 10}};
    for (const auto& c : shared)
        EXPECT_EQ(display::sharedScaleStep(c[0], static_cast<std::uint32_t>(c[1])), c[2]) << c[0] << " n=" << c[1];
}

TEST(DisplayAxes, DefaultHuesStayInSixSectors) {
    // 120 + 360 x 2 / 3 is exactly 360: it wraps to 0 like every hue above.
    // Slot, count, hue and saturation.
    const float cases[][4] = {{0, 16, 120, 1}, {1, 16, 142.5f, 0.5f}, {15, 16, 97.5f, 0.5f},
                              {2, 3, 0, 1},    {1, 4, 55, 1},         {3, 4, 18, 1}};
    for (const auto& c : cases) {
        const auto hsv = display::defaultInstanceHsv(static_cast<std::uint32_t>(c[0]), static_cast<std::uint32_t>(c[1]));
        EXPECT_NEAR(hsv.hue, c[2], 1e-4f) << c[0] << "/" << c[1];
        EXPECT_NEAR(hsv.saturation, c[3], 1e-6f) << c[0] << "/" << c[1];
    }
}

TEST(DisplayAxes, NoteNamesRoundToTheNearestSemitoneAndCent) {
    const auto cents = [](double hz, double c) { return hz * std::exp2(c / 1200.0); };
    const double a4 = 440.0, b3 = 246.9417;
    const std::pair<double, const char*> cases[] = {
        {a4, "A4 +0 ct"},           {cents(a4, 49.4), "A4 +49 ct"},   {cents(a4, 50.6), "A#4 -49 ct"},
        {cents(a4, -49.4), "A4 -49 ct"}, {cents(a4, -50.6), "G#4 +49 ct"}, {1000.0, "B5 +21 ct"},
        {cents(b3, 49.4), "B3 +49 ct"}, {cents(b3, 50.6), "C4 -49 ct"},  {261.6256, "C4 +0 ct"},
        {16.0, "C0 -38 ct"},        {15.99, ""},                     {20000.0, "D#10 +8 ct"},
        {30000.0, ""},              {-2000.0, ""},
        {std::numeric_limits<double>::quiet_NaN(), ""},            {std::numeric_limits<double>::infinity(), ""},
    };
    for (const auto& [hz, text] : cases) EXPECT_EQ(display::noteName(hz), text) << hz;
}

TEST_F(Readout, BandAndFftColumnsAndLevelsByLayout) {
    const auto level = [](float row, float rows) { return -90.0f + 90.0f * row / rows; };
    const struct { std::int32_t px, py; float frequency, level; } cases[] = {
        {0, 0, 20.0f, -90.0f}, {16, 120, -2000.0f, level(120, 241)}, {18, 240, 25.0f, level(240, 241)},
        {557, 10, -2000.0f, level(10, 241)}, {540, 10, 20000.0f, level(10, 241)}, {-3, 10, -2000.0f, level(10, 241)},
        {100, 241, 63.0f, 100000.0f}, {100, -1, 63.0f, 100000.0f}};
    for (const auto& c : cases) {
        const auto [f, l] = readAt(c.px, c.py);
        EXPECT_FLOAT_EQ(f, c.frequency) << c.px;
        EXPECT_NEAR(l, c.level, 1e-3) << c.py;
    }
    float f = 0, l = 0;
    EXPECT_FALSE(display->getReadout(f, l)) << "released";
    EXPECT_GE(owner.changes.size(), 16u);

    display->setFftMode(1);
    EXPECT_NEAR(readAt(0, 0).first, 10.0f, 1e-3);
    EXPECT_NEAR(readAt(kW - 1, 0).first, 20000.0f, 0.05f);
    EXPECT_FLOAT_EQ(readAt(kW, 0).first, -2000.0f);

    // Three graphs in stripes of 80 rows, stacked, overlaid.
    display->setFftMode(0), display->setAlignMode(2);
    owner.bands = {bandRecord(0, 1, 0, 0), bandRecord(1, 1, 0, 0), bandRecord(2, 1, 0, 0)};
    frame();
    EXPECT_FLOAT_EQ(readAt(5, 240).second, 100000.0f);
    EXPECT_FLOAT_EQ(readAt(5, 100).second, level(20, 80));
    display->setAlignMode(1);
    EXPECT_NEAR(readAt(5, 100).second, 90.0f * 100.0f / 241.0f * 3.0f, 1e-3);
    display->setAlignMode(3);
    EXPECT_FLOAT_EQ(readAt(5, 100).second, 100000.0f);
    // Other buttons do not measure.
    press(2, 0, kGraphX + 5, kGraphY);
    EXPECT_FALSE(display->getReadout(f, l));
}

enum class Event { Nothing, NewRecord, Colour, FullRedraw };

class SettledFrame : public DisplayTest, public ::testing::WithParamInterface<std::tuple<std::uint32_t, Event>> {
protected:
    void feed(std::uint32_t sequence, float level) {
        if (std::get<0>(GetParam()) == 0) owner.bands = {bandRecord(0, sequence, level, level + 6.0f)};
        else owner.curves = {curveRecord(0, sequence, level)};
    }
};

TEST_P(SettledFrame, PaintsOnlyWhenSomethingMoved) {
    const auto [fftMode, event] = GetParam();
    display->setShowPeaks(true), display->setCurveFill(true), display->setFftMode(fftMode);
    // Long enough for attack, release and the peak hold (2 s) and its fall to settle; the record
    // repeats its sequence number yet stays within the stale limit only while it is renewed.
    for (int k = 0; k < 200; ++k) {
        feed(static_cast<std::uint32_t>(k / 2 + 1), -30.0f);
        frame();
    }
    frame();
    const CRect all{0, 0, width, height};
    const std::vector<std::uint32_t> settled = area(all);
    // A marker in the graph area survives only a frame that paints nothing.
    const std::int32_t mx = kGraphX + 1, my = kGraphY + kH - 2;
    window->getBackBuffer().row(my)[mx] = 0xFF123456u;
    if (event == Event::NewRecord) feed(1000, -20.0f);
    if (event == Event::Colour) display->setInstanceColor(0, 0.5f, 0.5f, 0.0f);
    if (event == Event::FullRedraw) window->requestFullRedraw();
    frame();
    EXPECT_EQ(pixel(mx, my) != 0xFF123456u, event != Event::Nothing);
    EXPECT_TRUE(event != Event::FullRedraw || area(all) == settled) << "a full redraw differs from the kept picture";
}

INSTANTIATE_TEST_SUITE_P(BothViews, SettledFrame,
                         ::testing::Combine(::testing::Values(0u, 1u), ::testing::Values(Event::Nothing, Event::NewRecord,
                                                                                         Event::Colour, Event::FullRedraw)));

}  // namespace
}  // namespace qv::test
