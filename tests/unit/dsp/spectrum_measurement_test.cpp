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
// bin, whichever the window; the block is left holding the packed spectrum.
TEST(SpectrumMeasurement, SineAtABinCentreHoldsAQuarterWithEveryWindow) {
    CAlgorithm algorithm;
    algorithm.setFftSize(4096);
    ASSERT_EQ(algorithm.getWindowLength(), 4096u);
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 9u}) {  // 9 reads as Hann
        algorithm.setWindowType(type);
        std::vector<float> block = binSine(4096, 100.0, 1.0);
        auto record = blankRecord(0);
        algorithm.analyzeSpectrum(block.data(), record.get(), 44100.0f);
        EXPECT_EQ(std::pair(record->count, record->sampleRate), std::pair(2049u, 44100.0f));
        EXPECT_NEAR(record->power[100], 0.25, 0.25 * 1e-4) << "window " << type;
        for (std::uint32_t k = 0; k <= 2048; ++k) EXPECT_LE(record->power[k], record->power[100]);
        EXPECT_TRUE(type != 0 || record->power[101] < 1e-10);  // rectangular: no leakage at bin centres
        EXPECT_NEAR(block[200] * block[200] + block[201] * block[201], record->power[100], 1e-6);
    }
    // Zero hertz and half the rate use the two real values of the packed layout.
    algorithm.setFftSize(512);
    algorithm.setWindowType(0);
    std::vector<float> block(512);
    for (std::uint32_t j = 0; j < 512; ++j) block[j] = 0.5f + ((j & 1) ? -0.25f : 0.25f);
    auto record = blankRecord(0);
    algorithm.analyzeSpectrum(block.data(), record.get(), 48000.0f);
    EXPECT_EQ(record->count, 257u);
    EXPECT_TRUE(std::fabs(record->power[0] - 0.25) < 1e-6 && std::fabs(record->power[256] - 0.0625) < 1e-6 &&
                record->power[1] < 1e-10);
}

// Spectra of 32768 points and up would exceed 8193 bins; bands go up to 65536 points.
TEST(Measurements, UnsupportedSizesWriteNothingAndTheLargestSpectrumFillsTheRecordExactly) {
    CAlgorithm algorithm;
    const auto untouched = blankRecord(0xAB);
    for (std::uint32_t size : {3000u, 4u, 0u, 32768u, 65536u, 131072u}) {
        algorithm.setFftSize(size);
        EXPECT_EQ(std::pair(algorithm.getFftSize(), algorithm.getWindowLength()), std::pair(0u, 0u)) << size;
        std::vector<float> block(65536, 0.5f);
        auto record = blankRecord(0xAB);
        algorithm.analyzeSpectrum(block.data(), record.get(), 44100.0f);
        EXPECT_EQ(std::memcmp(record.get(), untouched.get(), sizeof(SpectrumRecord)), 0) << size;
        if (size % 32768 != 0 || size > 65536) {
            algorithm.setBandFftSize(size);
            EXPECT_EQ(std::tuple(algorithm.getBandFftSize(), algorithm.getBandBufferLength()), std::tuple(0u, 0u)) << size;
            algorithm.analyzeBands(block.data(), reinterpret_cast<qv::BandLevelRecord*>(record.get()), 44100.0f);
            EXPECT_EQ(std::memcmp(record.get(), untouched.get(), sizeof(SpectrumRecord)), 0) << size;
        }
        for (float v : block) ASSERT_EQ(v, 0.5f);
    }
    algorithm.setBandFftSize(8192);
    EXPECT_EQ(std::tuple(algorithm.getBandFftSize(), algorithm.getBandBufferLength(), algorithm.getBandWindowLength()),
              std::tuple(8192u, 8192u, 4096u));
    algorithm.setFftSize(16384);
    std::vector<float> block(16384);
    Noise(4).fill(block.data(), block.size());
    auto record = blankRecord(0xAB);
    algorithm.analyzeSpectrum(block.data(), record.get(), 44100.0f);
    EXPECT_EQ(record->count, 8193u);
    EXPECT_NE(std::memcmp(&record->power[8192], &untouched->power[8192], 4), 0);
    const std::size_t tail = offsetof(SpectrumRecord, power) + 4 * 8193;
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(record.get()) + tail,
                          reinterpret_cast<const char*>(untouched.get()) + tail, sizeof(SpectrumRecord) - tail), 0);
}

// Non-finite samples measure as zero in both measurements (the band path with its decimated
// history, and without it); enormous finite ones overflow the arithmetic but still read finite.
TEST(Measurements, NonFiniteSamplesMeasureAsZeroAndHugeOnesStayFinite) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    // The same block with three samples zeroed, and with them non-finite.
    auto pair = [&](std::vector<float> clean, std::initializer_list<std::size_t> at) {
        std::vector<float> dirty = clean;
        std::size_t i = 0;
        for (std::size_t k : at) clean[k] = 0.0f, dirty[k] = bad[i++];
        return std::pair(clean, dirty);
    };
    for (int eco : {0, 1}) {
        CAlgorithm clean, dirty, loud;
        qv::BandLevelRecord expected{}, record{};
        auto tone = qv::test::sine(0.5, 440.0, 44100.0);
        for (CAlgorithm* a : {&clean, &dirty, &loud}) a->setBandFftSize(8192), a->setEcoMode(eco);
        for (int i = 0; i < 5; ++i) {
            std::vector<float> block(8192, 0.0f);
            tone(block.data(), 4096);
            auto [c, d] = pair(block, {100, 2000, 2001});
            clean.analyzeBands(c.data(), &expected, 44100.0f);
            dirty.analyzeBands(d.data(), &record, 44100.0f);
            for (std::uint32_t b = 0; b < CAlgorithm::kBandCount; ++b) ASSERT_EQ(record.levels[b], expected.levels[b]) << b;
            std::vector<float> huge(8192, 0.0f);
            Noise(1).fill(huge.data(), 4096, i % 2 ? 3.0e38f : 1e30f);
            loud.analyzeBands(huge.data(), &record, 44100.0f);
            for (float level : record.levels) ASSERT_TRUE(std::isfinite(level) && level <= 0.0f) << level;
        }
    }
    CAlgorithm algorithm;
    algorithm.setFftSize(1024);
    auto [c, d] = pair(binSine(1024, 30.0, 0.5), {3, 500, 1023});
    auto expected = blankRecord(0), record = blankRecord(0);
    algorithm.analyzeSpectrum(c.data(), expected.get(), 44100.0f);
    algorithm.analyzeSpectrum(d.data(), record.get(), 44100.0f);
    EXPECT_EQ(std::memcmp(record->power, expected->power, 4 * 513), 0);
    for (float amplitude : {1e30f, 3.0e38f}) {
        std::vector<float> huge(1024);
        Noise(2).fill(huge.data(), huge.size(), amplitude);
        algorithm.analyzeSpectrum(huge.data(), record.get(), 44100.0f);
        for (std::uint32_t k = 0; k <= 512; ++k) ASSERT_TRUE(std::isfinite(record->power[k])) << k;
    }
}

// The band worker and the spectrum worker of one instance measure at the same time; the
// spectrum sizes 2048 and 8192 are those whose transforms the band path also has. Each path
// must read exactly what it reads when the two run one after the other.
TEST(Measurements, BandsAndSpectraOnTwoThreadsMatchSequentialRuns) {
    constexpr int kBlocks = 12;
    Noise noise(21);
    std::vector<std::vector<float>> inputs(3 * kBlocks);  // a band block, then two spectrum blocks
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputs[i].assign(i % 3 == 1 ? 2048 : 8192, 0.0f);
        noise.fill(inputs[i].data(), i % 3 == 0 ? 4096 : inputs[i].size());
    }
    struct Run {
        CAlgorithm a;
        std::vector<qv::BandLevelRecord> bands = std::vector<qv::BandLevelRecord>(kBlocks);
        std::vector<SpectrumRecord> spectra = std::vector<SpectrumRecord>(2 * kBlocks);
        Run() { a.setBandFftSize(8192), a.setEcoMode(0); }
        void measure(const std::vector<std::vector<float>>& in, bool bandPath) {
            for (std::size_t i = 0; i < in.size(); ++i) {
                std::vector<float> block = in[i];
                if (bandPath && i % 3 == 0) a.analyzeBands(block.data(), &bands[i / 3], 44100.0f);
                if (bandPath || i % 3 == 0) continue;
                a.setFftSize(static_cast<std::uint32_t>(block.size()));
                a.analyzeSpectrum(block.data(), &spectra[i / 3 * 2 + i % 3 - 1], 44100.0f);
            }
        }
    };
    auto alone = std::make_unique<Run>(), together = std::make_unique<Run>();
    alone->measure(inputs, true);
    alone->measure(inputs, false);
    std::thread bandWorker([&] { together->measure(inputs, true); });
    std::thread spectrumWorker([&] { together->measure(inputs, false); });
    bandWorker.join();
    spectrumWorker.join();
    EXPECT_EQ(std::memcmp(alone->bands.data(), together->bands.data(), kBlocks * sizeof(qv::BandLevelRecord)), 0);
    EXPECT_EQ(std::memcmp(alone->spectra.data(), together->spectra.data(), 2 * kBlocks * sizeof(SpectrumRecord)), 0);
}

}  // namespace
