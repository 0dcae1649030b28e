#include "core/mixer.h"

#include <emmintrin.h>

#include "platform/hot_path.h"

namespace qv {
namespace {
// x - x is 0 for every finite x and NaN for NaN and the infinities.
inline float finiteOrZero(float x) { return x - x == 0.0f ? x : 0.0f; }
inline __m128 finiteOrZero(__m128 x) { return _mm_and_ps(_mm_cmpeq_ps(_mm_sub_ps(x, x), _mm_setzero_ps()), x); }
}  // namespace

QV_AUDIO_PATH void mixToMean(float* destination, const float* const* inputs, std::int32_t numInputs, std::int32_t offset,
               std::int32_t frames) {
    // One pass, four samples at a time: the first channel, plus each further one in channel
    // order, times 1/numInputs when there are several (the order a channel-by-channel mix has).
    const bool mean = numInputs > 1;
    const float scale = mean ? 1.0f / static_cast<float>(numInputs) : 1.0f;
    std::int32_t i = 0;
    // Stereo and mono, the usual layouts, without the loop over channels.
    if (numInputs == 2 && inputs[0] && inputs[1]) {
        const float* a = inputs[0] + offset;
        const float* b = inputs[1] + offset;
        const __m128 half = _mm_set1_ps(scale);
        for (; i + 4 <= frames; i += 4)
            _mm_storeu_ps(destination + i,
                          _mm_mul_ps(_mm_add_ps(finiteOrZero(_mm_loadu_ps(a + i)), finiteOrZero(_mm_loadu_ps(b + i))), half));
    } else if (numInputs == 1 && inputs[0]) {
        const float* a = inputs[0] + offset;
        for (; i + 4 <= frames; i += 4) _mm_storeu_ps(destination + i, finiteOrZero(_mm_loadu_ps(a + i)));
    }
    for (; i + 4 <= frames; i += 4) {
        __m128 sum = inputs[0] ? finiteOrZero(_mm_loadu_ps(inputs[0] + offset + i)) : _mm_setzero_ps();
        for (std::int32_t c = 1; c < numInputs; ++c)
            if (inputs[c]) sum = _mm_add_ps(sum, finiteOrZero(_mm_loadu_ps(inputs[c] + offset + i)));
        _mm_storeu_ps(destination + i, mean ? _mm_mul_ps(sum, _mm_set1_ps(scale)) : sum);
    }
    for (; i < frames; ++i) {
        float sum = inputs[0] ? finiteOrZero(inputs[0][offset + i]) : 0.0f;
        for (std::int32_t c = 1; c < numInputs; ++c)
            if (inputs[c]) sum += finiteOrZero(inputs[c][offset + i]);
        destination[i] = mean ? sum * scale : sum;
    }
}

}  // namespace qv
