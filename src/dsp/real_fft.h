// One real FFT of a fixed size with optional output scaling, and the product of two packed
// spectra. Packed format and scaling conventions: see dsp/rdft_engine.h.
#pragma once

#include <cstdint>
#include <memory>

#include "dsp/rdft_engine.h"

namespace qv {

class CRealFft {
public:
    static constexpr std::uint32_t kMinSize = 8;
    static constexpr std::uint32_t kMaxSize = 65536;

    // A size that is not a power of two from 8 to 65536 gives an object whose transforms do nothing.
    explicit CRealFft(std::uint32_t size, enumRdftKernels kernels = kRdftKernelsBest);

    static bool isSupportedSize(std::uint32_t size);
    bool isValid() const { return m_engine != nullptr; }
    std::uint32_t getSize() const { return m_size; }

    void setForwardScaling(bool on) { m_forwardScaling = on; }
    void setInverseScaling(bool on) { m_inverseScaling = on; }
    void setScale(float scale) { m_scale = scale; }

    // Packed forward transform in place; times the scale when forward scaling is on.
    void forward(float* b);
    // Inverse of the packed format in place (N/2 times the signal); times the scale when
    // inverse scaling is on.
    void inverse(float* b);

    // The same with the scale given by the call; the stored scaling settings are not used.
    void forward(float* b, float scale);
    // The forward transform of b[0..filled) followed by zeros; at filled = N/4 or N/2 the values
    // b[filled..N) are not read and may hold anything.
    void forward(float* b, float scale, std::uint32_t filled);
    void inverse(float* b, float scale);

private:
    std::uint32_t m_size;
    bool m_forwardScaling = false;
    bool m_inverseScaling = false;
    float m_scale = 1.0f;
    std::unique_ptr<CRdftEngine<float>> m_engine;
};

// Every 8th value of an inverse transform without the whole inverse. With a packed spectrum of
// size n (n >= 16) multiplied by the shift e^(-2 pi i c k / n) (shiftSpectrum), foldProduct
// writes the packed spectrum of size n/8 whose inverse (at size n/8, scale s) holds, at m, what
// the size-n inverse at scale s holds at 8 m + c: the eight spectral copies that alias onto the
// decimated rate, added. The shift is formed in double, once per design.
// foldProduct folds the product a * b of two packed spectra (a[0] and a[1], 0 Hz and half the
// rate, multiply as reals, every other pair as complex numbers), without writing the product.
void shiftSpectrum(float* spectrum, std::uint32_t n, std::uint32_t c);
void foldProduct(const float* a, const float* b, std::uint32_t n, float* folded);

}  // namespace qv
