// The view protocol (value, notification, redraw requests) and the panel's hit test and draw pass.
#include <limits>

#include "controls_fixture.h"

namespace qv::test {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

struct ValueCase {
    float start;
    bool always;
    float set;
    int notifies;  // notifyOwner calls after setValue
    bool force;
    float value;   // afterwards
    int draws;     // in the next passes
    std::size_t heard;
};

class ValueProtocol : public ControlsTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueProtocol, ClampsRedrawsOnceAndNotifiesAsAsked) {
    const ValueCase& c = GetParam();
    auto* view = put(panel(CRect{0, 0, 100, 100}), new ProbeView(&owner, CRect{0, 0, 10, 10}, kRed));
    view->setValue(c.start);
    view->setNotifyAlways(c.always);
    pass();
    const int before = view->draws;
    view->setValue(c.set);
    for (int i = 0; i < c.notifies; ++i) view->notifyOwner(c.force);
    pass();
    pass();
    EXPECT_EQ(view->getValue(), c.value);
    EXPECT_EQ(view->draws - before, c.draws);
    EXPECT_EQ(owner.values.size(), c.heard);
}

INSTANTIATE_TEST_SUITE_P(
    Views, ValueProtocol,
    ::testing::Values(ValueCase{0.0f, false, 1.5f, 1, false, 1.0f, 1, 0}, ValueCase{0.5f, false, -0.2f, 1, false, 0.0f, 1, 0},
                      ValueCase{0.5f, false, std::numeric_limits<float>::quiet_NaN(), 1, false, 0.0f, 1, 0},
                      ValueCase{0.25f, false, 0.25f, 0, false, 0.25f, 0, 0}, ValueCase{0.0f, false, 0.5f, 1, true, 0.5f, 1, 1},
                      ValueCase{0.25f, true, 0.25f, 2, false, 0.25f, 0, 2}));

// Panel at (30, 20); the view at (10, 10, 20, 20) in it covers window x 40..59, y 30..49.
class HitTest : public ControlsTest, public ::testing::WithParamInterface<CPoint> {};

TEST_P(HitTest, EdgesOnTheRightAndTopAreOutside) {
    const CPoint at = GetParam();
    auto* view = put(panel(CRect{30, 20, 100, 100}), new ProbeView(&owner, CRect{10, 10, 20, 20}, kRed, true));
    press(1, 0, at.x, at.y);
    const bool inside = at.x >= 40 && at.x < 60 && at.y >= 30 && at.y < 50;
    ASSERT_EQ(view->presses.size(), inside ? 1u : 0u);
    if (!inside) return;
    EXPECT_EQ(view->presses[0].x, at.x - 30);
    EXPECT_EQ(view->presses[0].y, at.y - 20);
}

INSTANTIATE_TEST_SUITE_P(Views, HitTest,
                         ::testing::Values(CPoint{40, 30}, CPoint{59, 49}, CPoint{60, 35}, CPoint{45, 50}, CPoint{39, 35},
                                           CPoint{45, 29}));

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
    auto* glass = put(p, new ProbeView(&owner, CRect{20, 20, 40, 40}, 0));
    glass->setTransparent(true);
    pass();
    clearScreen();
    const int baseDraws = base->draws;
    glass->setUpdate();
    pass();
    EXPECT_EQ(base->draws, baseDraws);
    ASSERT_EQ(base->areas.size(), 1u);
    EXPECT_EQ(base->areas[0].x * 1000 + base->areas[0].width, 20 * 1000 + 20);
    EXPECT_TRUE(all(CRect{30, 30, 20, 20}, kRed));
    EXPECT_TRUE(all(CRect{10, 10, 20, 40}, kWhite));  // the rest of the view beneath
    EXPECT_TRUE(all(CRect{30, 10, 20, 20}, kWhite));
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
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kWhite));
    EXPECT_TRUE(view->presses.empty());
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
