// Test signals checked against what physics says they are, and WAV files round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <vector>

#include "test_support.h"
#include "vsthost/signal_generator.h"
#include "vsthost/wav_file.h"

namespace qv::vsthost {
namespace {

int zeroCrossings(const float* x, std::size_t from, std::size_t to) {
    int n = 0;
    for (std::size_t i = from + 1; i < to; ++i) n += (x[i - 1] < 0.0f) != (x[i] < 0.0f);
    return n;
}

double mean(const float* x, std::size_t n) {
    double s = 0;
    for (std::size_t i = 0; i < n; ++i) s += x[i];
    return s / static_cast<double>(n);
}

double correlation(const float* a, const float* b, std::size_t n) {
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    return ab / std::sqrt(aa * bb);
}

// Power spectrum of n = 2^k samples by a plain radix-2 FFT.
std::vector<double> powerSpectrum(const float* x, std::size_t n) {
    std::vector<std::complex<double>> a(x, x + n);
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2.0 * std::numbers::pi / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> wk = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k, wk *= w) {
                const auto u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> power(n / 2);
    for (std::size_t i = 0; i < n / 2; ++i) power[i] = std::norm(a[i]);
    return power;
}

// Mean power per bin in each octave band from 100 Hz to 12.8 kHz, in dB.
std::vector<double> octaveBandLevels(const float* x, std::size_t n, double rate) {
    const std::vector<double> power = powerSpectrum(x, n);
    std::vector<double> levels;
    for (double low = 100.0; low < 12800.0; low *= 2.0) {
        const auto from = static_cast<std::size_t>(low * static_cast<double>(n) / rate);
        const auto to = static_cast<std::size_t>(2.0 * low * static_cast<double>(n) / rate);
        double sum = 0;
        for (std::size_t i = from; i < to; ++i) sum += power[i];
        levels.push_back(10.0 * std::log10(sum / static_cast<double>(to - from)));
    }
    return levels;
}

TEST(Signals, SineHasItsAmplitudeRmsAndFrequency) {
    SignalSettings sig;
    sig.frequency = 1000.0;
    sig.amplitude = 0.5;
    const AudioBuffer s = generateSignal(sig, 48000.0, 2);
    ASSERT_EQ(s.frames(), 48000u);
    double energy = 0, peak = 0;
    for (std::size_t i = 0; i < s.frames(); ++i) {
        energy += static_cast<double>(s.channel(0)[i]) * s.channel(0)[i];
        peak = std::max(peak, static_cast<double>(std::abs(s.channel(0)[i])));
    }
    EXPECT_NEAR(std::sqrt(energy / 48000.0), 0.5 / std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(peak, 0.5, 1e-6);
    // 1000 cycles in one second: two sign changes per cycle.
    EXPECT_NEAR(zeroCrossings(s.channel(0), 0, s.frames()), 2000, 1);
    EXPECT_EQ(std::memcmp(s.channel(0), s.channel(1), s.frames() * sizeof(float)), 0);
}

TEST(Signals, SweepRisesExponentially) {
    // 20 Hz to 20 kHz in 2 s: f(t) = 20 * 1000^(t/2). Cycles up to t: 20 * T / ln(1000) * (1000^(t/T) - 1).
    SignalSettings sig;
    sig.kind = SignalKind::Sweep;
    sig.frequency = 20.0;
    sig.endFrequency = 20000.0;
    sig.seconds = 2.0;
    const double rate = 96000.0;
    const AudioBuffer s = generateSignal(sig, rate, 1);
    const double k = std::log(1000.0);
    const double firstHalf = 20.0 * 2.0 / k * (std::sqrt(1000.0) - 1.0);
    const double whole = 20.0 * 2.0 / k * (1000.0 - 1.0);
    EXPECT_NEAR(zeroCrossings(s.channel(0), 0, s.frames() / 2), 2.0 * firstHalf, 2.0);
    EXPECT_NEAR(zeroCrossings(s.channel(0), 0, s.frames()), 2.0 * whole, 2.0);
}

TEST(Signals, WhiteNoiseIsUniformUncorrelatedAndFlat) {
    SignalSettings sig;
    sig.kind = SignalKind::White;
    sig.amplitude = 0.5;
    const std::size_t n = 65536;
    sig.seconds = static_cast<double>(n) / 48000.0;
    const AudioBuffer s = generateSignal(sig, 48000.0, 2);
    const float* x = s.channel(0);
    EXPECT_NEAR(mean(x, n), 0.0, 0.01);
    double variance = 0;
    for (std::size_t i = 0; i < n; ++i) variance += static_cast<double>(x[i]) * x[i];
    EXPECT_NEAR(variance / static_cast<double>(n), 0.25 / 3.0, 0.25 / 3.0 * 0.03);  // uniform: A^2 / 3
    EXPECT_NEAR(correlation(x, x + 1, n - 1), 0.0, 0.03);                         // next sample
    EXPECT_NEAR(correlation(x, s.channel(1), n), 0.0, 0.03);                      // other channel
    // The same mean power in every bin, whichever octave it lies in.
    const std::vector<double> bands = octaveBandLevels(x, n, 48000.0);
    for (std::size_t b = 1; b < bands.size(); ++b) EXPECT_NEAR(bands[b], bands[0], 0.8) << "octave " << b;
}

TEST(Signals, PinkNoiseHasEqualPowerPerOctave) {
    SignalSettings sig;
    sig.kind = SignalKind::Pink;
    sig.amplitude = 0.5;
    const std::size_t n = 65536;
    sig.seconds = static_cast<double>(n) / 48000.0;
    const AudioBuffer s = generateSignal(sig, 48000.0, 1);
    const float* x = s.channel(0);
    double peak = 0;
    for (std::size_t i = 0; i < n; ++i) peak = std::max(peak, static_cast<double>(std::abs(x[i])));
    EXPECT_NEAR(peak, 0.5, 1e-6);
    // Power per bin falls by half per octave: -3.01 dB from each band to the next.
    const std::vector<double> bands = octaveBandLevels(x, n, 48000.0);
    for (std::size_t b = 1; b < bands.size(); ++b) {
        EXPECT_NEAR(bands[b] - bands[0], -3.0103 * static_cast<double>(b), 1.0) << "octave " << b;
    }
}

TEST(Signals, SilenceSeedsAndLengths) {
    SignalSettings sig;
    sig.kind = SignalKind::Silence;
    sig.seconds = 0.5;
    const AudioBuffer silence = generateSignal(sig, 44100.0, 3);
    EXPECT_EQ(silence.frames(), 22050u);
    EXPECT_TRUE(silence.bitIdentical(AudioBuffer(3, 22050)));

    sig.kind = SignalKind::White;
    EXPECT_TRUE(generateSignal(sig, 44100.0, 2).bitIdentical(generateSignal(sig, 44100.0, 2)));
    SignalSettings other = sig;
    other.seed = 2;
    EXPECT_FALSE(generateSignal(sig, 44100.0, 2).bitIdentical(generateSignal(other, 44100.0, 2)));
    EXPECT_EQ(parseSignalKind("pink"), SignalKind::Pink);
    EXPECT_EQ(parseSignalKind("Pink"), std::nullopt);
}

TEST(WavFiles, FloatFilesRoundTripBitForBit) {
    const std::string dir = test::scratchDir("wav");
    SignalSettings sig;
    sig.kind = SignalKind::White;
    sig.amplitude = 1.5;  // beyond full scale: float files keep it
    sig.seconds = 0.1;
    const AudioBuffer written = generateSignal(sig, 96000.0, 3);
    const std::string path = (std::filesystem::path(dir) / "noise.wav").string();
    std::string error;
    ASSERT_TRUE(writeWav(path, written, 96000.0, &error)) << error;
    AudioBuffer read;
    double rate = 0;
    ASSERT_TRUE(readWav(path, &read, &rate, &error)) << error;
    EXPECT_EQ(rate, 96000.0);
    EXPECT_TRUE(read.bitIdentical(written));

    // The same audio makes the same file, byte for byte.
    const std::string again = (std::filesystem::path(dir) / "again.wav").string();
    ASSERT_TRUE(writeWav(again, read, 96000.0, &error)) << error;
    auto bytes = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(bytes(again), bytes(path));
    EXPECT_GT(bytes(path).size(), 0.1 * 96000 * 3 * 4);
}

TEST(WavFiles, UnreadableAndUnwritableFilesFailWithTheirName) {
    const std::filesystem::path dir(test::scratchDir("wav-bad"));
    std::string error;
    AudioBuffer audio;
    double rate = 0;
    EXPECT_FALSE(readWav((dir / "absent.wav").string(), &audio, &rate, &error));
    EXPECT_NE(error.find("absent.wav"), std::string::npos) << error;
    std::ofstream((dir / "text.wav").string()) << "this is not a sound file";
    EXPECT_FALSE(readWav((dir / "text.wav").string(), &audio, &rate, &error));
    EXPECT_FALSE(writeWav((dir / "no" / "such" / "dir.wav").string(), AudioBuffer(1, 10), 44100.0, &error));
    EXPECT_NE(error.find("dir.wav"), std::string::npos) << error;
    EXPECT_FALSE(writeWav((dir / "empty.wav").string(), AudioBuffer(), 44100.0, &error));
}

}  // namespace
}  // namespace qv::vsthost
