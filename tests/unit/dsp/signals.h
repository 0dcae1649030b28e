// Test signals and a double-precision reference DFT for the analysis tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

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

// A sine of the given amplitude and frequency, continuous over successive calls.
class Sine {
public:
    Sine(double amplitude, double frequency, double sampleRate, double phase = 0.0)
        : m_amplitude(amplitude), m_step(2.0 * kPi * frequency / sampleRate), m_phase(phase) {}
    void add(float* out, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] += static_cast<float>(m_amplitude * std::sin(m_phase));
            m_phase += m_step;
        }
        m_phase = std::fmod(m_phase, 2.0 * kPi);
    }

private:
    double m_amplitude, m_step, m_phase;
};

// Direct DFT of real x in the packed convention: R(k) = sum x cos(2 pi jk/N), I(k) = sum x sin(...).
class ReferenceDft {
public:
    explicit ReferenceDft(const std::vector<float>& x) : m_x(x), m_cos(x.size()), m_sin(x.size()) {
        const std::size_t n = x.size();
        for (std::size_t j = 0; j < n; ++j) {
            m_cos[j] = std::cos(2.0 * kPi * static_cast<double>(j) / static_cast<double>(n));
            m_sin[j] = std::sin(2.0 * kPi * static_cast<double>(j) / static_cast<double>(n));
        }
    }
    void bin(std::size_t k, double& re, double& im) const {
        const std::size_t n = m_x.size();
        re = im = 0.0;
        std::size_t angle = 0;  // j k mod N
        for (std::size_t j = 0; j < n; ++j) {
            re += m_x[j] * m_cos[angle];
            im += m_x[j] * m_sin[angle];
            angle += k;
            if (angle >= n) angle -= n;
        }
    }

private:
    std::vector<float> m_x;
    std::vector<double> m_cos, m_sin;
};

}  // namespace qv::test
