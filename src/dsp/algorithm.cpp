// CAlgorithm: construction, configuration, the band table and the spectrum measurement.
// The band measurement is in algorithm_bands.cpp.
#include "dsp/algorithm.h"

#include <algorithm>
#include <new>

#include "dsp/spectrum_math.h"
#include "framework/error_report.h"

namespace qv {

namespace {

// log2 of a power of two from 8 to maxSize, as an index from 0; -1 for any other value.
int transformIndex(std::uint32_t size, std::uint32_t maxSize) {
    if (size < CAlgorithm::kMinFftSize || size > maxSize || (size & (size - 1)) != 0) return -1;
    int index = 0;
    for (std::uint32_t s = CAlgorithm::kMinFftSize; s < size; s *= 2) ++index;
    return index;
}

std::vector<std::unique_ptr<CRealFft>> makeTransforms(std::uint32_t maxSize) {
    std::vector<std::unique_ptr<CRealFft>> transforms;
    for (std::uint32_t size = CAlgorithm::kMinFftSize; size <= maxSize; size *= 2)
        transforms.push_back(std::make_unique<CRealFft>(size));
    return transforms;
}

}  // namespace

CAlgorithm::CAlgorithm() try
    : m_spectrumTransforms(makeTransforms(kMaxSpectrumFftSize)) {
    buildBandTables();
    setBandFftSize(4096);
    setFftSize(4096);
    clearHistory();
} catch (const std::bad_alloc&) {
    reportError(kErrNotEnoughMemory, "Nolvatek: Quorvane", "CAlgorithm::CAlgorithm");
    throw 0;
}

CAlgorithm::~CAlgorithm() { releaseKernel(); }

void CAlgorithm::releaseKernel() {
    if (m_kernelSet) m_kernelSet->release(m_kernel);
    m_kernelSet = nullptr;
    m_kernel = nullptr;
}

void CAlgorithm::buildBandTables() {
    static constexpr float kCentres[kBandCount] = {
        20,   25,   31.5f, 40,   50,   62,   80,   100,  125,   160,   200,   250,   315,   400,   500,  630,
        800,  1000, 1250,  1600, 2000, 2500, 3150, 4000, 5000,  6300,  8000,  10000, 12500, 16000, 20000};
    for (std::uint32_t b = 0; b < kBandCount; ++b) m_bands[b].centre = kCentres[b];
    m_bands[0].lower = 17.5f;
    for (std::uint32_t b = 0; b + 1 < kBandCount; ++b) {
        // Upper edge: the harmonic mean of this centre and the next, in single precision.
        const float next = kCentres[b + 1];
        const float r = next / kCentres[b];
        const float k = (r - 1.0f) / (r + 1.0f);
        m_bands[b].upper = (1.0f - k) * next;
        m_bands[b + 1].lower = m_bands[b].upper;
    }
    m_bands[kBandCount - 1].upper = 20000.0f;
}

void CAlgorithm::clearHistory() {
    std::fill(m_overlap.begin(), m_overlap.end(), 0.0f);
    m_blockCount = 0;
}

void CAlgorithm::setFftSize(std::uint32_t size) {
    const int index = transformIndex(size, kMaxSpectrumFftSize);
    std::lock_guard<std::mutex> guard(m_lock);
    if (index < 0) {
        m_fftSize = m_windowLength = 0;
        m_spectrumTransform = nullptr;
        return;
    }
    m_fftSize = m_windowLength = size;
    m_spectrumTransform = m_spectrumTransforms[static_cast<std::size_t>(index)].get();
}

std::uint32_t CAlgorithm::getFftSize() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_fftSize;
}

std::uint32_t CAlgorithm::getWindowLength() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_windowLength;
}

void CAlgorithm::setWindowLength(std::uint32_t length) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_windowLength = length;
}

void CAlgorithm::setBandFftSize(std::uint32_t size) {
    bool supported = transformIndex(size, kMaxBandFftSize) >= 0;
    if (supported) {
        try {
            reserveBandSize(size);
        } catch (const std::bad_alloc&) {
            supported = false;  // no band measurement rather than no instance
        }
    }
    const std::uint32_t stored = supported ? size : 0;
    m_bandBufferLength.store(stored, std::memory_order_relaxed);
    m_bandWindowLength.store(stored / 2, std::memory_order_relaxed);
    m_bandFftSize.store(stored, std::memory_order_release);
}

void CAlgorithm::reserveBandSize(std::uint32_t size) {
    bool present = false;
    for (const auto& t : m_bandTransforms) present = present || t->getSize() == size;
    if (!present) {
        m_bandTransforms.push_back(std::make_unique<CRealFft>(size));
        if (size >= 16) m_foldTransforms.push_back(std::make_unique<CRdftEngine<float>>(size / 8));
        m_bandScratchPools.push_back(CScratchPool::of(size));
        m_kernelSets.push_back(CSharedKernels::of(size));
    }
    // Buffers grow to the largest size asked for; what they held stays.
    auto grow = [](std::vector<float>& v, std::size_t length) {
        if (v.size() < length) v.resize(length, 0.0f);
    };
    grow(m_kernelSpectrum, size);
    m_lowpass.reserve(size / 2);
    grow(m_bandScratch, size);
    grow(m_overlap, size);  // every 8th value of the last four blocks and the tail to come
    grow(m_folded, size / 8);
    // Every instance measuring at this size reads one copy of the band path's windows.
    m_bandWindow.share(kWindowHann, size / 2);
    m_decimatedWindow.share(kWindowHann, size / 4);
}

void CAlgorithm::analyzeSpectrum(float* block, SpectrumRecord* out, float sampleRate) {
    CRealFft* fft;
    std::uint32_t n, windowLength;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        fft = m_spectrumTransform;
        n = m_fftSize;
        windowLength = std::min(m_windowLength, m_fftSize);
    }
    spectrumOf(fft, n, windowLength, block, out, sampleRate);
}

void CAlgorithm::analyzeSpectrum(float* block, std::uint32_t size, SpectrumRecord* out, float sampleRate) {
    const int index = transformIndex(size, kMaxSpectrumFftSize);
    if (index < 0) return;
    spectrumOf(m_spectrumTransforms[static_cast<std::size_t>(index)].get(), size, size, block, out, sampleRate);
}

void CAlgorithm::spectrumOf(CRealFft* fft, std::uint32_t n, std::uint32_t windowLength, float* block,
                            SpectrumRecord* out, float sampleRate) {
    if (!fft || !block || !out) return;

    // Every sample of the block enters the transform, so all of them pass the gate.
    std::uint32_t type = m_windowType.load(std::memory_order_relaxed);
    if (type >= kWindowTypeCount) type = kWindowHann;
    const auto shape = static_cast<enumWindowType>(type);
    const float* window = windowLength <= n ? m_spectrumWindow.values(shape, windowLength) : nullptr;
    if (window) {
        m_guard.gate(block, block, window, windowLength);
        m_guard.process(block + windowLength, n - windowLength);
    } else {
        m_guard.process(block, n);
        m_spectrumWindow.apply(shape, block, windowLength);
    }
    const double windowSum = static_cast<double>(windowLength) * m_spectrumWindow.getGain();
    fft->forward(block, windowSum > 0.0 ? static_cast<float>(1.0 / windowSum) : 1.0f);

    out->sampleRate = sampleRate;
    out->count = n / 2 + 1;
    packedPower(block, n, out->power);
}

}  // namespace qv
