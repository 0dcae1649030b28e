// The VST 2.4 effect base: owns the AEffect record a host drives, routes the host's calls to
// virtual operations (opcodes 0..24 here, the 2.x ones in AudioEffectX) and calls the host back.
// The entry thunks catch every exception: nothing ever unwinds into the host.
#pragma once

#include <cstddef>
#include <memory>

#include "host/vst_abi.h"

namespace qv {

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(vst::audioMasterCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual vst::VstIntPtr dispatcher(std::int32_t opcode, std::int32_t index, vst::VstIntPtr value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(std::int32_t frames) { blockSize = frames; }
    virtual void processReplacing(float** inputs, float** outputs, std::int32_t frames) = 0;
    virtual void processDoubleReplacing(double**, double**, std::int32_t) {}
    virtual void setParameter(std::int32_t, float) {}
    virtual float getParameter(std::int32_t) { return 0.0f; }
    virtual void setParameterAutomated(std::int32_t index, float value);
    virtual std::int32_t getProgram() { return curProgram; }
    virtual void setProgram(std::int32_t program) { curProgram = program; }
    virtual void setProgramName(const char*) {}
    // Each getter writes a NUL-terminated text of at most the VST 2.4 size for its buffer.
    virtual void getProgramName(char* name) { clearText(name); }
    virtual void getParameterLabel(std::int32_t, char* label) { clearText(label); }
    virtual void getParameterDisplay(std::int32_t, char* text) { clearText(text); }
    virtual void getParameterName(std::int32_t, char* text) { clearText(text); }
    virtual std::int32_t getChunk(void** data, bool isPreset);
    virtual std::int32_t setChunk(void* data, std::int32_t size, bool isPreset);

    virtual void setUniqueID(std::int32_t id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(std::int32_t n) { cEffect.numInputs = n; }
    virtual void setNumOutputs(std::int32_t n) { cEffect.numOutputs = n; }
    virtual void canProcessReplacing(bool state = true) { setFlag(vst::effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(vst::effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(vst::effFlagsProgramChunks, state); }
    virtual void setInitialDelay(std::int32_t delay) { cEffect.initialDelay = delay; }

    virtual AEffEditor* getEditor() { return editor.get(); }
    // Takes ownership; raises or clears the has-editor flag.
    virtual void setEditor(AEffEditor* newEditor);

    virtual vst::AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual std::int32_t getBlockSize() { return blockSize; }
    virtual std::int32_t getNumPrograms() const { return numPrograms; }
    virtual std::int32_t getNumParams() const { return numParams; }

    // Host queries; each answers 0 (getMasterVersion: 1) when there is no host callback.
    virtual std::int32_t getMasterVersion();
    virtual std::int32_t getCurrentUniqueId();
    virtual void masterIdle();

    void isSynth(bool state = true) { setFlag(vst::effFlagsIsSynth, state); }
    void noTail(bool state = true) { setFlag(vst::effFlagsNoSoundInStop, state); }
    vst::audioMasterCallback getAudioMaster() const { return audioMaster; }

    // Whether the host-facing object is still alive: the effect itself, reached from the record.
    static AudioEffect* fromRecord(vst::AEffect* e) {
        return e && e->magic == vst::kEffectMagic ? static_cast<AudioEffect*>(e->object) : nullptr;
    }

protected:
    vst::VstIntPtr callHost(std::int32_t opcode, std::int32_t index = 0, vst::VstIntPtr value = 0,
                            void* ptr = nullptr, float opt = 0.0f);
    void setFlag(std::int32_t flag, bool state);
    static void clearText(char* text) {
        if (text) text[0] = '\0';
    }

    vst::audioMasterCallback audioMaster;
    std::unique_ptr<AEffEditor> editor;
    float sampleRate = 44100.0f;
    std::int32_t blockSize = 1024;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t curProgram = 0;
    vst::AEffect cEffect{};
};

// Copies text into a host buffer of the given VST 2.4 size, truncating and always terminating.
void copyToHost(char* destination, const char* source, std::size_t hostSize);

}  // namespace qv
