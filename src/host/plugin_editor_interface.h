// The editor bridge: the host's editor calls, forwarded to the analyzer editor it owns.
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
    virtual void setParameter(std::int32_t index, float value);

private:
    CEditor* editorView;
    vst::ERect rect{};
};

}  // namespace qv
