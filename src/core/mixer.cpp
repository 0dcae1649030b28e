#include "core/mixer.h"

namespace qv {
namespace {
// x - x is 0 for every finite x and NaN for NaN and the infinities.
inline float finiteOrZero(float x) { return x - x == 0.0f ? x : 0.0f; }
}  // namespace

void mixToMean(float* destination, const float* const* inputs, std::int32_t numInputs, std::int32_t offset,
               std::int32_t frames) {
    const float* first = inputs[0] ? inputs[0] + offset : nullptr;
    for (std::int32_t i = 0; i < frames; ++i) destination[i] = first ? finiteOrZero(first[i]) : 0.0f;
    for (std::int32_t c = 1; c < numInputs; ++c) {
        const float* in = inputs[c];
        if (!in) continue;
        in += offset;
        for (std::int32_t i = 0; i < frames; ++i) destination[i] += finiteOrZero(in[i]);
    }
    if (numInputs > 1) {
        const float scale = 1.0f / static_cast<float>(numInputs);
        for (std::int32_t i = 0; i < frames; ++i) destination[i] *= scale;
    }
}

}  // namespace qv
