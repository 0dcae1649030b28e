#include "dsp/real_fft.h"

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
    for (std::uint32_t i = 2; i + 1 < n; i += 2) {
        const float re = a[i] * b[i] - a[i + 1] * b[i + 1];
        const float im = a[i] * b[i + 1] + a[i + 1] * b[i];
        a[i] = re;
        a[i + 1] = im;
    }
}

}  // namespace qv
