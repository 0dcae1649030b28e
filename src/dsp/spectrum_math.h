// Small numeric steps shared by the two measurements.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qv {

// A host rate that is not a usable number of Hz stands for 44100 Hz.
inline float usableSampleRate(float sampleRate) {
    return sampleRate >= 1.0f && sampleRate <= 1.0e7f ? sampleRate : 44100.0f;
}

// The largest float: a bin power above it (or not a number) reads as it.
constexpr double kLargestPower = 3.4028234663852886e38;

// Power per bin of a packed spectrum of size n into power[0..n/2]: the two real values at 0 Hz
// and half the rate squared, re^2 + im^2 between. Formed in double, so a bin of finite values
// never overflows to a non-finite power. Two bins at a time in SSE2, the same roundings as one by one.
inline void packedPower(const float* spectrum, std::uint32_t n, float* power) {
    auto clamp = [](double p) { return static_cast<float>(p <= kLargestPower ? p : kLargestPower); };
    const double dc = spectrum[0], nyquist = spectrum[1];
    power[0] = clamp(dc * dc);
    const __m128d max = _mm_set1_pd(kLargestPower);
    std::uint32_t k = 1;
    for (; k + 2 <= n / 2; k += 2) {
        const __m128d a =
            _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(spectrum + 2 * k))));
        const __m128d b =
            _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(spectrum + 2 * k + 2))));
        const __m128d a2 = _mm_mul_pd(a, a), b2 = _mm_mul_pd(b, b);
        // (re0^2 + im0^2, re1^2 + im1^2); min() answers its second operand for not a number.
        const __m128d sum = _mm_add_pd(_mm_unpacklo_pd(a2, b2), _mm_unpackhi_pd(a2, b2));
        _mm_storel_pi(reinterpret_cast<__m64*>(power + k), _mm_cvtpd_ps(_mm_min_pd(sum, max)));
    }
    for (; k < n / 2; ++k) {
        const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
        power[k] = clamp(re * re + im * im);
    }
    power[n / 2] = clamp(nyquist * nyquist);
}

// Root of the mean power over bins lo..hi (both included, hi <= n/2) of a packed spectrum of size
// n: each bin's power as packedPower forms it, kept in double, summed in two pairs of running sums.
inline double meanPowerRoot(const float* spectrum, std::uint32_t n, std::uint32_t lo, std::uint32_t hi) {
    auto edge = [](double v) { return std::min(v * v, kLargestPower); };
    double sum = 0.0;
    std::uint32_t k = lo;
    if (k == 0) sum += edge(spectrum[0]), ++k;
    const std::uint32_t end = std::min(hi + 1, n / 2);  // interior bins k..end-1
    const __m128d max = _mm_set1_pd(kLargestPower);
    __m128d s0 = _mm_setzero_pd(), s1 = _mm_setzero_pd();
    auto pairPower = [&](const float* at) {  // (power of bin k, power of bin k + 1)
        const __m128d a = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at))));
        const __m128d b = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + 2))));
        const __m128d a2 = _mm_mul_pd(a, a), b2 = _mm_mul_pd(b, b);
        return _mm_min_pd(_mm_add_pd(_mm_unpacklo_pd(a2, b2), _mm_unpackhi_pd(a2, b2)), max);
    };
    for (; k + 4 <= end; k += 4) {
        s0 = _mm_add_pd(s0, pairPower(spectrum + 2 * k));
        s1 = _mm_add_pd(s1, pairPower(spectrum + 2 * k + 4));
    }
    for (; k + 2 <= end; k += 2) s0 = _mm_add_pd(s0, pairPower(spectrum + 2 * k));
    const __m128d both = _mm_add_pd(s0, s1);
    sum += _mm_cvtsd_f64(both) + _mm_cvtsd_f64(_mm_unpackhi_pd(both, both));
    for (; k < end; ++k) {
        const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
        sum += std::min(re * re + im * im, kLargestPower);
    }
    if (hi == n / 2 && n >= 2) sum += edge(spectrum[1]);
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
