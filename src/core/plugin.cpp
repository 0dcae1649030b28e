#include "core/plugin.h"

#include <cstring>
#include <new>

#include "framework/error_report.h"
#include "framework/param_container.h"
#include "framework/program_container.h"

namespace qv {

CPlugin::CPlugin(std::intptr_t, std::int32_t inputs, std::int32_t outputs) {
    const bool given = inputs > 0 && outputs > 0 && inputs <= kMaxChannels && outputs <= kMaxChannels;
    numInputs = static_cast<std::uint8_t>(given ? inputs : 2);
    numOutputs = static_cast<std::uint8_t>(given ? outputs : 2);
    try {
        auto parameterSet = std::make_unique<CParamContainer>();
        auto bank = std::make_unique<CProgramContainer>(parameterSet.get());
        adoptParamsAndPrograms(std::move(parameterSet), std::move(bank));
    } catch (const std::bad_alloc&) {
        reportError(kErrNotEnoughMemory, "Nolvatek", "CPlugin::CPlugin");
        throw 0;
    }
    config.numInputs = numInputs;
    config.numOutputs = numOutputs;
    config.programsAreChunks = 1;
    config.reservedCapability = 1;
    setLatency(0);
    chunk.fillHeader();
}

CPlugin::~CPlugin() = default;

void CPlugin::getEditorSize(std::int32_t& width, std::int32_t& height) const {
    width = compactLayout ? kCompactWidth : kEditorWidth;
    height = compactLayout ? kCompactHeight : kEditorHeight;
}

void CPlugin::notifyEditor(std::uint32_t, float) {}

void CPlugin::getProductName(char* buffer, std::size_t capacity) const {
    if (!buffer || capacity == 0) return;
    std::strncpy(buffer, "Quorvane", capacity - 1);
    buffer[capacity - 1] = '\0';
}

std::int32_t CPlugin::getChunk(void** data, bool) {
    if (chunkDisabled || !data) return 0;
    chunk.fillHeader();
    *data = &chunk;
    return static_cast<std::int32_t>(sizeof(chunk));
}

std::int32_t CPlugin::setChunk(const void*, std::int32_t, bool) { return 0; }

void CPlugin::onReset(bool) {}

template <typename Sample>
void passThrough(Sample* const* inputs, Sample* const* outputs, std::int32_t numIn, std::int32_t numOut, std::int32_t frames) {
    if (!inputs || !outputs || frames <= 0) return;
    const auto bytes = static_cast<std::size_t>(frames) * sizeof(Sample);
    for (std::int32_t c = 0; c < numOut; ++c) {
        Sample* out = outputs[c];
        if (!out) continue;
        const Sample* in = numIn == 1 ? inputs[0] : (c < numIn ? inputs[c] : nullptr);
        if (in == nullptr) {
            std::memset(out, 0, bytes);
        } else if (in != out) {
            std::memmove(out, in, bytes);
        }
    }
}

template void passThrough<float>(float* const*, float* const*, std::int32_t, std::int32_t, std::int32_t);
template void passThrough<double>(double* const*, double* const*, std::int32_t, std::int32_t, std::int32_t);

std::int32_t CPlugin::processAudio(void** inputs, void** outputs, std::int32_t numIn, std::int32_t numOut,
                                   std::int32_t frames, int precision, std::int32_t) {
    if (numIn < 1 || numIn > kMaxChannels || numOut < 1 || numOut > kMaxChannels) return 0;
    if (precision == kPrecisionDouble) {
        passThrough(reinterpret_cast<double* const*>(inputs), reinterpret_cast<double* const*>(outputs), numIn, numOut, frames);
        return 0;
    }
    if (precision != kPrecisionFloat) return 0;
    passThrough(reinterpret_cast<float* const*>(inputs), reinterpret_cast<float* const*>(outputs), numIn, numOut, frames);
    return 0;
}

}  // namespace qv
