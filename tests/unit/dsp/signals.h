// Test signals for the analysis tests.
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

}  // namespace qv::test
