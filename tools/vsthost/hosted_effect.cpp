#include "vsthost/hosted_effect.h"

#include <array>
#include <cstring>

#include "vsthost/event_list.h"
#include "vsthost/host_context.h"
#include "vsthost/plugin_library.h"

namespace qv::vsthost {

namespace {

constexpr unsigned char kUntouched = 0xA5;
constexpr std::size_t kTextBuffer = 1024;
constexpr vst::VstIntPtr kMaxChunkBytes = vst::VstIntPtr{1} << 30;

bool validate(vst::AEffect* effect, std::string* error) {
    const char* reason = nullptr;
    if (!effect) reason = "the entry point returned no effect";
    else if (effect->magic != vst::kEffectMagic) reason = "the entry point returned a record without the VstP magic";
    else if (!effect->dispatcher) reason = "the effect has no dispatcher";
    if (reason && error) *error = reason;
    return reason == nullptr;
}

}  // namespace

HostedEffect::HostedEffect(vst::AEffect* effect, HostContext& host, std::shared_ptr<PluginLibrary> library)
    : effect_(effect), host_(host), library_(std::move(library)) {
    host_.attach(effect_);
}

std::unique_ptr<HostedEffect> HostedEffect::create(std::shared_ptr<PluginLibrary> library, HostContext& host,
                                                   std::string* error) {
    if (!library || !library->entry()) {
        if (error) *error = "no plug-in library";
        return nullptr;
    }
    vst::AEffect* effect = nullptr;
    {
        HostContext::EntryScope scope(host);
        effect = library->entry()(&HostContext::callback);
    }
    return adopt(effect, host, error, std::move(library));
}

std::unique_ptr<HostedEffect> HostedEffect::adopt(vst::AEffect* effect, HostContext& host, std::string* error,
                                                  std::shared_ptr<PluginLibrary> library) {
    if (!validate(effect, error)) return nullptr;
    std::unique_ptr<HostedEffect> hosted(new HostedEffect(effect, host, std::move(library)));
    hosted->dispatch(vst::effOpen);
    return hosted;
}

HostedEffect::~HostedEffect() { close(); }

vst::VstIntPtr HostedEffect::close() {
    if (!effect_) return 0;
    if (running_) suspend();
    vst::AEffect* effect = effect_;
    const vst::VstIntPtr result = effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    host_.detach(effect);
    return result;
}

vst::VstIntPtr HostedEffect::dispatch(vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr value, void* ptr,
                                      float opt) {
    if (!effect_) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

TextAnswer HostedEffect::text(vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr value, std::size_t limit) {
    std::array<unsigned char, kTextBuffer> buffer;
    buffer.fill(kUntouched);
    TextAnswer answer;
    answer.result = dispatch(opcode, index, value, buffer.data());
    std::size_t touched = buffer.size();
    while (touched > 0 && buffer[touched - 1] == kUntouched) --touched;
    answer.bytesWritten = touched;
    answer.overflow = touched > limit;
    const auto* chars = reinterpret_cast<const char*>(buffer.data());
    answer.text.assign(chars, strnlen(chars, touched));
    return answer;
}

TextAnswer HostedEffect::effectName() { return text(vst::effGetEffectName, 0, 0, vst::kVstMaxEffectNameLen); }
TextAnswer HostedEffect::vendorString() { return text(vst::effGetVendorString, 0, 0, vst::kVstMaxVendorStrLen); }
TextAnswer HostedEffect::productString() { return text(vst::effGetProductString, 0, 0, vst::kVstMaxProductStrLen); }
TextAnswer HostedEffect::programName() { return text(vst::effGetProgramName, 0, 0, vst::kVstMaxProgNameLen); }
TextAnswer HostedEffect::programNameIndexed(vst::VstInt32 index) {
    return text(vst::effGetProgramNameIndexed, index, -1, vst::kVstMaxProgNameLen);
}
TextAnswer HostedEffect::parameterName(vst::VstInt32 index) {
    return text(vst::effGetParamName, index, 0, vst::kVstMaxParamStrLen);
}
TextAnswer HostedEffect::parameterLabel(vst::VstInt32 index) {
    return text(vst::effGetParamLabel, index, 0, vst::kVstMaxParamStrLen);
}
TextAnswer HostedEffect::parameterDisplay(vst::VstInt32 index) {
    return text(vst::effGetParamDisplay, index, 0, vst::kVstMaxParamStrLen);
}

vst::VstIntPtr HostedEffect::canDo(const char* question) {
    // The plug-in reads a text of its own choosing; hand it a writable copy, as hosts do.
    std::string copy = question ? question : "";
    return dispatch(vst::effCanDo, 0, 0, copy.data());
}

float HostedEffect::parameter(vst::VstInt32 index) const {
    return effect_ && effect_->getParameter ? effect_->getParameter(effect_, index) : 0.0f;
}

void HostedEffect::setParameter(vst::VstInt32 index, float value) {
    if (effect_ && effect_->setParameter) effect_->setParameter(effect_, index, value);
}

std::optional<vst::ERect> HostedEffect::editorRect() {
    vst::ERect* rect = nullptr;
    if (!dispatch(vst::effEditGetRect, 0, 0, &rect) || !rect) return std::nullopt;
    return *rect;
}

std::vector<std::uint8_t> HostedEffect::chunk(bool preset) {
    void* data = nullptr;
    const vst::VstIntPtr size = dispatch(vst::effGetChunk, preset ? 1 : 0, 0, &data);
    if (size <= 0 || size > kMaxChunkBytes || !data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

vst::VstIntPtr HostedEffect::setChunk(const std::vector<std::uint8_t>& data, bool preset) {
    // The plug-in may keep reading while the call lasts only; a copy keeps the caller's bytes safe.
    std::vector<std::uint8_t> copy = data;
    return dispatch(vst::effSetChunk, preset ? 1 : 0, static_cast<vst::VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data());
}

void HostedEffect::setSampleRate(float rate) {
    host_.setSampleRate(rate);
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate);
}

void HostedEffect::setBlockSize(vst::VstInt32 frames) {
    host_.setBlockSize(frames);
    dispatch(vst::effSetBlockSize, 0, frames);
}

void HostedEffect::resume() {
    if (running_ || !effect_) return;
    dispatch(vst::effMainsChanged, 0, 1);
    dispatch(vst::effStartProcess);
    running_ = true;
}

void HostedEffect::suspend() {
    if (!running_) return;
    dispatch(vst::effStopProcess);
    dispatch(vst::effMainsChanged, 0, 0);
    running_ = false;
}

vst::VstIntPtr HostedEffect::processEvents(EventList& events) {
    return dispatch(vst::effProcessEvents, 0, 0, events.get());
}

void HostedEffect::process(float** inputs, float** outputs, vst::VstInt32 frames) {
    if (!effect_) return;
    if (effect_->processReplacing) {
        effect_->processReplacing(effect_, inputs, outputs, frames);
    } else if (effect_->process) {
        for (vst::VstInt32 c = 0; c < effect_->numOutputs && frames > 0; ++c) {
            std::memset(outputs[c], 0, sizeof(float) * static_cast<std::size_t>(frames));
        }
        effect_->process(effect_, inputs, outputs, frames);
    }
}

}  // namespace qv::vsthost
