// Pictures and colour swatches: what a repaint for a transparent view above them draws, and a
// swatch recoloured from another thread while passes paint.
#include <atomic>
#include <thread>

#include "controls/color_swatch.h"
#include "controls/picture.h"
#include "controls_fixture.h"

namespace qv::test {
namespace {

// A picture 20 x 40 at (30, 20) whose rows 10k .. 10k + 9 show stripPixel(k), under a view that
// paints nothing at (25, 15, 30, 10) of the panel at (10, 10): the repaint covers window
// x 35..49, y 25..34, which is picture rows 5..14.
TEST_F(ControlsTest, PictureRepaintsOnlyThePartUnderTheArea) {
    CViewContainer* p = panel(CRect{10, 10, 200, 100});
    put(p, new CPicture(&owner, CPoint{20, 10}, strip(20, 10, 4)));
    auto* glass = put(p, new ProbeView(&owner, CRect{25, 15, 30, 10}, 0));
    glass->setTransparent(true);
    pass();
    clearScreen();
    glass->setUpdate();
    pass();
    EXPECT_EQ(frameAt(35, 25), 0);
    EXPECT_EQ(frameAt(49, 29), 0);
    EXPECT_EQ(frameAt(45, 30), 1);
    EXPECT_EQ(frameAt(45, 34), 1);
    EXPECT_EQ(pixel(45, 35), kWhite);
    EXPECT_EQ(pixel(45, 24), kWhite);
    EXPECT_EQ(pixel(34, 30), kWhite);
    EXPECT_EQ(pixel(50, 30), kWhite);
    fullPass();
    EXPECT_EQ(frameAt(30, 20), 0);
    EXPECT_EQ(frameAt(49, 59), 3);
}

TEST_F(ControlsTest, SwatchFillsItsColourAndRepaintsOnlyTheIntersection) {
    CViewContainer* p = panel(CRect{0, 0, 200, 100});
    auto* swatch = put(p, new CColorSwatch(&owner, CRect{10, 10, 20, 20}));
    auto* glass = put(p, new ProbeView(&owner, CRect{20, 20, 20, 20}, 0));
    glass->setTransparent(true);
    clearScreen(0xFF000000u);
    fullPass();
    EXPECT_TRUE(all(CRect{10, 10, 20, 20}, kWhite));  // white until coloured
    swatch->setColor(1.0f, 0.0f, 0.0f);
    pass();
    EXPECT_TRUE(all(CRect{10, 10, 20, 20}, 0xFFFF0000u));
    clearScreen(0xFF000000u);
    glass->setUpdate();
    pass();
    EXPECT_TRUE(all(CRect{20, 20, 10, 10}, 0xFFFF0000u));
    EXPECT_EQ(pixel(19, 25), 0xFF000000u);
    EXPECT_EQ(pixel(25, 19), 0xFF000000u);
}

TEST_F(ControlsTest, SwatchRecolouredFromAnotherThreadPaintsOneColour) {
    auto* swatch = put(panel(CRect{0, 0, 200, 100}), new CColorSwatch(&owner, CRect{0, 0, 200, 100}));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) swatch->setColor(i % 2 ? 1.0f : 0.0f, 0.5f, i % 2 ? 0.0f : 1.0f);
    });
    int mixed = 0;
    for (int i = 0; i < 200; ++i) {
        swatch->setUpdate();
        pass();
        if (!all(CRect{0, 0, 200, 100}, pixel(0, 0))) ++mixed;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(mixed, 0);
}

}  // namespace
}  // namespace qv::test
