// Frames where nothing moved paint nothing, in both views; a new record, a colour change or a
// full redraw paints again, and the picture of a skipped frame is the one last painted.
#include <tuple>

#include "display_fixture.h"

namespace qv::test {
namespace {

enum class Event { Nothing, NewRecord, Colour, FullRedraw };

class SettledFrame : public DisplayTest, public ::testing::WithParamInterface<std::tuple<std::uint32_t, Event>> {
protected:
    void feed(std::uint32_t sequence, float level) {
        if (std::get<0>(GetParam()) == 0) {
            owner.bands = {bandRecord(0, sequence, level, level + 6.0f)};
        } else {
            owner.curves = {curveRecord(0, sequence, level)};
        }
    }
};

TEST_P(SettledFrame, PaintsOnlyWhenSomethingMoved) {
    const auto [fftMode, event] = GetParam();
    display->setShowPeaks(true);
    display->setCurveFill(true);
    display->setFftMode(fftMode);
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
    switch (event) {
        case Event::Nothing: break;
        case Event::NewRecord: feed(1000, -20.0f); break;
        case Event::Colour: display->setInstanceColor(0, 0.5f, 0.5f, 0.0f); break;
        case Event::FullRedraw: window->requestFullRedraw(); break;
    }
    frame();
    EXPECT_EQ(pixel(mx, my) != 0xFF123456u, event != Event::Nothing);
    if (event == Event::FullRedraw) {
        EXPECT_EQ(area(all), settled) << "a full redraw differs from the kept picture";
    }
}

INSTANTIATE_TEST_SUITE_P(BothViews, SettledFrame,
                         ::testing::Combine(::testing::Values(0u, 1u), ::testing::Values(Event::Nothing, Event::NewRecord,
                                                                                         Event::Colour, Event::FullRedraw)));

}  // namespace
}  // namespace qv::test
