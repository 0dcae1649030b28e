#include "dsp/band_listen.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>

namespace qv {

bool designThirdOctaveBand(double centreHz, double sampleRate, BandPassDesign& design) {
    if (!std::isfinite(centreHz) || !std::isfinite(sampleRate) || kMaxCentreShare * sampleRate < kMinCentreHz) return false;
    using std::numbers::pi;
    const double centre = std::clamp(centreHz, kMinCentreHz, kMaxCentreShare * sampleRate);
    const double edge = std::exp2(1.0 / 6.0);
    // Edges pre-warped for the bilinear transform, in units where s = (1 - 1/z) / (1 + 1/z).
    const double low = std::tan(pi * centre / edge / sampleRate);
    const double high = std::tan(pi * std::min(centre * edge, kMaxEdgeShare * sampleRate) / sampleRate);
    const double w0Squared = low * high;
    const double width = high - low;
    // Each pole p of the second-order low-pass prototype gives the band-pass poles
    // s^2 - p width s + w0^2 = 0; one of each pair and the conjugates of both make two sections.
    const std::complex<double> p(-std::numbers::sqrt2 / 2, std::numbers::sqrt2 / 2);
    const std::complex<double> root = std::sqrt(p * p * width * width - 4.0 * w0Squared);
    const std::complex<double> poles[2] = {(p * width + root) / 2.0, (p * width - root) / 2.0};
    BandPassDesign d;
    for (int k = 0; k < 2; ++k) {
        const std::complex<double> z = (1.0 + poles[k]) / (1.0 - poles[k]);
        d.a1[k] = -2.0 * z.real();
        d.a2[k] = std::norm(z);
    }
    // Numerators (1 - z^-2) each; the gain puts the centre at exactly unity.
    const std::complex<double> e1 = std::polar(1.0, -2.0 * pi * centre / sampleRate), e2 = e1 * e1;
    std::complex<double> response = 1.0;
    for (int k = 0; k < 2; ++k) response *= (1.0 - e2) / (1.0 + d.a1[k] * e1 + d.a2[k] * e2);
    d.gain = 1.0 / std::abs(response);
    d.centreHz = centre;
    if (!std::isfinite(d.gain)) return false;
    design = d;
    return true;
}

void CBandPassBank::startHeld(const float* const* firstSamples, int channels) {
    for (int c = 0; c < channels; ++c) {
        const double x = firstSamples[c] ? *firstSamples[c] : 0.0;
        m_state[static_cast<std::size_t>(c)] = State{std::isfinite(x) ? x : 0.0, std::isfinite(x) ? x : 0.0};
    }
}

void CBandPassBank::startFrom(const CBandPassBank& other, int channels) {
    for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c) {
        m_state[c] = State{other.m_state[c].x1, other.m_state[c].x2};
    }
}

namespace {

// Two channels in the two lanes of one register (the GCC and Clang vector extension), so their
// recursions run side by side. The terms off each recursion's path are formed first: a sample's
// recursion waits only for one multiply and one subtraction.
using Pair = double __attribute__((vector_size(16)));

}  // namespace

void CBandPassBank::filterPair(const BandPassDesign& d, State& s0, State& s1, const float* in0, const float* in1,
                               float* out0, float* out1, int frames) {
    Pair x1{s0.x1, s1.x1}, x2{s0.x2, s1.x2}, y1{s0.y1, s1.y1}, y2{s0.y2, s1.y2}, v1{s0.v1, s1.v1}, v2{s0.v2, s1.v2};
    const Pair gain{d.gain, d.gain}, a1{d.a1[0], d.a1[0]}, a2{d.a2[0], d.a2[0]}, b1{d.a1[1], d.a1[1]}, b2{d.a2[1], d.a2[1]};
    for (int i = 0; i < frames; ++i) {
        const Pair x{in0[i], in1[i]};
        const Pair y = (gain * (x - x2) - a2 * y2) - a1 * y1;
        const Pair v = ((y - y2) - b2 * v2) - b1 * v1;
        x2 = x1, x1 = x, y2 = y1, y1 = y, v2 = v1, v1 = v;
        out0[i] = static_cast<float>(v[0]);
        out1[i] = static_cast<float>(v[1]);
    }
    State* states[2] = {&s0, &s1};
    for (int l = 0; l < 2; ++l) {
        *states[l] = State{x1[l], x2[l], y1[l], y2[l], v1[l], v2[l]};
        if (!std::isfinite(x1[l] + x2[l] + y1[l] + y2[l] + v1[l] + v2[l])) *states[l] = State{};
    }
}

void CBandPassBank::process(const BandPassDesign& design, const float* const* in, float* const* out, int channels,
                            int frames) {
    for (int c = 0; c < channels; c += 2) {
        State& first = m_state[static_cast<std::size_t>(c)];
        if (c + 1 < channels) {
            filterPair(design, first, m_state[static_cast<std::size_t>(c) + 1], in[c], in[c + 1], out[c], out[c + 1], frames);
        } else {
            State spare = first;  // a channel alone fills both lanes
            filterPair(design, first, spare, in[c], in[c], out[c], out[c], frames);
        }
    }
}

std::uint32_t rampMix(const float* from, const float* to, float* out, int frames, std::uint32_t position,
                      std::uint32_t length, int direction) {
    const auto count = static_cast<std::uint32_t>(std::max(frames, 0));
    if ((direction > 0 && position >= length) || (direction < 0 && position == 0)) {
        std::memmove(out, direction > 0 ? to : from, count * sizeof(float));
        return direction > 0 ? length : 0;
    }
    const float step = 1.0f / static_cast<float>(length);
    for (std::uint32_t i = 0; i < count; ++i) {
        position = direction > 0 ? std::min(position + 1, length) : position - (position > 0 ? 1 : 0);
        if (position == 0 || position == length) {
            out[i] = position == 0 ? from[i] : to[i];
        } else {
            out[i] = from[i] + static_cast<float>(position) * step * (to[i] - from[i]);
        }
    }
    return position;
}

}  // namespace qv
