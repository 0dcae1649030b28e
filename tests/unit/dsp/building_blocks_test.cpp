#include <algorithm>
#include <bit>
#include <cfloat>

#include "dsp/denormal_guard.h"
#include "dsp/fir_lowpass.h"
#include "dsp/window_function.h"
#include "signals.h"

namespace {

using qv::CWindowFunction;

// Sum of cos(2 pi k i / D) over i = 0..D is 1 for integer k (one full period plus the end
// point), so each shaped window's gain over M = D + 1 values has a closed form.
TEST(WindowFunction, GainsAreTheMeanOfTheActualValues) {
    // Type, constant and ends: gain = constant - ends / M. Centred terms (the last two):
    // cos(2 pi k (i - D/2) / D) = (-1)^k cos(2 pi k i / D).
    const std::tuple<qv::enumWindowType, double, double> cases[] = {
        {qv::kWindowHann, 0.5, 0.5}, {qv::kWindowHamming, 0.54, 0.46}, {qv::kWindowBlackman, 0.42, 0.42},
        {qv::kWindowBlackmanHarris, 0.35875, 0.48829 - 0.14128 + 0.01168},
        {qv::kWindowFlatTop, 0.2156, 0.416 - 0.2781 + 0.0836 - 0.0069},
    };
    for (const auto& [type, constant, ends] : cases) {
        for (std::uint32_t m : {4096u, 1001u, 16384u}) {
            CWindowFunction<float> window;
            std::vector<float> b(m);
            window.generate(type, b.data(), m);
            EXPECT_NEAR(window.getGain(), constant - ends / m, 2e-7) << type << " M = " << m;
        }
    }
    CWindowFunction<float> hann;
    std::vector<float> b(4096, 1.0f);
    hann.apply(qv::kWindowHann, b.data(), 4096);
    EXPECT_NEAR(hann.getGain(), 0.49987793, 1.1e-7);  // 0.5 (M - 1) / M, not 0.5
}

// Apply multiplies by the generated window across type and length changes (down to lengths too
// short to shape: rectangular gives gain 0 there and leaves the buffer alone, a shaped window
// keeps its last gain).
TEST(WindowFunction, ApplyMultipliesByTheGeneratedWindowAcrossTypeAndLengthChanges) {
    CWindowFunction<float> applier, generator;
    qv::test::Noise noise(5);
    const std::pair<qv::enumWindowType, std::uint32_t> sequence[] = {
        {qv::kWindowHann, 4096},          {qv::kWindowHamming, 4096},     {qv::kWindowHamming, 512},
        {qv::kWindowBlackmanHarris, 512}, {qv::kWindowRectangular, 8},    {qv::kWindowHann, 4096},
        {qv::kWindowFlatTop, 70000},      {qv::kWindowRectangular, 5},    {qv::kWindowHann, 4},
    };
    for (const auto& [type, m] : sequence) {
        std::vector<float> signal(m), w(m);
        noise.fill(signal.data(), m);
        std::vector<float> applied = signal;
        applier.apply(type, applied.data(), m);
        generator.generate(type, w.data(), m);
        for (std::uint32_t i = 0; i < m; ++i) ASSERT_EQ(applied[i], signal[i] * w[i]) << type << " " << m << " " << i;
        EXPECT_EQ(applier.getGain(), generator.getGain());
        // The process's shared table (any length) and the values of the own cache are the same.
        CWindowFunction<float> sharing;
        sharing.share(type, m);
        std::vector<float> viaShared = signal;
        sharing.apply(type, viaShared.data(), m);
        EXPECT_TRUE(viaShared == applied && sharing.getGain() == applier.getGain()) << type << " " << m;
        const float* values = applier.values(type, m);
        EXPECT_EQ(values != nullptr, type != qv::kWindowRectangular && m <= CWindowFunction<float>::kDefaultCacheLength);
        EXPECT_TRUE(!values || std::equal(w.begin(), w.end(), values)) << type << " " << m;
        EXPECT_NEAR(w[0], w[m - 1], 1e-6);  // symmetric about the centre
        EXPECT_NEAR(w[m / 3], w[m - 1 - m / 3], 1e-5);
        EXPECT_TRUE(type != qv::kWindowRectangular || (w[0] == 1.0f && generator.getGain() == 1.0f)) << m;
    }
    const float hannGain = generator.getGain();
    std::vector<float> b(8, 3.0f);
    generator.apply(qv::kWindowHamming, b.data(), 1);
    EXPECT_EQ(std::pair(generator.getGain(), b[0]), std::pair(hannGain, 3.0f));
    generator.generate(qv::kWindowRectangular, b.data(), 1);
    EXPECT_EQ(std::pair(generator.getGain(), b[0]), std::pair(0.0f, 3.0f));
}

TEST(FirLowpass, DesignIsASymmetricUnityGainLowPass) {
    qv::CFirLowpass lowpass;
    lowpass.setTaps(4095);
    lowpass.setSampleRate(44100.0f);
    lowpass.setCutoff(1800.0f);
    const bool dirty = lowpass.isDirty();
    lowpass.design();
    ASSERT_EQ(std::pair(dirty, lowpass.isDirty()), std::pair(true, false));
    const float* h = lowpass.getTaps();
    const std::uint32_t c = 2047;
    for (std::uint32_t i = 1; i <= c; ++i) ASSERT_EQ(h[c - i], h[c + i]) << i;
    for (std::uint32_t i = 2 * c + 1; i < lowpass.capacity(); ++i) ASSERT_EQ(h[i], 0.0f) << i;

    // Zero-phase response about the centre: unity gain (the sum of the taps) and flat in the pass
    // band, half amplitude at the cut-off, deep stop band.
    auto response = [&](double hz) {
        double r = 0.0;
        for (std::uint32_t i = 0; i <= 2 * c; ++i)
            r += h[i] * std::cos(2.0 * qv::test::kPi * hz * (static_cast<double>(i) - c) / 44100.0);
        return r;
    };
    for (const auto& [hz, want, tolerance] : {std::tuple(0.0, 1.0, 1e-5), std::tuple(1000.0, 1.0, 1e-3),
                                              std::tuple(1800.0, 0.5, 0.02), std::tuple(2000.0, 0.0, 1e-3),
                                              std::tuple(5000.0, 0.0, 1e-4)})
        EXPECT_NEAR(response(hz), want, tolerance) << hz;

    lowpass.setSampleRate(48000.0f);
    EXPECT_TRUE(lowpass.isDirty());
}

TEST(DenormalGuard, GateThresholdAndNonFiniteSamples) {
    qv::CDenormalGuard<float> guard;  // -180 dB
    EXPECT_FLOAT_EQ(guard.getThreshold(), 1e-9f);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> x = {-1e-8f, 1e-9f, -1e-9f, 0.0f, 1e-40f, nan, inf, -inf, 1.0f, -FLT_MAX, 2e-9f};
    guard.process(x.data(), static_cast<std::uint32_t>(x.size()));
    EXPECT_EQ(x, (std::vector<float>{-1e-8f, 0, 0, 0, 0, 0, 0, 0, 1.0f, -FLT_MAX, 2e-9f}));

    // The one-pass gate against process, a copy and a window applied after it, bit for bit, over
    // vector and tail lengths, out of place (input untouched) and in place.
    for (std::uint32_t n : {0u, 3u, 11u}) {
        std::vector<float> in = {-1e-8f, 1e-9f, -1e-9f, 0.0f, 1e-40f, nan, inf, -inf, 1.0f, -FLT_MAX, 2e-9f}, window(11);
        for (std::uint32_t i = 0; i < 11; ++i) window[i] = 0.1f * static_cast<float>(i) + 0.05f;
        std::vector<float> gated = in, windowed(12, 7.0f), copy(12, 7.0f), out(12, 7.0f), unwindowed(12, 7.0f);
        guard.process(gated.data(), n);
        for (std::uint32_t i = 0; i < n; ++i) windowed[i] = gated[i] * window[i], copy[i] = gated[i];
        std::vector<float> inPlace = in;
        guard.gate(inPlace.data(), inPlace.data(), window.data(), n);
        const std::vector<float> before = in;
        guard.gate(in.data(), out.data(), window.data(), n);
        guard.gate(in.data(), unwindowed.data(), nullptr, n);
        auto bits = [n](const std::vector<float>& v) {
            std::vector<std::uint32_t> b;
            for (std::uint32_t i = 0; i < n; ++i) b.push_back(std::bit_cast<std::uint32_t>(v[i]));
            return b;
        };
        EXPECT_EQ(bits(out), bits(windowed)) << n;
        EXPECT_EQ(bits(inPlace), bits(windowed)) << n;
        EXPECT_EQ(bits(unwindowed), bits(copy)) << n;
        EXPECT_EQ(out[n], 7.0f);  // nothing written past the samples
        EXPECT_EQ(bits(in), bits(before)) << n;
    }

    guard.setThresholdDb(-60.0f);  // 1e-3
    std::vector<float> y = {0.0011f, -0.001f, 0.0009f, -0.5f, 0.001f};
    guard.process(y.data(), 5);
    EXPECT_EQ(y, (std::vector<float>{0.0011f, 0.0f, 0.0f, -0.5f, 0.0f}));
}

}  // namespace
