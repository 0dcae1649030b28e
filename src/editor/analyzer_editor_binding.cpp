// Settings applied by the core (echoes of the editor's own changes, chunk loads, other
// instances) moving the analyzer editor's controls and its spectrum display.
#include <bit>
#include <cmath>
#include <cstdio>

#include "controls/color_chooser.h"
#include "controls/color_swatch.h"
#include "controls/knob.h"
#include "controls/memory_switch.h"
#include "controls/option_menu.h"
#include "controls/switch_multi.h"
#include "controls/text_label.h"
#include "controls/view_container.h"
#include "core/data_request.h"
#include "core/setting_ids.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"

namespace qv {

using namespace settingid;

namespace {

// trunc(v + 0.1) of an index setting, within 0..max (NaN and negatives give 0).
std::uint32_t indexOf(float v, std::uint32_t max) {
    if (!(v > 0.0f)) return 0;
    if (v >= static_cast<float>(max)) return max;
    return static_cast<std::uint32_t>(v + 0.1f);
}

float normalised(float v) { return std::isnan(v) ? 0.0f : v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

void print(CTextLabel* label, int decimals, float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(v));
    label->setText(text);
}

// The compact layout as the core keeps it: any whole part other than 0 (negative ones too).
bool compactOf(float v) { return std::isfinite(v) && std::trunc(v) != 0.0f; }

// A finite dB or Hz value from the core; anything else leaves the display as it is.
bool finite(float v) { return std::isfinite(v) && std::fabs(v) < 1.0e6f; }

}  // namespace

void CAnalyzerEditor::setParameter(std::int32_t signedId, float value) {
    if (!live() || signedId < 0 || signedId >= static_cast<std::int32_t>(kCount)) return;
    const auto id = static_cast<std::uint32_t>(signedId);
    AnalyzerControls& c = *ctl;
    CSpectrumDisplay& d = *c.display;
    const bool on = value > 0.5f;
    switch (id) {
        case kSidePanel: showSidePanel(value); return;
        case kAttack: case kRelease: case kSlope: case kAverageTime: case kPeakHoldTime: showKnob(id, value); return;
        case kInstanceNumber: showInstanceMap(value); return;
        case kVeil: c.veil->setValue(normalised(value)), d.setCurveFill(value >= 0.5f); return;
        case kAverageFrames: d.setAverageFrames(indexOf(value, 1u << 20)); return;
        case kAverageOn: d.setAverageEnabled(on), c.averageOn->setValue(normalised(value)); return;
        case kPeakDisplay: d.setShowPeaks(on), c.peaks->setValue(normalised(value)); return;
        case kBarsCurves: d.setShowLevels(on), c.barsCurves->setValue(normalised(value)); return;
        case kPeakHold: d.setPeakHoldEnabled(on), c.peakHold->setValue(normalised(value)); return;
        case kAccuracy: showMenu(c.accuracy, value, kMaxAccuracy); return;
        case kFftResponse: showMenu(c.mode, value, kMaxFftResponse), d.setFftSmoothing(indexOf(value, kMaxFftResponse)); return;
        case kArrangement: showMenu(c.arrangement, value, kMaxArrangement), d.setAlignMode(indexOf(value, kMaxArrangement)); return;
        case kLevelBottom: if (finite(value)) d.setLevelBottom(value, false); return;
        case kLevelTop: if (finite(value)) d.setLevelTop(value); return;
        case kResolution: d.setSmoothingIndex(indexOf(value, kMaxResolution)), showMenu(c.resolution, value, kMaxResolution); return;
        case kAnalysisView: {
            const std::uint32_t view = indexOf(value, kMaxAnalysisView);
            applyLayout(view);
            d.setFftMode(view);
            refreshMemoryStates();
            return;
        }
        case kFftSize: d.setFftSizeIndex(indexOf(value, kMaxFftSize)), showMenu(c.fftSize, value, kMaxFftSize); return;
        case kWindowType: showMenu(c.window, value, kMaxWindowType); return;
        case kFreqLow: if (finite(value)) d.setFreqMin(value); return;
        case kFreqHigh: if (finite(value)) d.setFreqMax(value); return;
        case kPause: c.pause->setValue(normalised(value)); return;
        case kCompactLayout: setCompactLayout(compactOf(value)); return;
        default: break;
    }
    if (id >= kSoloFirst && id < kMuteFirst) {
        c.solo[id - kSoloFirst]->setValue(normalised(value));
    } else if (id >= kMuteFirst && id < kColourFirst) {
        c.mute[id - kMuteFirst]->setValue(normalised(value));
    } else if (id >= kColourFirst && id < kNameFieldFirst) {
        showColour((id - kColourFirst) % kInstances, std::bit_cast<std::uint32_t>(value));
    } else if (id >= kMemorySwitchFirst && id < kAverageTime) {
        showMemory(id - kMemorySwitchFirst, std::bit_cast<std::uint32_t>(value), id >= kMemoryStateFirst);
    }
}

void CAnalyzerEditor::showSidePanel(float value) {
    AnalyzerControls& c = *ctl;
    const bool names = value >= 0.5f;
    // The compact window has no side panel: the choice is kept for the full one.
    const bool compact = compactOf(getParameter(kCompactLayout));
    c.controlsPanel->setActive(!names && !compact);
    c.namesPanel->setActive(names && !compact);
    c.panelSwitch->setIndex(names ? 1 : 0);
    (names ? c.namesPanel : c.controlsPanel)->redrawViews();
}

// A knob's normalised value: the knob shows it, the label prints the physical value, the display
// takes it where it uses it.
void CAnalyzerEditor::showKnob(std::uint32_t id, float value) {
    AnalyzerControls& c = *ctl;
    const float v = normalised(value);
    switch (id) {
        case kAttack:
        case kRelease: {
            const float rate = 1.0f + 799.0f * v;
            (id == kAttack ? c.attack : c.release)->setValue(v);
            print(id == kAttack ? c.attackLabel : c.releaseLabel, 0, rate);
            valueCache[id == kAttack ? 0 : 1] = rate;
            id == kAttack ? c.display->setAttackRate(rate) : c.display->setReleaseRate(rate);
            break;
        }
        case kSlope:
            c.slope->setValue(v);
            valueCache[2] = 20.0f * v - 10.0f;
            print(c.slopeLabel, 1, valueCache[2]);
            c.display->setSlope(valueCache[2]);
            break;
        case kAverageTime:
            c.average->setValue(v);
            valueCache[3] = 0.1f + 4.9f * v;
            print(c.averageLabel, 1, valueCache[3]);
            break;
        default: {
            c.peakHoldTime->setValue(v);
            const float seconds = 0.1f + 19.9f * v;
            c.display->setPeakHoldTime(seconds);
            print(c.peakHoldLabel, 1, seconds);
            break;
        }
    }
}

// The number plates: this instance's slot, the other slots in use, the free ones.
void CAnalyzerEditor::showInstanceMap(float value) {
    static constexpr float kOwn[3] = {1.0f, 1.0f, 0.9f};
    static constexpr float kOther[3] = {0.85f, 0.85f, 0.95f};
    static constexpr float kFree[3] = {0.7f, 0.7f, 0.7f};
    const std::uint32_t own = indexOf(value, kInstances);
    if (own >= kInstances) return;
    struct {
        InstanceMapReply reply;
        std::uint8_t spare[4];
    } request{};
    request.reply.header = DataRequest{sizeof request, kDataInstanceMap, 0, 0};
    getData(&request);
    for (std::uint32_t i = 0; i < kInstances; ++i) {
        const float* rgb = i == own ? kOwn : request.reply.used[i] ? kOther : kFree;
        ctl->plates[i]->setColor(rgb[0], rgb[1], rgb[2]);
    }
    getFrame()->requestFullRedraw();
}

void CAnalyzerEditor::showColour(std::uint32_t slot, std::uint32_t bits) {
    const std::array<float, 4> rgba = unpackColour(bits);
    ctl->nameColours[slot]->setColor(rgba.data());
    ctl->columnColours[slot]->setColor(rgba.data());
    ctl->display->setInstanceColor(slot, rgba[0], rgba[1], rgba[2]);
}

// Index i * 8 + k of a memory switch. An action setting carries action x 256 + state from the
// switch, or the bare action code (1 delete, 2 store, 3 recall, 4 hide) as the core keeps it;
// the state after it is written back as the view's shown state (see write). A state setting sets the switch.
void CAnalyzerEditor::showMemory(std::uint32_t index, std::uint32_t bits, bool state) {
    if (state) index -= kMemoryStateFirst - kMemorySwitchFirst;
    const std::uint32_t i = index / kMemoriesPerInstance, k = index % kMemoriesPerInstance;
    CMemorySwitch* sw = ctl->memory[i][k];
    if (state) {
        if (bits > kMemoryShown) return;
        sw->setState(bits);
        // The states are those of the view shown: they go to the display's table of that view.
        ctl->display->memoryAction(i, k, bits == kMemoryShown ? kMemoryActionRecall : kMemoryActionHide);
        return;
    }
    const std::uint32_t action = bits > 0xFF ? (bits >> 8 & 0xFF) : bits;
    if (action < kMemoryActionDelete || action > kMemoryActionHide) return;
    sw->applyAction(action);
    ctl->display->memoryAction(i, k, action);
    statePending[index] = true;
    if (action != kMemoryActionRecall) return;
    // A recall shows one memory of the slot: the others that were shown go back to stored.
    for (std::uint32_t m = 0; m < kMemoriesPerInstance; ++m) {
        CMemorySwitch* other = ctl->memory[i][m];
        if (m == k || other->getState() != kMemoryShown) continue;
        other->applyAction(kMemoryActionHide);
        statePending[i * kMemoriesPerInstance + m] = true;
    }
}

void CAnalyzerEditor::showMenu(COptionMenu* menu, float value, std::uint32_t max) {
    menu->selectEntry(indexOf(value, max), true);
}

void CAnalyzerEditor::applyLayout(std::uint32_t view) {
    AnalyzerControls& c = *ctl;
    const bool compact = compactOf(getParameter(kCompactLayout));
    c.graph->setPosition(CPoint{0, compact ? 0 : 228});
    for (CViewContainer* box : {c.arrangementBox, c.syncBox}) box->setActive(!compact);
    for (CViewContainer* column : c.columns) column->setActive(!compact);
    c.panelSwitch->setVisible(!compact);
    if (compact) {
        c.controlsPanel->setActive(false);
        c.namesPanel->setActive(false);
    } else {
        showSidePanel(static_cast<float>(indexOf(getParameter(kSidePanel), 1)));
    }
    const bool fft = view == 1;
    c.tabBands->setValue(fft ? 0.0f : 1.0f);
    c.tabFft->setValue(fft ? 1.0f : 0.0f);
    // Hidden from the mouse too: a button that is only not drawn would still be pressed.
    for (CView* button : c.freqButtons) button->setVisible(fft);
    c.fftBar->setActive(fft && !compact);
    c.bandBar->setActive(!fft && !compact);
    getFrame()->requestFullRedraw();
}

}  // namespace qv
