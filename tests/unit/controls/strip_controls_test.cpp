// The film-strip controls driven through the window: scripts of presses, moves and releases (in
// toolkit points relative to the control, sent as window pixels) against what the owner hears
// and which frame the back buffer shows afterwards.
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "controls/kick_button.h"
#include "controls/knob.h"
#include "controls/memory_switch.h"
#include "controls/on_off_switch.h"
#include "controls/step_button.h"
#include "controls/switch_multi.h"
#include "controls_fixture.h"

namespace qv::test {
namespace {

enum class Kind { kOnOff, kKick, kStep, kMulti, kMemory, kKnob };

constexpr std::int32_t kShift = kModifierShift, kCtrl = kModifierCtrl;
constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

struct Step {
    char op;  // 'p' press, 'm' move, 'r' release
    std::int32_t button, modifiers, x, y;
};
Step P(std::int32_t b, std::int32_t m, std::int32_t x, std::int32_t y) { return {'p', b, m, x, y}; }
Step M(std::int32_t x, std::int32_t y, std::int32_t m = 0) { return {'m', 0, m, x, y}; }
Step R(std::int32_t b, std::int32_t x, std::int32_t y) { return {'r', b, 0, x, y}; }
float bits(std::uint32_t b) { return std::bit_cast<float>(b); }

struct GestureCase {
    const char* name;
    Kind kind;
    float start;          // value before the gesture
    float defaults[2];    // default and alternate default (kNone: not set)
    std::vector<Step> steps;
    const char* heard;    // owner calls: b begin, v value, e end
    std::vector<float> values;
    std::int32_t frame;   // shown afterwards
};

// Every control sits at (10, 5) in a panel at (20, 30): control point (x, y) is window (30 + x,
// 35 + y). Frames are 20 x 10; the multi switch's are 60 x 10, three side by side in its image.
const GestureCase kGestures[] = {
    {"SwitchAt07GoesOff", Kind::kOnOff, 0.7f, {kNone, kNone}, {P(1, 0, 5, 5), R(1, 5, 5)}, "bve", {0.0f}, 1},
    {"SwitchAt03GoesOn", Kind::kOnOff, 0.3f, {kNone, kNone}, {P(1, 0, 5, 5), R(1, 5, 5)}, "bve", {1.0f}, 0},
    {"SwitchRightClickNothing", Kind::kOnOff, 0.3f, {kNone, kNone}, {P(2, 0, 5, 5), R(2, 5, 5)}, "", {}, 1},
    {"KickOneThenZero", Kind::kKick, 0.0f, {kNone, kNone}, {P(1, 0, 5, 5)}, "bv", {1.0f}, 0},
    {"KickReleased", Kind::kKick, 0.0f, {kNone, kNone}, {P(1, 0, 5, 5), R(1, 5, 5)}, "bvev", {1.0f, 0.0f}, 1},
    {"KickRightClickSilent", Kind::kKick, 0.0f, {kNone, kNone}, {P(2, 0, 5, 5), R(2, 5, 5)}, "", {}, 1},
    {"StepTwentyThenFive", Kind::kStep, 0.0f, {kNone, kNone}, {P(1, 0, 5, 5), M(5, 25), M(5, 30)}, "bvv", {2.0f, 1.0f}, 0},
    {"StepDownIsNegative", Kind::kStep, 0.0f, {kNone, kNone}, {P(1, 0, 5, 5), M(5, -12), R(1, 5, -12)}, "bve", {-2.0f}, 1},
    {"StepShiftUses25", Kind::kStep, 0.0f, {kNone, kNone}, {P(1, 0, 5, 5), M(29, 5, kShift), M(30, 5, kShift)}, "bv", {1.0f}, 0},
    {"MultiClickAndDragClamped", Kind::kMulti, 0.0f, {kNone, kNone}, {P(1, 0, 25, 5), M(70, 5), R(1, 70, 5)}, "bvve",
     {1.0f / 3.0f, 2.0f / 3.0f}, 2},
    {"MultiSamePositionNoGesture", Kind::kMulti, 0.0f, {kNone, kNone}, {P(1, 0, 3, 5), R(1, 3, 5)}, "", {}, 0},
    {"MultiDragBackAcross", Kind::kMulti, 0.0f, {kNone, kNone}, {P(1, 0, 45, 5), M(-30, 5), R(1, -30, 5)}, "bvve",
     {2.0f / 3.0f, 0.0f}, 0},
    {"MemoryStoreShowHideDelete", Kind::kMemory, 0.0f, {kNone, kNone},
     {P(2, 0, 5, 5), R(2, 5, 5), P(1, 0, 5, 5), R(1, 5, 5), P(1, 0, 5, 5), R(1, 5, 5), P(1, kCtrl, 5, 5), R(1, 5, 5)},
     "bvebvebvebve", {bits(0x201), bits(0x302), bits(0x401), bits(0x100)}, 2},
    {"MemoryStoreAgainAndShownRightClick", Kind::kMemory, 0.0f, {kNone, kNone},
     {P(2, 0, 5, 5), R(2, 5, 5), P(2, 0, 5, 5), R(2, 5, 5), P(1, 0, 5, 5), R(1, 5, 5), P(2, 0, 5, 5), R(2, 5, 5)},
     "bvebvebvebe", {bits(0x201), bits(0x201), bits(0x302)}, 0},
    {"MemoryCtrlOnEmptyOnlyGesture", Kind::kMemory, 0.0f, {kNone, kNone}, {P(1, kCtrl, 5, 5), R(1, 5, 5)}, "be", {}, 2},
    {"Knob270SweepsAll", Kind::kKnob, 0.0f, {kNone, kNone}, {P(1, 0, 5, 5), M(5, 140), M(140, 140), R(1, 140, 140)}, "bvve",
     {0.5f, 1.0f}, 63},
    {"KnobShiftIsATenth", Kind::kKnob, 0.0f, {kNone, kNone}, {P(1, 0, 5, 5), M(5, 275, kShift)}, "bv", {0.1f}, 6},
    {"KnobDiagonalNoChange", Kind::kKnob, 0.5f, {kNone, kNone}, {P(1, 0, 5, 5), M(15, -5), R(1, 15, -5)}, "be", {}, 31},
    {"KnobClampsAndTurnsBackAtOnce", Kind::kKnob, 0.9f, {kNone, kNone}, {P(1, 0, 5, 5), M(5, 105), M(5, 78)}, "bvv",
     {1.0f, 243.0f / 270.0f}, 56},
    {"KnobCtrlClickAtDefaultHeard", Kind::kKnob, 0.25f, {0.25f, kNone}, {P(1, kCtrl, 5, 5), R(1, 5, 5)}, "bve", {0.25f}, 15},
    {"KnobCtrlShiftAlternate", Kind::kKnob, 0.25f, {0.0f, 0.75f}, {P(1, kCtrl | kShift, 5, 5), R(1, 5, 5)}, "bve", {0.75f}, 47},
    {"KnobCtrlShiftWithoutAlternate", Kind::kKnob, 0.25f, {0.5f, kNone}, {P(1, kCtrl | kShift, 5, 5)}, "bv", {0.5f}, 31},
    {"KnobRightButtonNothing", Kind::kKnob, 0.5f, {kNone, kNone}, {P(2, 0, 5, 5), M(5, 50), R(2, 5, 50)}, "", {}, 31},
};

class StripTest : public ControlsTest {
protected:
    CView* make(Kind kind) {
        CViewContainer* p = panel(CRect{20, 30, 200, 120});
        const CPoint at{10, 5};
        switch (kind) {
            case Kind::kOnOff: return put(p, new COnOffSwitch(&owner, 11, at, strip(20, 10, 2)));
            case Kind::kKick: return put(p, new CKickButton(&owner, 11, at, strip(20, 10, 2)));
            case Kind::kStep: return put(p, new CStepButton(&owner, 11, at, strip(20, 10, 2)));
            case Kind::kMulti:
                return put(p, new CSwitchMulti(&owner, 11, at, strip(60, 10, 3, true), 3, kSwitchHorizontal));
            case Kind::kMemory: return put(p, new CMemorySwitch(&owner, 11, at, strip(20, 10, 3)));
            case Kind::kKnob: return put(p, new CKnob(&owner, 11, at, strip(20, 10, 64), 64));
        }
        return nullptr;
    }
    void run(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            const std::int32_t x = 30 + s.x, y = 35 + s.y;
            if (s.op == 'p') press(s.button, s.modifiers, x, y);
            if (s.op == 'm') moveTo(x, y, s.modifiers);
            if (s.op == 'r') release(s.button, x, y);
        }
    }
    void click(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
        press(button, modifiers, x, y);
        release(button, x, y);
    }
    std::int32_t frameShown() {
        clearScreen();
        fullPass();
        return frameAt(31, 36);
    }
};

class Gestures : public StripTest, public ::testing::WithParamInterface<GestureCase> {};

std::vector<std::uint32_t> asBits(const std::vector<float>& v) {
    std::vector<std::uint32_t> b;
    for (float f : v) b.push_back(std::bit_cast<std::uint32_t>(f));
    return b;
}

TEST_P(Gestures, OwnerHearsTheGestureAndTheFrameFollows) {
    const GestureCase& c = GetParam();
    CView* control = make(c.kind);
    control->setValue(c.start);
    if (!std::isnan(c.defaults[0])) control->setDefaultValue(c.defaults[0]);
    if (!std::isnan(c.defaults[1])) control->setAlternateDefault(c.defaults[1]);
    run(c.steps);
    EXPECT_EQ(owner.kinds, c.heard);
    EXPECT_EQ(asBits(owner.values), asBits(c.values));
    EXPECT_EQ(std::count(owner.tags.begin(), owner.tags.end(), 11u), static_cast<long>(owner.tags.size()));
    EXPECT_EQ(frameShown(), c.frame);
}

INSTANTIATE_TEST_SUITE_P(Controls, Gestures, ::testing::ValuesIn(kGestures),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(StripTest, StepButtonKeepsThePixelsShortOfAStep) {
    auto* button = static_cast<CStepButton*>(make(Kind::kStep));
    run({P(1, 0, 5, 5), M(5, 25)});
    EXPECT_EQ(button->getAccumulator(), 4);
    run({M(5, 30)});
    EXPECT_EQ(button->getAccumulator(), 1);
    // A step of 0 sends nothing and divides by nothing.
    button->setStep(0);
    run({M(5, 90)});
    EXPECT_EQ(owner.values.size(), 2u);
    // Losing the capture ends the gesture and shows the button released.
    window->onFocusLost();
    EXPECT_EQ(owner.kinds, "bvve");
    EXPECT_EQ(frameShown(), 1);
}

TEST_F(StripTest, NotifyAlwaysPressOnlyNotifies) {
    CPage* page = window->getCurrentPage();
    for (Kind kind : {Kind::kOnOff, Kind::kKick, Kind::kMulti, Kind::kMemory}) {
        make(kind)->setNotifyAlways(true);
        run({P(1, 0, 5, 5), R(1, 5, 5)});
        static_cast<CViewContainer*>(page->getContainer(page->getContainerCount() - 1))->deactivate();
    }
    // Each heard its unchanged value on the press and opened no gesture; the kick button's
    // release notifies as always.
    EXPECT_EQ(owner.kinds, "vvvvv");
}

TEST_F(StripTest, KnobWithoutRangeOrFramesStaysSane) {
    auto* knob = static_cast<CKnob*>(make(Kind::kKnob));
    knob->setDragRange(0.0f);
    run({P(1, 0, 5, 5), M(5, 60), R(1, 5, 60)});
    EXPECT_EQ(knob->getValue(), 0.0f);
    knob->setDragRange(270.0f);
    knob->setSensitivity(std::numeric_limits<float>::quiet_NaN());
    run({P(1, 0, 5, 5), M(5, 60), R(1, 5, 60)});
    EXPECT_EQ(knob->getValue(), 0.0f);
    // Values past the ends (set without bounds) show the end frames.
    knob->setValueSilently(7.0f);
    EXPECT_EQ(frameShown(), 63);
    knob->setValueSilently(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(frameShown(), 0);
    knob->setReversed(true);
    knob->setValueSilently(0.5f);
    EXPECT_EQ(frameShown(), 32);

    CViewContainer* p = panel(CRect{0, 0, 240, 160});
    auto* none = put(p, new CKnob(&owner, 12, CPoint{150, 100}, strip(20, 10, 2), 0));
    none->setValue(0.5f);
    EXPECT_EQ(none->getRect().height, 0);
    clearScreen();
    fullPass();
    EXPECT_EQ(pixel(150, 100), kWhite);
}

TEST_F(StripTest, MultiSwitchIndexesAndStripsThatDoNotDivide) {
    auto* multi = static_cast<CSwitchMulti*>(make(Kind::kMulti));
    multi->setIndex(3);  // out of range: ignored
    EXPECT_EQ(frameShown(), 0);
    multi->setReversed(true);
    multi->setIndex(0);
    EXPECT_EQ(frameShown(), 2);
    EXPECT_EQ(multi->getIndex(), 0u);
    EXPECT_FLOAT_EQ(multi->getValue(), 2.0f / 3.0f);
    multi->setIndex(7);
    EXPECT_EQ(multi->getIndex(), 0u);
    EXPECT_TRUE(owner.kinds.empty());

    // 31 rows do not make three frames: no rect, never hit, nothing drawn.
    CViewContainer* p = panel(CRect{100, 100, 100, 50});
    auto* odd = put(p, new CSwitchMulti(&owner, 13, CPoint{0, 0}, strip(20, 1, 31), 3, kSwitchVertical));
    EXPECT_EQ(odd->getRect().width, 0);
    clearScreen();
    fullPass();
    EXPECT_EQ(frameAt(100, 100), -1);
    click(1, 0, 105, 105);
    EXPECT_TRUE(owner.kinds.empty());
}

TEST_F(StripTest, MemorySwitchFollowsActionsFromElsewhere) {
    auto* memory = static_cast<CMemorySwitch*>(make(Kind::kMemory));
    memory->applyAction(kMemoryActionRecall);  // nothing stored: stays empty
    EXPECT_EQ(frameShown(), 2);
    memory->setState(kMemoryStored);
    memory->applyAction(kMemoryActionRecall);
    EXPECT_EQ(frameShown(), 0);
    memory->setGraphShown(false);
    EXPECT_EQ(frameShown(), 1);
    memory->applyAction(kMemoryActionDelete);
    memory->setGraphShown(true);
    EXPECT_EQ(frameShown(), 2);
    run({P(2, kModifierAlt, 5, 5)});
    EXPECT_TRUE(memory->isAllInstances());
    EXPECT_EQ(memory->getButton(), 2);
}

}  // namespace
}  // namespace qv::test
