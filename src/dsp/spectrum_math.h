// Small numeric steps shared by the two measurements.
#pragma once

#include <cmath>
#include <cstdint>

namespace qv {

// A host rate that is not a usable number of Hz stands for 44100 Hz.
inline float usableSampleRate(float sampleRate) {
    return sampleRate >= 1.0f && sampleRate <= 1.0e7f ? sampleRate : 44100.0f;
}

// Power per bin of a packed spectrum of size n into power[0..n/2]: the two real values at 0 Hz
// and half the rate squared, re^2 + im^2 between. Formed in double, so a bin of finite values
// never overflows to a non-finite power; results beyond the float range read as the largest float.
inline void packedPower(const float* spectrum, std::uint32_t n, float* power) {
    constexpr double kMax = 3.4028234663852886e38;
    auto clamp = [](double p) { return static_cast<float>(p <= kMax ? p : kMax); };
    const double dc = spectrum[0], nyquist = spectrum[1];
    power[0] = clamp(dc * dc);
    for (std::uint32_t k = 1; k < n / 2; ++k) {
        const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
        power[k] = clamp(re * re + im * im);
    }
    power[n / 2] = clamp(nyquist * nyquist);
}

// Root of the mean power over bins lo..hi (both included).
inline double meanPowerRoot(const float* power, std::uint32_t lo, std::uint32_t hi) {
    double sum = 0.0;
    for (std::uint32_t k = lo; k <= hi; ++k) sum += power[k];
    return std::sqrt(sum / static_cast<double>(hi - lo + 1));
}

// Linear level to dB between floor and ceiling; silence (below 1e-34) reads the floor and a
// level that overflowed the arithmetic (not a number) reads the ceiling.
inline float levelToDecibels(double level, float floorDb, float ceilingDb) {
    if (std::isnan(level)) return ceilingDb;
    if (!(level >= 1e-34)) return floorDb;
    double v = 20.0 * std::log10(level);
    if (v > ceilingDb) v = ceilingDb;
    if (v < floorDb) v = floorDb;
    return static_cast<float>(v);
}

}  // namespace qv
