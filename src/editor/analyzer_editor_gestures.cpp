// User gestures on the analyzer editor's controls, turned into settings of the core.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "controls/color_chooser.h"
#include "controls/memory_switch.h"
#include "controls/switch_multi.h"
#include "controls/text_edit.h"
#include "controls/text_label.h"
#include "core/data_request.h"
#include "core/setting_ids.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"

namespace qv {

using namespace settingid;

namespace {
constexpr std::uint32_t kAboutTabBands = 381;
constexpr std::uint32_t kAboutTabFft = 382;
constexpr std::uint32_t kPauseMemory = 7;  // M8 holds the frozen graph
}  // namespace

void CAnalyzerEditor::valueChanged(std::uint32_t tag, float value) {
    if (!live()) return;
    AnalyzerControls& c = *ctl;
    if (tag == kTabBands || tag == kTabFft) {
        const CTabSwitch* tab = tag == kTabFft ? c.tabFft : c.tabBands;
        tabPressed(tag == kTabFft, (tab->getModifiers() & kModifierShift) != 0);
    } else if (tag == kAboutTabBands || tag == kAboutTabFft) {
        const CTabSwitch* tab = c.aboutTabs[tag - kAboutTabBands];
        getFrame()->setCurrentPage(0);
        tabPressed(tag == kAboutTabFft, (tab->getModifiers() & kModifierShift) != 0);
    } else if (tag == kTabAbout) {
        getFrame()->setCurrentPage(1);
        write(kCompactLayout, 0.0f);
    } else if (tag == kDisplay) {
        float hz = 0.0f, db = 0.0f;
        if (c.display->getReadout(hz, db)) {
            char text[32];
            std::snprintf(text, sizeof text, hz < 0.0f ? "- Hz" : "%.1f Hz", static_cast<double>(hz));
            c.freqReadout->setText(text);
            std::snprintf(text, sizeof text, db >= 10000.0f ? "- dB" : "%.2f dB", static_cast<double>(db));
            c.levelReadout->setText(text);
        } else {
            c.freqReadout->setText("");
            c.levelReadout->setText("");
        }
        followListening();
        if (CPoint at; c.display->takeMenuRequest(at)) openGraphMenu(at);
    } else if (tag == kGraphMenuTag) {
        if (value >= 0.0f && value < static_cast<float>(kMenuItems)) graphMenuChosen(static_cast<std::uint32_t>(value));
    } else if (tag == kSidePanel) {
        write(kSidePanel, c.panelSwitch->getIndex() == 0 ? 0.0f : 1.0f);
    } else if (tag >= kColourFirst && tag < kNameFieldFirst) {
        const std::uint32_t slot = (tag - kColourFirst) % kInstances;
        const CColorChooser* field = tag >= kNamesColourFirst ? c.nameColours[slot] : c.columnColours[slot];
        float rgba[4];
        field->getColor(rgba);
        write(kColourFirst + slot, std::bit_cast<float>(packColour(rgba)));
    } else if (tag >= kMemorySwitchFirst && tag < kMemoryStateFirst) {
        memoryPressed(tag, value);
    } else if (tag == kFreqLowSteps) {
        stepsDragged(value, kFreqLowUp, kFreqLowDown);
    } else if (tag == kFreqHighSteps) {
        stepsDragged(value, kFreqHighUp, kFreqHighDown);
    } else if (tag == kLevelTopSteps) {
        stepsDragged(value, kLevelTopUp, kLevelTopDown);
    } else if (tag == kLevelBottomSteps) {
        stepsDragged(value, kLevelBottomUp, kLevelBottomDown);
    } else if (tag == kSyncOthers) {
        if (value > 0.5f) write(kSyncOthers, value);
    } else if (tag >= kNameFieldFirst && tag < kMemorySwitchFirst) {
        nameEdited(tag - kNameFieldFirst);
    } else if (tag == kPause) {
        pauseChanged(value);
    } else if (tag == kAttack || tag == kRelease || tag == kSlope || (tag >= kSoloFirst && tag < kColourFirst) ||
               (tag >= kAverageTime && tag <= kLevelBottomDown && tag != kAverageFrames) || (tag >= kAnalysisView && tag <= kFreqHighDown) ||
               (tag >= kFftResponse && tag <= kResolution)) {
        write(tag, value);
    }
    // Tags 0 (labels), 349, 360, 361, 368, 369 and the limit page's tabs drive nothing.
}

// A tab of the band or FFT view. Leaving the view releases a pause (and only then: the pause
// rule clears M8 everywhere); Shift selects the compact layout, a plain press the full one.
void CAnalyzerEditor::tabPressed(bool fft, bool shift) {
    if (ctl->display->getFftMode() != (fft ? 1u : 0u) && ctl->pause->getValue() >= 0.5f) {
        ctl->pause->setValue(0.0f);
        ctl->pause->notifyOwner(true);
    }
    write(kAnalysisView, fft ? 1.0f : 0.0f);
    write(kCompactLayout, shift ? 1.0f : 0.0f);
}

// A step button reports whole steps (signed); each one is a press of the up or down setting.
void CAnalyzerEditor::stepsDragged(float value, std::uint32_t up, std::uint32_t down) {
    if (!std::isfinite(value) || std::fabs(value) > 1000.0f) return;
    const int n = static_cast<int>(value >= 0.0f ? value + 0.1f : value - 0.1f);
    for (int s = 0; s < (n >= 0 ? n : -n); ++s) write(n >= 0 ? up : down, 1.0f);
}

// A memory switch (slot i, memory k) acted. With Alt the same press is replayed, without Alt,
// on memory k of every other slot; each replay reports its own change.
void CAnalyzerEditor::memoryPressed(std::uint32_t tag, float value) {
    const std::uint32_t d = tag - kMemorySwitchFirst;
    const std::uint32_t i = d / kMemoriesPerInstance, k = d % kMemoriesPerInstance;
    write(tag, value);
    CMemorySwitch* pressed = ctl->memory[i][k];
    const std::uint32_t mods = pressed->getModifiers();
    if (!(mods & kModifierAlt)) return;
    const std::int32_t button = pressed->getButton();
    const auto plain = static_cast<std::int32_t>(mods & ~static_cast<std::uint32_t>(kModifierAlt));
    for (std::uint32_t j = 0; j < kInstances && live(); ++j) {
        if (j == i) continue;
        ctl->memory[j][k]->onMouseDown(button, plain, 0, 0);
        ctl->memory[j][k]->onMouseUp(button, 0, 0);
    }
}

// The pause freezes the graph through M8: delete M8 everywhere; when pausing, store it
// everywhere and then show it.
void CAnalyzerEditor::pauseChanged(float value) {
    auto pressAll = [this](std::int32_t button, std::int32_t mods) {
        for (std::uint32_t j = 0; j < kInstances && live(); ++j) {
            ctl->memory[j][kPauseMemory]->onMouseDown(button, mods, 0, 0);
            ctl->memory[j][kPauseMemory]->onMouseUp(button, 0, 0);
        }
    };
    pressAll(kMouseLeft, kModifierControl);
    if (value > 0.5f) {
        pressAll(kMouseRight, 0);
        pressAll(kMouseLeft, 0);
    }
    if (live()) write(kPause, value);
}

// The edited name of a slot goes to the core, which renames it and shares the names.
void CAnalyzerEditor::nameEdited(std::uint32_t slot) {
    NamesRequest record{};
    record.header = DataRequest{NamesRequest::kSize, kDataNames, slot, 0};
    const std::string text = ctl->names[slot]->getText();
    std::memcpy(record.names[slot], text.data(), std::min<std::size_t>(text.size(), kNameChars));
    putData(&record);
}

}  // namespace qv
