#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/real_fft.h"
#include "signals.h"

namespace {

using qv::CRdftEngine;
using qv::CRealFft;
using qv::test::Noise;

constexpr double kEps = 1.1920928955078125e-7;  // float epsilon

// The kernel sets this processor runs: scalar, SSE2 and, where present, AVX2+FMA.
std::vector<qv::enumRdftKernels> kernelSets() {
    std::vector<qv::enumRdftKernels> sets{qv::kRdftKernelsScalar, qv::kRdftKernelsSse2};
    if (CRdftEngine<float>::processorHasAvx2()) sets.push_back(qv::kRdftKernelsBest);
    return sets;
}

std::string describe(qv::enumRdftKernels set, std::uint32_t n) {
    return "kernels " + std::to_string(set) + ", N = " + std::to_string(n);
}

// Packed value pair of bin k (the two real bins carry no imaginary part).
void packedBin(const std::vector<float>& y, std::size_t k, double& re, double& im) {
    const std::size_t n = y.size();
    if (k == 0) re = y[0], im = 0.0;
    else if (k == n / 2) re = y[1], im = 0.0;
    else re = y[2 * k], im = y[2 * k + 1];
}

// Bins checked against the direct DFT: all of them up to 2048 points, beyond that the edges and
// a spread of others (the direct sum costs N per bin).
std::vector<std::size_t> binsToCheck(std::size_t n) {
    std::vector<std::size_t> bins;
    if (n <= 2048) {
        for (std::size_t k = 0; k <= n / 2; ++k) bins.push_back(k);
        return bins;
    }
    for (std::size_t k : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3}, n / 4 - 1, n / 4, n / 4 + 1,
                          n / 2 - 3, n / 2 - 2, n / 2 - 1, n / 2})
        bins.push_back(k);
    for (std::size_t k = 5; k < n / 2; k += n / 2 / 29 + 3) bins.push_back(k);
    return bins;
}

TEST(RealFft, ForwardMatchesDirectDftAtEverySizeAndKernelSet) {
    for (std::uint32_t n = 8; n <= 65536; n *= 2) {
        std::vector<float> x(n);
        Noise(n).fill(x.data(), n);
        const qv::test::ReferenceDft reference(x);
        double norm = 0.0;
        for (float v : x) norm += static_cast<double>(v) * v;
        norm = std::sqrt(norm);
        // Rounding error of a radix-2^k FFT grows with log2 N.
        const double bound = kEps * std::log2(static_cast<double>(n)) * norm;
        const std::vector<std::size_t> bins = binsToCheck(n);
        std::vector<double> refRe(bins.size()), refIm(bins.size());
        for (std::size_t i = 0; i < bins.size(); ++i) reference.bin(bins[i], refRe[i], refIm[i]);

        for (qv::enumRdftKernels set : kernelSets()) {
            CRealFft fft(n, set);
            std::vector<float> y = x;
            fft.forward(y.data());
            double worst = 0.0;
            for (std::size_t i = 0; i < bins.size(); ++i) {
                double re, im;
                packedBin(y, bins[i], re, im);
                worst = std::max(worst, std::hypot(re - refRe[i], im - refIm[i]));
            }
            EXPECT_LT(worst, bound) << describe(set, n);
        }
    }
}

TEST(RealFft, InverseOfForwardIsHalfSizeTimesSignal) {
    for (std::uint32_t n = 8; n <= 65536; n *= 2) {
        std::vector<float> x(n);
        Noise(n + 1).fill(x.data(), n);
        for (qv::enumRdftKernels set : kernelSets()) {
            CRealFft fft(n, set);
            std::vector<float> y = x;
            fft.forward(y.data());
            fft.inverse(y.data());
            const double half = n / 2.0;
            double worst = 0.0;
            for (std::uint32_t j = 0; j < n; ++j) worst = std::max(worst, std::fabs(y[j] - half * x[j]) / half);
            EXPECT_LT(worst, 2.0 * kEps * std::log2(static_cast<double>(n))) << describe(set, n);
        }
    }
}

TEST(RealFft, PackedLayoutAndSignOfTheSineTerm) {
    for (qv::enumRdftKernels set : kernelSets()) {
        const std::uint32_t n = 1024;
        CRealFft fft(n, set);
        std::vector<float> y(n);
        // sin(2 pi 5 j / N): only I(5) = +N/2 (the sine term has a plus sign).
        for (std::uint32_t j = 0; j < n; ++j) y[j] = static_cast<float>(std::sin(2.0 * qv::test::kPi * 5.0 * j / n));
        fft.forward(y.data());
        for (std::uint32_t i = 0; i < n; ++i) EXPECT_NEAR(y[i], i == 11 ? n / 2.0 : 0.0, 2e-4) << i;
        // cos(2 pi 7 j / N): only R(7) = N/2.
        for (std::uint32_t j = 0; j < n; ++j) y[j] = static_cast<float>(std::cos(2.0 * qv::test::kPi * 7.0 * j / n));
        fft.forward(y.data());
        for (std::uint32_t i = 0; i < n; ++i) EXPECT_NEAR(y[i], i == 14 ? n / 2.0 : 0.0, 2e-4) << i;
        // A constant lands in value 0, the alternating sequence (half the rate) in value 1.
        for (std::uint32_t j = 0; j < n; ++j) y[j] = 0.25f + ((j & 1) ? -1.0f : 1.0f);
        fft.forward(y.data());
        EXPECT_FLOAT_EQ(y[0], 0.25f * n);
        EXPECT_FLOAT_EQ(y[1], static_cast<float>(n));
        for (std::uint32_t i = 2; i < n; ++i) EXPECT_NEAR(y[i], 0.0, 1e-3) << i;
    }
}

TEST(RealFft, WritesExactlyItsBlockAtAnyAlignment) {
    const float sentinel = 12345.0f;
    for (std::uint32_t n : {8u, 64u, 512u, 4096u}) {
        for (qv::enumRdftKernels set : kernelSets()) {
            CRealFft fft(n, set);
            std::vector<float> x(n);
            Noise(7).fill(x.data(), n);
            std::vector<float> aligned = x;
            fft.forward(aligned.data());
            for (std::size_t offset = 1; offset < 4; ++offset) {
                std::vector<float> buffer(n + 16, sentinel);
                std::memcpy(buffer.data() + offset, x.data(), n * sizeof(float));
                fft.forward(buffer.data() + offset);
                for (std::uint32_t i = 0; i < n; ++i) ASSERT_EQ(buffer[offset + i], aligned[i]) << describe(set, n);
                fft.inverse(buffer.data() + offset);
                for (std::size_t i = 0; i < offset; ++i) EXPECT_EQ(buffer[i], sentinel);
                for (std::size_t i = offset + n; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], sentinel);
            }
        }
    }
}

TEST(RealFft, ScalingAppliesToTheChosenDirection) {
    const std::uint32_t n = 256;
    std::vector<float> x(n);
    Noise(3).fill(x.data(), n);

    CRealFft scaledForward(n);
    scaledForward.setForwardScaling(true);
    scaledForward.setScale(2.0f / n);
    std::vector<float> y = x;
    scaledForward.forward(y.data());
    scaledForward.inverse(y.data());  // inverse scaling off: N/2 times (2/N) times x
    for (std::uint32_t j = 0; j < n; ++j) EXPECT_NEAR(y[j], x[j], 1e-5);

    CRealFft scaledInverse(n);
    scaledInverse.setInverseScaling(true);
    scaledInverse.setScale(2.0f / n);
    y = x;
    scaledInverse.forward(y.data());
    scaledInverse.inverse(y.data());
    for (std::uint32_t j = 0; j < n; ++j) EXPECT_NEAR(y[j], x[j], 1e-5);
}

TEST(RealFft, UnsupportedSizesLeaveTheBufferAlone) {
    for (std::uint32_t n : {0u, 4u, 3000u, 131072u}) {
        CRealFft fft(n);
        EXPECT_FALSE(fft.isValid());
        std::vector<float> y(64, 1.5f);
        fft.forward(y.data());
        fft.inverse(y.data());
        for (float v : y) EXPECT_EQ(v, 1.5f);
    }
}

TEST(MultiplySpectra, ProductOfSpectraIsCircularConvolution) {
    const std::uint32_t n = 64;
    std::vector<float> a(n), b(n);
    Noise(11).fill(a.data(), n);
    Noise(12).fill(b.data(), n);
    std::vector<double> expected(n, 0.0);
    for (std::uint32_t i = 0; i < n; ++i)
        for (std::uint32_t j = 0; j < n; ++j) expected[(i + j) % n] += static_cast<double>(a[i]) * b[j];

    CRealFft fft(n);
    fft.forward(a.data());
    fft.forward(b.data());
    qv::multiplySpectra(a.data(), b.data(), n);
    fft.inverse(a.data(), 2.0f / n);
    for (std::uint32_t i = 0; i < n; ++i) EXPECT_NEAR(a[i], expected[i], 1e-5) << i;
}

}  // namespace
