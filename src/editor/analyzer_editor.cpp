#include "editor/analyzer_editor.h"

#include <bit>
#include <cstring>

#include "controls/memory_switch.h"
#include "controls/text_edit.h"
#include "core/data_request.h"
#include "core/setting_ids.h"
#include "display/spectrum_display.h"
#include "framework/plugin_base.h"
#include "gui/gui_window.h"

namespace qv {

using namespace settingid;

CAnalyzerEditor::CAnalyzerEditor(std::uint64_t id, std::int32_t w, std::int32_t h, IEditorHost* editorHost,
                                 CPluginBase* pluginCore, void* module)
    : CEditor(id, w, h, editorHost, pluginCore, module), ctl(std::make_unique<AnalyzerControls>()) {
    setTimerPeriod(kTimerPeriodMs);
    limitReached = pluginCore && pluginCore->isChunkDisabled();
}

CAnalyzerEditor::~CAnalyzerEditor() { close(); }

void CAnalyzerEditor::buildControls() {
    if (!getFrame()) return;
    *ctl = AnalyzerControls{};
    loadBitmaps();
    if (limitReached) {
        buildLimitPage();
        return;
    }
    buildMainPage();
    buildAboutPage();
    ctl->tabBands->setValue(1.0f);
    ctl->tabAbout->setValue(0.0f);
    built = true;
}

void CAnalyzerEditor::onClosing() {
    endListening();
    listenArmed = false;
    built = false;
    pendingWidth = pendingHeight = 0;
    statePending = {};
    *ctl = AnalyzerControls{};
}

void CAnalyzerEditor::onOpened() {
    if (!live()) return;
    CSpectrumDisplay& d = *ctl->display;
    preferences.load();
    d.setNoteNames(preferences.noteNames);
    SequencesReply sequences{};
    sequences.header = DataRequest{SequencesReply::kSize, kDataSequences, 0, 0};
    if (getData(&sequences) && sequences.header.size == SequencesReply::kSize) {
        for (std::uint32_t n = 0; n < kInstances; ++n) d.setLastSequence(n, sequences.sequences[n]);
    }
    for (std::uint32_t id : {kAttack, kRelease, kSlope, kInstanceNumber}) reapply(id);
    for (std::uint32_t id = kAverageTime; id <= kArrangement; ++id) reapply(id);
    for (std::uint32_t id : {kLevelBottom, kLevelTop, kResolution, kVeil, kAnalysisView, kCompactLayout, kFftSize,
                             kWindowType, kFftResponse, kFreqLow, kFreqHigh}) {
        reapply(id);
    }
    for (std::uint32_t i = 0; i < kInstances && live(); ++i) {
        for (std::uint32_t k = 0; k < kMemoriesPerInstance; ++k) {
            BandMemoryRequest memory{};
            memory.header = DataRequest{BandMemoryRequest::kSize, kDataBandMemory, i, k};
            getData(&memory);
            if (memory.header.type == kDataBandMemoryReply) d.setMemoryRecord(i, k, memory.record);
            reapply(kMemoryStateFirst + i * kMemoriesPerInstance + k);
        }
        for (std::uint32_t id : {kSoloFirst + i, kMuteFirst + i, kColourFirst + i}) reapply(id);
    }
    write(kNamesRequest, 1.0f);
    reapply(kSidePanel);
    reapply(kPause);
}

void CAnalyzerEditor::receiveData(const void* record) {
    if (!record) return;
    DataRequest header{};
    std::memcpy(&header, record, sizeof header);
    if (header.type != kDataNames) {
        CEditor::receiveData(record);
        return;
    }
    if (header.size != NamesRequest::kSize || !live()) return;
    NamesRequest names;
    std::memcpy(&names, record, sizeof names);
    for (std::uint32_t i = 0; i < kInstances; ++i) {
        // A name may come without its terminator: at most 31 characters are taken.
        const char* n = names.names[i];
        ctl->names[i]->setText(std::string(n, strnlen(n, kNameChars)));
    }
}

void CAnalyzerEditor::refreshMemoryStates() {
    for (std::uint32_t id = kMemoryStateFirst; id < kAverageTime && live(); ++id) reapply(id);
}

void CAnalyzerEditor::setCompactLayout(bool compact) {
    if (!live()) return;
    applyLayout(getParameter(kAnalysisView) >= 0.5f ? 1u : 0u);
    if (compact) {
        setEditorSize(kCompactWidth, kCompactHeight);
    } else {
        setEditorSize(kFullWidth, kFullHeight);
    }
}

void CAnalyzerEditor::setEditorSize(std::int32_t w, std::int32_t h) {
    if (!live()) return;
    pendingWidth = w;
    pendingHeight = h;
}

void CAnalyzerEditor::applyPending() {
    if (applying) return;
    applying = true;
    for (std::size_t k = 0; k < statePending.size() && live(); ++k) {
        if (!statePending[k]) continue;
        statePending[k] = false;
        const auto state = ctl->memory[k / kMemoriesPerInstance][k % kMemoriesPerInstance]->getState();
        setParameterAutomated(static_cast<std::int32_t>(kMemoryStateFirst + k), std::bit_cast<float>(state));
    }
    applying = false;
    applyPendingSize();
}

void CAnalyzerEditor::applyPendingSize() {
    if (!pendingWidth || !live()) return;
    const std::int32_t w = pendingWidth, h = pendingHeight;
    pendingWidth = pendingHeight = 0;
    resize(w, h, true, 600, 4);
}

void CAnalyzerEditor::beforeRefresh() {
    CEditor::beforeRefresh();
    applyPending();
}

std::uint32_t CAnalyzerEditor::packColour(const float rgba[4]) {
    std::uint32_t bits = 0;
    for (int ch = 0; ch < 4; ++ch) {
        const float c = rgba[ch];
        const std::uint32_t byte = !(c > 0.0f) ? 0u : c >= 1.0f ? 255u : static_cast<std::uint32_t>(255.0f * c);
        bits = bits << 8 | byte;
    }
    return bits;
}

std::array<float, 4> CAnalyzerEditor::unpackColour(std::uint32_t bits) {
    std::array<float, 4> rgba{};
    for (int ch = 0; ch < 4; ++ch) rgba[static_cast<std::size_t>(ch)] = static_cast<float>(bits >> (24 - 8 * ch) & 0xFF) / 255.0f;
    return rgba;
}

}  // namespace qv
