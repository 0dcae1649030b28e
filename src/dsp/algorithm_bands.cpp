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

void CAlgorithm::analyzeBands(const float* block, BandLevelRecord* out, float sampleRate) {
    const std::uint32_t n = m_bandFftSize.load(std::memory_order_acquire);
    CRealFft* fft = nullptr;
    for (const auto& t : m_bandTransforms)
        if (t->getSize() == n) fft = t.get();
    CScratchPool* pool = nullptr;
    for (const auto& p : m_bandScratchPools)
        if (p->floats() == n) pool = p.get();
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

    // The samples pass the gate into a borrowed scratch area, where the windowed spectrum is
    // transformed and its bands summed; then (HiRes) the low path gates the samples again into
    // the same area and works there. The transforms take the values past the samples as zero,
    // unread.
    const CScratchLease scratch(pool, m_bandScratch.data());
    float* spectrum = scratch.get();
    const float* window = m_bandWindow.values(kWindowHann, h);
    m_guard.gate(block, spectrum, window, h);
    if (!window) m_bandWindow.apply(kWindowHann, spectrum, h);
    const double windowSum = static_cast<double>(h) * m_bandWindow.getGain();
    fft->forward(spectrum, windowSum > 0.0 ? static_cast<float>(1.0 / windowSum) : 1.0f, h);

    double level[kBandCount];
    for (std::uint32_t b = 0; b < kBandCount; ++b) {
        const std::uint32_t lo = binAt(static_cast<float>(n) * m_bands[b].lower / fs);
        const std::uint32_t hi = binAt(static_cast<float>(n) * m_bands[b].upper / fs);
        // Bins stop at half the rate; a band that starts there or above has nothing to read.
        level[b] = lo < half ? meanPowerRoot(spectrum, n, lo, std::min(hi, half)) : 0.0;
    }

    if (hiRes) {
        double low[kBandCount] = {};
        float* raw = spectrum;
        m_guard.gate(block, raw, nullptr, h);
        analyzeLowBands(n, fs, *fft, raw, low);
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
}

void CAlgorithm::analyzeLowBands(std::uint32_t n, float fs, CRealFft& fft, float* raw, double* low) {
    const std::uint32_t h = n / 2;
    const std::uint32_t half = n / 2;
    const std::uint32_t taps = h - 1;
    // The decimation keeps the filtered values at a + 4 + 8 j (a: the filter's delay), which sit
    // at c + 8 m in each block's filter output.
    const std::uint32_t a = (taps - 1) / 2;
    const std::uint32_t c = (a + kPhase) % kDecimation;
    m_lowpass.setSampleRate(fs);
    m_lowpass.setCutoff(kLowpassCutoff);
    m_lowpass.setTaps(taps);
    if (m_lowpass.isDirty()) {
        // The history was filtered for another rate or size: it goes with the old design.
        m_lowpass.design();
        clearHistory();
        // The kernel's spectrum, shifted for the kept positions: the process's copy for this size
        // and rate (computed here if no instance has it yet), else the instance's own.
        auto fill = [&](float* kernel) {
            std::fill(kernel, kernel + n, 0.0f);
            std::copy(m_lowpass.getTaps(), m_lowpass.getTaps() + taps, kernel);
            fft.forward(kernel, 1.0f);
            shiftSpectrum(kernel, n, c);
        };
        releaseKernel();
        for (const auto& set : m_kernelSets)
            if (set->size() == n) m_kernelSet = set.get();
        m_kernel = m_kernelSet ? m_kernelSet->acquire(fs, fill) : nullptr;
        if (!m_kernel) {
            m_kernelSet = nullptr;
            fill(m_kernelSpectrum.data());
            m_kernel = m_kernelSpectrum.data();
        }
    }
    // At Nb = 8 the decimated span is two values, which the Hann window zeroes: nothing to add.
    CRdftEngine<float>* fold = nullptr;
    for (const auto& t : m_foldTransforms)
        if (t->size() == n / kDecimation) fold = t.get();
    if (!fold) return;

    // Filter the block: the product of the spectra times 4/N, back at the kept positions only
    // (the first N - 2 values of the whole inverse are the linear convolution of the h samples
    // with the taps; w[m] is its value at c + 8 m).
    float* w = m_folded.data();
    fft.forward(raw, 1.0f, h);
    foldProduct(raw, m_kernel, n, w);
    fold->inverse(w, 4.0f / static_cast<float>(n));

    // Overlap-add into the history of the last four blocks, delay-compensated by a samples. Only
    // the samples the decimation reads (positions 4, 12, 20, ...) are kept: entry j holds
    // position 4 + 8 j, with the sums a full-rate history would hold there.
    float* history = m_overlap.data();
    // Writes (or adds) the filter output from..to - 1 at positions shift + from .. shift + to - 1.
    auto place = [history, w, c](std::int64_t shift, std::uint32_t from, std::uint32_t to, bool add) {
        std::uint32_t i = from + (c + kDecimation - from % kDecimation) % kDecimation;
        float* out = history + (shift + i - kPhase) / kDecimation;
        for (; i < to; i += kDecimation, ++out) *out = add ? *out + w[i / kDecimation] : w[i / kDecimation];
    };
    const std::int64_t delay = a;
    if (m_blockCount == 0) {
        place(-delay, a, 2 * a + h, false);
        m_blockCount = 1;
    } else if (m_blockCount < kHistoryBlocks) {
        place(m_blockCount * h - delay, 0, n - 2, true);
        ++m_blockCount;
    } else {
        // Positions move down by h: entries by h / 8.
        std::memmove(history, history + h / kDecimation, sizeof(float) * ((3 * h + a) / kDecimation + 1));
        place(3 * h - delay, 0, 2 * a, true);
        place(3 * h - delay, 2 * a, 2 * a + h, false);
    }

    // Decimate by 8 into the unwindowed copy (free now): D = N/4 values at fs/8, Hann-windowed over
    // the blocks seen so far; the transform takes the rest as zero.
    float* decimated = raw;
    const std::uint32_t d = n / 4;
    const float* window = m_blockCount < kHistoryBlocks ? nullptr : m_decimatedWindow.values(kWindowHann, d);
    if (window) {
        for (std::uint32_t i = 0; i < d; ++i) decimated[i] = history[i] * window[i];
    } else {
        std::copy(history, history + d, decimated);
        std::uint32_t count = d;
        if (m_blockCount < kHistoryBlocks) {
            count = d * m_blockCount / kHistoryBlocks;
            std::fill(decimated + count, decimated + std::min(count + a, d), 0.0f);
        }
        if (count < 2) return;  // the smallest sizes: no span to analyse yet
        m_decimatedWindow.apply(kWindowHann, decimated, count);
    }
    const double windowSum = static_cast<double>(d) * m_decimatedWindow.getGain();
    fft.forward(decimated, windowSum > 0.0 ? static_cast<float>(1.0 / windowSum) : 1.0f, d);

    // Bins of the decimated spectrum are 8 times narrower; the path reaches the cut-off.
    auto lowBin = [&](float hz) { return binAt(static_cast<float>(n) * hz * kDecimation / fs); };
    const std::uint32_t limit = std::min(lowBin(kLowpassCutoff), half);
    for (std::uint32_t b = 0; b < kBandCount; ++b) {
        const std::uint32_t lo = lowBin(m_bands[b].lower);
        if (lo >= limit) break;
        const std::uint32_t hi = std::min(lowBin(m_bands[b].upper), half);
        low[b] = meanPowerRoot(decimated, n, lo, hi);
    }
}

}  // namespace qv
