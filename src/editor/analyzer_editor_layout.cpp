// The main page of the analyzer editor: graph frame, band and FFT bars, controls and names
// panels, arrangement and sync boxes, and the sixteen instance columns. Positions are in the
// toolkit's convention: y up from the lower-left corner of the enclosing container.
#include <cstdio>
#include <string>

#include "controls/color_chooser.h"
#include "controls/color_swatch.h"
#include "controls/kick_button.h"
#include "controls/knob.h"
#include "controls/memory_switch.h"
#include "controls/option_menu.h"
#include "controls/picture.h"
#include "controls/step_button.h"
#include "controls/switch_multi.h"
#include "controls/text_edit.h"
#include "controls/text_label.h"
#include "controls/view_container.h"
#include "core/setting_ids.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/page.h"

namespace qv {

using namespace settingid;

namespace {

constexpr std::uint32_t kKnobFrames = 136;

// Knob defaults: the normalised forms of 450 dB/s, 100 dB/s, 3 dB/oct (0 alternate), 1 s, 2 s.
constexpr float kAttackDefault = (450.0f - 1.0f) / 799.0f;
constexpr float kReleaseDefault = (100.0f - 1.0f) / 799.0f;
constexpr float kSlopeDefault = (3.0f + 10.0f) / 20.0f;
constexpr float kSlopeAlternate = (0.0f + 10.0f) / 20.0f;
constexpr float kAverageDefault = (1.0f - 0.1f) / 4.9f;
constexpr float kPeakHoldDefault = (2.0f - 0.1f) / 19.9f;

template <typename T>
T* add(CViewContainer* box, T* view) {
    box->addView(view);
    return view;
}

CTextLabel* valueLabel(CViewOwner* owner, CViewContainer* box, CRect rect, const char* text) {
    auto* label = add(box, new CTextLabel(owner, rect, 0));
    label->setTextColor(0.0f, 0.0f, 0.0f, 1.0f);
    label->setFontSize(10);
    label->setAlignment(kAlignCenter);
    label->setText(text);
    return label;
}

COptionMenu* menu(CViewOwner* owner, CViewContainer* box, std::uint32_t tag, CRect rect,
                  std::initializer_list<const char*> entries, std::uint32_t initial) {
    auto* m = add(box, new COptionMenu(owner, tag, rect));
    for (const char* e : entries) m->addEntry(e, 0, 1);
    m->checkEntry(initial, true, true);
    m->selectEntry(initial, true);
    return m;
}

}  // namespace

CBitmap* CAnalyzerEditor::bitmap(std::int32_t id) const {
    for (std::size_t i = 0; i < artwork::kBitmaps.size(); ++i) {
        if (artwork::kBitmaps[i].id == id) return ctl->bitmaps[i];
    }
    return nullptr;
}

void CAnalyzerEditor::loadBitmaps() {
    CGuiWindow* frame = getFrame();
    missing = 0;
    for (std::size_t i = 0; i < artwork::kBitmaps.size(); ++i) {
        auto* b = new CBitmap(frame, artwork::kBitmaps[i].id);
        frame->addResource(b);
        ctl->bitmaps[i] = b;
        if (!b->isLoaded()) ++missing;
    }
    if (missing) std::fprintf(stderr, "Quorvane: %u editor images are missing; drawn without them\n", missing);
}

void CAnalyzerEditor::buildMainPage() {
    AnalyzerControls& c = *ctl;
    c.graph = new CViewContainer(this, CRect{0, 228, 650, 335});
    c.bandBar = new CViewContainer(this, CRect{0, 200, 650, 28});
    c.fftBar = new CViewContainer(this, CRect{0, 200, 650, 28});
    c.controlsPanel = new CViewContainer(this, CRect{650, 228, 102, 309});
    c.namesPanel = new CViewContainer(this, CRect{650, 228, 102, 309});
    c.arrangementBox = new CViewContainer(this, CRect{650, 537, 102, 26});
    c.syncBox = new CViewContainer(this, CRect{650, 200, 102, 28});
    c.bandBar->setActive(false);
    c.fftBar->setActive(false);
    c.namesPanel->setActive(false);

    buildGraphFrame();
    buildBars();
    buildNamesPanel();

    auto* page = new CPage;
    for (CViewContainer* box : {c.graph, c.bandBar, c.fftBar, c.controlsPanel, c.namesPanel, c.arrangementBox})
        page->addContainer(box);
    add(c.syncBox, new CPicture(this, CPoint{0, 0}, bitmap(147)));
    c.sync = add(c.syncBox, new CKickButton(this, kSyncOthers, CPoint{10, 7}, bitmap(140)));
    page->addContainer(c.syncBox);
    buildColumns();
    for (CViewContainer* column : c.columns) page->addContainer(column);
    getFrame()->addPage(page);
}

void CAnalyzerEditor::buildGraphFrame() {
    AnalyzerControls& c = *ctl;
    CViewContainer* g = c.graph;
    add(g, new CPicture(this, CPoint{0, 0}, bitmap(144)));
    c.tabBands = add(g, new CTabSwitch(this, kTabBands, CPoint{0, 315}, bitmap(142)));
    c.tabFft = add(g, new CTabSwitch(this, kTabFft, CPoint{69, 315}, bitmap(151)));
    c.tabAbout = add(g, new CTabSwitch(this, kTabAbout, CPoint{138, 315}, bitmap(143)));
    c.tabAbout->setNotifyAlways(true);
    add(c.controlsPanel, new CPicture(this, CPoint{0, 0}, bitmap(152)));
    add(c.namesPanel, new CPicture(this, CPoint{0, 0}, bitmap(154)));
    add(c.arrangementBox, new CPicture(this, CPoint{0, 0}, bitmap(153)));

    c.display = add(g, new CSpectrumDisplay(this, kDisplay, CRect{15, 15, 620, 290}, CRect{32, 32, 16, 241}, 2,
                                             16, 8, 938, 16384));
    c.display->setLevelBottom(-90.0f, false);
    c.display->setLevelTop(0.0f);
    for (CTextLabel** readout : {&c.freqReadout, &c.levelReadout}) {
        const CRect r = readout == &c.freqReadout ? CRect{465, 312, 70, 15} : CRect{540, 312, 65, 15};
        *readout = add(g, new CTextLabel(this, r, 0));
        (*readout)->setAlignment(kAlignRight);
    }

    CViewContainer* p = c.controlsPanel;
    auto knob = [&](std::uint32_t tag, CPoint at, float def) {
        auto* k = add(p, new CKnob(this, tag, at, bitmap(137), kKnobFrames));
        k->setReversed(true);
        k->setTransparent(true);
        k->setDefaultValue(def);
        return k;
    };
    c.attack = knob(kAttack, CPoint{51, 267}, kAttackDefault);
    c.attackLabel = valueLabel(this, p, CRect{12, 274, 28, 10}, "Atk");
    c.release = knob(kRelease, CPoint{51, 224}, kReleaseDefault);
    c.releaseLabel = valueLabel(this, p, CRect{12, 231, 28, 10}, "Rel");
    c.slope = knob(kSlope, CPoint{51, 181}, kSlopeDefault);
    c.slope->setSensitivity(2.0f);
    c.slope->setAlternateDefault(kSlopeAlternate);
    c.slopeLabel = valueLabel(this, p, CRect{13, 188, 28, 10}, "Slp");
    c.average = knob(kAverageTime, CPoint{51, 13}, kAverageDefault);
    c.average->setSensitivity(2.0f);
    c.averageLabel = valueLabel(this, p, CRect{13, 20, 28, 10}, "Avg");
    c.averageOn = add(p, new COnOffSwitch(this, kAverageOn, CPoint{10, 40}, bitmap(4)));
    c.peaks = add(p, new COnOffSwitch(this, kPeakDisplay, CPoint{10, 152}, bitmap(4)));
    c.barsCurves = add(p, new COnOffSwitch(this, kBarsCurves, CPoint{10, 132}, bitmap(4)));
    c.peakHoldTime = knob(kPeakHoldTime, CPoint{51, 75}, kPeakHoldDefault);
    c.peakHoldTime->setSensitivity(2.0f);
    c.peakHoldLabel = valueLabel(this, p, CRect{13, 82, 28, 10}, "PkH");
    c.peakHold = add(p, new COnOffSwitch(this, kPeakHold, CPoint{10, 102}, bitmap(4)));

    c.panelSwitch = add(g, new CSwitchMulti(this, kSidePanel, CPoint{638, 102}, bitmap(155), 2, kSwitchVertical));
    c.panelSwitch->setTransparent(true);
    c.panelSwitch->setReversed(true);
    c.panelSwitch->setIndex(0);
    c.levelTopSteps = add(g, new CStepButton(this, kLevelTopSteps, CPoint{639, 271}, bitmap(156)));
    c.levelBottomSteps = add(g, new CStepButton(this, kLevelBottomSteps, CPoint{639, 35}, bitmap(156)));
    c.pause = add(g, new COnOffSwitch(this, kPause, CPoint{612, 314}, bitmap(157)));
    buildGraphMenu();
}

void CAnalyzerEditor::buildBars() {
    AnalyzerControls& c = *ctl;
    add(c.fftBar, new CPicture(this, CPoint{0, 0}, bitmap(146)));
    c.fftSize = menu(this, c.fftBar, kFftSize, CRect{48, 7, 70, 13}, {"512", "1024", "2048", "4096", "8192", "16384"}, 3);
    c.window = menu(this, c.fftBar, kWindowType, CRect{175, 7, 100, 13},
                    {"Rectangular", "Hann", "Hamming", "Blackman", "Blackman-Harris", "Flat Top"}, 1);
    c.mode = menu(this, c.fftBar, kFftResponse, CRect{328, 7, 70, 13}, {"Instant", "Smooth"}, 1);
    c.resolution = menu(this, c.fftBar, kResolution, CRect{472, 7, 50, 13},
                        {"Full", "1", "1/2", "1/3", "1/4", "1/5", "1/6", "1/7", "1/8", "1/9", "2/3", "3/4"}, 0);
    c.veil = add(c.fftBar, new COnOffSwitch(this, kVeil, CPoint{552, 7}, bitmap(4)));
    add(c.bandBar, new CPicture(this, CPoint{0, 0}, bitmap(135)));
    c.accuracy = menu(this, c.bandBar, kAccuracy, CRect{77, 7, 70, 13}, {"HiRes Mode", "Eco Mode"}, 0);
    c.arrangement = menu(this, c.arrangementBox, kArrangement, CRect{8, 6, 87, 13},
                         {"H-Align/Overlay", "V-Align", "V-Space"}, 0);

    CViewContainer* g = c.graph;
    add(g, new CKickButton(this, kLevelTopUp, CPoint{639, 296}, bitmap(148)));
    add(g, new CKickButton(this, kLevelTopDown, CPoint{639, 286}, bitmap(149)));
    add(g, new CKickButton(this, kLevelBottomUp, CPoint{639, 25}, bitmap(148)));
    add(g, new CKickButton(this, kLevelBottomDown, CPoint{639, 15}, bitmap(149)));
    c.freqButtons[0] = add(g, new CKickButton(this, kFreqLowDown, CPoint{15, 3}, bitmap(149)));
    c.freqButtons[1] = add(g, new CKickButton(this, kFreqLowUp, CPoint{24, 3}, bitmap(148)));
    c.freqButtons[2] = add(g, new CStepButton(this, kFreqLowSteps, CPoint{33, 3}, bitmap(150)));
    c.freqButtons[3] = add(g, new CKickButton(this, kFreqHighDown, CPoint{599, 3}, bitmap(149)));
    c.freqButtons[4] = add(g, new CKickButton(this, kFreqHighUp, CPoint{608, 3}, bitmap(148)));
    c.freqButtons[5] = add(g, new CStepButton(this, kFreqHighSteps, CPoint{617, 3}, bitmap(150)));
}

void CAnalyzerEditor::buildNamesPanel() {
    AnalyzerControls& c = *ctl;
    for (std::uint32_t i = 0; i < AnalyzerControls::kSlots; ++i) {
        const std::int32_t group = i < 4 ? 15 : i < 8 ? 10 : i < 12 ? 5 : 0;
        const std::int32_t y = 17 * (15 - static_cast<std::int32_t>(i)) + 14 + group;
        c.nameColours[i] = add(c.namesPanel, new CColorChooser(this, kNamesColourFirst + i, CRect{6, y, 11, 13}));
        const auto colour = c.display->getInstanceColor(i);
        c.nameColours[i]->setColor(colour.data());
        auto* name = add(c.namesPanel, new CTextEdit(this, CRect{21, y, 74, 13}, kNameFieldFirst + i));
        name->setText("Inst " + std::to_string(i + 1));
        name->setEditRect(CRect{-1, 0, 74, 13});
        name->setUseEditRect(true);
        c.names[i] = name;
    }
}

void CAnalyzerEditor::buildColumns() {
    AnalyzerControls& c = *ctl;
    for (std::uint32_t i = 0; i < AnalyzerControls::kSlots; ++i) {
        auto* col = new CViewContainer(this, CRect{47 * static_cast<std::int32_t>(i), 0, 47, 200});
        add(col, new CPicture(this, CPoint{0, 0}, bitmap(145)));
        c.plates[i] = add(col, new CColorSwatch(this, CRect{5, 184, 37, 11}));
        auto* number = add(col, new CTextLabel(this, CRect{5, 184, 37, 11}, 0));
        number->setText(std::to_string(i + 1));
        number->setTextColor(0.0f, 0.0f, 0.0f, 1.0f);
        number->setFontSize(10);
        number->setAlignment(kAlignCenter);
        c.solo[i] = add(col, new COnOffSwitch(this, kSoloFirst + i, CPoint{7, 167}, bitmap(140)));
        c.mute[i] = add(col, new COnOffSwitch(this, kMuteFirst + i, CPoint{7, 151}, bitmap(141)));
        c.columnColours[i] = add(col, new CColorChooser(this, kColourFirst + i, CRect{10, 13, 26, 15}));
        const auto colour = c.display->getInstanceColor(i);
        c.columnColours[i]->setColor(colour.data());
        for (std::uint32_t k = 0; k < AnalyzerControls::kMemories; ++k) {
            const CPoint at{8, 133 - 13 * static_cast<std::int32_t>(k)};
            c.memory[i][k] = add(col, new CMemorySwitch(this, kMemorySwitchFirst + 8 * i + k, at, bitmap(139)));
        }
        c.columns[i] = col;
    }
}

}  // namespace qv
