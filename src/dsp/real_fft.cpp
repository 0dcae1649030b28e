#include "dsp/real_fft.h"

#include <emmintrin.h>

namespace qv {

bool CRealFft::isSupportedSize(std::uint32_t size) {
    return size >= kMinSize && size <= kMaxSize && (size & (size - 1)) == 0;
}

CRealFft::CRealFft(std::uint32_t size, enumRdftKernels kernels) : m_size(size) {
    if (isSupportedSize(size)) m_engine = std::make_unique<CRdftEngine<float>>(size, kernels);
}

void CRealFft::forward(float* b) { forward(b, m_forwardScaling ? m_scale : 1.0f); }

void CRealFft::inverse(float* b) { inverse(b, m_inverseScaling ? m_scale : 1.0f); }

void CRealFft::forward(float* b, float scale) {
    if (m_engine) m_engine->forward(b, scale);
}

void CRealFft::inverse(float* b, float scale) {
    if (m_engine) m_engine->inverse(b, scale);
}

void multiplySpectra(float* a, const float* b, std::uint32_t n) {
    if (n < 2) return;
    a[0] *= b[0];
    a[1] *= b[1];
    // Two complex products at a time: (ar br + -(ai bi), ai br + ar bi), the same roundings as
    // ar br - ai bi and ar bi + ai br one by one.
    const __m128 signs = _mm_setr_ps(-1.0f, 1.0f, -1.0f, 1.0f);
    std::uint32_t i = 2;
    for (; i + 4 <= n; i += 4) {
        const __m128 x = _mm_loadu_ps(a + i), y = _mm_loadu_ps(b + i);
        const __m128 yRe = _mm_shuffle_ps(y, y, _MM_SHUFFLE(2, 2, 0, 0));
        const __m128 yIm = _mm_shuffle_ps(y, y, _MM_SHUFFLE(3, 3, 1, 1));
        const __m128 xSwapped = _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 3, 0, 1));
        _mm_storeu_ps(a + i, _mm_add_ps(_mm_mul_ps(x, yRe), _mm_mul_ps(_mm_mul_ps(xSwapped, yIm), signs)));
    }
    for (; i + 1 < n; i += 2) {
        const float re = a[i] * b[i] - a[i + 1] * b[i + 1];
        const float im = a[i] * b[i + 1] + a[i + 1] * b[i];
        a[i] = re;
        a[i + 1] = im;
    }
}

}  // namespace qv
