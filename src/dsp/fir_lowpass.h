// Windowed-sinc FIR low-pass designer: T taps, Hann window, normalised to unity gain at 0 Hz.
#pragma once

#include <cstdint>
#include <vector>

#include "dsp/window_function.h"

namespace qv {

class CFirLowpass {
public:
    static constexpr std::uint32_t kMaxTaps = 65536;

    CFirLowpass() = default;

    // Makes room for designs of up to taps (at most kMaxTaps) taps, so that a later design in a
    // measurement allocates nothing. Throws std::bad_alloc.
    void reserve(std::uint32_t taps);
    // Taps the buffers hold; the taps beyond a design's count are 0 up to here.
    std::uint32_t capacity() const { return static_cast<std::uint32_t>(m_coefficients.size()); }

    // Each setter marks the design dirty when the value changes; taps above kMaxTaps are ignored,
    // and so are taps beyond the room made when it cannot be grown.
    void setTaps(std::uint32_t taps);
    void setSampleRate(float sampleRate);
    void setCutoff(float cutoff);

    // Designs the taps for the current settings. With c = (T - 1)/2 the taps 0..2c are a
    // symmetric Hann-windowed sinc centred on c, scaled to sum to 1; the others are 0. Fewer
    // than 3 taps give the single tap 1 (a pass-through).
    void design();

    const float* getTaps() const { return m_coefficients.data(); }
    std::uint32_t getTapCount() const { return m_taps; }
    bool isDirty() const { return m_dirty; }

private:
    CWindowFunction<float> m_window{0};
    std::uint32_t m_taps = 0;
    float m_sampleRate = 44100.0f;
    float m_cutoff = 10000.0f;
    std::vector<float> m_coefficients;
    std::vector<float> m_windowValues;
    bool m_dirty = true;
};

}  // namespace qv
