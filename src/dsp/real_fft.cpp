#include "dsp/real_fft.h"

#include <emmintrin.h>

#include <cmath>

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

void CRealFft::forward(float* b, float scale, std::uint32_t filled) {
    if (m_engine) m_engine->forward(b, scale, filled);
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

void shiftSpectrum(float* spectrum, std::uint32_t n, std::uint32_t c) {
    if (n < 4) return;
    const double step = -2.0 * 3.14159265358979323846 * c / n;
    for (std::uint32_t k = 1; k < n / 2; ++k) {
        const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
        const double cs = std::cos(step * k), sn = std::sin(step * k);
        spectrum[2 * k] = static_cast<float>(re * cs - im * sn);
        spectrum[2 * k + 1] = static_cast<float>(re * sn + im * cs);
    }
    if (c % 2) spectrum[1] = -spectrum[1];  // e^(-i pi c) at half the rate
}

void foldSpectrum(const float* spectrum, std::uint32_t n, float* folded) {
    // Bin q of the size-n/8 spectrum adds bins q + M r (r = 0..3) and the conjugates of the
    // mirrored bins M s - q (s = 1..4), M = n/8: all eight bins at q modulo M, read from the
    // first half of the spectrum (the second half is its conjugate).
    const std::uint32_t m = n / 8;
    const float* s = spectrum;
    auto re = [s, n](std::uint32_t k) { return k == 0 ? s[0] : k == n / 2 ? s[1] : s[2 * k]; };
    folded[0] = s[0] + s[1] + 2.0f * (re(m) + re(2 * m) + re(3 * m));
    folded[1] = 2.0f * (re(m / 2) + re(3 * m / 2) + re(5 * m / 2) + re(7 * m / 2));
    for (std::uint32_t q = 1; q < m / 2; ++q) {
        const float* up = s + 2 * q;
        const float* down = s + 2 * (m - q);
        float sumRe = up[0] + down[0], sumIm = up[1] - down[1];
        for (std::uint32_t r = 1; r < 4; ++r) {
            up += 2 * m;
            down += 2 * m;
            sumRe += up[0] + down[0];
            sumIm += up[1] - down[1];
        }
        folded[2 * q] = sumRe;
        folded[2 * q + 1] = sumIm;
    }
}

}  // namespace qv
