// One plug-in instance as the host drives it: the AEffect behind typed calls that check what
// the plug-in hands back. Creating it calls the entry point and effOpen; destroying it
// suspends the effect when it runs and sends effClose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/vst_abi.h"

namespace qv::vsthost {

class EventList;
class HostContext;
class PluginLibrary;

// A text the plug-in wrote into a host buffer. The host hands a buffer far larger than the
// standard size and notes whether the plug-in wrote past that size.
struct TextAnswer {
    std::string text;
    vst::VstIntPtr result = 0;
    std::size_t bytesWritten = 0;  // one past the last byte the plug-in changed
    bool overflow = false;         // wrote at or beyond the standard size
};

class HostedEffect {
public:
    // Calls the library's entry point with the host's callback and opens the effect. Returns null
    // and a reason in *error when the entry returns no effect or a record that is not an effect.
    static std::unique_ptr<HostedEffect> create(std::shared_ptr<PluginLibrary> library, HostContext& host,
                                                std::string* error);
    // Takes an effect created some other way (the same checks; no entry call).
    static std::unique_ptr<HostedEffect> adopt(vst::AEffect* effect, HostContext& host, std::string* error,
                                               std::shared_ptr<PluginLibrary> library = nullptr);

    ~HostedEffect();
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    // The record, null after close().
    vst::AEffect* raw() const { return effect_; }
    HostContext& host() const { return host_; }
    const PluginLibrary* library() const { return library_.get(); }

    vst::VstIntPtr dispatch(vst::VstInt32 opcode, vst::VstInt32 index = 0, vst::VstIntPtr value = 0,
                            void* ptr = nullptr, float opt = 0.0f);

    // Record fields.
    vst::VstInt32 numInputs() const { return effect_ ? effect_->numInputs : 0; }
    vst::VstInt32 numOutputs() const { return effect_ ? effect_->numOutputs : 0; }
    vst::VstInt32 numPrograms() const { return effect_ ? effect_->numPrograms : 0; }
    vst::VstInt32 numParams() const { return effect_ ? effect_->numParams : 0; }
    vst::VstInt32 flags() const { return effect_ ? effect_->flags : 0; }
    vst::VstInt32 uniqueId() const { return effect_ ? effect_->uniqueID : 0; }
    vst::VstInt32 version() const { return effect_ ? effect_->version : 0; }
    vst::VstInt32 initialDelay() const { return effect_ ? effect_->initialDelay : 0; }

    // Texts, each against its standard buffer size.
    TextAnswer effectName();
    TextAnswer vendorString();
    TextAnswer productString();
    TextAnswer programName();
    TextAnswer programNameIndexed(vst::VstInt32 index);
    TextAnswer parameterName(vst::VstInt32 index);
    TextAnswer parameterLabel(vst::VstInt32 index);
    TextAnswer parameterDisplay(vst::VstInt32 index);

    vst::VstIntPtr vendorVersion() { return dispatch(vst::effGetVendorVersion); }
    vst::VstIntPtr vstVersion() { return dispatch(vst::effGetVstVersion); }
    vst::VstIntPtr category() { return dispatch(vst::effGetPlugCategory); }
    vst::VstIntPtr canDo(const char* text);
    vst::VstIntPtr program() { return dispatch(vst::effGetProgram); }
    vst::VstIntPtr setProgram(vst::VstIntPtr index) { return dispatch(vst::effSetProgram, 0, index); }
    float parameter(vst::VstInt32 index) const;
    void setParameter(vst::VstInt32 index, float value);

    // The editor rectangle from effEditGetRect, when the plug-in hands one.
    std::optional<vst::ERect> editorRect();

    // effGetChunk: a copy of the plug-in's data (empty when it gives none).
    std::vector<std::uint8_t> chunk(bool preset = false);
    // effSetChunk: the plug-in's answer.
    vst::VstIntPtr setChunk(const std::vector<std::uint8_t>& data, bool preset = false);

    // Processing set-up, told to the host context as well so that callbacks agree.
    void setSampleRate(float rate);
    void setBlockSize(vst::VstInt32 frames);
    void resume();   // effMainsChanged 1, effStartProcess
    void suspend();  // effStopProcess, effMainsChanged 0
    bool running() const { return running_; }

    vst::VstIntPtr processEvents(EventList& events);
    // processReplacing, or the old accumulating call into zeroed outputs when the plug-in has only
    // that. Does nothing when the plug-in has neither.
    void process(float** inputs, float** outputs, vst::VstInt32 frames);

    // effClose; afterwards the record is gone and raw() is null. Returns the plug-in's answer.
    vst::VstIntPtr close();

private:
    HostedEffect(vst::AEffect* effect, HostContext& host, std::shared_ptr<PluginLibrary> library);
    TextAnswer text(vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr value, std::size_t limit);

    vst::AEffect* effect_;
    HostContext& host_;
    std::shared_ptr<PluginLibrary> library_;
    bool running_ = false;
};

}  // namespace qv::vsthost
