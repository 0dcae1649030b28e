// A real analyzer instance (the adapter a host loads, with its core) whose editor runs on the
// headless window, driven by pointer events in window pixels; the editor records every setting it
// writes before the core applies (and echoes) it.
#pragma once

#include "controls/color_chooser.h"
#include "controls/knob.h"
#include "controls/memory_switch.h"
#include "controls/option_menu.h"
#include "controls/switch_multi.h"
#include "controls/text_edit.h"
#include "controls/view_container.h"
#include "core/data_request.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "support/test_common.h"

namespace qv {

using Written = std::pair<std::int32_t, std::uint32_t>;  // identifier and value bits
inline Written valueOf(std::int32_t id, float v) { return {id, std::bit_cast<std::uint32_t>(v)}; }

struct RecordingEditor final : CAnalyzerEditor {
    RecordingEditor(IEditorHost* h, CPluginBase* c) : CAnalyzerEditor(0, 752, 563, h, c, nullptr) {}
    ~RecordingEditor() override { close(); }
    void setParameterAutomated(std::int32_t index, float value) override {
        written.push_back(valueOf(index, value));
        CAnalyzerEditor::setParameterAutomated(index, value);
    }
    std::vector<Written> written;
};

// A view's rectangle in window coordinates (its container's origin added).
inline CRect onWindow(const CView* v) {
    const CRect r = v->getRect(), box = v->getContainer()->getRect();
    return CRect{r.x + box.x, r.y + box.y, r.width, r.height};
}

// A press at toolkit point x, y (y up), a move by dy (up positive) and, unless held, the release.
inline void pointerAt(CGuiWindow& w, std::int32_t x, std::int32_t y, std::int32_t button, std::int32_t mods,
                      std::int32_t dy = 0, bool release = true) {
    const std::int32_t row = w.getHeight() - 1 - y;
    w.onMouseMove(x, row, mods);
    w.onMouseDown(button, mods, x, row);
    if (dy) w.onMouseMove(x, row - dy, 0);
    if (release) w.onMouseUp(button, x, row - dy);
}

inline std::pair<std::int32_t, std::int32_t> extent(auto&& editor) { CRect r{}; return editor.getRect(r), std::pair(r.width, r.height); }

struct EditorRig {
    EditorRig() {
        CGuiWindow::setBackendPreference(CWindowBackend::kHeadless);
        // The host answers sizeWindow with garbage, which counts as accepted.
        effect = createEffectInstance([](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                         float) -> vst::VstIntPtr {
            gestures += op == vst::audioMasterBeginEdit || op == vst::audioMasterEndEdit;
            return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? -77 : 0;
        });
        adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(effect->object));
        editor = std::make_unique<RecordingEditor>(adapter, adapter->getCore());
        adapter->getCore()->setParameterSink(&editor->getCoreSink());
    }
    ~EditorRig() {
        adapter->getCore()->setParameterSink(&adapter->getEditorView()->getCoreSink());
        editor.reset();
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        CGuiWindow::setBackendPreference(CWindowBackend::kAuto);
    }

    bool open() {  // and two passes, past the window's press debounce
        const bool opened = editor->open(nullptr, -1, -1);
        if (opened) tick(2), editor->written.clear();
        return opened;
    }
    CGuiWindow& frame() const { return *editor->getFrame(); }
    const AnalyzerControls& c() const { return editor->controls(); }
    void tick(int passes = 1) { static_cast<CHeadlessWindow*>(frame().getNativeWindow())->advance(40.0 * passes); }
    // A click (see pointerAt), then two passes (which also clear the debounce).
    void click(std::int32_t x, std::int32_t y, std::int32_t button = 1, std::int32_t mods = 0, std::int32_t dy = 0) {
        pointerAt(frame(), x, y, button, mods, dy), tick(2);
    }
    std::pair<std::int32_t, std::int32_t> size() const { return extent(*editor); }
    float setting(std::uint32_t id) const { return adapter->getCore()->getParameter(id, 0); }
    void set(std::uint32_t id, float v) const { adapter->getCore()->setParameter(id, v, 0, false, true); }

    static inline int gestures = 0;
    vst::AEffect* effect = nullptr;
    PluginVST* adapter = nullptr;
    std::unique_ptr<RecordingEditor> editor;
};

}  // namespace qv
