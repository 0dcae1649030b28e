#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "dsp/algorithm.h"
#include "signals.h"

namespace {

using qv::CAlgorithm;
using qv::SpectrumRecord;
using qv::test::Noise;

std::unique_ptr<SpectrumRecord> blankRecord(unsigned char pattern) {
    auto record = std::make_unique<SpectrumRecord>();
    std::memset(record.get(), pattern, sizeof(SpectrumRecord));
    return record;
}

std::vector<float> binSine(std::uint32_t n, double bin, double amplitude) {
    std::vector<float> x(n);
    for (std::uint32_t j = 0; j < n; ++j)
        x[j] = static_cast<float>(amplitude * std::sin(2.0 * qv::test::kPi * bin * j / n + 0.3));
    return x;
}

// Scaling by the window's sum makes a sine of amplitude A at a bin centre read (A/2)^2 in its
// bin, whichever the window.
TEST(SpectrumMeasurement, SineAtABinCentreHoldsAQuarterWithEveryWindow) {
    CAlgorithm algorithm;
    algorithm.setFftSize(4096);
    ASSERT_EQ(algorithm.getWindowLength(), 4096u);
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 9u}) {  // 9 reads as Hann
        algorithm.setWindowType(type);
        std::vector<float> block = binSine(4096, 100.0, 1.0);
        auto record = blankRecord(0);
        algorithm.analyzeSpectrum(block.data(), record.get(), 44100.0f);
        EXPECT_EQ(record->count, 2049u);
        EXPECT_EQ(record->sampleRate, 44100.0f);
        EXPECT_NEAR(record->power[100], 0.25, 0.25 * 1e-4) << "window " << type;
        for (std::uint32_t k = 0; k <= 2048; ++k) EXPECT_LE(record->power[k], record->power[100]);
        if (type == 0) {
            EXPECT_LT(record->power[101], 1e-10);  // rectangular: no leakage at bin centres
        }
        // The block is left holding the packed spectrum: |X(100)|^2 is the power.
        EXPECT_NEAR(block[200] * block[200] + block[201] * block[201], record->power[100], 1e-6);
    }
}

TEST(SpectrumMeasurement, ZeroHertzAndHalfTheRateUseTheRealValues) {
    CAlgorithm algorithm;
    algorithm.setFftSize(512);
    algorithm.setWindowType(0);
    std::vector<float> block(512);
    for (std::uint32_t j = 0; j < 512; ++j) block[j] = 0.5f + ((j & 1) ? -0.25f : 0.25f);
    auto record = blankRecord(0);
    algorithm.analyzeSpectrum(block.data(), record.get(), 48000.0f);
    EXPECT_EQ(record->count, 257u);
    EXPECT_NEAR(record->power[0], 0.25, 1e-6);
    EXPECT_NEAR(record->power[256], 0.0625, 1e-6);
    EXPECT_LT(record->power[1], 1e-10);
}

TEST(SpectrumMeasurement, UnsupportedSizesSelectNoTransformAndWriteNothing) {
    CAlgorithm algorithm;
    // 32768 and up would not fit the record's 8193 bins.
    for (std::uint32_t size : {3000u, 4u, 0u, 32768u, 65536u}) {
        algorithm.setFftSize(size);
        EXPECT_EQ(algorithm.getFftSize(), 0u) << size;
        EXPECT_EQ(algorithm.getWindowLength(), 0u) << size;
        std::vector<float> block(65536, 0.5f);
        auto record = blankRecord(0xAB);
        const auto untouched = blankRecord(0xAB);
        algorithm.analyzeSpectrum(block.data(), record.get(), 44100.0f);
        EXPECT_EQ(std::memcmp(record.get(), untouched.get(), sizeof(SpectrumRecord)), 0) << size;
        for (float v : block) ASSERT_EQ(v, 0.5f);
    }
    // The largest size fills the record's bins and nothing beyond them.
    algorithm.setFftSize(16384);
    std::vector<float> block(16384);
    Noise(4).fill(block.data(), block.size());
    auto record = blankRecord(0xAB);
    const auto untouched = blankRecord(0xAB);
    algorithm.analyzeSpectrum(block.data(), record.get(), 44100.0f);
    EXPECT_EQ(record->count, 8193u);
    EXPECT_NE(std::memcmp(&record->power[8192], &untouched->power[8192], 4), 0);
    const std::size_t tail = offsetof(SpectrumRecord, power) + 4 * 8193;
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(record.get()) + tail,
                          reinterpret_cast<const char*>(untouched.get()) + tail, sizeof(SpectrumRecord) - tail),
              0);
}

// Non-finite samples measure as zero in both measurements (the band path with and without its
// decimated history); enormous finite ones overflow the arithmetic but still read finite.
TEST(Measurements, NonFiniteSamplesMeasureAsZeroAndHugeOnesStayFinite) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (int eco : {0, 1}) {
        CAlgorithm clean, dirty;
        qv::BandLevelRecord expected{}, record{};
        qv::test::Sine cleanTone(0.5, 440.0, 44100.0), dirtyTone(0.5, 440.0, 44100.0);
        for (CAlgorithm* a : {&clean, &dirty}) {
            a->setBandFftSize(8192);
            a->setEcoMode(eco);
        }
        for (int i = 0; i < 5; ++i) {
            std::vector<float> c(8192, 0.0f), d(8192, 0.0f);
            cleanTone.add(c.data(), 4096);
            dirtyTone.add(d.data(), 4096);
            c[100] = c[2000] = c[2001] = 0.0f;
            d[100] = nan, d[2000] = inf, d[2001] = -inf;
            clean.analyzeBands(c.data(), &expected, 44100.0f);
            dirty.analyzeBands(d.data(), &record, 44100.0f);
            for (std::uint32_t b = 0; b < CAlgorithm::kBandCount; ++b) ASSERT_EQ(record.levels[b], expected.levels[b]) << b;
        }
        for (float amplitude : {1e30f, 3.0e38f}) {
            for (int i = 0; i < 5; ++i) {
                std::vector<float> loud(8192, 0.0f);
                Noise(1).fill(loud.data(), 4096, amplitude);
                clean.analyzeBands(loud.data(), &record, 44100.0f);
                for (float level : record.levels) ASSERT_TRUE(std::isfinite(level) && level <= 0.0f) << level;
            }
        }
    }
    CAlgorithm algorithm;
    algorithm.setFftSize(1024);
    std::vector<float> clean = binSine(1024, 30.0, 0.5);
    std::vector<float> dirty = clean;
    clean[3] = clean[500] = clean[1023] = 0.0f;
    dirty[3] = nan, dirty[500] = inf, dirty[1023] = -inf;
    auto expected = blankRecord(0), record = blankRecord(0);
    algorithm.analyzeSpectrum(clean.data(), expected.get(), 44100.0f);
    algorithm.analyzeSpectrum(dirty.data(), record.get(), 44100.0f);
    for (std::uint32_t k = 0; k <= 512; ++k) EXPECT_EQ(record->power[k], expected->power[k]) << k;
    for (float amplitude : {1e30f, 3.0e38f}) {
        std::vector<float> loud(1024);
        Noise(2).fill(loud.data(), loud.size(), amplitude);
        algorithm.analyzeSpectrum(loud.data(), record.get(), 44100.0f);
        for (std::uint32_t k = 0; k <= 512; ++k) ASSERT_TRUE(std::isfinite(record->power[k])) << k;
    }
}

// The band worker and the spectrum worker of one instance measure at the same time; the
// spectrum sizes 2048 and 8192 are those whose transforms the band path also has. Each path
// must read exactly what it reads when the two run one after the other.
TEST(Measurements, BandsAndSpectraOnTwoThreadsMatchSequentialRuns) {
    constexpr int kBandBlocks = 12, kSpectrumBlocks = 24;
    std::vector<std::vector<float>> bandInputs(kBandBlocks, std::vector<float>(8192, 0.0f));
    std::vector<std::vector<float>> spectrumInputs(kSpectrumBlocks);
    Noise noise(21);
    for (auto& b : bandInputs) noise.fill(b.data(), 4096);
    for (int i = 0; i < kSpectrumBlocks; ++i) {
        spectrumInputs[i].resize(i % 2 ? 8192 : 2048);
        noise.fill(spectrumInputs[i].data(), spectrumInputs[i].size());
    }

    auto runBands = [&](CAlgorithm& a, std::vector<qv::BandLevelRecord>& out) {
        for (int i = 0; i < kBandBlocks; ++i) {
            std::vector<float> block = bandInputs[i];
            a.setEcoMode(0);
            a.analyzeBands(block.data(), &out[i], 44100.0f);
        }
    };
    auto runSpectra = [&](CAlgorithm& a, std::vector<std::unique_ptr<SpectrumRecord>>& out) {
        for (int i = 0; i < kSpectrumBlocks; ++i) {
            std::vector<float> block = spectrumInputs[i];
            a.setFftSize(static_cast<std::uint32_t>(block.size()));
            a.analyzeSpectrum(block.data(), out[i].get(), 44100.0f);
        }
    };
    auto makeRecords = [&] {
        std::vector<std::unique_ptr<SpectrumRecord>> r;
        for (int i = 0; i < kSpectrumBlocks; ++i) r.push_back(blankRecord(0));
        return r;
    };

    CAlgorithm sequential;
    sequential.setBandFftSize(8192);
    std::vector<qv::BandLevelRecord> bandsAlone(kBandBlocks);
    auto spectraAlone = makeRecords();
    runBands(sequential, bandsAlone);
    runSpectra(sequential, spectraAlone);

    CAlgorithm shared;
    shared.setBandFftSize(8192);
    std::vector<qv::BandLevelRecord> bandsTogether(kBandBlocks);
    auto spectraTogether = makeRecords();
    std::thread bandWorker([&] { runBands(shared, bandsTogether); });
    std::thread spectrumWorker([&] { runSpectra(shared, spectraTogether); });
    bandWorker.join();
    spectrumWorker.join();

    for (int i = 0; i < kBandBlocks; ++i)
        EXPECT_EQ(std::memcmp(&bandsAlone[i], &bandsTogether[i], sizeof(qv::BandLevelRecord)), 0) << "band block " << i;
    for (int i = 0; i < kSpectrumBlocks; ++i)
        EXPECT_EQ(std::memcmp(spectraAlone[i].get(), spectraTogether[i].get(), sizeof(SpectrumRecord)), 0)
            << "spectrum block " << i;
}

}  // namespace
