#include "host/plugin_vst.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

#include "editor/analyzer_editor.h"
#include "framework/parameter_sink.h"
#include "framework/error_report.h"
#include "framework/plugin_base.h"
#include "host/plugin_editor_interface.h"
#include "platform/module.h"
#include "platform/hot_path.h"

namespace qv {

PluginVST::PluginVST(vst::audioMasterCallback master, std::unique_ptr<CPluginBase> pluginCore,
                     std::int32_t programCount, std::int32_t paramCount)
    : AudioEffectX(master, programCount, paramCount), core(std::move(pluginCore)) {
    if (!core) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "PluginVST::PluginVST");
        throw 0;
    }
    const PluginConfig& config = *core->getConfig();
    isSynth(config.isInstrument != 0);
    programsAreChunks(config.programsAreChunks != 0);
    noTail(config.hasTail == 0);
    canBypass = config.canBypass != 0;
    receivesEvents = config.receivesEvents != 0;
    reservedFlag = config.reservedFlag != 0;
    canDoubleReplacing(config.canDoubleReplacing != 0);
    numInputs = config.numInputs;
    numOutputs = config.numOutputs;
    setNumInputs(numInputs);
    setNumOutputs(numOutputs);
    canProcessReplacing(true);

    eventScratch.reset(new (std::nothrow) MidiEventRecord[CPluginBase::kMaxEvents]);
    if (!eventScratch) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "Unable to initialize Audio Buffers - PluginVST::PluginVST");
        throw 0;
    }
    core->setSampleRate(static_cast<double>(getSampleRate()));
    setInitialDelay(static_cast<std::int32_t>(core->getLatency()));
    AudioEffectX::resume();
    core->reset(false);
    constructRest();
}

void PluginVST::constructRest() {
    setUniqueID(numInputs == 1 && numOutputs == 1 ? vst::fourCC('3', '9', 'r', '1') : vst::fourCC('j', '7', 'p', '4'));
    try {
        editorView = new CAnalyzerEditor(0, kEditorWidth, kEditorHeight, this, core.get(), platform::moduleHandle());
        try {
            new CPluginEditorInterface(editorView, this);  // owned by the effect from here on
            core->setParameterSink(&editorView->getCoreSink());
        } catch (...) {
            delete editorView;
            throw;
        }
    } catch (...) {
        editorView = nullptr;
        reportError(kErrNotEnoughMemory, "Nolvatek: Quorvane", "PluginVST::PluginVSTConstructorRest");
        throw 0;
    }
}

PluginVST::~PluginVST() {
    // The editor reads the core: it goes first, and the core stops reporting to it.
    core->setParameterSink(nullptr);
    setEditor(nullptr);
    editorView = nullptr;
    core.reset();
}

vst::VstIntPtr PluginVST::dispatcher(std::int32_t opcode, std::int32_t index, vst::VstIntPtr value, void* ptr,
                                     float opt) {
    const vst::VstIntPtr result = AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    // A message box runs a modal loop: only on the GUI thread, after the call has released what
    // it held. While the editor is open, its idle call is that moment; without one, any call on
    // the GUI thread (the processing opcodes come on the audio thread; close ends the instance).
    const bool audioThread = opcode == vst::effProcessEvents || opcode == vst::effSetBypass ||
                             opcode == vst::effStartProcess || opcode == vst::effStopProcess;
    const bool editorOpen = getEditor() && getEditor()->isOpen();
    if (opcode == vst::effEditIdle || (!editorOpen && !audioThread && opcode != vst::effClose)) core->showPendingMessages();
    return result;
}

void PluginVST::suspend() { core->reset(true); }

void PluginVST::resume() {
    AudioEffectX::resume();
    core->reset(false);
    if (core->latencyChanged()) {
        setInitialDelay(static_cast<std::int32_t>(core->getLatency()));
        ioChanged();
    }
}

void PluginVST::setSampleRate(float rate) {
    AudioEffectX::setSampleRate(rate);
    core->setSampleRate(static_cast<double>(rate));
}

// No output scratch space is kept: nothing would read it, and a block size of any value would
// otherwise allocate (and fail) in proportion.
void PluginVST::setBlockSize(std::int32_t frames) {
    AudioEffectX::setBlockSize(frames);
    core->setBlockSize(frames);
}

QV_AUDIO_PATH void PluginVST::processReplacing(float** inputs, float** outputs, std::int32_t frames) {
    core->process(reinterpret_cast<void**>(inputs), reinterpret_cast<void**>(outputs), numInputs, numOutputs, frames,
                  kPrecisionFloat, 0);
}

void PluginVST::processDoubleReplacing(double** inputs, double** outputs, std::int32_t frames) {
    core->process(reinterpret_cast<void**>(inputs), reinterpret_cast<void**>(outputs), numInputs, numOutputs, frames,
                  kPrecisionDouble, 0);
}

void PluginVST::setParameter(std::int32_t index, float value) {
    if (index < 0 || !core->canHostSet(static_cast<std::uint32_t>(index))) return;
    setParameterFromEditor(index, value);
}

float PluginVST::getParameter(std::int32_t index) {
    return index < 0 ? 0.0f : core->getParameter(static_cast<std::uint32_t>(index), 0);
}

void PluginVST::getParameterDisplay(std::int32_t index, char* text) {
    char value[64];
    std::snprintf(value, sizeof(value), "%.2f", static_cast<double>(index < 0 ? 0.0f : core->getParameter(static_cast<std::uint32_t>(index), 1)));
    copyToHost(text, value, vst::kVstMaxParamStrLen);
}

void PluginVST::getParameterName(std::int32_t index, char* text) {
    copyToHost(text, index < 0 ? nullptr : core->getParameterName(static_cast<std::uint32_t>(index)), vst::kVstMaxParamStrLen);
}

void PluginVST::getParameterLabel(std::int32_t index, char* text) {
    copyToHost(text, index < 0 ? nullptr : core->getParameterLabel(static_cast<std::uint32_t>(index)), vst::kVstMaxParamStrLen);
}

std::int32_t PluginVST::getProgram() { return curProgram; }

void PluginVST::setProgram(std::int32_t program) {
    if (program < 0) return;
    core->setProgram(static_cast<std::uint32_t>(program));
    if (editorView) {
        for (std::uint32_t i = 0; i < core->getNumParams(); ++i) {
            editorView->getCoreSink().setParameter(static_cast<std::int32_t>(i), core->getParameter(i, 0));
        }
    }
    curProgram = program;
}

void PluginVST::setProgramName(const char* name) { core->setProgramName(name); }

void PluginVST::getProgramName(char* name) { core->getProgramName(name, vst::kVstMaxProgNameLen); }

bool PluginVST::getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) {
    if (index < 0) return false;
    return core->getProgramNameIndexed(category, static_cast<std::uint32_t>(index), text, vst::kVstMaxProgNameLen);
}

std::int32_t PluginVST::getChunk(void** data, bool isPreset) { return core->getChunk(data, isPreset); }

std::int32_t PluginVST::setChunk(void* data, std::int32_t size, bool isPreset) { return core->setChunk(data, size, isPreset); }

bool PluginVST::setBypass(bool on) {
    if (!canBypass) return false;
    core->setBypass(on);
    return true;
}

std::int32_t PluginVST::processEvents(vst::VstEvents* list) {
    if (!list || list->numEvents <= 0) return 1;
    const std::uint32_t count = list->numEvents < static_cast<std::int32_t>(CPluginBase::kMaxEvents)
                                    ? static_cast<std::uint32_t>(list->numEvents)
                                    : CPluginBase::kMaxEvents;
    // The host lengthens the two-entry pointer array that ends VstEvents to numEvents entries:
    // they are read as bytes of the host's list, not through the declared array and its bound.
    const auto* entries = reinterpret_cast<const unsigned char*>(list) + offsetof(vst::VstEvents, events);
    std::uint32_t n = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const vst::VstEvent* event = nullptr;
        std::memcpy(&event, entries + i * sizeof(event), sizeof(event));
        const auto* midi = reinterpret_cast<const vst::VstMidiEvent*>(event);
        if (!midi) continue;
        const auto status = static_cast<std::uint8_t>(midi->midiData[0]);
        eventScratch[n++] = MidiEventRecord{static_cast<std::uint8_t>(status & 0x0F), static_cast<std::uint8_t>(status & 0xF0),
                                            static_cast<std::uint8_t>(midi->midiData[1] & 0x7F),
                                            static_cast<std::uint8_t>(midi->midiData[2] & 0x7F), midi->deltaFrames};
    }
    core->receiveEvents(eventScratch.get(), n);
    return 1;
}

std::int32_t PluginVST::canDo(const char* text) {
    if (std::strcmp(text, "bypass") == 0) return canBypass ? 1 : 0;
    if (!receivesEvents) return 0;
    return std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : 0;
}

void PluginVST::formatName(char* text, std::size_t hostSize) const {
    char product[64] = {};
    core->getProductName(product, sizeof(product));
    char name[128];
    std::snprintf(name, sizeof(name), "%s_%din_%dout", product, numInputs, numOutputs);
    copyToHost(text, name, hostSize);
}

bool PluginVST::getEffectName(char* text) {
    formatName(text, vst::kVstMaxEffectNameLen);
    return true;
}

bool PluginVST::getProductString(char* text) {
    formatName(text, vst::kVstMaxProductStrLen);
    return true;
}

bool PluginVST::getVendorString(char* text) {
    core->getVendorString(text, vst::kVstMaxVendorStrLen);
    return true;
}

std::int32_t PluginVST::getPlugCategory() {
    return core->getConfig()->isInstrument ? vst::kPlugCategSynth : vst::kPlugCategEffect;
}

bool PluginVST::hostCanResize() { return callHost(vst::audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindow")) == 1; }

void PluginVST::automateIfAllowed(std::int32_t index, float value) {
    if (index >= 0 && static_cast<std::uint32_t>(index) < core->getNumParams() && core->canAutomate(static_cast<std::uint32_t>(index))) {
        sendAutomation(index, value);
    }
}

void PluginVST::sendAutomation(std::int32_t index, float value) { callHost(vst::audioMasterAutomate, index, 0, nullptr, value); }

// The editor shows applied values only: the core reports each setting it applied (or kept) to
// the editor itself; a host parameter of the base is read back as the base holds it.
void PluginVST::setParameterFromEditor(std::int32_t index, float value) {
    if (index < 0) return;
    const auto id = static_cast<std::uint32_t>(index);
    core->setParameter(id, value, 0, false, true);
    if (editorView && id < core->getNumParams()) editorView->getCoreSink().setParameter(index, core->getParameter(id, 0));
}

}  // namespace qv
