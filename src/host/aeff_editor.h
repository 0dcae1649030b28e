// The editor object a host reaches through the effect: open, size and close the plug-in window.
#pragma once

#include "host/vst_abi.h"

namespace qv {

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* owner) : effect(owner) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(vst::ERect** rect) {
        if (rect) *rect = nullptr;
        return false;
    }
    virtual bool open(void* parent) {
        systemWindow = parent;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() const { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(const vst::VstKeyCode&) { return false; }
    virtual bool onKeyUp(const vst::VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(int) { return false; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};

}  // namespace qv
