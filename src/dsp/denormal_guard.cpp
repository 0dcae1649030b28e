#include "dsp/denormal_guard.h"

#include <emmintrin.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <type_traits>
#include "platform/hot_path.h"

namespace qv {

template <typename T>
CDenormalGuard<T>::CDenormalGuard(float thresholdDb) {
    setThresholdDb(thresholdDb);
}

template <typename T>
void CDenormalGuard<T>::setThresholdDb(float thresholdDb) {
    m_threshold = static_cast<T>(std::pow(10.0, 0.05 * static_cast<double>(thresholdDb)));
}

template <typename T>
void CDenormalGuard<T>::process(T* data, std::uint32_t frames) {
    gate(data, data, nullptr, frames);
}

template <typename T>
void CDenormalGuard<T>::gate(const T* in, T* out, const T* window, std::uint32_t frames) const {
    // A sample passes when threshold < |x| <= largest finite value; NaN fails both tests.
    std::uint32_t i = 0;
    if constexpr (std::is_same_v<T, float>) {
        const __m128 signMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
        const __m128 low = _mm_set1_ps(m_threshold);
        const __m128 high = _mm_set1_ps(FLT_MAX);
        for (; i + 4 <= frames; i += 4) {
            const __m128 x = _mm_loadu_ps(in + i);
            const __m128 a = _mm_and_ps(x, signMask);
            const __m128 g = _mm_and_ps(x, _mm_and_ps(_mm_cmpgt_ps(a, low), _mm_cmple_ps(a, high)));
            _mm_storeu_ps(out + i, window ? _mm_mul_ps(g, _mm_loadu_ps(window + i)) : g);
        }
    }
    for (; i < frames; ++i) {
        T x = in[i];
        const T a = std::fabs(x);
        if (!(a > m_threshold && a <= std::numeric_limits<T>::max())) x = 0;
        out[i] = window ? x * window[i] : x;
    }
}

template class CDenormalGuard<float>;

namespace {
constexpr unsigned int kFlushToZero = 0x8000u;
constexpr unsigned int kDenormalsAreZero = 0x0040u;
}  // namespace

QV_AUDIO_PATH CFlushDenormalsScope::CFlushDenormalsScope() : saved_(_mm_getcsr()) {
    _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
}

QV_AUDIO_PATH CFlushDenormalsScope::~CFlushDenormalsScope() { _mm_setcsr(saved_); }

}  // namespace qv
