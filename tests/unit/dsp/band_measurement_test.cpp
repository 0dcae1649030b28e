#include "dsp/algorithm.h"
#include "signals.h"

namespace {

using qv::BandLevelRecord;
using qv::CAlgorithm;
using Source = std::function<void(float*)>;

constexpr std::uint32_t kBandFft = 8192;
constexpr std::uint32_t kHop = kBandFft / 2;  // new samples per band block
constexpr std::uint32_t kBands = CAlgorithm::kBandCount;
// White noise uniform in [-1, 1) gives every bin 1.5 s^2 / h under a Hann window over h samples.
const double kNoiseDb = 10.0 * std::log10(1.5 * (1.0 / 3.0) / kHop);

// Drives the band measurement the way the analyzer core does: blocks of Nb floats whose first
// half holds the newest samples.
struct BandMeter {
    BandMeter() { algorithm->setBandFftSize(kBandFft); }

    const BandLevelRecord& measure(bool hiRes, float fs, const Source& source) {
        // The second half is zero padding the measurement must not read: not a number there would
        // reach every level. The samples come back untouched.
        std::fill(block.begin() + kHop, block.end(), std::numeric_limits<float>::quiet_NaN());
        std::fill(block.begin(), block.begin() + kHop, 0.0f);  // the sources add to silence
        if (source) source(block.data());
        algorithm->setEcoMode(hiRes ? 0 : 1);
        record = {};
        const std::vector<float> samples(block.begin(), block.begin() + kHop);
        algorithm->analyzeBands(block.data(), &record, fs);
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), block.begin()));
        return record;
    }
    // Mean over several blocks of the band powers, back in dB.
    std::vector<double> averageLevels(bool hiRes, float fs, int warmUp, int blocks, const Source& source) {
        for (int i = 0; i < warmUp; ++i) measure(hiRes, fs, source);
        std::vector<double> sum(kBands, 0.0);
        for (int i = 0; i < blocks; ++i) {
            const BandLevelRecord& r = measure(hiRes, fs, source);
            for (std::uint32_t b = 0; b < kBands; ++b) sum[b] += std::pow(10.0, r.levels[b] / 10.0);
        }
        for (double& s : sum) s = 10.0 * std::log10(s / blocks);
        return sum;
    }

    std::unique_ptr<CAlgorithm> algorithm = std::make_unique<CAlgorithm>();
    std::vector<float> block = std::vector<float>(kBandFft);
    BandLevelRecord record{};
};

Source sine(double hz, double fs) {
    return [add = qv::test::sine(1.0, hz, fs)](float* out) { add(out, kHop); };
}
Source noise(std::uint64_t seed) {
    auto n = std::make_shared<qv::test::Noise>(seed);
    return [n](float* out) { n->fill(out, kHop); };
}

TEST(BandTable, EdgesAreHarmonicMeansOfNeighbouringCentres) {
    const CAlgorithm a;
    const struct { std::uint32_t band; float centre, lower, upper; } cases[] = {
        {0, 20, 17.50f, 22.22f},        {5, 62, 55.36f, 69.86f},          {17, 1000, 888.89f, 1111.11f},
        {22, 3150, 2787.61f, 3524.48f}, {30, 20000, 17777.78f, 20000}};
    for (const auto& c : cases) {
        EXPECT_EQ(a.getBand(c.band).centre, c.centre);
        EXPECT_NEAR(a.getBand(c.band).lower, c.lower, 0.006);
        EXPECT_NEAR(a.getBand(c.band).upper, c.upper, 0.006);
    }
    for (std::uint32_t b = 0; b + 1 < kBands; ++b) EXPECT_EQ(a.getBand(b).upper, a.getBand(b + 1).lower);
}

// A 1 kHz sine of amplitude 1: a Hann window over half of the zero-padded block keeps 3/8 of
// the sine's power A^2/2 times N/h = 2, i.e. 0.75, spread over the band's bins; the level is
// the root of the mean bin power: 10 log10(0.75 / 42) = -17.48 dB at 44.1 kHz. Silence reads the
// floor; the low bands still come from the decimated path: a 50 Hz tone stands out in band 4
// (the main bins are 4 to 12 Hz wide, the decimated ones 8 times narrower).
TEST(BandMeasurement, SilenceAndAOneKilohertzSineAtEveryRateAndMode) {
    for (float fs : {44100.0f, 32000.0f, 48000.0f, 96000.0f}) {
        BandMeter meter;
        for (bool hiRes : {false, true}) {
            SCOPED_TRACE(testing::Message() << fs << " Hz, hiRes " << hiRes);
            for (int i = 0; i < 3; ++i) {
                const BandLevelRecord& r = meter.measure(hiRes, fs, nullptr);
                for (std::uint32_t b = 0; b < kBands; ++b)
                    ASSERT_EQ(std::pair(r.levels[b], r.peaks[b]), std::pair(-900.0f, -900.0f));
            }
            meter.algorithm->resetBandHistory();  // no silence-to-tone step in the decimated span
            const auto& band = meter.algorithm->getBand(17);
            const auto bins = static_cast<std::uint32_t>(kBandFft * band.upper / fs) -
                              static_cast<std::uint32_t>(kBandFft * band.lower / fs) + 1;
            const Source source = sine(1000.0, fs);
            for (int i = 0; i < 5; ++i) {
                const BandLevelRecord& r = meter.measure(hiRes, fs, source);
                EXPECT_NEAR(r.levels[17], 10.0 * std::log10(0.75 / bins), 0.03) << "block " << i;
                EXPECT_EQ(r.peaks[17], r.levels[17]);
                for (std::uint32_t b = 0; b < kBands; ++b)
                    EXPECT_TRUE(r.levels[b] <= r.levels[17] && (fs != 44100.0f || (b >= 13 && b <= 21) || r.levels[b] < -100.0f))
                        << "band " << b;
            }
        }
        meter.algorithm->resetBandHistory();
        const std::vector<double> levels = meter.averageLevels(true, fs, 4, 2, sine(50.0, fs));
        EXPECT_GT(levels[4] - std::max(levels[3], levels[5]), 6.0) << fs;
    }
}

// White noise reads flat across the bands: the decimated path's 4/N filter scaling makes up
// for its shorter window. Below 40 kHz the top bands reach past half the rate: their bins stop
// at N/2, and a band wholly above it (17.8 .. 20 kHz at 32 kHz) reads the floor.
TEST(BandMeasurement, WhiteNoiseReadsFlatUpToHalfTheRate) {
    for (float fs : {44100.0f, 32000.0f}) {
        BandMeter meter;
        for (bool hiRes : {false, true}) {
            const std::vector<double> levels = meter.averageLevels(hiRes, fs, 4, 64, noise(99));
            for (std::uint32_t b = 0; b < kBands; ++b)
                EXPECT_NEAR(levels[b], fs == 32000.0f && b == 30 ? -900.0 : kNoiseDb, 1.0) << b << " at " << fs << ", " << hiRes;
        }
    }
}

// Tones at the centres of the three lowest bands. In Eco mode the main bins are 5.4 Hz wide and
// neighbouring bands share bins, so the tone reads about as loud next door; the HiRes path
// resolves 2.7 Hz and reads each tone in its own band clearly above its neighbours.
TEST(BandMeasurement, HiResSeparatesTheLowestBands) {
    const double tones[] = {20.0, 25.0, 31.5};
    BandMeter meter;
    for (std::uint32_t t = 0; t < 3; ++t) {
        for (bool hiRes : {false, true}) {
            meter.algorithm->resetBandHistory();
            const std::vector<double> levels = meter.averageLevels(hiRes, 44100.0f, 4, 2, sine(tones[t], 44100.0));
            double loudestOther = -1000.0;
            for (std::uint32_t b = 0; b < 4; ++b)
                if (b != t) loudestOther = std::max(loudestOther, levels[b]);
            EXPECT_EQ(levels[t] - loudestOther > (hiRes ? 6.0 : 3.0), hiRes) << tones[t] << " Hz, hiRes " << hiRes;
        }
    }
}

// At 16 kHz the decimated path runs at 2 kHz, so a 1900 Hz tone would fold onto 100 Hz (band 7,
// read from that path alone): the 1800 Hz low-pass in front of it keeps the tone out.
TEST(BandMeasurement, TheLowPassKeepsTonesAboveEighteenHundredHertzOutOfTheLowBands) {
    const std::vector<double> levels = BandMeter().averageLevels(true, 16000.0f, 4, 2, sine(1900.0, 16000.0));
    EXPECT_TRUE(levels[20] > -30.0 && levels[7] < -90.0) << levels[20] << " " << levels[7];
}

TEST(BandMeasurement, ModeSwitchResetAndANewRateEmptyTheHistory) {
    BandMeter meter;
    const Source tone = sine(25.0, 44100.0);
    // The loudest of bands 0..7 (the decimated path's own) in the silent blocks after the tone.
    auto afterTone = [&](const std::function<void()>& between, float fs = 44100.0f) {
        for (int i = 0; i < 6; ++i) meter.measure(true, 44100.0f, tone);
        between();
        float loudest = -1000.0f;
        for (int i = 0; i < 4; ++i) {
            const BandLevelRecord& r = meter.measure(true, fs, nullptr);
            loudest = std::max(loudest, *std::max_element(r.levels, r.levels + 8));
        }
        return loudest;
    };
    EXPECT_GT(afterTone([] {}), -40.0f);  // without a reset the history carries the tone on
    EXPECT_EQ(afterTone([&] { meter.measure(false, 44100.0f, nullptr); }), -900.0f);  // HiRes -> Eco -> HiRes
    EXPECT_EQ(afterTone([&] { std::thread([&] { meter.algorithm->resetBandHistory(); }).join(); }), -900.0f);
    // A new rate redesigns the low-pass; the history filtered at the old rate goes with it.
    EXPECT_EQ(afterTone([] {}, 48000.0f), -900.0f);
}

// After a rate change a measurement reads what a new one at that rate reads, block for block,
// while other measurements at other rates share the process's low-pass spectra with it.
TEST(BandMeasurement, ARateChangeMeasuresAsANewMeasurementAtThatRate) {
    BandMeter moved, other, fresh;
    const Source before = noise(5), elsewhere = noise(6), after = noise(7), same = noise(7);
    for (int i = 0; i < 3; ++i) moved.measure(true, 44100.0f, before), other.measure(true, 96000.0f, elsewhere);
    auto levels = [](BandMeter& meter, const Source& source) {
        const BandLevelRecord& r = meter.measure(true, 37800.0f, source);  // a rate no other test uses
        return std::vector<float>(r.levels, r.levels + kBands);
    };
    for (int i = 0; i < 6; ++i) {
        const std::vector<float> first = levels(moved, after);  // the moved one designs first
        EXPECT_EQ(first, levels(fresh, same)) << i;
    }
}

}  // namespace
