// The film-strip controls driven through the window: scripts of presses, moves and releases (in
// toolkit points relative to the control, sent as window pixels) against what the owner hears
// and which frame the back buffer shows afterwards.

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

constexpr std::int32_t kShift = kModifierShift, kCtrl = kModifierControl;
constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

struct Step {
    char op;  // 'p' press, 'm' move, 'r' release, 'c' click (press and release at 5, 5), 'f' focus lost
    std::int32_t button, modifiers, x, y;
};
Step P(std::int32_t b, std::int32_t m, std::int32_t x, std::int32_t y) { return {'p', b, m, x, y}; }
Step M(std::int32_t x, std::int32_t y, std::int32_t m = 0) { return {'m', 0, m, x, y}; }
Step R(std::int32_t b, std::int32_t x, std::int32_t y) { return {'r', b, 0, x, y}; }
Step C(std::int32_t b, std::int32_t m = 0) { return {'c', b, m, 5, 5}; }
float bits(std::uint32_t b) { return std::bit_cast<float>(b); }
CKnob& knob(CView& v) { return static_cast<CKnob&>(v); }
CSwitchMulti& multi(CView& v) { return static_cast<CSwitchMulti&>(v); }
CMemorySwitch& memory(CView& v) { return static_cast<CMemorySwitch&>(v); }

using Setup = void (*)(CView&);
const Setup kAlways = [](CView& v) { v.setNotifyAlways(true); };

// Value before, setup (or null), steps; owner calls heard (b begin, v value, e end), values and the
// frame shown afterwards.
struct GestureCase {
    const char* name; Kind kind; float start; Setup setup; std::vector<Step> steps;
    const char* heard; std::vector<float> values; std::int32_t frame;
};

// Every control sits at (10, 5) in a panel at (20, 30): control point (x, y) is window (30 + x,
// 35 + y). Frames are 20 x 10; the multi switch's are 60 x 10, three side by side in its image.
const GestureCase kGestures[] = {
    {"SwitchAt07GoesOff", Kind::kOnOff, 0.7f, nullptr, {C(1)}, "bve", {0.0f}, 1},
    {"SwitchAt03GoesOn", Kind::kOnOff, 0.3f, nullptr, {C(1)}, "bve", {1.0f}, 0},
    {"SwitchRightClickNothing", Kind::kOnOff, 0.3f, nullptr, {C(2)}, "", {}, 1},
    {"SwitchNotifyAlways", Kind::kOnOff, 0.3f, kAlways, {C(1)}, "v", {0.3f}, 1},
    {"KickOneThenZero", Kind::kKick, 0.0f, nullptr, {C(1)}, "bvev", {1.0f, 0.0f}, 1},
    {"KickRightClickSilent", Kind::kKick, 0.0f, nullptr, {C(2)}, "", {}, 1},
    {"KickNotifyAlways", Kind::kKick, 0.0f, kAlways, {C(1)}, "vv", {0.0f, 0.0f}, 1},
    {"StepTwentyThenFive", Kind::kStep, 0.0f, nullptr, {P(1, 0, 5, 5), M(5, 25), M(5, 30)}, "bvv", {2, 1}, 0},
    {"StepDownThenFocusLost", Kind::kStep, 0.0f, nullptr, {P(1, 0, 5, 5), M(5, -12), {'f'}}, "bve", {-2}, 1},
    {"StepShiftUses25", Kind::kStep, 0.0f, nullptr, {P(1, 0, 5, 5), M(29, 5, kShift), M(30, 5, kShift)}, "bv", {1}, 0},
    {"StepOfZeroSendsNothing", Kind::kStep, 0.0f, [](CView& v) { static_cast<CStepButton&>(v).setStep(0); },
     {P(1, 0, 5, 5), M(5, 90), R(1, 5, 90)}, "be", {}, 1},
    {"MultiClickThenDragClamped", Kind::kMulti, 0.0f, nullptr, {P(1, 0, 25, 5), M(70, 5), R(1, 70, 5)}, "bvve",
     {1.0f / 3.0f, 2.0f / 3.0f}, 2},
    {"MultiSamePositionNoGesture", Kind::kMulti, 0.0f, nullptr, {C(1)}, "", {}, 0},
    {"MultiDragBackAcross", Kind::kMulti, 0.0f, nullptr, {P(1, 0, 45, 5), M(-30, 5), R(1, -30, 5)}, "bvve",
     {2.0f / 3.0f, 0.0f}, 0},
    {"MultiNotifyAlways", Kind::kMulti, 0.0f, kAlways, {P(1, 0, 45, 5), M(25, 5), R(1, 25, 5)}, "vv", {0, 0}, 0},
    {"MemoryStoreShowHideDelete", Kind::kMemory, 0.0f, nullptr, {C(2), C(1), C(1), C(1, kCtrl)}, "bvebvebvebve",
     {bits(0x201), bits(0x302), bits(0x401), bits(0x100)}, 2},
    {"MemoryStoreAgainShownRight", Kind::kMemory, 0.0f, nullptr, {C(2), C(2), C(1), C(2)}, "bvebvebvebe",
     {bits(0x201), bits(0x201), bits(0x302)}, 0},
    {"MemoryCtrlOnEmptyOnlyGesture", Kind::kMemory, 0.0f, nullptr, {C(1, kCtrl)}, "be", {}, 2},
    {"MemoryNotifyAlways", Kind::kMemory, 0.0f, kAlways, {C(2)}, "v", {0.0f}, 2},
    {"Knob270SweepsAll", Kind::kKnob, 0.0f, nullptr, {P(1, 0, 5, 5), M(5, 140), M(140, 140), R(1, 140, 140)}, "bvve",
     {0.5f, 1.0f}, 63},
    {"KnobShiftIsATenth", Kind::kKnob, 0.0f, nullptr, {P(1, 0, 5, 5), M(5, 275, kShift)}, "bv", {0.1f}, 6},
    {"KnobDiagonalNoChange", Kind::kKnob, 0.5f, nullptr, {P(1, 0, 5, 5), M(15, -5), R(1, 15, -5)}, "be", {}, 31},
    {"KnobClampsTurnsBackAtOnce", Kind::kKnob, 0.9f, nullptr, {P(1, 0, 5, 5), M(5, 105), M(5, 78)}, "bvv",
     {1.0f, 243.0f / 270.0f}, 56},
    {"KnobCtrlClickAtDefaultHeard", Kind::kKnob, 0.25f, [](CView& v) { v.setDefaultValue(0.25f); }, {C(1, kCtrl)},
     "bve", {0.25f}, 15},
    {"KnobCtrlShiftAlternate", Kind::kKnob, 0.25f, [](CView& v) { v.setAlternateDefault(0.75f); },
     {C(1, kCtrl | kShift)}, "bve", {0.75f}, 47},
    {"KnobCtrlShiftNoAlternate", Kind::kKnob, 0.25f, [](CView& v) { v.setDefaultValue(0.5f); },
     {C(1, kCtrl | kShift)}, "bve", {0.5f}, 31},
    {"KnobRightButtonNothing", Kind::kKnob, 0.5f, nullptr, {P(2, 0, 5, 5), M(5, 50), R(2, 5, 50)}, "", {}, 31},
    {"KnobWithoutDragRange", Kind::kKnob, 0.0f, [](CView& v) { knob(v).setDragRange(0.0f); },
     {P(1, 0, 5, 5), M(5, 60), R(1, 5, 60)}, "be", {}, 0},
    {"KnobNaNSensitivity", Kind::kKnob, 0.0f, [](CView& v) { knob(v).setSensitivity(kNone); },
     {P(1, 0, 5, 5), M(5, 60), R(1, 5, 60)}, "be", {}, 0},
    // Changes made by the program rather than the mouse: the frame within the strip, heard by nobody.
    {"KnobSilentlyAboveOne", Kind::kKnob, 0.0f, [](CView& v) { v.setValueSilently(7.0f); }, {}, "", {}, 63},
    {"KnobSilentlyNaN", Kind::kKnob, 0.0f, [](CView& v) { v.setValueSilently(kNone); }, {}, "", {}, 0},
    {"KnobReversed", Kind::kKnob, 0.0f, [](CView& v) { knob(v).setReversed(true), v.setValue(0.5f); }, {}, "", {}, 32},
    {"MultiIndexPastTheEnd", Kind::kMulti, 0.0f, [](CView& v) { multi(v).setIndex(3); }, {}, "", {}, 0},
    {"MultiReversed", Kind::kMulti, 0.0f, [](CView& v) { multi(v).setReversed(true), multi(v).setIndex(0); }, {}, "", {}, 2},
    {"MemoryRecall", Kind::kMemory, 0.0f, [](CView& v) { memory(v).applyAction(kMemoryActionRecall); }, {}, "", {}, 2},
    {"MemoryStoredAction3", Kind::kMemory, 0.0f, [](CView& v) { memory(v).setState(1), memory(v).applyAction(3); },
     {}, "", {}, 0},
    {"MemoryShownGraphOff", Kind::kMemory, 0.0f, [](CView& v) { memory(v).setState(2), memory(v).setGraphShown(0); },
     {}, "", {}, 1},
    {"MemoryShownAction1", Kind::kMemory, 0.0f, [](CView& v) { memory(v).setState(2), memory(v).applyAction(1); },
     {}, "", {}, 2},
};

class StripTest : public ControlsTest {
protected:
    CView* make(Kind kind) {
        const CPoint at{10, 5};
        CView* view = nullptr;
        switch (kind) {
            case Kind::kOnOff: view = new COnOffSwitch(&owner, 11, at, strip(20, 10, 2)); break;
            case Kind::kKick: view = new CKickButton(&owner, 11, at, strip(20, 10, 2)); break;
            case Kind::kStep: view = new CStepButton(&owner, 11, at, strip(20, 10, 2)); break;
            case Kind::kMulti: view = new CSwitchMulti(&owner, 11, at, strip(60, 10, 3, 1), 3, 1); break;
            case Kind::kMemory: view = new CMemorySwitch(&owner, 11, at, strip(20, 10, 3)); break;
            case Kind::kKnob: view = new CKnob(&owner, 11, at, strip(20, 10, 64), 64); break;
        }
        return put(panel(CRect{20, 30, 200, 120}), view);
    }
    void run(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            if (s.op == 'p' || s.op == 'c') press(s.button, s.modifiers, 30 + s.x, 35 + s.y);
            if (s.op == 'm') moveTo(30 + s.x, 35 + s.y, s.modifiers);
            if (s.op == 'r' || s.op == 'c') release(s.button, 30 + s.x, 35 + s.y);
            if (s.op == 'f') window->onFocusLost();
        }
    }
};

class Gestures : public StripTest, public ::testing::WithParamInterface<GestureCase> {};

TEST_P(Gestures, OwnerHearsTheGestureAndTheFrameFollows) {
    const GestureCase& c = GetParam();
    CView* control = make(c.kind);
    control->setValue(c.start);
    if (c.setup) c.setup(*control);
    run(c.steps);
    EXPECT_EQ(owner.kinds, c.heard);
    std::vector<std::uint32_t> heard, want;  // as bits: NaN and -0 count
    for (const auto& change : owner.changes) heard.push_back(std::bit_cast<std::uint32_t>(change.value));
    for (float v : c.values) want.push_back(std::bit_cast<std::uint32_t>(v));
    EXPECT_EQ(heard, want);
    EXPECT_EQ(std::count(owner.tags.begin(), owner.tags.end(), 11u), static_cast<long>(owner.tags.size()));
    repaint();
    EXPECT_EQ(frameAt(31, 36), c.frame);
}

INSTANTIATE_TEST_SUITE_P(Controls, Gestures, ::testing::ValuesIn(kGestures),
                         [](const auto& p) { return std::string(p.param.name); });

// No frames, or 31 rows for three: no rect, never hit, nothing drawn.
TEST_F(StripTest, StripsThatDoNotFitGiveNoControl) {
    CViewContainer* p = panel(CRect{100, 100, 100, 50});
    EXPECT_EQ(put(p, new CKnob(&owner, 12, CPoint{0, 0}, strip(20, 10, 2), 0))->getRect().height, 0);
    EXPECT_EQ(put(p, new CSwitchMulti(&owner, 13, CPoint{0, 20}, strip(20, 1, 31), 3, 0))->getRect().width, 0);
    repaint();
    press(1, 0, 105, 105);
    press(1, 0, 105, 125);
    EXPECT_EQ(std::pair(pixel(105, 105) & pixel(105, 125), owner.kinds), std::pair(kWhite, std::string()));
}

}  // namespace
}  // namespace qv::test
