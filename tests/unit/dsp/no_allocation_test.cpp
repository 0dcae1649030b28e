// The measurements run on the audio thread and on workers that must not allocate: this test
// executable counts every operator new of the measuring thread while it measures.

#include <cstdlib>
#include <new>

#include "dsp/algorithm.h"
#include "signals.h"

namespace {
thread_local bool t_counting = false;
thread_local int t_allocations = 0;

void* allocate(std::size_t size) {
    if (t_counting) ++t_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(Measurements, NothingAllocatesAfterConstruction) {
    qv::CAlgorithm algorithm;
    algorithm.setBandFftSize(8192);
    std::vector<float> band(8192), spectrum(16384);
    qv::BandLevelRecord bandRecord{};
    auto spectrumRecord = std::make_unique<qv::SpectrumRecord>();
    qv::test::Noise noise(8);

    std::tie(t_counting, t_allocations) = std::pair(true, 0);
    // First HiRes blocks (low-pass design), a full history, a rate change, Eco and back.
    for (int i = 0; i < 8; ++i) {
        noise.fill(band.data(), 4096);
        algorithm.setEcoMode(i == 6 ? 1 : 0);
        algorithm.analyzeBands(band.data(), &bandRecord, i < 5 ? 44100.0f : 48000.0f);
    }
    algorithm.resetBandHistory();
    algorithm.analyzeBands(band.data(), &bandRecord, 48000.0f);
    // Every spectrum size and window.
    for (std::uint32_t n = 512; n <= 16384; n *= 2) {
        for (std::uint32_t type = 0; type < 6; ++type) {
            algorithm.setFftSize(n), algorithm.setWindowType(type);
            noise.fill(spectrum.data(), n);
            algorithm.analyzeSpectrum(spectrum.data(), spectrumRecord.get(), 44100.0f);
        }
    }
    t_counting = false;
    EXPECT_EQ(std::pair(t_allocations, spectrumRecord->count), std::pair(0, 8193u));
}

}  // namespace
