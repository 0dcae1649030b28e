// Frames where nothing moved paint nothing, in both views; a new record, a colour change or a
// full redraw paints again, and the picture of a skipped frame is the one last painted.
#include <vector>

#include "core/data_service_columns.h"
#include "display_fixture.h"

namespace qv::test {

namespace {

enum class Event { Nothing, NewRecord, Colour, FullRedraw };

struct SettledCase {
    std::uint32_t fftMode;
    Event event;
    bool paints;
};

class SettledFrame : public DisplayTest, public ::testing::WithParamInterface<SettledCase> {
protected:
    SettledFrame() {
        display->setShowPeaks(true);
        display->setCurveFill(true);
    }
    CurveRecord curve(std::uint32_t sequence, float level) const {
        CColumnMap map;
        map.build(44100.0f, 4096, 0);
        CurveRecord r{CurveRecord::kSize, 0, 0, 0, sequence, 0, map.count() + 1, 2049, 44100.0f, 1, {}, 1, 0, {}};
        for (float& v : r.values) v = level;
        return r;
    }
    void feed(std::uint32_t sequence, float level) {
        if (GetParam().fftMode == 0) {
            owner.bands = {bandRecord(0, sequence, level, level + 6.0f)};
        } else {
            owner.curves = {curve(sequence, level)};
        }
    }
    std::vector<std::uint32_t> picture() const {
        const PixelSurface s = window->getBackBuffer();
        return {s.bits, s.bits + static_cast<std::size_t>(s.width) * s.height};
    }
};

TEST_P(SettledFrame, PaintsOnlyWhenSomethingMoved) {
    const SettledCase c = GetParam();
    display->setFftMode(c.fftMode);
    feed(1, -30.0f);
    // Long enough for attack, release and the peak hold (2 s) and its fall to settle; the record
    // repeats its sequence number yet stays within the stale limit only while it is renewed.
    for (int k = 0; k < 200; ++k) {
        feed(static_cast<std::uint32_t>(k / 2 + 1), -30.0f);
        frame();
    }
    frame();
    const std::vector<std::uint32_t> settled = picture();
    // A marker in the graph area survives only a frame that paints nothing.
    const std::int32_t mx = kGraphX + 1, my = kGraphY + kH - 2;
    window->getBackBuffer().row(my)[mx] = 0xFF123456u;
    switch (c.event) {
        case Event::Nothing: break;
        case Event::NewRecord: feed(1000, -20.0f); break;
        case Event::Colour: display->setInstanceColor(0, 0.5f, 0.5f, 0.0f); break;
        case Event::FullRedraw: window->requestFullRedraw(); break;
    }
    frame();
    EXPECT_EQ(pixel(mx, my) != 0xFF123456u, c.paints);
    if (c.event == Event::FullRedraw) {
        EXPECT_EQ(picture(), settled) << "a full redraw of a settled graph differs from the kept picture";
    }
}

INSTANTIATE_TEST_SUITE_P(BothViews, SettledFrame,
                         ::testing::Values(SettledCase{0, Event::Nothing, false}, SettledCase{0, Event::NewRecord, true},
                                           SettledCase{0, Event::Colour, true}, SettledCase{0, Event::FullRedraw, true},
                                           SettledCase{1, Event::Nothing, false}, SettledCase{1, Event::NewRecord, true},
                                           SettledCase{1, Event::Colour, true}, SettledCase{1, Event::FullRedraw, true}));

}  // namespace

}  // namespace qv::test
