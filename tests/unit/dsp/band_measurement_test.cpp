#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "dsp/algorithm.h"
#include "signals.h"

namespace {

using qv::BandLevelRecord;
using qv::CAlgorithm;
using qv::test::Noise;
using qv::test::Sine;

constexpr std::uint32_t kBandFft = 8192;
constexpr std::uint32_t kHop = kBandFft / 2;  // new samples per band block
constexpr std::uint32_t kBands = CAlgorithm::kBandCount;

// Drives the band measurement the way the analyzer core does: blocks of Nb floats whose first
// half holds the newest samples.
class BandMeter {
public:
    BandMeter() : m_algorithm(std::make_unique<CAlgorithm>()), m_block(kBandFft, 0.0f) {
        m_algorithm->setBandFftSize(kBandFft);
    }

    CAlgorithm& algorithm() { return *m_algorithm; }
    void forgetHistory() { m_algorithm->resetBandHistory(); }

    // One block: source writes kHop samples; returns the record.
    const BandLevelRecord& measure(bool hiRes, float sampleRate, const std::function<void(float*)>& source) {
        std::fill(m_block.begin(), m_block.end(), 0.0f);
        if (source) source(m_block.data());
        m_algorithm->setEcoMode(hiRes ? 0 : 1);
        m_record = {};
        m_algorithm->analyzeBands(m_block.data(), &m_record, sampleRate);
        for (float v : m_block) EXPECT_EQ(v, 0.0f);  // the block comes back zeroed
        return m_record;
    }

    // Mean over several blocks of the band powers (from the dB levels), back in dB.
    std::vector<double> averageLevels(bool hiRes, float sampleRate, int warmUp, int blocks,
                                      const std::function<void(float*)>& source) {
        for (int i = 0; i < warmUp; ++i) measure(hiRes, sampleRate, source);
        std::vector<double> sum(kBands, 0.0);
        for (int i = 0; i < blocks; ++i) {
            const BandLevelRecord& r = measure(hiRes, sampleRate, source);
            for (std::uint32_t b = 0; b < kBands; ++b) sum[b] += std::pow(10.0, r.levels[b] / 10.0);
        }
        for (double& s : sum) s = 10.0 * std::log10(s / blocks);
        return sum;
    }

private:
    std::unique_ptr<CAlgorithm> m_algorithm;
    std::vector<float> m_block;
    BandLevelRecord m_record{};
};

std::function<void(float*)> sine(double amplitude, double hz, double fs) {
    auto s = std::make_shared<Sine>(amplitude, hz, fs);
    return [s](float* out) { s->add(out, kHop); };
}

std::function<void(float*)> noise(std::uint64_t seed) {
    auto n = std::make_shared<Noise>(seed);
    return [n](float* out) { n->fill(out, kHop); };
}

// Bins of band b in the main transform at rate fs.
std::uint32_t mainBins(const CAlgorithm& a, std::uint32_t b, float fs) {
    const auto lo = static_cast<std::uint32_t>(static_cast<float>(kBandFft) * a.getBand(b).lower / fs);
    const auto hi = static_cast<std::uint32_t>(static_cast<float>(kBandFft) * a.getBand(b).upper / fs);
    return hi - lo + 1;
}

TEST(BandTable, EdgesAreHarmonicMeansOfNeighbouringCentres) {
    BandMeter meter;
    const CAlgorithm& a = meter.algorithm();
    const float expected[][3] = {{20, 17.50f, 22.22f},   {62, 55.36f, 69.86f},      {1000, 888.89f, 1111.11f},
                                 {3150, 2787.61f, 3524.48f}, {20000, 17777.78f, 20000}};
    const std::uint32_t bands[] = {0, 5, 17, 22, 30};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(a.getBand(bands[i]).centre, expected[i][0]);
        EXPECT_NEAR(a.getBand(bands[i]).lower, expected[i][1], 0.006);
        EXPECT_NEAR(a.getBand(bands[i]).upper, expected[i][2], 0.006);
    }
    for (std::uint32_t b = 0; b + 1 < kBands; ++b) EXPECT_EQ(a.getBand(b).upper, a.getBand(b + 1).lower);
}

TEST(BandMeasurement, SilenceReadsTheFloorInEveryBandAndMode) {
    BandMeter meter;
    for (bool hiRes : {false, true, true, true, true, true}) {
        const BandLevelRecord& r = meter.measure(hiRes, 44100.0f, nullptr);
        for (std::uint32_t b = 0; b < kBands; ++b) {
            EXPECT_EQ(r.levels[b], -900.0f) << b;
            EXPECT_EQ(r.peaks[b], -900.0f) << b;
        }
    }
}

// A 1 kHz sine of amplitude 1: a Hann window over half of the zero-padded block keeps 3/8 of
// the sine's power A^2/2 times N/h = 2, i.e. 0.75, spread over the band's 42 bins; the level
// is the root of the mean bin power: 10 log10(0.75 / 42) = -17.48 dB.
TEST(BandMeasurement, OneKilohertzSineReadsItsBandPowerPerBin) {
    BandMeter meter;
    for (bool hiRes : {false, true}) {
        const auto source = sine(1.0, 1000.0, 44100.0);
        for (int i = 0; i < 5; ++i) {
            const BandLevelRecord& r = meter.measure(hiRes, 44100.0f, source);
            ASSERT_EQ(mainBins(meter.algorithm(), 17, 44100.0f), 42u);
            EXPECT_NEAR(r.levels[17], -17.48, 0.03) << "block " << i;
            EXPECT_EQ(r.peaks[17], r.levels[17]);
            for (std::uint32_t b = 0; b < kBands; ++b) {
                if (b < 13 || b > 21) {
                    EXPECT_LT(r.levels[b], -100.0f) << "band " << b << " hiRes " << hiRes;
                }
                EXPECT_LE(r.levels[b], r.levels[17]);
            }
        }
    }
}

// White noise of variance s^2 gives every bin the mean power s^2 * sum(w^2) / sum(w)^2 =
// 1.5 s^2 / h for a Hann window over h samples, whatever the band's width. The decimated path
// sees the same density: its 4/N filter scaling makes up for its shorter window.
TEST(BandMeasurement, WhiteNoiseReadsFlatAcrossTheBands) {
    const double expected = 10.0 * std::log10(1.5 * (1.0 / 3.0) / kHop);  // uniform in [-1, 1)
    BandMeter meter;
    for (bool hiRes : {false, true}) {
        const std::vector<double> levels = meter.averageLevels(hiRes, 44100.0f, 4, 64, noise(99));
        for (std::uint32_t b = 0; b < kBands; ++b)
            EXPECT_NEAR(levels[b], expected, 1.0) << "band " << b << " hiRes " << hiRes;
    }
}

// Tones at the centres of the three lowest bands. In Eco mode the main bins are 5.4 Hz wide
// and neighbouring bands share bins, so the tone reads about as loud next door. The HiRes path
// resolves 2.7 Hz (its Hann main lobe spans +-5.4 Hz, so some of a 20 Hz tone still reaches
// the band above) and reads each tone in its own band clearly above its neighbours.
TEST(BandMeasurement, HiResSeparatesTheLowestBands) {
    const double tones[] = {20.0, 25.0, 31.5};
    BandMeter meter;
    for (std::uint32_t t = 0; t < 3; ++t) {
        for (bool hiRes : {false, true}) {
            meter.forgetHistory();
            const std::vector<double> levels = meter.averageLevels(hiRes, 44100.0f, 4, 2, sine(1.0, tones[t], 44100.0));
            const double own = levels[t];
            double loudestOther = -1000.0;
            for (std::uint32_t b = 0; b < 4; ++b)
                if (b != t) loudestOther = std::max(loudestOther, levels[b]);
            if (hiRes) {
                EXPECT_GT(own - loudestOther, 6.0) << tones[t] << " Hz";
            } else {
                EXPECT_LT(own - loudestOther, 3.0) << tones[t] << " Hz";
            }
        }
    }
}

// Returns the loudest of bands 0..7 (the decimated path's own bands).
float loudestLowBand(const BandLevelRecord& r) { return *std::max_element(r.levels, r.levels + 8); }

TEST(BandMeasurement, ModeSwitchResetAndANewRateEmptyTheHistory) {
    BandMeter meter;
    const auto tone = sine(1.0, 25.0, 44100.0);
    for (int i = 0; i < 6; ++i) meter.measure(true, 44100.0f, tone);
    ASSERT_GT(loudestLowBand(meter.measure(true, 44100.0f, tone)), -20.0f);

    // HiRes -> Eco -> HiRes: the silent blocks that follow find nothing of the tone.
    meter.measure(false, 44100.0f, nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(loudestLowBand(meter.measure(true, 44100.0f, nullptr)), -900.0f) << i;

    // The same after an explicit reset, here requested from another thread.
    for (int i = 0; i < 6; ++i) meter.measure(true, 44100.0f, tone);
    std::thread([&] { meter.algorithm().resetBandHistory(); }).join();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(loudestLowBand(meter.measure(true, 44100.0f, nullptr)), -900.0f) << i;

    // Without a reset the history carries the tone into the following silent blocks.
    for (int i = 0; i < 6; ++i) meter.measure(true, 44100.0f, tone);
    EXPECT_GT(loudestLowBand(meter.measure(true, 44100.0f, nullptr)), -40.0f);
    // A new sample rate redesigns the low-pass; the history filtered at the old rate goes with it.
    for (int i = 0; i < 6; ++i) meter.measure(true, 44100.0f, tone);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(loudestLowBand(meter.measure(true, 48000.0f, nullptr)), -900.0f) << i;
}

TEST(BandMeasurement, OtherSampleRates) {
    for (float fs : {32000.0f, 48000.0f, 96000.0f}) {
        BandMeter meter;
        for (bool hiRes : {false, true}) {
            const auto source = sine(1.0, 1000.0, fs);
            for (int i = 0; i < 4; ++i) meter.measure(hiRes, fs, source);
            const BandLevelRecord& r = meter.measure(hiRes, fs, source);
            const double expected = 10.0 * std::log10(0.75 / mainBins(meter.algorithm(), 17, fs));
            EXPECT_NEAR(r.levels[17], expected, 0.03) << fs << " Hz, hiRes " << hiRes;
        }
        // The low bands still come from the decimated path: a 50 Hz tone stands out in band 4
        // (the main bins are 4 to 12 Hz wide here, the decimated ones 8 times narrower).
        meter.forgetHistory();
        const std::vector<double> levels = meter.averageLevels(true, fs, 4, 2, sine(1.0, 50.0, fs));
        EXPECT_GT(levels[4] - std::max(levels[3], levels[5]), 6.0) << fs;
    }
}

// Below 40 kHz the top bands reach past half the rate: their bins stop at N/2, and a band
// that lies wholly above it reads the floor.
TEST(BandMeasurement, BandsAboveHalfTheRateStopAtTheLastBin) {
    const double expected = 10.0 * std::log10(1.5 * (1.0 / 3.0) / kHop);
    BandMeter meter;
    for (bool hiRes : {false, true}) {
        const std::vector<double> levels = meter.averageLevels(hiRes, 32000.0f, 2, 24, noise(5));
        EXPECT_NEAR(levels[29], expected, 1.0);  // 14.0 .. 17.8 kHz, bins up to 16 kHz
        EXPECT_NEAR(levels[28], expected, 1.0);
        EXPECT_NEAR(levels[30], -900.0, 1e-9);  // 17.8 .. 20 kHz
    }
}

TEST(BandMeasurement, UnsupportedBandSizeWritesNothing) {
    BandMeter meter;
    meter.algorithm().setBandFftSize(3000);
    EXPECT_EQ(meter.algorithm().getBandFftSize(), 0u);
    EXPECT_EQ(meter.algorithm().getBandBufferLength(), 0u);
    EXPECT_EQ(meter.algorithm().getBandWindowLength(), 0u);
    std::vector<float> block(kBandFft, 0.25f);
    BandLevelRecord record;
    std::fill(std::begin(record.levels), std::end(record.levels), 7.0f);
    meter.algorithm().analyzeBands(block.data(), &record, 44100.0f);
    for (float v : record.levels) EXPECT_EQ(v, 7.0f);
    for (float v : block) EXPECT_EQ(v, 0.25f);

    meter.algorithm().setBandFftSize(8192);
    EXPECT_EQ(meter.algorithm().getBandFftSize(), 8192u);
    EXPECT_EQ(meter.algorithm().getBandBufferLength(), 8192u);
    EXPECT_EQ(meter.algorithm().getBandWindowLength(), 4096u);
}

}  // namespace
