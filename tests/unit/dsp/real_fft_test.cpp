#include <complex>

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

// Bins checked against the direct DFT: all of them up to 2048 points, beyond that the edges and
// a spread of others (the direct sum costs N per bin).
std::vector<std::size_t> binsToCheck(std::size_t n) {
    std::vector<std::size_t> bins;
    for (std::size_t k = 0; k <= n / 2; k += n <= 2048 ? 1 : n / 2 / 29 + 3) bins.push_back(k);
    if (n > 2048) bins.insert(bins.end(), {1, 2, 3, n / 4 - 1, n / 4, n / 4 + 1, n / 2 - 3, n / 2 - 2, n / 2 - 1, n / 2});
    return bins;
}

// Direct DFT of real x at the given bins in the packed convention: R(k) = sum x cos(2 pi jk/N),
// I(k) = sum x sin(2 pi jk/N).
std::vector<std::complex<double>> referenceBins(const std::vector<float>& x, const std::vector<std::size_t>& bins) {
    const auto n = x.size();
    std::vector<std::complex<double>> turns(n), out(bins.size());  // turns[j] = e^(2 pi i j / N)
    for (std::size_t j = 0; j < n; ++j) turns[j] = std::polar(1.0, 2.0 * qv::test::kPi * j / static_cast<double>(n));
    for (std::size_t i = 0; i < bins.size(); ++i)
        for (std::size_t j = 0, angle = 0; j < n; ++j, angle = (angle + bins[i]) % n)  // angle = j k mod N
            out[i] += static_cast<double>(x[j]) * turns[angle];
    return out;
}

// The direct DFT pins the packed layout, the sign of the sine term and the scaling; the buffer
// sits at every offset from a 16-byte boundary, and the values around it must stay untouched.
// Signals of N/2 or N/4 samples followed by zeros go in with the zeros unwritten (not a number
// there): the transform must not read them.
TEST(RealFft, ForwardAndInverseMatchTheDirectDftAtEverySizeKernelSetAndAlignment) {
    const float sentinel = 12345.0f;
    for (std::uint32_t n = 8; n <= 65536; n *= 2) {
        for (std::uint32_t filled : {n, n / 2, n / 4}) {
            std::vector<float> x(n);
            Noise(n).fill(x.data(), filled);
            double norm = 0.0;
            for (float v : x) norm += static_cast<double>(v) * v;
            // Rounding error of a radix-2^k FFT grows with log2 N.
            const double bound = kEps * std::log2(static_cast<double>(n)) * std::sqrt(norm);
            const std::vector<std::size_t> bins = binsToCheck(n);
            const auto reference = referenceBins(x, bins);

            for (qv::enumRdftKernels set : kernelSets()) {
                CRealFft fft(n, set);
                for (std::size_t shift : {0, 1, 3}) {
                    std::vector<float> buffer(n + 8, sentinel);
                    float* y = buffer.data() + shift;
                    std::memcpy(y, x.data(), n * sizeof(float));
                    std::fill(y + filled, y + n, std::numeric_limits<float>::quiet_NaN());
                    const float scale = shift == 3 ? 0.5f : 1.0f;
                    filled < n ? fft.forward(y, scale, filled) : scale == 1.0f ? fft.forward(y) : fft.forward(y, scale);
                    double worst = 0.0;
                    for (std::size_t i = 0; i < bins.size(); ++i) {
                        const std::size_t k = bins[i];
                        const double re = k == 0 ? y[0] : k == n / 2 ? y[1] : y[2 * k];
                        const double im = k == 0 || k == n / 2 ? 0.0 : y[2 * k + 1];
                        worst =
                            std::max(worst, std::abs(std::complex(re, im) / static_cast<double>(scale) - reference[i]));
                    }
                    EXPECT_LT(worst, bound)
                        << "kernels " << set << ", N = " << n << ", " << filled << " filled, offset " << shift;
                    // Back again: N/2 times the signal (times the scale of each direction).
                    fft.inverse(y, 2.0f / (static_cast<float>(n) * scale));
                    double error = 0.0;
                    for (std::uint32_t j = 0; j < n; ++j)
                        error = std::max(error, static_cast<double>(std::fabs(y[j] - x[j])));
                    EXPECT_LT(error, 4.0 * kEps * std::log2(static_cast<double>(n)))
                        << "kernels " << set << ", N = " << n;
                    for (std::size_t i = 0; i < buffer.size(); ++i)
                        ASSERT_TRUE((i >= shift && i < shift + n) || buffer[i] == sentinel) << i;
                }
            }
        }
    }
    // The switches apply the set scale to the chosen direction only.
    CRealFft fft(256);
    fft.setInverseScaling(true);
    fft.setScale(2.0f / 256);
    std::vector<float> y(256);
    Noise(3).fill(y.data(), 256);
    const std::vector<float> x = y;
    fft.forward(y.data());
    fft.inverse(y.data());
    for (std::uint32_t j = 0; j < 256; ++j) EXPECT_NEAR(y[j], x[j], 1e-5);
}

TEST(RealFft, UnsupportedSizesLeaveTheBufferAlone) {
    for (std::uint32_t n : {0u, 4u, 3000u, 131072u}) {
        CRealFft fft(n);
        std::vector<float> y(64, 1.5f);
        fft.forward(y.data()), fft.inverse(y.data());
        EXPECT_EQ(std::pair(fft.isValid(), y), std::pair(false, std::vector<float>(64, 1.5f))) << n;
    }
}

// The fold of a product: every 8th value, from c on, of the circular convolution the product's
// inverse is; and bit for bit the fold of the product written out bin by bin first.
TEST(FoldProduct, InverseIsEveryEighthValueOfTheConvolutionAndEqualsFoldingTheWrittenProduct) {
    for (std::uint32_t n : {16u, 32u, 64u, 8192u})
        for (std::uint32_t c : {0u, 3u, 7u}) {
            std::vector<float> a(n), b(n), folded(n / 8), plain(n / 8);
            Noise(n + c).fill(a.data(), n);
            Noise(n + c + 100).fill(b.data(), n);
            std::vector<double> convolution(n, 0.0);
            if (n <= 64)
                for (std::uint32_t i = 0; i < n; ++i)
                    for (std::uint32_t j = 0; j < n; ++j) convolution[(i + j) % n] += static_cast<double>(a[i]) * b[j];
            CRealFft fft(n);
            fft.forward(a.data());
            fft.forward(b.data());
            qv::shiftSpectrum(b.data(), n, c);
            qv::foldProduct(a.data(), b.data(), n, folded.data());

            // The product bin by bin (reals at 0 and half the rate), then the eight copies added
            // in the order the fold adds them.
            std::vector<float> p(n);
            p[0] = a[0] * b[0], p[1] = a[1] * b[1];
            for (std::uint32_t k = 1; k < n / 2; ++k) {
                p[2 * k] = a[2 * k] * b[2 * k] - a[2 * k + 1] * b[2 * k + 1];
                p[2 * k + 1] = a[2 * k] * b[2 * k + 1] + a[2 * k + 1] * b[2 * k];
            }
            const std::uint32_t m = n / 8;
            auto re = [&](std::uint32_t k) { return k == 0 ? p[0] : k == n / 2 ? p[1] : p[2 * k]; };
            plain[0] = p[0] + p[1] + 2.0f * (re(m) + re(2 * m) + re(3 * m));
            plain[1] = 2.0f * (re(m / 2) + re(3 * m / 2) + re(5 * m / 2) + re(7 * m / 2));
            for (std::uint32_t q = 1; q < m / 2; ++q) {
                float sumRe = p[2 * q] + p[2 * (m - q)], sumIm = p[2 * q + 1] - p[2 * (m - q) + 1];
                for (std::uint32_t r = 1; r < 4; ++r) {
                    sumRe += p[2 * (q + m * r)] + p[2 * (m - q + m * r)];
                    sumIm += p[2 * (q + m * r) + 1] - p[2 * (m - q + m * r) + 1];
                }
                plain[2 * q] = sumRe, plain[2 * q + 1] = sumIm;
            }
            ASSERT_EQ(std::memcmp(folded.data(), plain.data(), sizeof(float) * m), 0) << n << " " << c;

            if (n > 64) continue;
            CRdftEngine<float>(n / 8).inverse(folded.data(), 2.0f / n);
            for (std::uint32_t i = 0; i < m; ++i) ASSERT_NEAR(folded[i], convolution[8 * i + c], 1e-4) << n << " " << c << " " << i;
        }
}

}  // namespace
