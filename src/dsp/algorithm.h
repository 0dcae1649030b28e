// The analyzer's two measurements of a block of mono audio:
//  - analyzeBands: 31 third-octave band levels in dB (20 Hz .. 20 kHz) from one FFT of size Nb,
//    in HiRes mode with a low-frequency path (FIR low-pass, overlap-add over four blocks,
//    decimation by 8) that resolves the bands up to 1 kHz;
//  - analyzeSpectrum: the FFT power spectrum (N/2 + 1 bins) with a selectable window.
//
// Threads: the two measurements share no mutable state. Each owns its transforms and its window,
// and borrows work areas (and the band path its low-pass spectrum) from the process's pools or
// uses its own, so a band worker and a spectrum worker run them at the same time.
//  - Spectrum configuration (setFftSize, setWindowLength and their getters) is guarded by a lock
//    held only to switch or read the size; analyzeSpectrum runs on one thread at a time.
//  - setWindowType, setEcoMode and resetBandHistory may be called from any thread: they store
//    atomics that the next measurement reads once (a history reset takes effect at the start of
//    the next analyzeBands). analyzeBands runs on one thread at a time.
//  - setBandFftSize allocates the transform and buffers of a band size the first time it is
//    asked for (only the sizes in use take memory): call it before measuring at that size, never
//    while analyzeBands runs.
// The measurements never allocate.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "dsp/denormal_guard.h"
#include "dsp/fir_lowpass.h"
#include "dsp/measurement_records.h"
#include "dsp/real_fft.h"
#include "dsp/shared_kernels.h"
#include "dsp/window_function.h"

namespace qv {

struct ThirdOctaveBand {
    float centre;  // Hz
    float lower;   // Hz
    float upper;   // Hz
};

class CAlgorithm {
public:
    static constexpr std::uint32_t kMinFftSize = 8;
    static constexpr std::uint32_t kMaxBandFftSize = 65536;
    // The largest spectrum a SpectrumRecord holds (8193 bins).
    static constexpr std::uint32_t kMaxSpectrumFftSize = 16384;
    static constexpr std::uint32_t kBandCount = kThirdOctaveBandCount;
    static constexpr float kLevelCeiling = 0.0f;   // dB
    static constexpr float kLevelFloor = -900.0f;  // dB: silence

    // Reports "Not enough memory." (detail "CAlgorithm::CAlgorithm") and throws the integer 0
    // when its buffers cannot be allocated.
    CAlgorithm();
    ~CAlgorithm();
    CAlgorithm(const CAlgorithm&) = delete;
    CAlgorithm& operator=(const CAlgorithm&) = delete;

    // Band set; 1 (the 31 third-octave bands) is the only one.
    void setBandMode(std::uint32_t mode) { m_bandMode.store(mode, std::memory_order_relaxed); }
    // 0 Rectangular, 1 Hann, 2 Hamming, 3 Blackman, 4 Blackman-Harris, 5 Flat Top; others read as Hann.
    void setWindowType(std::uint32_t type) { m_windowType.store(type, std::memory_order_relaxed); }

    // Empties the HiRes overlap history before the next band block.
    void resetBandHistory() { m_historyResetPending.store(true, std::memory_order_release); }

    // Spectrum size N: a power of two from 8 to 16384 selects its transform and sets the window
    // length to N; any other value selects none (size and window length read 0) and the
    // spectrum measurement then writes nothing.
    void setFftSize(std::uint32_t size);
    std::uint32_t getFftSize() const;
    // M: leading samples of a spectrum block that are windowed (at most N are used).
    std::uint32_t getWindowLength() const;
    void setWindowLength(std::uint32_t length);

    // FFT power spectrum of block[0..N): gate, window (gain g over M values), forward transform
    // scaled by 1/(M g), power per bin into out->power[0..N/2], out->count = N/2 + 1 and
    // out->sampleRate = sampleRate; the header is left to the caller. The block is left holding
    // the packed spectrum. Without a selected transform nothing is written.
    void analyzeSpectrum(float* block, SpectrumRecord* out, float sampleRate);
    // The same at the given size (a power of two from 8 to 16384, window length = size), for a
    // block collected at that size whatever the configured size is now; nothing for other sizes.
    void analyzeSpectrum(float* block, std::uint32_t size, SpectrumRecord* out, float sampleRate);

    // Band size Nb: a power of two from 8 to 65536 selects its transform (made on first use),
    // sets the band buffer length to Nb and the band window length to Nb/2; any other value, or
    // a size whose memory cannot be had, selects none and zeroes all three.
    void setBandFftSize(std::uint32_t size);
    std::uint32_t getBandFftSize() const { return m_bandFftSize.load(std::memory_order_acquire); }
    std::uint32_t getBandBufferLength() const { return m_bandBufferLength.load(std::memory_order_relaxed); }
    std::uint32_t getBandWindowLength() const { return m_bandWindowLength.load(std::memory_order_relaxed); }
    void setBandWindowLength(std::uint32_t length) { m_bandWindowLength.store(length, std::memory_order_relaxed); }

    // 0: HiRes (low-frequency path on); anything else: Eco. A change empties the history.
    void setEcoMode(std::uint32_t eco) { m_ecoMode.store(eco, std::memory_order_relaxed); }

    // Band levels of one band block: block[0..Nb/2) holds the newest Nb/2 samples (read only;
    // what follows them is taken as zero and never read). Writes the 31 levels in dB into both
    // out->peaks and out->levels (the header is left to the caller). Without a selected
    // transform nothing happens.
    void analyzeBands(const float* block, BandLevelRecord* out, float sampleRate);

    // Centre and edges of band 0..30; all zero for any other index.
    ThirdOctaveBand getBand(std::uint32_t band) const { return band < kBandCount ? m_bands[band] : ThirdOctaveBand{}; }

private:
    void buildBandTables();
    // Makes the band transform of size and grows the band buffers to it.
    void reserveBandSize(std::uint32_t size);
    void spectrumOf(CRealFft* fft, std::uint32_t n, std::uint32_t windowLength, float* block, SpectrumRecord* out,
                    float sampleRate);
    void clearHistory();
    void releaseKernel();
    // The HiRes low-frequency path: fills low[0..30] with linear band levels from the
    // decimated signal (0 where the path does not reach).
    // raw: the gated block (Nb/2 samples), work space of Nb floats.
    void analyzeLowBands(std::uint32_t fftSize, float sampleRate, CRealFft& fft, float* raw, double* low);

    std::array<ThirdOctaveBand, kBandCount> m_bands{};
    std::atomic<std::uint32_t> m_bandMode{1};
    std::atomic<std::uint32_t> m_windowType{kWindowHann};

    // Spectrum path.
    mutable std::mutex m_lock;  // guards the three fields below
    std::uint32_t m_fftSize = 0;
    std::uint32_t m_windowLength = 0;
    CRealFft* m_spectrumTransform = nullptr;
    std::vector<std::unique_ptr<CRealFft>> m_spectrumTransforms;  // sizes 8 .. 16384
    CWindowFunction<float> m_spectrumWindow{kMaxSpectrumFftSize};

    // Band path.
    std::atomic<std::uint32_t> m_bandFftSize{0};
    std::atomic<std::uint32_t> m_bandBufferLength{0};
    std::atomic<std::uint32_t> m_bandWindowLength{0};
    std::atomic<std::uint32_t> m_ecoMode{0};
    std::atomic<bool> m_historyResetPending{false};
    std::uint32_t m_lastEcoMode = 0;
    std::vector<std::unique_ptr<CRealFft>> m_bandTransforms;  // the sizes asked for so far
    CWindowFunction<float> m_bandWindow{kMaxBandFftSize / 2};
    CWindowFunction<float> m_decimatedWindow{kMaxBandFftSize / 4};
    CFirLowpass m_lowpass;
    std::vector<std::shared_ptr<CSharedKernels>> m_kernelSets;  // per band size, shared in the process
    CSharedKernels* m_kernelSet = nullptr;                      // the set m_kernel was taken from
    const float* m_kernel = nullptr;  // the low-pass spectrum in use: shared, or m_kernelSpectrum
    std::vector<float> m_kernelSpectrum;
    std::vector<std::shared_ptr<CScratchPool>> m_bandScratchPools;  // Nb floats per band size
    std::vector<float> m_bandScratch;  // the same, when every pooled area is taken
    std::vector<float> m_overlap;  // the filtered history at the positions the decimation reads
    std::vector<std::unique_ptr<CRdftEngine<float>>> m_foldTransforms;  // size Nb/8 per band size
    std::vector<float> m_folded;  // the block's filter output at the positions the decimation reads
    std::uint32_t m_blockCount = 0;

    CDenormalGuard<float> m_guard{-180.0f};  // stateless while measuring: shared by both paths
};

}  // namespace qv
