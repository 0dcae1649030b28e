// The view protocol (value, notification, redraw requests) and the panel's hit test and draw pass.
#include <limits>

#include "controls/knob.h"
#include "controls_fixture.h"

namespace qv::test {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

TEST_F(ControlsTest, ValuesClampRedrawOnceAndNotifyAsAsked) {
    // Value before, notifyAlways, value set, notifyOwner calls and their force; then the value,
    // the redraws and the notifications that follow.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float start;
        bool always;
        float set;
        int notifies;
        bool force;
        float value;
        int draws;
        std::size_t heard;
    } cases[] = {{0, false, 1.5f, 1, false, 1, 1, 0},         {0.5f, false, -0.2f, 1, false, 0, 1, 0},
                 {0.5f, false, nan, 1, false, 0, 1, 0},        {0.25f, false, 0.25f, 0, false, 0.25f, 0, 0},
                 {0, false, 0.5f, 1, true, 0.5f, 1, 1},        {0.25f, true, 0.25f, 2, false, 0.25f, 0, 2}};
    for (const auto& c : cases) {
        owner.changes.clear();
        auto* view = put(panel(CRect{0, 0, 100, 100}), new ProbeView(&owner, CRect{0, 0, 10, 10}, kRed));
        view->setValue(c.start);
        view->setNotifyAlways(c.always);
        pass();
        const int before = view->draws;
        view->setValue(c.set);
        for (int i = 0; i < c.notifies; ++i) view->notifyOwner(c.force);
        pass();
        pass();
        EXPECT_EQ(view->getValue(), c.value) << c.set;
        EXPECT_EQ(view->draws - before, c.draws) << c.set;
        EXPECT_EQ(owner.changes.size(), c.heard) << c.set;
    }
}

TEST_F(ControlsTest, HitTestLeavesTheRightAndTopEdgesOutAndAPressOnNoViewEndsTheCapture) {
    // Panel at (30, 20); the view at (10, 10, 20, 20) in it covers window x 40..59, y 30..49.
    auto* view = put(panel(CRect{30, 20, 100, 100}), new ProbeView(&owner, CRect{10, 10, 20, 20}, kRed, true));
    for (CPoint at : {CPoint{60, 35}, CPoint{45, 50}, CPoint{39, 35}, CPoint{45, 29}, CPoint{40, 30}, CPoint{59, 49}}) {
        press(1, 0, at.x, at.y);
    }
    ASSERT_EQ(view->presses.size(), 2u);
    EXPECT_TRUE(view->presses[0].x == 10 && view->presses[0].y == 10 && view->presses[1].x == 29 && view->presses[1].y == 29);

    // The page offers a press to its panels in the order added.
    CViewContainer* top = panel(CRect{0, 0, 100, 100});
    auto* knob = put(top, new ProbeView(&owner, CRect{0, 0, 10, 10}, kBlue, true, true));
    auto* below = put(panel(CRect{0, 0, 100, 100}), new ProbeView(&owner, CRect{0, 0, 100, 100}, kRed, true));
    press(1, 0, 5, 5);
    EXPECT_EQ(window->getCapturedView(), knob);
    // The window releases a capture before each press; one still held when the panel is
    // offered a press on none of its views is cancelled.
    EXPECT_FALSE(top->onMouseDown(1, 0, 50, 50));
    EXPECT_EQ(knob->cancels, 1);
    EXPECT_FALSE(window->hasCapturedView());
    press(1, 0, 10, 50);
    EXPECT_TRUE(below->presses.empty());
    top->deactivate();
    press(1, 0, 10, 50);
    EXPECT_EQ(below->presses.size(), 1u);
    // A view removed while captured loses its gesture.
    CViewContainer* side = panel(CRect{150, 0, 50, 50});
    auto* held = put(side, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed, true, true));
    press(1, 0, 155, 5);
    ASSERT_TRUE(side->removeView(held));
    EXPECT_EQ(held->cancels, 1);
    moveTo(159, 9);
    release(1, 159, 9);
    EXPECT_EQ(held->presses.size(), 1u);  // the press, no move
    delete held;
}

TEST_F(ControlsTest, TransparentViewRepaintsWhatIsBeneathOverTheIntersectionOnly) {
    CViewContainer* p = panel(CRect{10, 10, 100, 100});
    auto* base = put(p, new ProbeView(&owner, CRect{0, 0, 40, 40}, kRed));
    // A view that repaints whole for an area (x 50..69, y 15..24): clipped to the intersection.
    put(p, new CKnob(&owner, 9, CPoint{50, 15}, strip(20, 10, 2), 2));
    auto* glass = put(p, new ProbeView(&owner, CRect{20, 20, 40, 40}, 0));
    glass->setTransparent(true);
    pass();
    clearScreen();
    const int baseDraws = base->draws;
    glass->setUpdate();
    pass();
    EXPECT_EQ(base->draws, baseDraws);
    ASSERT_EQ(base->areas.size(), 1u);
    const CRect a = base->areas[0];
    EXPECT_TRUE(a.x == 20 && a.y == 20 && a.width == 20 && a.height == 20);
    EXPECT_TRUE(all(CRect{30, 30, 20, 20}, kRed));
    EXPECT_TRUE(all(CRect{10, 10, 20, 40}, kWhite) && all(CRect{30, 10, 20, 20}, kWhite));  // the rest beneath
    EXPECT_EQ(frameAt(60, 30) + frameAt(69, 34), 0);
    EXPECT_EQ(pixel(70, 30) & pixel(60, 29), kWhite);
    // A redraw-all pass draws the view beneath in its own turn, without an area repaint.
    fullPass();
    EXPECT_EQ(base->areas.size(), 1u);
    EXPECT_EQ(base->draws, baseDraws + 1);
}

TEST_F(ControlsTest, InactivePanelIsNeitherDrawnNorHitAndLargeViewsAreCutAtThePanelEdge) {
    CViewContainer* p = panel(CRect{0, 0, 50, 50});
    auto* view = put(p, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed, true));
    p->setActive(false);
    clearScreen();
    fullPass();
    press(1, 0, 5, 5);
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kWhite) && view->presses.empty());
    p->setActive(true);
    pass();
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kWhite));  // until redrawn
    p->redrawViews();
    pass();
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kRed));

    CViewContainer* q = panel(CRect{70, 20, 30, 30});
    put(q, new ProbeView(&owner, CRect{-10, -10, 200, 200}, kBlue));
    clearScreen();
    fullPass();
    EXPECT_TRUE(all(CRect{70, 20, 30, 30}, kBlue));
    EXPECT_EQ(pixel(69, 30) & pixel(100, 30) & pixel(80, 50) & pixel(80, 19), kWhite);
    q->setPosition(CPoint{150, 100});
    clearScreen();
    fullPass();
    EXPECT_EQ(pixel(160, 110), kBlue);
    EXPECT_EQ(pixel(80, 30), kWhite);
}

}  // namespace
}  // namespace qv::test
