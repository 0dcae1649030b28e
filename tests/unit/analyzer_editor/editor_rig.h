// A real analyzer instance (adapter, core, editor) on the headless window, driven by pointer
// events in window pixels as the window system would deliver them. The rig's own editor
// records every setting it writes before the core applies (and echoes) it.
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

class RecordingEditor final : public CAnalyzerEditor {
public:
    RecordingEditor(IEditorHost* h, CPluginBase* c) : CAnalyzerEditor(0, 752, 563, h, c, nullptr) {}
    ~RecordingEditor() override { close(); }
    void setParameterAutomated(std::int32_t index, float value) override {
        written.push_back({index, std::bit_cast<std::uint32_t>(value)});
        CAnalyzerEditor::setParameterAutomated(index, value);
    }
    std::vector<Written> written;
};

class EditorRig {
public:
    EditorRig() {
        CGuiWindow::setBackendPreference(CWindowBackend::kHeadless);
        effect = createEffectInstance([](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                         float) -> vst::VstIntPtr {
            return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
        });
        if (!effect) return;
        adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(effect->object));
        editor = std::make_unique<RecordingEditor>(adapter, adapter->getCore());
        adapter->getCore()->setParameterSink(&editor->getCoreSink());
    }
    ~EditorRig() {
        if (!effect) return;
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
    CHeadlessWindow& native() const { return *static_cast<CHeadlessWindow*>(frame().getNativeWindow()); }
    void tick(int passes = 1) { native().advance(40.0 * passes); }
    // Toolkit point (y up) to window pixel (y down).
    std::int32_t rowOf(std::int32_t y) const { return frame().getHeight() - 1 - y; }
    // A press and release at toolkit point x, y, then two passes (which also clear the debounce).
    void click(std::int32_t x, std::int32_t y, std::int32_t button = 1, std::int32_t mods = 0) {
        frame().onMouseMove(x, rowOf(y), mods);
        frame().onMouseDown(button, mods, x, rowOf(y));
        frame().onMouseUp(button, x, rowOf(y));
        tick(2);
    }
    // Press at x, y, move by dy pixels (toolkit, up positive), release.
    void drag(std::int32_t x, std::int32_t y, std::int32_t dy) {
        frame().onMouseMove(x, rowOf(y), 0);
        frame().onMouseDown(1, 0, x, rowOf(y));
        frame().onMouseMove(x, rowOf(y + dy), 0);
        frame().onMouseUp(1, x, rowOf(y + dy));
        tick(2);
    }
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
