// Test signals and a double-precision reference DFT for the analysis tests.
#pragma once

#include "support/test_common.h"

namespace qv::test {

constexpr double kPi = 3.14159265358979323846;

// A deterministic uniform generator in [-1, 1) (same sequence on every platform).
class Noise {
public:
    explicit Noise(std::uint64_t seed) : m_state(seed * 2862933555777941757ull + 3037000493ull) {}
    float next() {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<float>(static_cast<double>(m_state >> 40) / 8388608.0 - 1.0);
    }
    void fill(float* out, std::size_t count, float amplitude = 1.0f) {
        for (std::size_t i = 0; i < count; ++i) out[i] = amplitude * next();
    }

private:
    std::uint64_t m_state;
};

// Adds a sine of the given amplitude and frequency, continuous over successive calls.
inline std::function<void(float*, std::size_t)> sine(double amplitude, double frequency, double sampleRate) {
    return [=, phase = 0.0](float* out, std::size_t count) mutable {
        for (std::size_t i = 0; i < count; ++i, phase += 2.0 * kPi * frequency / sampleRate)
            out[i] += static_cast<float>(amplitude * std::sin(phase));
        phase = std::fmod(phase, 2.0 * kPi);
    };
}

// Direct DFT of real x at the given bins in the packed convention: R(k) = sum x cos(2 pi jk/N),
// I(k) = sum x sin(2 pi jk/N).
inline void referenceBins(const std::vector<float>& x, const std::vector<std::size_t>& bins, std::vector<double>& re,
                          std::vector<double>& im) {
    const std::size_t n = x.size();
    std::vector<double> cosine(n), sine(n);
    for (std::size_t j = 0; j < n; ++j) {
        cosine[j] = std::cos(2.0 * kPi * static_cast<double>(j) / static_cast<double>(n));
        sine[j] = std::sin(2.0 * kPi * static_cast<double>(j) / static_cast<double>(n));
    }
    re.assign(bins.size(), 0.0);
    im.assign(bins.size(), 0.0);
    for (std::size_t i = 0; i < bins.size(); ++i) {
        for (std::size_t j = 0, angle = 0; j < n; ++j, angle = (angle + bins[i]) % n) {  // angle = j k mod N
            re[i] += x[j] * cosine[angle];
            im[i] += x[j] * sine[angle];
        }
    }
}

}  // namespace qv::test
