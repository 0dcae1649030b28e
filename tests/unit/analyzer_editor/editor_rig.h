// A real analyzer instance on the headless window, driven by pointer events in window pixels;
// its editor records every setting it writes before the core applies (and echoes) it.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "editor/analyzer_editor.h"
#include "framework/plugin_base.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "host/audio_effect.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "host/vst_abi.h"

namespace qv::test {

struct Written {
    std::int32_t id;
    std::uint32_t bits;
    bool operator==(const Written&) const = default;
};
inline Written valueOf(std::int32_t id, float v) { return {id, std::bit_cast<std::uint32_t>(v)}; }
inline Written bitsOf(std::int32_t id, std::uint32_t bits) { return {id, bits}; }

struct RecordingEditor final : CAnalyzerEditor {
    RecordingEditor(IEditorHost* h, CPluginBase* c) : CAnalyzerEditor(0, 752, 563, h, c, nullptr) {}
    ~RecordingEditor() override { close(); }
    void setParameterAutomated(std::int32_t index, float value) override {
        written.push_back(valueOf(index, value));
        CAnalyzerEditor::setParameterAutomated(index, value);
    }
    std::vector<Written> written;
};

struct EditorRig {
    EditorRig() {
        CGuiWindow::setBackendPreference(CWindowBackend::kHeadless);
        effect = createEffectInstance([](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                         float) -> vst::VstIntPtr {
            return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
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
    EditorRig(const EditorRig&) = delete;
    EditorRig& operator=(const EditorRig&) = delete;

    bool open() {
        if (!editor->open(nullptr, -1, -1)) return false;
        tick(2);  // past the window's press debounce
        editor->written.clear();
        return true;
    }
    CGuiWindow& frame() const { return *editor->getFrame(); }
    const AnalyzerControls& c() const { return editor->controls(); }
    void tick(int passes = 1) { static_cast<CHeadlessWindow*>(frame().getNativeWindow())->advance(40.0 * passes); }
    // A press at toolkit point x, y (y up), a move by dy (up positive) and the release, then two
    // passes (which also clear the debounce).
    void click(std::int32_t x, std::int32_t y, std::int32_t button = 1, std::int32_t mods = 0, std::int32_t dy = 0) {
        const std::int32_t row = frame().getHeight() - 1 - y;
        frame().onMouseMove(x, row, mods);
        frame().onMouseDown(button, mods, x, row);
        if (dy) frame().onMouseMove(x, row - dy, 0);
        frame().onMouseUp(button, x, row - dy);
        tick(2);
    }
    void drag(std::int32_t x, std::int32_t y, std::int32_t dy) { click(x, y, 1, 0, dy); }
    std::pair<std::int32_t, std::int32_t> size() const {
        CRect r{};
        editor->getRect(r);
        return {r.width, r.height};
    }
    float setting(std::uint32_t id) const { return adapter->getCore()->getParameter(id, 0); }
    void set(std::uint32_t id, float v) const { adapter->getCore()->setParameter(id, v, 0, false, true); }

    vst::AEffect* effect = nullptr;
    PluginVST* adapter = nullptr;
    std::unique_ptr<RecordingEditor> editor;
};

}  // namespace qv::test
