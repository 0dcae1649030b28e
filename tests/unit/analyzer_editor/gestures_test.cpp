// Pointer gestures on the analyzer editor, delivered as window events, and the settings they
// write to the core (in order, as bit patterns).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "controls/memory_switch.h"
#include "controls/on_off_switch.h"
#include "unit/analyzer_editor/editor_rig.h"

namespace qv {
namespace {

using test::bitsOf;
using test::EditorRig;
using test::valueOf;
using test::Written;

std::string show(const std::vector<Written>& w) {
    std::string s;
    for (const Written& x : w) s += std::to_string(x.id) + ":" + std::to_string(x.bits) + " ";
    return s;
}

// Column i's memory switch k (M1 = 0), and its S switch, in editor coordinates.
std::int32_t columnX(std::int32_t i) { return 47 * i + 13; }
std::int32_t memoryY(std::int32_t k) { return 133 - 13 * k + 5; }

struct Gesture {
    const char* name;
    std::function<void(EditorRig&)> act;
    std::vector<Written> written;
};

std::vector<Written> storeEverywhere(std::int32_t k) {
    std::vector<Written> w;
    for (std::int32_t j = 0; j < 16; ++j) {
        w.push_back(bitsOf(91 + 8 * j + k, kMemoryActionStore << 8 | kMemoryStored));
        w.push_back(bitsOf(219 + 8 * j + k, kMemoryStored));
    }
    return w;
}

TEST(AnalyzerEditorGestures, EachGestureWritesItsSettings) {
    const std::vector<Gesture> cases = {
        {"plain click on the FFT tab", [](EditorRig& r) { r.click(79, 553); },
         {valueOf(362, 1.0f), valueOf(387, 0.0f)}},
        {"Shift-click on the 1/3 Oct tab", [](EditorRig& r) { r.click(10, 553, 1, 1); },
         {valueOf(362, 0.0f), valueOf(387, 1.0f)}},
        {"S switch of column 3", [](EditorRig& r) { r.click(47 * 3 + 12, 172); }, {valueOf(14, 1.0f)}},
        {"Sync Others: the press only", [](EditorRig& r) { r.click(665, 214); }, {valueOf(376, 1.0f)}},
        {"level top up", [](EditorRig& r) { r.click(642, 528); }, {valueOf(356, 1.0f), valueOf(356, 0.0f)}},
        {"right press on M3 of column 0", [](EditorRig& r) { r.click(columnX(0), memoryY(2), 2); },
         {bitsOf(93, kMemoryActionStore << 8 | kMemoryStored), bitsOf(221, kMemoryStored)}},
        {"Alt + right press on M3 of column 5 reaches all sixteen",
         [](EditorRig& r) { r.click(columnX(5), memoryY(2), 2, 4); },
         [] {
             auto w = storeEverywhere(2);
             // Column 5 acts first, then the replays in slot order.
             std::rotate(w.begin(), w.begin() + 10, w.begin() + 12);
             return w;
         }()},
        {"three steps down on the low-frequency arrows (FFT view)",
         [](EditorRig& r) {
             r.set(362, 1.0f);
             r.editor->written.clear();
             r.drag(40, 235, -24);
         },
         {valueOf(365, 1.0f), valueOf(365, 1.0f), valueOf(365, 1.0f)}},
        {"the hidden frequency arrows in band view take no press", [](EditorRig& r) { r.drag(40, 235, -24); }, {}},
    };
    for (const Gesture& g : cases) {
        EditorRig rig;
        ASSERT_TRUE(rig.open()) << g.name;
        g.act(rig);
        EXPECT_EQ(rig.editor->written, g.written) << g.name << "\n got: " << show(rig.editor->written);
    }
}

TEST(AnalyzerEditorGestures, PauseFreezesThroughM8AndAViewChangeReleasesIt) {
    EditorRig rig;
    ASSERT_TRUE(rig.open());
    rig.click(625, 549);  // pause
    std::vector<Written> frozen = storeEverywhere(7);
    for (std::int32_t j = 0; j < 16; ++j) {
        frozen.push_back(bitsOf(91 + 8 * j + 7, kMemoryActionRecall << 8 | kMemoryShown));
        frozen.push_back(bitsOf(219 + 8 * j + 7, kMemoryShown));
    }
    frozen.push_back(valueOf(380, 1.0f));
    EXPECT_EQ(rig.editor->written, frozen) << show(rig.editor->written);
    EXPECT_EQ(rig.c().memory[9][7]->getState(), kMemoryShown);

    // A second click on the tab of the view shown keeps the pause; the other tab releases it,
    // deleting M8 everywhere, before the view changes.
    rig.click(10, 553);
    EXPECT_GE(rig.setting(380), 0.5f);
    rig.click(79, 553);
    EXPECT_EQ(std::tuple(rig.setting(380), rig.setting(362), rig.c().memory[9][7]->getState()),
              std::tuple(0.0f, 1.0f, kMemoryEmpty));
    EXPECT_EQ(rig.editor->written.back(), valueOf(387, 0.0f));
}

TEST(AnalyzerEditorGestures, EachViewKeepsItsOwnMemoryStatesAndCtrlDeletes) {
    EditorRig rig;
    ASSERT_TRUE(rig.open());
    const auto slot = static_cast<std::int32_t>(rig.setting(0) + 0.1f);
    const auto state = [&] { return rig.c().memory[slot][2]->getState(); };
    rig.click(columnX(slot), memoryY(2), 2);  // stores M3 in band view
    rig.click(columnX(slot), memoryY(2));     // and shows it
    EXPECT_EQ(state(), kMemoryShown);
    rig.click(79, 553);  // FFT view: nothing stored there
    EXPECT_EQ(state(), kMemoryEmpty);
    rig.click(10, 553);
    EXPECT_EQ(state(), kMemoryShown);
    rig.click(columnX(slot), memoryY(2), 1, 2);
    EXPECT_EQ(state(), kMemoryEmpty);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(rig.setting(static_cast<std::uint32_t>(219 + 8 * slot + 2))), kMemoryEmpty);
}

TEST(AnalyzerEditorGestures, TabsSwitchSizeAndPages) {
    EditorRig rig;
    ASSERT_TRUE(rig.open());
    rig.click(79, 553, 1, 1);  // Shift + FFT
    EXPECT_EQ(std::pair(rig.size(), rig.frame().getBackBuffer().width), std::pair(std::pair(650, 335), 650));
    const AnalyzerControls& c = rig.c();
    EXPECT_EQ(std::pair(c.tabFft->getValue(), c.graph->getRect().y), std::pair(1.0f, 0));
    for (const CViewContainer* box : {c.fftBar, c.bandBar, c.controlsPanel, c.namesPanel, c.syncBox, c.columns[0]})
        EXPECT_FALSE(box->isActive());

    rig.click(148, 325);  // About, in the compact window: full size, about page
    rig.tick();
    EXPECT_EQ(std::pair(rig.size(), rig.frame().getCurrentPage()), std::pair(std::pair(752, 563), rig.frame().getPage(1)));
    rig.click(10, 553, 1, 1);  // Shift on the about page's 1/3 Oct tab: back, compact, bands
    rig.tick();
    EXPECT_EQ(std::pair(rig.size(), rig.frame().getCurrentPage()), std::pair(std::pair(650, 335), rig.frame().getPage(0)));
    EXPECT_EQ(rig.setting(362), 0.0f);

    rig.click(79, 325);  // plain FFT: full size with bars and panels
    EXPECT_EQ(std::pair(rig.size(), c.graph->getRect().y), std::pair(std::pair(752, 563), 228));
    for (const CViewContainer* box : {c.fftBar, c.controlsPanel, c.columns[15]}) EXPECT_TRUE(box->isActive());
    EXPECT_FALSE(c.bandBar->isActive());
}

}  // namespace
}  // namespace qv
