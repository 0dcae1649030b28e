// The VST 2.x extension of the effect base: opcodes 25..79 and the 2.x calls to the host.
#pragma once

#include "host/audio_effect.h"

namespace qv {

class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    vst::VstIntPtr dispatcher(std::int32_t opcode, std::int32_t index, vst::VstIntPtr value, void* ptr, float opt) override;
    // Asks the host for MIDI when it can send it (a synth always asks).
    void resume() override;

    virtual std::int32_t processEvents(vst::VstEvents*) { return 0; }
    virtual bool canParameterBeAutomated(std::int32_t) { return true; }
    virtual bool string2parameter(std::int32_t, char*) { return false; }
    virtual bool getProgramNameIndexed(std::int32_t, std::int32_t, char*) { return false; }
    virtual bool getInputProperties(std::int32_t, void*) { return false; }
    virtual bool getOutputProperties(std::int32_t, void*) { return false; }
    virtual std::int32_t getPlugCategory() { return 0; }
    virtual std::int32_t processVariableIo(void*) { return 0; }
    virtual bool setSpeakerArrangement(void*, void*) { return false; }
    virtual bool getSpeakerArrangement(void** input, void** output) {
        if (input) *input = nullptr;
        if (output) *output = nullptr;
        return false;
    }
    virtual bool setBypass(bool) { return false; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual std::int32_t getVendorVersion() { return 0; }
    virtual vst::VstIntPtr vendorSpecific(std::int32_t, vst::VstIntPtr, void*, float) { return 0; }
    virtual std::int32_t canDo(const char*) { return 0; }
    virtual std::int32_t getGetTailSize() { return 0; }
    virtual bool getParameterProperties(std::int32_t, void*) { return false; }
    virtual std::int32_t getVstVersion() { return 2400; }
    virtual std::int32_t getCurrentMidiProgram(std::int32_t, void*) { return -1; }
    virtual std::int32_t beginSetProgram() { return 0; }
    virtual std::int32_t endSetProgram() { return 0; }
    virtual std::int32_t setTotalSampleToProcess(std::int32_t value) { return value; }
    virtual bool setPanLaw(std::int32_t, float) { return false; }
    virtual std::int32_t startProcess() { return 0; }
    virtual std::int32_t stopProcess() { return 0; }

    // Calls to the host; each answers false or 0 without a host callback.
    bool canHostDo(const char* text);
    bool ioChanged();
    bool sizeWindow(std::int32_t width, std::int32_t height);
    bool beginEdit(std::int32_t index);
    bool endEdit(std::int32_t index);
    void wantEvents(std::int32_t filter = 1);
};

}  // namespace qv
