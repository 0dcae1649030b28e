#include "host/plugin_editor_interface.h"

#include <algorithm>

#include "editor/editor.h"
#include "framework/parameter_sink.h"
#include "host/audio_effect.h"

namespace qv {

CPluginEditorInterface::CPluginEditorInterface(CEditor* view, AudioEffect* owner) : AEffEditor(owner), editorView(view) {
    if (owner) owner->setEditor(this);
}

CPluginEditorInterface::~CPluginEditorInterface() { delete editorView; }

bool CPluginEditorInterface::getRect(vst::ERect** out) {
    if (!editorView) return false;
    CRect r;
    editorView->getRect(r);
    auto clamp16 = [](std::int32_t v) { return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, 0, 32767)); };
    rect = vst::ERect{0, 0, clamp16(r.height), clamp16(r.width)};
    if (out) *out = &rect;
    return true;
}

bool CPluginEditorInterface::open(void* parent) {
    AEffEditor::open(parent);
    if (editorView && editorView->open(parent, -1, -1)) return true;
    AEffEditor::close();  // no window: the host sees a closed editor
    return false;
}

void CPluginEditorInterface::close() {
    if (editorView) editorView->close();
    AEffEditor::close();
}

void CPluginEditorInterface::idle() {
    if (editorView) editorView->idle();
}

void CPluginEditorInterface::setParameter(std::int32_t index, float value) {
    if (editorView) editorView->getCoreSink().setParameter(index, value);
}

}  // namespace qv
