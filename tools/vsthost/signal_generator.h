// Test signals: sine, white and pink noise, silence and an exponential sweep, reproducible from a
// seed on every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "vsthost/audio_buffer.h"

namespace qv::vsthost {

enum class SignalKind { Sine, White, Pink, Silence, Sweep };

struct SignalSettings {
    SignalKind kind = SignalKind::Sine;
    double frequency = 1000.0;     // sine frequency; start of the sweep
    double endFrequency = 20000.0; // end of the sweep
    double amplitude = 0.5;        // peak, 1.0 is full scale
    double seconds = 1.0;
    std::uint32_t seed = 1;
};

std::optional<SignalKind> parseSignalKind(std::string_view name);
const char* signalKindName(SignalKind kind);

// The signal on every channel: sines and sweeps are the same on all channels, noise channels are
// independent of each other.
AudioBuffer generateSignal(const SignalSettings& sig, double sampleRate, int channels);

}  // namespace qv::vsthost
