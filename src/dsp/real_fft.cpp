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

namespace {

// Bin k's product of two packed spectra, as (re, im): ar br - ai bi, ar bi + ai br.
inline float productRe(const float* a, const float* b, std::uint32_t k) { return a[2 * k] * b[2 * k] - a[2 * k + 1] * b[2 * k + 1]; }
inline float productIm(const float* a, const float* b, std::uint32_t k) { return a[2 * k] * b[2 * k + 1] + a[2 * k + 1] * b[2 * k]; }

// The products of two bins at once, (re, im, re, im), rounded as the scalar ones.
inline __m128 product2(const float* a, const float* b) {
    const __m128 x = _mm_loadu_ps(a), y = _mm_loadu_ps(b);
    const __m128 yRe = _mm_shuffle_ps(y, y, _MM_SHUFFLE(2, 2, 0, 0));
    const __m128 yIm = _mm_shuffle_ps(y, y, _MM_SHUFFLE(3, 3, 1, 1));
    const __m128 xSwapped = _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 3, 0, 1));
    // (ar br + -(ai bi), ai br + ar bi): the same roundings as the scalar forms.
    return _mm_add_ps(_mm_mul_ps(x, yRe), _mm_mul_ps(_mm_mul_ps(xSwapped, yIm), _mm_setr_ps(-1.0f, 1.0f, -1.0f, 1.0f)));
}

}  // namespace

void foldProduct(const float* a, const float* b, std::uint32_t n, float* folded) {
    // Bin q of the size-n/8 spectrum adds bins q + M r (r = 0..3) and the conjugates of the
    // mirrored bins M s - q (s = 1..4), M = n/8: all eight bins at q modulo M, read from the
    // first half of the spectrum (the second half is its conjugate). Each bin's product is
    // formed as it is read: the product spectrum is never written.
    const std::uint32_t m = n / 8;
    auto re = [a, b, n](std::uint32_t k) { return k == 0 ? a[0] * b[0] : k == n / 2 ? a[1] * b[1] : productRe(a, b, k); };
    folded[0] = a[0] * b[0] + a[1] * b[1] + 2.0f * (re(m) + re(2 * m) + re(3 * m));
    folded[1] = 2.0f * (re(m / 2) + re(3 * m / 2) + re(5 * m / 2) + re(7 * m / 2));
    std::uint32_t q = 1;
    // Bins q and q + 1 at once: the mirrored pair is read backwards (M - q - 1, M - q) and
    // swapped into the same order; conjugation is the sign of the odd lanes.
    const __m128 conjugate = _mm_setr_ps(1.0f, -1.0f, 1.0f, -1.0f);
    for (; q + 2 <= m / 2; q += 2) {
        const std::uint32_t up = 2 * q, down = 2 * (m - q - 1);
        auto mirrored = [&](std::uint32_t at) {
            const __m128 p = product2(a + at, b + at);
            return _mm_mul_ps(_mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 0, 3, 2)), conjugate);
        };
        __m128 sum = _mm_add_ps(product2(a + up, b + up), mirrored(down));
        for (std::uint32_t r = 1; r < 4; ++r)
            sum = _mm_add_ps(sum, _mm_add_ps(product2(a + up + 2 * m * r, b + up + 2 * m * r), mirrored(down + 2 * m * r)));
        _mm_storeu_ps(folded + 2 * q, sum);
    }
    for (; q < m / 2; ++q) {
        float sumRe = productRe(a, b, q) + productRe(a, b, m - q);
        float sumIm = productIm(a, b, q) - productIm(a, b, m - q);
        for (std::uint32_t r = 1; r < 4; ++r) {
            sumRe += productRe(a, b, q + m * r) + productRe(a, b, m - q + m * r);
            sumIm += productIm(a, b, q + m * r) - productIm(a, b, m - q + m * r);
        }
        folded[2 * q] = sumRe;
        folded[2 * q + 1] = sumIm;
    }
}

}  // namespace qv
