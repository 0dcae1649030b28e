#include "host/audio_effect_x.h"

#include "host/aeff_editor.h"

namespace qv {

namespace {
// The host passes the key's modifier bits in opt, as a float: a value that is no byte (negative,
// too large, not a number) carries no modifier.
unsigned char modifierByte(float opt) { return opt >= 0.0f && opt < 256.0f ? static_cast<unsigned char>(opt) : 0; }
}  // namespace

void AudioEffectX::resume() {
    if ((cEffect.flags & vst::effFlagsIsSynth) || canHostDo("receiveVstMidiEvent")) wantEvents(1);
}

bool AudioEffectX::canHostDo(const char* text) {
    return callHost(vst::audioMasterCanDo, 0, 0, const_cast<char*>(text)) != 0;
}

bool AudioEffectX::ioChanged() { return callHost(vst::audioMasterIOChanged) != 0; }

bool AudioEffectX::sizeWindow(std::int32_t width, std::int32_t height) {
    return callHost(vst::audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::beginEdit(std::int32_t index) { return callHost(vst::audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(std::int32_t index) { return callHost(vst::audioMasterEndEdit, index) != 0; }
void AudioEffectX::wantEvents(std::int32_t filter) { callHost(vst::audioMasterWantMidi, 0, filter); }

vst::VstIntPtr AudioEffectX::dispatcher(std::int32_t opcode, std::int32_t index, vst::VstIntPtr value, void* ptr, float opt) {
    if (opcode < 25) return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
        case vst::effProcessEvents: return ptr ? processEvents(static_cast<vst::VstEvents*>(ptr)) : 1;
        case vst::effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
        case vst::effString2Parameter: return text ? (string2parameter(index, text) ? 1 : 0) : 0;
        case vst::effGetProgramNameIndexed:
            return text ? (getProgramNameIndexed(static_cast<std::int32_t>(value), index, text) ? 1 : 0) : 0;
        case vst::effGetInputProperties: return getInputProperties(index, ptr) ? 1 : 0;
        case vst::effGetOutputProperties: return getOutputProperties(index, ptr) ? 1 : 0;
        case vst::effGetPlugCategory: return getPlugCategory();
        case vst::effOfflineNotify:
        case vst::effOfflinePrepare:
        case vst::effOfflineRun: return 0;
        case vst::effProcessVarIo: return processVariableIo(ptr);
        case vst::effSetSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<void*>(value), ptr) ? 1 : 0;
        case vst::effSetBypass: return setBypass(value != 0) ? 1 : 0;
        case vst::effGetEffectName: return text ? (getEffectName(text) ? 1 : 0) : 0;
        case vst::effGetVendorString: return text ? (getVendorString(text) ? 1 : 0) : 0;
        case vst::effGetProductString: return text ? (getProductString(text) ? 1 : 0) : 0;
        case vst::effGetVendorVersion: return getVendorVersion();
        case vst::effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case vst::effCanDo: return text ? canDo(text) : 0;
        case vst::effGetTailSize: return getGetTailSize();
        case vst::effGetParameterProperties: return getParameterProperties(index, ptr) ? 1 : 0;
        case vst::effGetVstVersion: return getVstVersion();
        case vst::effEditKeyDown:
        case vst::effEditKeyUp:
            if (editor) {
                vst::VstKeyCode key{index, static_cast<unsigned char>(value), modifierByte(opt)};
                if (opcode == vst::effEditKeyDown) {
                    editor->onKeyDown(key);
                } else {
                    editor->onKeyUp(key);
                }
            }
            return 0;
        case vst::effSetEditKnobMode:
            if (editor) editor->setKnobMode(static_cast<int>(value));
            return 0;
        case vst::effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
        case vst::effBeginSetProgram: return beginSetProgram();
        case vst::effEndSetProgram: return endSetProgram();
        case vst::effGetSpeakerArrangement: {
            // Nothing is written through the host's pointers: without an arrangement the answer is 0.
            void* input = nullptr;
            void* output = nullptr;
            return getSpeakerArrangement(&input, &output) ? 1 : 0;
        }
        case vst::effStartProcess: return startProcess();
        case vst::effStopProcess: return stopProcess();
        case vst::effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<std::int32_t>(value));
        case vst::effSetPanLaw: return setPanLaw(static_cast<std::int32_t>(value), opt) ? 1 : 0;
        default: return 0;  // MIDI program queries, shell, precision, channel counts, deprecated
    }
}

}  // namespace qv
