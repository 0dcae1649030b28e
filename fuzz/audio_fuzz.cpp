// The audio door with the workers running: blocks of fuzzed samples (NaN, infinities and
// denormals included) at fuzzed sample rates (8 kHz to 384 kHz, and rates no host should send)
// and fuzzed block sizes, through the dispatcher and the processing entry point, while the
// editor opens, idles and closes off screen and the views change. Every block must come out as
// it went in; afterwards the effect still gives a valid chunk.
//
// Input: up to 12 steps, each a step byte and its arguments:
//   0 rate: a byte (index into common rates, or from 200 up a raw f32 that follows)
//   1 block: u32 frames (modulo the largest block) and one byte of sample kind, then samples
//   2 editor open, 3 editor idle, 4 editor close, 5 view (byte), 6 FFT size (byte), 7 reset
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "fuzz_support.h"
#include "core/setting_ids.h"
#include "gui/gui_window.h"
#include "host/create_effect.h"
#include "host/vst_abi.h"

namespace {

constexpr int kMaxSteps = 12;
constexpr std::uint32_t kMaxFrames = 65536;
constexpr float kRates[] = {8000.0f,  11025.0f, 16000.0f,  22050.0f,  32000.0f,  44100.0f,
                            48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f, 384000.0f};

vst::VstIntPtr hostCallback(vst::AEffect*, std::int32_t opcode, std::int32_t, vst::VstIntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

vst::AEffect* effect() {
    static vst::AEffect* const e = [] {
        qvfuzz::silenceReports();
        qv::CGuiWindow::setBackendPreference(qv::CWindowBackend::kHeadless);
        return qv::createEffectInstance(&hostCallback);
    }();
    if (!e) qvfuzz::fail("no effect was created");
    return e;
}

float sample(std::uint8_t kind, qvfuzz::InputReader& input) {
    switch (kind % 4) {
        case 0: return input.take<float>();  // anything, NaN and infinities included
        case 1: return static_cast<float>(input.take<std::int8_t>()) / 128.0f;
        case 2: return std::numeric_limits<float>::denorm_min() * input.take<std::uint8_t>();
        default: return input.take<std::uint8_t>() & 1 ? std::numeric_limits<float>::infinity() : std::nanf("");
    }
}

void runBlock(vst::AEffect* e, std::uint32_t frames, qvfuzz::InputReader& input) {
    const auto kind = input.take<std::uint8_t>();
    const auto channels = static_cast<std::size_t>(e->numInputs);
    std::vector<std::vector<float>> in(channels, std::vector<float>(frames));
    std::vector<std::vector<float>> out(static_cast<std::size_t>(e->numOutputs), std::vector<float>(frames, -3.0f));
    // The input runs out long before a large block is full: the rest repeats what was read.
    std::vector<float> pattern;
    for (std::size_t i = 0; i < 64 && !input.empty(); ++i) pattern.push_back(sample(kind, input));
    if (pattern.empty()) pattern.push_back(0.0f);
    std::vector<float*> ins, outs;
    for (std::size_t c = 0; c < channels; ++c) {
        for (std::uint32_t i = 0; i < frames; ++i) in[c][i] = pattern[(i + c * 7) % pattern.size()];
        ins.push_back(in[c].data());
    }
    for (auto& c : out) outs.push_back(c.data());
    e->processReplacing(e, ins.data(), outs.data(), static_cast<std::int32_t>(frames));
    for (std::size_t c = 0; c < out.size() && c < in.size() && frames > 0; ++c) {
        if (std::memcmp(in[c].data(), out[c].data(), sizeof(float) * frames) != 0) qvfuzz::fail("audio did not pass through");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vst::AEffect* e = effect();
    e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, vst::effSetBlockSize, 0, kMaxFrames, nullptr, 0.0f);
    e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    qvfuzz::InputReader input(data, size);
    for (int n = 0; n < kMaxSteps && !input.empty(); ++n) {
        switch (input.take<std::uint8_t>() % 8) {
            case 0: {
                const auto choice = input.take<std::uint8_t>();
                const float rate = choice < 200 ? kRates[choice % std::size(kRates)] : input.take<float>();
                e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f);
                e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, rate);
                e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
                break;
            }
            case 1: runBlock(e, input.take<std::uint32_t>() % (kMaxFrames + 1), input); break;
            case 2: e->dispatcher(e, vst::effEditOpen, 0, 0, nullptr, 0.0f); break;
            case 3: e->dispatcher(e, vst::effEditIdle, 0, 0, nullptr, 0.0f); break;
            case 4: e->dispatcher(e, vst::effEditClose, 0, 0, nullptr, 0.0f); break;
            case 5: e->setParameter(e, qv::settingid::kAnalysisView, static_cast<float>(input.take<std::uint8_t>() % 2)); break;
            case 6: e->setParameter(e, qv::settingid::kFftSize, static_cast<float>(input.take<std::uint8_t>() % 6)); break;
            default: e->dispatcher(e, vst::effMainsChanged, 0, 0, nullptr, 0.0f), e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        }
    }
    e->dispatcher(e, vst::effEditClose, 0, 0, nullptr, 0.0f);
    void* chunk = nullptr;
    if (e->dispatcher(e, vst::effGetChunk, 0, 0, &chunk, 0.0f) != 2756 || !chunk) qvfuzz::fail("no chunk after the steps");
    return 0;
}
