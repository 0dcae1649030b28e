// Settings applied by the core (or arriving malformed) and what the controls and the display
// show for them; names shared between instances; colours as bits; the limit page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "controls/color_chooser.h"
#include "controls/knob.h"
#include "controls/memory_switch.h"
#include "controls/option_menu.h"
#include "controls/switch_multi.h"
#include "controls/text_edit.h"
#include "controls/view_container.h"
#include "core/data_request.h"
#include "display/spectrum_display.h"
#include "unit/analyzer_editor/editor_rig.h"

namespace qv {
namespace {

using test::EditorRig;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Shown {
    const char* name;
    std::uint32_t id;
    float value;
    bool throughCore;  // false: handed to the editor as is, as a faulty sender would
    std::function<bool(const AnalyzerControls&)> holds;
};

std::string text(const CTextLabel* l) { return l->getText(); }

TEST(AnalyzerEditorBinding, EachSettingMovesItsControlsAndTheDisplay) {
    const float purple = std::bit_cast<float>(0x7F3FFFFFu);
    const std::vector<Shown> cases = {
        {"attack knob and label", 8, 0.5f, true,
         [](const auto& c) { return c.attack->getValue() == 0.5f && text(c.attackLabel) == "400"; }},
        {"slope beyond its range is clamped", 10, 2.0f, false,
         [](const auto& c) { return c.slope->getValue() == 1.0f && text(c.slopeLabel) == "10.0"; }},
        {"NaN peak-hold time shows the bottom", 353, kNaN, false,
         [](const auto& c) { return c.peakHoldTime->getValue() == 0.0f && text(c.peakHoldLabel) == "0.1"; }},
        {"average time", 347, 1.0f, true, [](const auto& c) { return text(c.averageLabel) == "5.0"; }},
        {"colour as bits to both fields and the display", 45, purple, true,
         [](const auto& c) {
             float rgba[4];
             c.columnColours[2]->getColor(rgba);
             const auto shown = c.display->getInstanceColor(2);
             return rgba[0] == 127.0f / 255 && rgba[1] == 63.0f / 255 && rgba[2] == 1.0f &&
                    shown[0] == rgba[0] && shown[1] == rgba[1] && shown[2] == rgba[2];
         }},
        {"FFT view: tabs, bar, arrows, display", 362, 1.0f, true,
         [](const auto& c) {
             return c.tabFft->getValue() == 1.0f && c.tabBands->getValue() == 0.0f && c.fftBar->isActive() &&
                    !c.bandBar->isActive() && c.freqButtons[2]->isVisible() && c.display->getFftMode() == 1;
         }},
        {"index 2.95 reads as 3", 363, 2.95f, false, [](const auto& c) { return c.fftSize->getCurrentIndex() == 3; }},
        {"index out of range is clamped", 375, 99.0f, false,
         [](const auto& c) { return c.resolution->getCurrentIndex() == 11; }},
        {"NaN index reads as 0", 372, kNaN, false, [](const auto& c) { return c.mode->getCurrentIndex() == 0; }},
        {"names panel", 2, 1.0f, true,
         [](const auto& c) {
             return c.namesPanel->isActive() && !c.controlsPanel->isActive() && c.panelSwitch->getIndex() == 1;
         }},
        {"S switch of slot 4", 15, 1.0f, true, [](const auto& c) { return c.solo[4]->getValue() == 1.0f; }},
        {"arrangement", 355, 2.0f, true, [](const auto& c) { return c.arrangement->getCurrentIndex() == 2; }},
        {"memory state shown", 219 + 8 * 3 + 1, std::bit_cast<float>(2u), false,
         [](const auto& c) { return c.memory[3][1]->getState() == kMemoryShown; }},
        {"memory state out of range is ignored", 219 + 8 * 3 + 1, std::bit_cast<float>(3u), false,
         [](const auto& c) { return c.memory[3][1]->getState() == kMemoryEmpty; }},
        {"identifier beyond the table is ignored", 5000, 1.0f, false, [](const auto&) { return true; }},
    };
    for (const Shown& s : cases) {
        EditorRig rig;
        ASSERT_TRUE(rig.open()) << s.name;
        if (s.throughCore) {
            rig.set(s.id, s.value);
        } else {
            rig.editor->setParameter(static_cast<std::int32_t>(s.id), s.value);
        }
        EXPECT_TRUE(s.holds(rig.c())) << s.name;
    }
}

TEST(AnalyzerEditorBinding, ColourPacksAsBits) {
    const float rgba[4] = {0.5f, 0.25f, 1.0f, 1.0f}, odd[4] = {kNaN, -1.0f, 7.0f, 0.999f};
    EXPECT_EQ(std::pair(CAnalyzerEditor::packColour(rgba), CAnalyzerEditor::packColour(odd)),
              std::pair(0x7F3FFFFFu, 0x0000FFFEu));
}

TEST(AnalyzerEditorBinding, ACoreSideChangeMovesTheControlAndTheInitialColoursAreTheDisplays) {
    EditorRig rig;
    ASSERT_TRUE(rig.open());
    // Before any change, the core's colour of each slot is what the display draws.
    for (std::uint32_t i = 0; i < 16; ++i) {
        const auto shown = rig.c().display->getInstanceColor(i);
        const float rgba[4] = {shown[0], shown[1], shown[2], 1.0f};
        EXPECT_EQ(CAnalyzerEditor::packColour(rgba), std::bit_cast<std::uint32_t>(rig.setting(43 + i))) << i;
    }
    // A chunk saved with other settings, loaded while the editor is open.
    rig.set(9, 1.0f), rig.set(355, 1.0f);
    void* data = nullptr;
    const auto bytes = rig.effect->dispatcher(rig.effect, vst::effGetChunk, 0, 0, &data, 0.0f);
    ASSERT_GT(bytes, 0);
    std::vector<char> chunk(static_cast<char*>(data), static_cast<char*>(data) + bytes);
    rig.set(9, 0.0f), rig.set(355, 0.0f);
    EXPECT_EQ(rig.c().release->getValue(), 0.0f);
    rig.effect->dispatcher(rig.effect, vst::effSetChunk, 0, bytes, chunk.data(), 0.0f);
    rig.tick(2);
    EXPECT_EQ(std::pair(rig.c().release->getValue(), rig.c().arrangement->getCurrentIndex()), std::pair(1.0f, 1u));
}

TEST(AnalyzerEditorBinding, AnEditedNameIsCutTo31AndReachesASecondInstance) {
    EditorRig first, second;
    ASSERT_TRUE(first.open());
    ASSERT_TRUE(second.open());
    const auto slot = static_cast<std::uint32_t>(first.setting(0) + 0.1f);
    CTextEdit* field = first.c().names[slot];
    field->setText(std::string(40, 'n'));
    first.editor->valueChanged(75 + slot, 0.0f);
    for (int i = 0; i < 50 && second.c().names[slot]->getText() != std::string(31, 'n'); ++i) {
        first.tick(), second.tick();
    }
    EXPECT_EQ(second.c().names[slot]->getText(), std::string(31, 'n'));

    // A record without terminators or of the wrong size harms nothing.
    NamesRequest names{};
    names.header = DataRequest{NamesRequest::kSize, kDataNames, 0, 0};
    std::memset(names.names, 'x', sizeof names.names);
    second.editor->receiveData(&names);
    EXPECT_EQ(second.c().names[15]->getText(), std::string(31, 'x'));
    names.header.size = 527;
    std::memset(names.names, 'y', sizeof names.names);
    second.editor->receiveData(&names);
    EXPECT_EQ(second.c().names[15]->getText(), std::string(31, 'x'));
}

TEST(AnalyzerEditorBinding, TheSeventeenthInstanceShowsOnlyTheLimitPageAndNothingActs) {
    std::vector<std::unique_ptr<EditorRig>> rigs;
    for (int i = 0; i < 17; ++i) rigs.push_back(std::make_unique<EditorRig>());
    EditorRig& last = *rigs.back();
    ASSERT_TRUE(last.editor->isLimitReached());
    EXPECT_FALSE(rigs[15]->editor->isLimitReached());
    ASSERT_TRUE(last.open());
    EXPECT_EQ(last.frame().getPageCount(), 1u);
    last.click(79, 553, 1, 1);  // its FFT tab, with Shift
    last.editor->setParameter(387, 1.0f);
    last.editor->valueChanged(6, 1.0f);
    EXPECT_TRUE(last.editor->written.empty());
    EXPECT_EQ(last.size(), std::make_pair(752, 563));
}

}  // namespace
}  // namespace qv
