#include "host/audio_effect.h"

#include <cstring>

#include "host/aeff_editor.h"
#include "platform/hot_path.h"

namespace qv {
namespace {

// The thunks stored in the AEffect: each finds the object through the record and never lets an
// exception reach the host.
vst::VstIntPtr dispatchThunk(vst::AEffect* e, std::int32_t opcode, std::int32_t index, vst::VstIntPtr value,
                             void* ptr, float opt) {
    AudioEffect* effect = AudioEffect::fromRecord(e);
    if (!effect) return 0;
    try {
        const vst::VstIntPtr result = effect->dispatcher(opcode, index, value, ptr, opt);
        if (opcode == vst::effClose) {
            delete effect;
            return 1;
        }
        return result;
    } catch (...) {
        if (opcode == vst::effClose) {
            try {
                delete effect;
            } catch (...) {
            }
            return 1;
        }
        return 0;
    }
}

void processThunk(vst::AEffect*, float**, float**, std::int32_t) {}

QV_AUDIO_PATH void processReplacingThunk(vst::AEffect* e, float** inputs, float** outputs, std::int32_t frames) {
    if (AudioEffect* effect = AudioEffect::fromRecord(e)) {
        try {
            effect->processReplacing(inputs, outputs, frames);
        } catch (...) {
        }
    }
}

void processDoubleReplacingThunk(vst::AEffect* e, double** inputs, double** outputs, std::int32_t frames) {
    if (AudioEffect* effect = AudioEffect::fromRecord(e)) {
        try {
            effect->processDoubleReplacing(inputs, outputs, frames);
        } catch (...) {
        }
    }
}

void setParameterThunk(vst::AEffect* e, std::int32_t index, float value) {
    if (AudioEffect* effect = AudioEffect::fromRecord(e)) {
        try {
            effect->setParameter(index, value);
        } catch (...) {
        }
    }
}

float getParameterThunk(vst::AEffect* e, std::int32_t index) {
    if (AudioEffect* effect = AudioEffect::fromRecord(e)) {
        try {
            return effect->getParameter(index);
        } catch (...) {
        }
    }
    return 0.0f;
}

}  // namespace

void copyToHost(char* destination, const char* source, std::size_t hostSize) {
    if (!destination || hostSize == 0) return;
    const char* text = source ? source : "";
    std::size_t n = std::strlen(text);
    if (n >= hostSize) n = hostSize - 1;
    std::memcpy(destination, text, n);
    destination[n] = '\0';
}

AudioEffect::AudioEffect(vst::audioMasterCallback master, std::int32_t programs, std::int32_t params)
    : audioMaster(master), numPrograms(programs), numParams(params) {
    cEffect.magic = vst::kEffectMagic;
    cEffect.dispatcher = &dispatchThunk;
    cEffect.process = &processThunk;
    cEffect.setParameter = &setParameterThunk;
    cEffect.getParameter = &getParameterThunk;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vst::fourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = &processReplacingThunk;
    cEffect.processDoubleReplacing = &processDoubleReplacingThunk;
    cEffect.flags = vst::effFlagsCanReplacing;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setFlag(std::int32_t flag, bool state) {
    if (state) {
        cEffect.flags |= flag;
    } else {
        cEffect.flags &= ~flag;
    }
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor.reset(newEditor);
    setFlag(vst::effFlagsHasEditor, newEditor != nullptr);
}

vst::VstIntPtr AudioEffect::callHost(std::int32_t opcode, std::int32_t index, vst::VstIntPtr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(std::int32_t index, float value) {
    setParameter(index, value);
    callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
}

std::int32_t AudioEffect::getChunk(void**, bool) { return 0; }
std::int32_t AudioEffect::setChunk(void*, std::int32_t, bool) { return 0; }

std::int32_t AudioEffect::getMasterVersion() {
    const vst::VstIntPtr version = callHost(vst::audioMasterVersion);
    return version == 0 ? 1 : static_cast<std::int32_t>(version);
}

std::int32_t AudioEffect::getCurrentUniqueId() { return static_cast<std::int32_t>(callHost(vst::audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(vst::audioMasterIdle); }

vst::VstIntPtr AudioEffect::dispatcher(std::int32_t opcode, std::int32_t index, vst::VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case vst::effOpen: open(); return 0;
        case vst::effClose: close(); return 0;
        case vst::effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram(static_cast<std::int32_t>(value));
            return 0;
        case vst::effGetProgram: return getProgram();
        case vst::effSetProgramName:
            if (ptr) setProgramName(static_cast<const char*>(ptr));
            return 0;
        case vst::effGetProgramName:
            if (ptr) getProgramName(static_cast<char*>(ptr));
            return 0;
        case vst::effGetParamLabel:
            if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
            return 0;
        case vst::effGetParamDisplay:
            if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
            return 0;
        case vst::effGetParamName:
            if (ptr) getParameterName(index, static_cast<char*>(ptr));
            return 0;
        case vst::effSetSampleRate: setSampleRate(opt); return 0;
        case vst::effSetBlockSize: setBlockSize(static_cast<std::int32_t>(value)); return 0;
        case vst::effMainsChanged:
            if (value != 0) {
                resume();
            } else {
                suspend();
            }
            return 0;
        case vst::effEditGetRect:
            if (!editor) return 0;
            return editor->getRect(static_cast<vst::ERect**>(ptr)) ? 1 : 0;
        case vst::effEditOpen: return editor && editor->open(ptr) ? 1 : 0;
        case vst::effEditClose:
            if (editor) editor->close();
            return 0;
        case vst::effEditIdle:
            if (editor) editor->idle();
            return 0;
        case vst::effIdentify: return vst::fourCC('N', 'v', 'E', 'f');
        case vst::effGetChunk: return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case vst::effSetChunk: return ptr ? setChunk(ptr, static_cast<std::int32_t>(value), index != 0) : 0;
        default: return 0;
    }
}

}  // namespace qv
