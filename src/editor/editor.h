// The host-independent editor: owns the editor window between open and close, keeps the
// editor's size, and is the road between the controls and the plug-in core.
#pragma once

#include <cstdint>

#include "framework/parameter_sink.h"
#include "gui/geometry.h"

namespace qv {

class CPluginBase;
class IEditorHost;

class CEditor : public IParameterSink {
public:
    CEditor(std::uint64_t windowId, std::int32_t width, std::int32_t height, IEditorHost* host,
            CPluginBase* core, void* moduleHandle);
    ~CEditor() override;
    CEditor(const CEditor&) = delete;
    CEditor& operator=(const CEditor&) = delete;

    // 0, 0, width, height of the editor.
    virtual void getRect(CRect& rect) const;
    // Creates the window as a child of parentWindow; width/height of -1 keep the current size.
    virtual bool open(void* parentWindow, std::int32_t width, std::int32_t height);
    virtual void close();
    virtual void onOpened() {}
    virtual void onClosing() {}
    bool isOpen() const { return opened; }
    // Milliseconds between draw passes: the window's period, 100 while there is no window.
    virtual float getTimerPeriod() const;
    virtual void getDefaultSize(std::int32_t& width, std::int32_t& height) const;

    // A control reports a user change; a parameter value is to be shown by the controls.
    virtual void valueChanged(std::int32_t, float) {}
    void setParameter(std::int32_t, float) override {}
    // Automation when allowed, then the core applies the value and echoes it back.
    virtual void setParameterAutomated(std::int32_t index, float value);
    virtual float getParameter(std::int32_t index) const;
    // Records the core forwards to the editor: a type-4 record of 16 bytes sets a parameter.
    void receiveData(const void* request) override;
    virtual bool getData(void* request);
    virtual bool putData(void* request);
    virtual void beginEdit(std::int32_t index);
    virtual void endEdit(std::int32_t index);

protected:
    std::uint32_t parameterCount = 0;
    IEditorHost* host;
    std::uint64_t windowId;
    void* moduleHandle;
    CPluginBase* core;
    bool opened = false;
    std::int32_t width;
    std::int32_t height;
    float timerPeriod = 300.0f;
};

}  // namespace qv
