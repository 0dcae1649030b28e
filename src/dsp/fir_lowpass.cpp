#include "dsp/fir_lowpass.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace qv {

void CFirLowpass::reserve(std::uint32_t taps) {
    taps = std::min(taps, kMaxTaps);
    if (taps <= capacity()) return;
    m_coefficients.resize(taps, 0.0f);
    m_windowValues.resize(taps, 0.0f);
}

void CFirLowpass::setTaps(std::uint32_t taps) {
    if (taps > kMaxTaps || taps == m_taps) return;
    try {
        reserve(taps);
    } catch (const std::bad_alloc&) {
        return;
    }
    m_taps = taps;
    m_dirty = true;
}

void CFirLowpass::setSampleRate(float sampleRate) {
    if (sampleRate == m_sampleRate) return;
    m_sampleRate = sampleRate;
    m_dirty = true;
}

void CFirLowpass::setCutoff(float cutoff) {
    if (cutoff == m_cutoff) return;
    m_cutoff = cutoff;
    m_dirty = true;
}

void CFirLowpass::design() {
    std::fill(m_coefficients.begin(), m_coefficients.end(), 0.0f);
    std::fill(m_windowValues.begin(), m_windowValues.end(), 0.0f);
    m_dirty = false;
    if (m_taps < 3) {
        if (m_taps > 0) m_coefficients[0] = 1.0f;
        return;
    }
    const std::uint32_t c = (m_taps - 1) / 2;
    m_window.generate(kWindowHann, m_windowValues.data(), m_taps);
    const float fc = 2.0f * m_cutoff / m_sampleRate;
    constexpr float kPi = 3.1415927f;

    m_coefficients[c] = fc * m_windowValues[c];
    double sum = m_coefficients[c];
    for (std::uint32_t i = 1; i <= c; ++i) {
        const float x = kPi * static_cast<float>(i);
        const float v = m_windowValues[c + i] * std::sin(x * fc) / x;
        m_coefficients[c - i] = m_coefficients[c + i] = v;
        sum += 2.0 * v;
    }
    if (sum == 0.0 || !std::isfinite(sum)) return;
    const float norm = static_cast<float>(1.0 / sum);
    for (std::uint32_t i = 0; i <= 2 * c; ++i) m_coefficients[i] *= norm;
}

}  // namespace qv
