// The view protocol (value, notification, redraw requests) and the panel's hit test and draw
// pass, through a headless window.
#include <cmath>
#include <limits>

#include "controls_fixture.h"
#include "gui/draw_context.h"

namespace qv::test {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

struct ValueCase {
    const char* name;
    float start;
    bool always;
    float set;
    int notifies;  // notifyOwner calls after setValue
    bool force;
    float value;   // afterwards
    int draws;     // in the next pass
    int heard;     // valueChanged calls
};

const ValueCase kValueCases[] = {
    {"AboveOneClamps", 0.0f, false, 1.5f, 1, false, 1.0f, 1, 0},
    {"BelowZeroClamps", 0.5f, false, -0.2f, 1, false, 0.0f, 1, 0},
    {"NaNIsZero", 0.5f, false, std::numeric_limits<float>::quiet_NaN(), 1, false, 0.0f, 1, 0},
    {"SameValueNoRedraw", 0.25f, false, 0.25f, 0, false, 0.25f, 0, 0},
    {"ForceReachesOwner", 0.0f, false, 0.5f, 1, true, 0.5f, 1, 1},
    {"NotifyAlwaysEveryCall", 0.25f, true, 0.25f, 2, false, 0.25f, 0, 2},
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
    EXPECT_EQ(owner.values().size(), static_cast<std::size_t>(c.heard));
}

INSTANTIATE_TEST_SUITE_P(Views, ValueProtocol, ::testing::ValuesIn(kValueCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ControlsTest, WithoutOwnerValuesChangeAndEditsGoNowhere) {
    auto* view = put(panel(CRect{0, 0, 100, 100}), new ProbeView(nullptr, CRect{0, 0, 10, 10}, kRed));
    view->setValue(0.75f);
    view->notifyOwner(true);
    view->beginEdit();
    view->endEdit();
    EXPECT_TRUE(view->needsUpdate());
    EXPECT_TRUE(owner.calls.empty());
}

// Panel at (30, 20); the view at (10, 10, 20, 20) in it covers window x 40..59, y 30..49.
struct HitCase {
    std::int32_t x, y;
    bool hit;
};

class HitTest : public ControlsTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitTest, EdgesOnTheRightAndTopAreOutside) {
    const HitCase& c = GetParam();
    auto* view = put(panel(CRect{30, 20, 100, 100}), new ProbeView(&owner, CRect{10, 10, 20, 20}, kRed));
    view->enableMouse(false);
    press(1, 0, c.x, c.y);
    ASSERT_EQ(view->presses.size(), c.hit ? 1u : 0u);
    if (c.hit) {
        EXPECT_EQ(view->presses[0].x, c.x - 30);
        EXPECT_EQ(view->presses[0].y, c.y - 20);
    }
}

INSTANTIATE_TEST_SUITE_P(Views, HitTest,
                         ::testing::Values(HitCase{40, 30, true}, HitCase{59, 49, true}, HitCase{60, 35, false},
                                           HitCase{45, 50, false}, HitCase{39, 35, false}, HitCase{45, 29, false}));

TEST_F(ControlsTest, PressOnNoViewIsConsumedAndEndsTheCapture) {
    // The page offers a press to its panels in the order added.
    CViewContainer* top = panel(CRect{0, 0, 100, 100});
    auto* knob = put(top, new ProbeView(&owner, CRect{0, 0, 10, 10}, kBlue));
    knob->enableMouse(true);
    auto* below = put(panel(CRect{0, 0, 100, 100}), new ProbeView(&owner, CRect{0, 0, 100, 100}, kRed));
    below->enableMouse(false);
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
    auto* glass = put(p, new ProbeView(&owner, CRect{20, 20, 40, 40}, kBlue));
    glass->fill = 0;  // paints nothing: what shows through is the repaint beneath
    glass->setTransparent(true);
    pass();
    clearScreen();
    const int baseDraws = base->draws;
    glass->setUpdate();
    pass();
    EXPECT_EQ(base->draws, baseDraws);
    EXPECT_EQ(base->areas, 1);
    EXPECT_EQ(base->lastArea.x, 20);
    EXPECT_EQ(base->lastArea.width, 20);
    EXPECT_TRUE(all(CRect{30, 30, 20, 20}, kRed));
    EXPECT_TRUE(all(CRect{10, 10, 20, 40}, kWhite));  // the rest of the view beneath
    EXPECT_TRUE(all(CRect{30, 10, 20, 20}, kWhite));
    // A redraw-all pass draws the view beneath in its own turn, without an area repaint.
    fullPass();
    EXPECT_EQ(base->areas, 1);
    EXPECT_EQ(base->draws, baseDraws + 1);
}

TEST_F(ControlsTest, InactivePanelIsNeitherDrawnNorHitUntilRedrawn) {
    CViewContainer* p = panel(CRect{0, 0, 50, 50});
    auto* view = put(p, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed));
    view->enableMouse(false);
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

TEST_F(ControlsTest, ViewsLargerThanThePanelAreCutAtItsEdge) {
    CViewContainer* p = panel(CRect{20, 20, 30, 30});
    put(p, new ProbeView(&owner, CRect{-10, -10, 200, 200}, kRed));
    clearScreen();
    fullPass();
    EXPECT_TRUE(all(CRect{20, 20, 30, 30}, kRed));
    EXPECT_EQ(pixel(19, 30), kWhite);
    EXPECT_EQ(pixel(50, 30), kWhite);
    EXPECT_EQ(pixel(30, 50), kWhite);
    // Moving the panel moves its views.
    p->setPosition(CPoint{100, 100});
    clearScreen();
    fullPass();
    EXPECT_EQ(pixel(110, 110), kRed);
    EXPECT_EQ(pixel(30, 30), kWhite);
}

TEST_F(ControlsTest, ViewRemovedWhileCapturedLosesItsGesture) {
    CViewContainer* p = panel(CRect{0, 0, 50, 50});
    auto* view = put(p, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed));
    view->enableMouse(true);
    press(1, 0, 5, 5);
    ASSERT_TRUE(p->removeView(view));
    EXPECT_EQ(view->cancels, 1);
    moveTo(9, 9);
    release(1, 9, 9);
    EXPECT_TRUE(view->moves.empty());
    delete view;
}

}  // namespace
}  // namespace qv::test
