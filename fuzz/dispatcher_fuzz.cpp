// The host's door: dispatcher calls with any opcode, index, value and opt. An opcode through
// which the host hands the effect a pointer gets a buffer of exactly the size the VST 2.4 ABI
// promises for it (text of its maximum length, the record it names), filled from the input; the
// address sanitizer sees every byte read or written beyond it. Opcodes that promise nothing get
// no pointer, or a small buffer they must leave alone. Opening the editor (it needs a native
// parent window) and closing the effect are left out of the sequence. After every input the
// effect must still pass audio through and give a valid chunk.
//
// Input: up to 16 calls, each an opcode byte (values from 100 up take a 32-bit opcode from the
// input), index (i32), value (i64), opt (f32) and the bytes of the buffer its opcode takes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "host/create_effect.h"
#include "host/vst_abi.h"

namespace {

using vst::VstIntPtr;

constexpr int kMaxCalls = 16;
constexpr std::size_t kMaxChunkBytes = 8192;
constexpr std::uint32_t kMaxEvents = 300;

// Record sizes of the VST 2.4 ABI that the effect's own header does not define.
constexpr std::size_t kPinPropertiesBytes = 128;
constexpr std::size_t kVariableIoBytes = 40;
constexpr std::size_t kSpeakerArrangementBytes = 8 + 8 * 112;
constexpr std::size_t kParameterPropertiesBytes = 152;
constexpr std::size_t kMidiProgramNameBytes = 80;
constexpr std::size_t kMidiProgramCategoryBytes = 76;
constexpr std::size_t kMidiKeyNameBytes = 80;
constexpr std::size_t kPatchChunkInfoBytes = 64;

VstIntPtr hostCallback(vst::AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// What one call hands the effect besides its numbers; owns every buffer until the call returns.
struct CallMemory {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> second;
    std::vector<vst::VstEvent> events;
    std::vector<std::uint8_t> eventList;
    void* slot = nullptr;
    void* slot2 = nullptr;
};

std::uint8_t* filled(std::vector<std::uint8_t>& buffer, std::size_t bytes, qvfuzz::InputReader& input) {
    buffer = qvfuzz::exactBuffer(bytes);
    input.copy(buffer.data(), bytes);
    return buffer.data();
}

// Text the host passes in: at most `limit` bytes, terminator included (0: no limit but the input).
char* text(std::vector<std::uint8_t>& buffer, std::size_t limit, qvfuzz::InputReader& input) {
    std::size_t length = input.take<std::uint8_t>();
    if (limit && length >= limit) length = limit - 1;
    filled(buffer, length + 1, input);
    buffer[length] = 0;
    return reinterpret_cast<char*>(buffer.data());
}

void* eventList(CallMemory& m, qvfuzz::InputReader& input) {
    const std::uint32_t count = input.take<std::uint16_t>() % (kMaxEvents + 1);
    m.events.resize(count);
    for (auto& e : m.events) input.copy(&e, sizeof(e));
    // VstEvents ends in a two-pointer array that the host lengthens to numEvents entries.
    const std::size_t header = offsetof(vst::VstEvents, events);
    const std::size_t pointers = count < 2 ? 2 : count;
    m.eventList = qvfuzz::exactBuffer(header + pointers * sizeof(vst::VstEvent*));
    auto* list = reinterpret_cast<vst::VstEvents*>(m.eventList.data());
    list->numEvents = static_cast<std::int32_t>(count);
    // Now and then the count claims fewer events than there are, or none.
    if (input.take<std::uint8_t>() == 0xFF) list->numEvents = -list->numEvents;
    for (std::uint32_t i = 0; i < count; ++i) {
        vst::VstEvent* event = &m.events[i];
        std::memcpy(m.eventList.data() + header + i * sizeof(event), &event, sizeof(event));
    }
    return list;
}

// The pointer (and for some opcodes the value) that a host passes with this opcode.
void* hostPointer(std::int32_t opcode, VstIntPtr& value, CallMemory& m, qvfuzz::InputReader& input) {
    switch (opcode) {
        case vst::effSetProgramName: return text(m.bytes, vst::kVstMaxProgNameLen, input);
        case vst::effString2Parameter:
        case vst::effCanDo: return text(m.bytes, 0, input);
        case vst::effGetProgramName:
        case vst::effGetProgramNameIndexed: return filled(m.bytes, vst::kVstMaxProgNameLen, input);
        case vst::effGetParamLabel:
        case vst::effGetParamDisplay:
        case vst::effGetParamName: return filled(m.bytes, vst::kVstMaxParamStrLen, input);
        case vst::effGetEffectName: return filled(m.bytes, vst::kVstMaxEffectNameLen, input);
        case vst::effGetVendorString: return filled(m.bytes, vst::kVstMaxVendorStrLen, input);
        case vst::effGetProductString:
        case vst::effShellGetNextPlugin: return filled(m.bytes, vst::kVstMaxProductStrLen, input);
        case vst::effEditGetRect:
        case vst::effGetChunk: return &m.slot;
        case vst::effSetChunk: {
            // The host's chunk holds exactly `value` bytes.
            const std::size_t bytes = static_cast<std::size_t>(value < 0 ? -(value + 1) : value) % (kMaxChunkBytes + 1);
            value = static_cast<VstIntPtr>(bytes);
            return filled(m.bytes, bytes, input);
        }
        case vst::effProcessEvents: return eventList(m, input);
        case vst::effGetInputProperties:
        case vst::effGetOutputProperties: return filled(m.bytes, kPinPropertiesBytes, input);
        case vst::effProcessVarIo: return filled(m.bytes, kVariableIoBytes, input);
        case vst::effSetSpeakerArrangement:
            value = reinterpret_cast<VstIntPtr>(filled(m.second, kSpeakerArrangementBytes, input));
            return filled(m.bytes, kSpeakerArrangementBytes, input);
        case vst::effGetSpeakerArrangement:
            value = reinterpret_cast<VstIntPtr>(&m.slot2);
            return &m.slot;
        case vst::effGetParameterProperties: return filled(m.bytes, kParameterPropertiesBytes, input);
        case vst::effGetMidiProgramName:
        case vst::effGetCurrentMidiProgram: return filled(m.bytes, kMidiProgramNameBytes, input);
        case vst::effGetMidiProgramCategory: return filled(m.bytes, kMidiProgramCategoryBytes, input);
        case vst::effGetMidiKeyName: return filled(m.bytes, kMidiKeyNameBytes, input);
        case vst::effBeginLoadBank:
        case vst::effBeginLoadProgram: return filled(m.bytes, kPatchChunkInfoBytes, input);
        default:
            // No pointer is promised: opcodes outside 0..79 and the deprecated ones get a few bytes
            // they must not touch beyond, the others none.
            if (opcode < 0 || opcode > vst::effGetNumMidiOutputChannels || opcode == vst::effVendorSpecific) {
                return filled(m.bytes, 16, input);
            }
            return nullptr;
    }
}

// Reads what the effect handed back through the host's pointers, so that ASan checks it.
void readBack(std::int32_t opcode, VstIntPtr result, const CallMemory& m) {
    volatile std::uint8_t sink = 0;
    if (opcode == vst::effGetChunk && result > 0 && m.slot) {
        const auto* bytes = static_cast<const std::uint8_t*>(m.slot);
        for (VstIntPtr i = 0; i < result; ++i) sink = sink + bytes[i];
    }
    if (opcode == vst::effEditGetRect && result == 1 && m.slot) {
        vst::ERect rect;
        std::memcpy(&rect, m.slot, sizeof(rect));
        sink = sink + static_cast<std::uint8_t>(rect.right);
    }
}

struct Effect {
    vst::AEffect* effect = qv::createEffectInstance(&hostCallback);
};

void requirePassThrough(vst::AEffect* e) {
    constexpr std::int32_t kFrames = 256;
    std::vector<std::vector<float>> in(static_cast<std::size_t>(e->numInputs), std::vector<float>(kFrames));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(e->numOutputs), std::vector<float>(kFrames, -3.0f));
    std::vector<float*> ins, outs;
    for (std::size_t c = 0; c < in.size(); ++c) {
        for (std::int32_t i = 0; i < kFrames; ++i) in[c][static_cast<std::size_t>(i)] = static_cast<float>(i * (c + 1)) / 1024.0f;
        ins.push_back(in[c].data());
    }
    for (auto& c : out) outs.push_back(c.data());
    e->processReplacing(e, ins.data(), outs.data(), kFrames);
    for (std::size_t c = 0; c < out.size() && c < in.size(); ++c) {
        if (std::memcmp(in[c].data(), out[c].data(), sizeof(float) * kFrames) != 0) qvfuzz::fail("audio did not pass through");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Effect instance = [] {
        qvfuzz::silenceReports();
        return Effect{};
    }();
    vst::AEffect* e = instance.effect;
    if (!e) qvfuzz::fail("no effect was created");
    // Every input starts from the same host settings.
    e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, vst::effSetBlockSize, 0, 512, nullptr, 0.0f);
    e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);

    std::int64_t blockSize = 512;
    qvfuzz::InputReader input(data, size);
    for (int n = 0; n < kMaxCalls && !input.empty(); ++n) {
        const auto selector = input.take<std::uint8_t>();
        const std::int32_t opcode = selector < 100 ? selector : input.take<std::int32_t>();
        const auto index = input.take<std::int32_t>();
        auto value = static_cast<VstIntPtr>(input.take<std::int64_t>());
        const auto opt = input.take<float>();
        if (opcode == vst::effClose || opcode == vst::effEditOpen) continue;
        CallMemory memory;
        void* ptr = hostPointer(opcode, value, memory, input);
        const VstIntPtr result = e->dispatcher(e, opcode, index, value, ptr, opt);
        if (opcode == vst::effSetBlockSize) blockSize = static_cast<std::int32_t>(value);
        readBack(opcode, result, memory);
        e->setParameter(e, index, opt);
        e->getParameter(e, index);
    }
    // Whatever the calls left behind (any block size is taken without allocating), the host can
    // still run audio and save the state. It never hands more frames than the block size it
    // announced.
    e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
    if (blockSize < 256) e->dispatcher(e, vst::effSetBlockSize, 0, 256, nullptr, 0.0f);
    e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    requirePassThrough(e);
    void* chunk = nullptr;
    if (e->dispatcher(e, vst::effGetChunk, 0, 0, &chunk, 0.0f) != 2756 || !chunk) qvfuzz::fail("no chunk after the calls");
    return 0;
}
