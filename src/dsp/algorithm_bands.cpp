// CAlgorithm: the third-octave band measurement and its HiRes low-frequency path.
#include <algorithm>
#include <cstring>

#include "dsp/algorithm.h"
#include "dsp/spectrum_math.h"

namespace qv {

namespace {

constexpr float kLowpassCutoff = 1800.0f;  // Hz, anti-alias filter of the decimated path
constexpr std::uint32_t kDecimation = 8;
constexpr std::uint32_t kPhase = kDecimation / 2;  // the position within 8 the decimation keeps
constexpr std::uint32_t kHistoryBlocks = 4;  // band blocks the decimated path spans

// Bin index of a product N * f / fs (truncated), kept within range for absurd rates.
std::uint32_t binAt(float position) {
    return static_cast<std::uint32_t>(std::min(std::max(position, 0.0f), 2.0e9f));
}

}  // namespace

void CAlgorithm::analyzeBands(float* block, BandLevelRecord* out, float sampleRate) {
    const std::uint32_t n = m_bandFftSize.load(std::memory_order_acquire);
    CRealFft* fft = nullptr;
    for (const auto& t : m_bandTransforms)
        if (t->getSize() == n) fft = t.get();
    if (!fft || !block || !out) return;
    const std::uint32_t h = n / 2;
    const std::uint32_t half = n / 2;  // highest bin: half the sample rate
    const float fs = usableSampleRate(sampleRate);

    if (m_historyResetPending.exchange(false, std::memory_order_acq_rel)) clearHistory();
    const std::uint32_t eco = m_ecoMode.load(std::memory_order_relaxed);
    if (eco != m_lastEcoMode) {
        m_lastEcoMode = eco;
        clearHistory();
    }
    const bool hiRes = eco == 0;

    // The whole block enters the transforms, so all of it passes the gate.
    m_guard.process(block, n);
    if (hiRes) std::copy(block, block + n, m_rawCopy.begin());
    m_bandWindow.apply(kWindowHann, block, h);
    const double windowSum = static_cast<double>(h) * m_bandWindow.getGain();
    fft->forward(block, windowSum > 0.0 ? static_cast<float>(1.0 / windowSum) : 1.0f);

    double low[kBandCount] = {};
    if (hiRes) analyzeLowBands(n, fs, *fft, low);

    packedPower(block, n, m_power.data());
    double level[kBandCount];
    for (std::uint32_t b = 0; b < kBandCount; ++b) {
        const std::uint32_t lo = binAt(static_cast<float>(n) * m_bands[b].lower / fs);
        const std::uint32_t hi = binAt(static_cast<float>(n) * m_bands[b].upper / fs);
        // Bins stop at half the rate; a band that starts there or above has nothing to read.
        level[b] = lo < half ? meanPowerRoot(m_power.data(), lo, std::min(hi, half)) : 0.0;
    }

    if (hiRes) {
        // 20..100 Hz from the decimated path alone; 125 Hz..1 kHz fade over nine steps to the
        // main path (1 kHz is the main value).
        for (std::uint32_t b = 0; b < 8; ++b) level[b] = low[b];
        for (std::uint32_t b = 8; b < 17; ++b)
            level[b] = ((17.0 - b) / 9.0) * low[b] + ((b - 8.0) / 9.0) * level[b];
    }

    for (std::uint32_t b = 0; b < kBandCount; ++b) {
        const float v = levelToDecibels(level[b], kLevelFloor, kLevelCeiling);
        out->peaks[b] = v;
        out->levels[b] = v;
    }
    std::fill(block, block + n, 0.0f);
}

void CAlgorithm::analyzeLowBands(std::uint32_t n, float fs, CRealFft& fft, double* low) {
    const std::uint32_t h = n / 2;
    const std::uint32_t half = n / 2;
    const std::uint32_t taps = h - 1;
    float* kernel = m_kernelSpectrum.data();
    m_lowpass.setSampleRate(fs);
    m_lowpass.setCutoff(kLowpassCutoff);
    m_lowpass.setTaps(taps);
    if (m_lowpass.isDirty()) {
        // The history was filtered for another rate or size: it goes with the old design.
        m_lowpass.design();
        clearHistory();
        std::fill(kernel, kernel + n, 0.0f);
        std::copy(m_lowpass.getTaps(), m_lowpass.getTaps() + taps, kernel);
        fft.forward(kernel, 1.0f);
    }

    // Filter the block: the product of the spectra, back, times 4/N. The first N - 2 values are
    // the linear convolution of the h samples with the taps.
    float* raw = m_rawCopy.data();
    fft.forward(raw, 1.0f);
    multiplySpectra(raw, kernel, n);
    fft.inverse(raw, 4.0f / static_cast<float>(n));

    // Overlap-add into the history of the last four blocks, delay-compensated by a samples. Only
    // the samples the decimation reads (positions 4, 12, 20, ...) are kept: entry j holds
    // position 4 + 8 j, with the sums a full-rate history would hold there.
    const std::uint32_t a = (taps - 1) / 2;
    float* history = m_overlap.data();
    // Writes (or adds) src[i] at position at + i for i < length, for the positions kept.
    auto place = [history](std::uint32_t at, const float* src, std::uint32_t length, bool add) {
        const std::uint32_t first = (kPhase - at % kDecimation + kDecimation) % kDecimation;
        float* out = history + (at + first - kPhase) / kDecimation;
        for (std::uint32_t i = first; i < length; i += kDecimation, ++out) *out = add ? *out + src[i] : src[i];
    };
    if (m_blockCount == 0) {
        place(0, raw + a, a + h, false);
        m_blockCount = 1;
    } else if (m_blockCount < kHistoryBlocks) {
        place(m_blockCount * h - a, raw, n - 2, true);
        ++m_blockCount;
    } else {
        // Positions move down by h: entries by h / 8. (At Nb = 8, h = 4 is no whole entry, but there
        // the decimated span is two values, which the Hann window zeroes: nothing reads the history.)
        std::memmove(history, history + h / kDecimation, sizeof(float) * ((3 * h + a) / kDecimation + 1));
        place(3 * h - a, raw, 2 * a, true);
        place(3 * h + a, raw + 2 * a, h, false);
    }

    // Decimate by 8: D = N/4 values at fs/8, Hann-windowed over the blocks seen so far.
    float* decimated = m_decimated.data();
    const std::uint32_t d = n / 4;
    std::copy(history, history + d, decimated);
    std::fill(decimated + d, decimated + n, 0.0f);
    std::uint32_t count = d;
    if (m_blockCount < kHistoryBlocks) {
        count = d * m_blockCount / kHistoryBlocks;
        std::fill(decimated + count, decimated + std::min(count + a, n), 0.0f);
    }
    if (count < 2) return;  // the smallest sizes: no span to analyse yet
    m_decimatedWindow.apply(kWindowHann, decimated, count);
    const double windowSum = static_cast<double>(d) * m_decimatedWindow.getGain();
    fft.forward(decimated, windowSum > 0.0 ? static_cast<float>(1.0 / windowSum) : 1.0f);
    packedPower(decimated, n, m_power.data());

    // Bins of the decimated spectrum are 8 times narrower; the path reaches the cut-off.
    auto lowBin = [&](float hz) { return binAt(static_cast<float>(n) * hz * kDecimation / fs); };
    const std::uint32_t limit = std::min(lowBin(kLowpassCutoff), half);
    for (std::uint32_t b = 0; b < kBandCount; ++b) {
        const std::uint32_t lo = lowBin(m_bands[b].lower);
        if (lo >= limit) break;
        const std::uint32_t hi = std::min(lowBin(m_bands[b].upper), half);
        low[b] = meanPowerRoot(m_power.data(), lo, hi);
    }
}

}  // namespace qv
