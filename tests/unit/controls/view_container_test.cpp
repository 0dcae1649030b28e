// The view protocol (value, notification, redraw requests) and the panel's hit test and draw pass.
#include <limits>

#include "controls/knob.h"
#include "controls_fixture.h"

namespace qv::test {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

// Value before, notifyAlways, value set, notifyOwner calls and their force; then the value, the
// redraws and the notifications that follow.
struct ValueCase {
    float start;
    bool always;
    float set;
    int notifies;
    bool force;
    float value;
    int draws;
    std::size_t heard;
};

TEST_F(ControlsTest, ValuesClampRedrawOnceAndNotifyAsAsked) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const ValueCase cases[] = {{0, false, 1.5f, 1, false, 1, 1, 0},     {0.5f, false, -0.2f, 1, false, 0, 1, 0},
                               {0.5f, false, nan, 1, false, 0, 1, 0},    {0.25f, false, 0.25f, 0, false, 0.25f, 0, 0},
                               {0, false, 0.5f, 1, true, 0.5f, 1, 1},    {0.25f, true, 0.25f, 2, false, 0.25f, 0, 2}};
    for (const ValueCase& c : cases) {
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

// Panel at (30, 20); the view at (10, 10, 20, 20) in it covers window x 40..59, y 30..49.
TEST_F(ControlsTest, PointsOnTheRightAndTopEdgesAreOutside) {
    auto* view = put(panel(CRect{30, 20, 100, 100}), new ProbeView(&owner, CRect{10, 10, 20, 20}, kRed, true));
    for (CPoint at : {CPoint{60, 35}, CPoint{45, 50}, CPoint{39, 35}, CPoint{45, 29}, CPoint{40, 30}, CPoint{59, 49}}) {
        press(1, 0, at.x, at.y);
    }
    ASSERT_EQ(view->presses.size(), 2u);
    EXPECT_EQ(view->presses[0].x * 1000 + view->presses[0].y, 10 * 1000 + 10);
    EXPECT_EQ(view->presses[1].x * 1000 + view->presses[1].y, 29 * 1000 + 29);
}

TEST_F(ControlsTest, PressOnNoViewIsConsumedAndEndsTheCapture) {
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
    press(1, 0, 50, 50);
    EXPECT_TRUE(below->presses.empty());
    top->deactivate();
    press(1, 0, 50, 50);
    EXPECT_EQ(below->presses.size(), 1u);
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

TEST_F(ControlsTest, InactivePanelIsNeitherDrawnNorHitUntilRedrawn) {
    CViewContainer* p = panel(CRect{0, 0, 50, 50});
    auto* view = put(p, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed, true));
    p->setActive(false);
    clearScreen();
    fullPass();
    press(1, 0, 5, 5);
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kWhite) && view->presses.empty());
    p->setActive(true);
    pass();
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kWhite));
    p->redrawViews();
    pass();
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kRed));
}

TEST_F(ControlsTest, ViewsLargerThanThePanelAreCutAtItsEdgeAndMoveWithIt) {
    CViewContainer* p = panel(CRect{20, 20, 30, 30});
    put(p, new ProbeView(&owner, CRect{-10, -10, 200, 200}, kRed));
    clearScreen();
    fullPass();
    EXPECT_TRUE(all(CRect{20, 20, 30, 30}, kRed));
    EXPECT_EQ(pixel(19, 30) & pixel(50, 30) & pixel(30, 50) & pixel(30, 19), kWhite);
    p->setPosition(CPoint{100, 100});
    clearScreen();
    fullPass();
    EXPECT_EQ(pixel(110, 110), kRed);
    EXPECT_EQ(pixel(30, 30), kWhite);
}

TEST_F(ControlsTest, ViewRemovedWhileCapturedLosesItsGesture) {
    CViewContainer* p = panel(CRect{0, 0, 50, 50});
    auto* view = put(p, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed, true, true));
    press(1, 0, 5, 5);
    ASSERT_TRUE(p->removeView(view));
    EXPECT_EQ(view->cancels, 1);
    moveTo(9, 9);
    release(1, 9, 9);
    EXPECT_EQ(view->presses.size(), 1u);  // the press, no move
    delete view;
}

}  // namespace
}  // namespace qv::test
