#include "vsthost/signal_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace qv::vsthost {

namespace {

// xorshift64*: small, fast and the same sequence everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
        if (state_ == 0) state_ = 1;
    }
    // Uniform in [-1, 1).
    double next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const std::uint64_t bits = state_ * 0x2545F4914F6CDD1Dull;
        return static_cast<double>(bits >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

private:
    std::uint64_t state_;
};

void sine(float* out, std::size_t frames, double frequency, double amplitude, double rate) {
    // The phase is taken from the sample index, so long signals do not drift.
    const double cyclesPerSample = frequency / rate;
    for (std::size_t i = 0; i < frames; ++i) {
        const double cycles = std::fmod(cyclesPerSample * static_cast<double>(i), 1.0);
        out[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * cycles));
    }
}

// Exponential sweep: the instantaneous frequency rises from f0 to f1 by a constant factor per
// second, so every octave gets the same time.
void sweep(float* out, std::size_t frames, double f0, double f1, double amplitude, double rate) {
    const double duration = static_cast<double>(frames) / rate;
    const double k = std::log(f1 / f0);
    if (!(std::abs(k) > 1e-12)) return sine(out, frames, f0, amplitude, rate);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double phase = 2.0 * std::numbers::pi * f0 * duration / k * (std::exp(t / duration * k) - 1.0);
        out[i] = static_cast<float>(amplitude * std::sin(phase));
    }
}

void white(float* out, std::size_t frames, double amplitude, Random& random) {
    for (std::size_t i = 0; i < frames; ++i) out[i] = static_cast<float>(amplitude * random.next());
}

// White noise through a sum of first-order low-passes whose poles are spread so that the sum
// falls by 3 dB per octave across the audio band (poles placed for 44.1 and 48 kHz); the result
// is scaled to the requested peak.
void pink(float* out, std::size_t frames, double amplitude, Random& random) {
    double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
    double peak = 0.0;
    std::vector<double> values(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double w = random.next();
        b0 = 0.99886 * b0 + w * 0.0555179;
        b1 = 0.99332 * b1 + w * 0.0750759;
        b2 = 0.96900 * b2 + w * 0.1538520;
        b3 = 0.86650 * b3 + w * 0.3104856;
        b4 = 0.55000 * b4 + w * 0.5329522;
        b5 = -0.7616 * b5 - w * 0.0168980;
        values[i] = b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362;
        b6 = w * 0.115926;
        peak = std::max(peak, std::abs(values[i]));
    }
    const double scale = peak > 0.0 ? amplitude / peak : 0.0;
    for (std::size_t i = 0; i < frames; ++i) out[i] = static_cast<float>(values[i] * scale);
}

}  // namespace

std::optional<SignalKind> parseSignalKind(std::string_view name) {
    for (SignalKind kind : {SignalKind::Sine, SignalKind::White, SignalKind::Pink, SignalKind::Silence,
                            SignalKind::Sweep}) {
        if (name == signalKindName(kind)) return kind;
    }
    return std::nullopt;
}

const char* signalKindName(SignalKind kind) {
    switch (kind) {
    case SignalKind::Sine: return "sine";
    case SignalKind::White: return "white";
    case SignalKind::Pink: return "pink";
    case SignalKind::Silence: return "silence";
    case SignalKind::Sweep: return "sweep";
    }
    return "?";
}

AudioBuffer generateSignal(const SignalSettings& sig, double sampleRate, int channels) {
    const double frameCount = std::max(0.0, std::round(sig.seconds * sampleRate));
    const auto frames = static_cast<std::size_t>(frameCount);
    AudioBuffer buffer(std::max(channels, 0), frames);
    for (int c = 0; c < buffer.channels(); ++c) {
        float* out = buffer.channel(c);
        Random random(static_cast<std::uint64_t>(sig.seed) * 1000003ull + static_cast<std::uint64_t>(c));
        switch (sig.kind) {
        case SignalKind::Sine: sine(out, frames, sig.frequency, sig.amplitude, sampleRate); break;
        case SignalKind::Sweep: sweep(out, frames, sig.frequency, sig.endFrequency, sig.amplitude, sampleRate); break;
        case SignalKind::White: white(out, frames, sig.amplitude, random); break;
        case SignalKind::Pink: pink(out, frames, sig.amplitude, random); break;
        case SignalKind::Silence: break;
        }
    }
    return buffer;
}

}  // namespace qv::vsthost
