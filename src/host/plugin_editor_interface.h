// The editor bridge: the host's editor calls, forwarded to the analyzer editor it owns.
// Parameter values go through the editor's core sink, which is safe from any thread.
#pragma once

#include "host/aeff_editor.h"

namespace qv {

class CEditor;

class CPluginEditorInterface : public AEffEditor {
public:
    // Takes ownership of editorView and installs itself as the effect's editor.
    CPluginEditorInterface(CEditor* editorView, AudioEffect* effect);
    ~CPluginEditorInterface() override;

    bool getRect(vst::ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    // Linux hosts drive editors from idle: the editor pumps its window there.
    void idle() override;
    virtual void setParameter(std::int32_t index, float value);

private:
    CEditor* editorView;
    vst::ERect rect{};
};

}  // namespace qv
