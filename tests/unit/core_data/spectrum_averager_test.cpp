#include "support/test_common.h"

#include <deque>
#include <random>

#include "core/spectrum_averager.h"

namespace {

using qv::CSpectrumAverager;

constexpr std::uint32_t kIndex4096 = 3, kCount4096 = 2049;

std::unique_ptr<qv::SpectrumRecord> flat(std::uint32_t count, float power) {
    auto r = std::make_unique<qv::SpectrumRecord>();
    r->count = count;
    std::fill_n(r->power, count, power);
    return r;
}

struct Averager : ::testing::Test {
    std::unique_ptr<CSpectrumAverager> averager = std::make_unique<CSpectrumAverager>();
    void add(std::uint32_t slot, float power, std::uint32_t index = kIndex4096, std::uint32_t count = kCount4096) {
        averager->add(slot, *flat(count, power), index, 44100.0f);
    }
    // The span in spectra at 44.1 kHz and 4096 points (10.77 spectra per second).
    void spectra(double n) { averager->setSeconds(static_cast<float>(n * 4096.0 / 44100.0 + 1e-3)); }
    // The published mean of a slot at bin 7, or NaN when none is served.
    float mean(std::uint32_t slot, std::uint32_t count = kCount4096) const {
        std::vector<float> out(count);
        return averager->copyAverage(slot, count, out.data()) ? out[7] : std::nanf("");
    }
};

TEST_F(Averager, MeanMagnitudeOfTheLastNSpectraOfEachNumber) {
    ASSERT_TRUE(averager->update(true, 0b101));
    spectra(1);
    for (float p : {16.0f, 0.25f}) add(2, p);
    EXPECT_FLOAT_EQ(mean(2), 0.5f);  // a span of one: the latest magnitude
    spectra(3);
    for (float p : {100.0f, 1.0f, 4.0f, 9.0f}) add(2, p);  // magnitudes 10, 1, 2, 3
    EXPECT_FLOAT_EQ(mean(2), 2.0f);
    add(0, 36.0f);  // each number has its own history
    EXPECT_EQ(std::pair(mean(0), mean(2)), std::pair(6.0f, 2.0f));
    spectra(2);  // a shorter span takes effect at the next spectrum
    add(2, 16.0f);
    EXPECT_FLOAT_EQ(mean(2), 3.5f);
    averager->setSeconds(30.0f);  // 322 spectra, the history holds 244: the latest only
    add(2, 1.0f);
    EXPECT_FLOAT_EQ(mean(2), 1.0f);

    // A record of a stale size is not added; a new size restarts the history.
    spectra(4);
    add(2, 9.0f);
    add(2, 100.0f, kIndex4096, 1025);  // a 2048-point record while 4096 is current
    EXPECT_FLOAT_EQ(mean(2), 2.0f);
    add(2, 25.0f, 2, 1025);  // 2048 points: the old size is gone
    EXPECT_TRUE(std::isnan(mean(2)) && mean(2, 1025) == 5.0f);
    add(2, 49.0f, 2, 1025);
    EXPECT_FLOAT_EQ(mean(2, 1025), 6.0f);
}

TEST_F(Averager, SpanFollowsTimeRateAndSizeAndFallsBackToOne) {
    const struct { float seconds, rate; std::uint32_t span; } cases[] = {
        {1.0f, 44100.0f, 10}, {0.05f, 44100.0f, 1}, {22.7f, 44100.0f, 244},
        {23.0f, 44100.0f, 1},  // longer than the history: one, not 244
        {1.0f, 192004.0f, 1}, {1.0f, 0.5f, 1}};
    for (const auto& c : cases) EXPECT_EQ(CSpectrumAverager::span(c.seconds, c.rate, 4096, 244), c.span) << c.seconds;
    EXPECT_EQ(std::pair(CSpectrumAverager::rowsFor(kCount4096), CSpectrumAverager::rowsFor(8193)), std::pair(244u, 61u));
}

TEST_F(Averager, OnlyNumbersInUseWhileOnAndAFailedAllocationSwitchesOff) {
    add(0, 4.0f);
    EXPECT_TRUE(!averager->active() && std::isnan(mean(0)));
    ASSERT_TRUE(averager->update(true, 0b10));
    for (std::uint32_t slot : {0u, 1u, 99u}) add(slot, 4.0f);  // 0 is not in use, 99 is out of range
    EXPECT_TRUE(std::isnan(mean(0)) && mean(1) == 2.0f);
    ASSERT_TRUE(averager->update(false, 0b10));  // off releases everything; on again starts empty
    ASSERT_TRUE(averager->update(true, 0b10));
    EXPECT_TRUE(std::isnan(mean(1)));

    static std::atomic<int> allowed;
    allowed = 1;
    averager->setAllocator([](std::size_t bytes) -> void* { return allowed-- > 0 ? qv::allocateBlock(bytes) : nullptr; });
    ASSERT_TRUE(averager->update(false, 0b11));
    EXPECT_FALSE(averager->update(true, 0b11) || averager->active());  // the second history fails
    add(0, 4.0f);
    EXPECT_TRUE(std::isnan(mean(0)));
    allowed = 2;
    EXPECT_TRUE(averager->update(true, 0b11) && averager->active());
}

TEST_F(Averager, WorkersKeepAddingWhileTheHistoriesComeAndGo) {
    ASSERT_TRUE(averager->update(true, 0b11));
    averager->setSeconds(1.0f);
    std::atomic<bool> stop{false};
    auto worker = [&](std::uint32_t slot) {
        auto record = flat(kCount4096, 4.0f);
        while (!stop.load()) averager->add(slot, *record, kIndex4096, 44100.0f);
    };
    std::thread a(worker, 0), b(worker, 1);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(averager->update(round % 2 == 0, round % 3 == 0 ? 0b01 : 0b11));
        for (int i = 0; i < 3; ++i) {
            const float m = mean(0);
            ASSERT_TRUE(std::isnan(m) || std::fabs(m - 2.0f) < 1e-6f) << m;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    stop = true;
    a.join();
    b.join();
}

// Running sums against the direct mean of the last n magnitudes, at 512 points (1945 rows):
// spans inside the history, the whole history, and a span that shrinks halfway. Reads every 7th
// add bring the sums up to date add by add (a read after more adds than the history holds would
// only derive them afresh).
TEST_F(Averager, RunningSumsStayTheDirectMeanOverLongRunsOfWideRangingValues) {
    for (const auto& [span, laterSpan] : {std::pair(1000u, 1000u), std::pair(1945u, 1945u), std::pair(700u, 3u)}) {
        ASSERT_TRUE(averager->update(true, 0b1));
        std::minstd_rand random(span);
        std::deque<std::vector<double>> window;
        auto record = flat(257, 0.0f);
        std::uint32_t n = span;
        for (int i = 0; i < 100000; ++i) {
            if (i == 50000) n = laterSpan;
            averager->setSeconds(static_cast<float>(n * 512.0 / 44100.0 + 1e-4));
            std::vector<double> magnitudes(257);
            for (std::uint32_t k = 0; k < 257; ++k) {  // powers from -120 dB to 0 dB
                record->power[k] = std::pow(10.0f, -12.0f * static_cast<float>(random()) / 2147483647.0f);
                magnitudes[k] = std::sqrt(static_cast<double>(record->power[k]));
            }
            window.push_back(std::move(magnitudes));
            while (window.size() > n) window.pop_front();
            averager->add(0, *record, 0, 44100.0f);
            if (i % 7 == 0) mean(0, 257);
        }
        std::vector<float> m(257);
        ASSERT_TRUE(averager->copyAverage(0, 257, m.data()));
        for (std::uint32_t k = 0; k < 257; k += 16) {
            double direct = 0.0;
            for (const auto& row : window) direct += row[k];
            direct /= static_cast<double>(window.size());
            EXPECT_NEAR(m[k], direct, 1e-6 * direct) << span << " bin " << k;
        }
        averager->clear();  // a reset starts the averages again
        EXPECT_TRUE(std::isnan(mean(0, 257)));
        add(0, 4.0f, 0, 257);
        EXPECT_FLOAT_EQ(mean(0, 257), 2.0f);
    }
}

}  // namespace
