#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <random>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "core/spectrum_averager.h"

namespace {

using qv::CSpectrumAverager;

constexpr std::uint32_t kIndex4096 = 3;
constexpr std::uint32_t kCount4096 = 2049;

std::unique_ptr<qv::SpectrumRecord> flat(std::uint32_t count, float power) {
    auto r = std::make_unique<qv::SpectrumRecord>();
    r->count = count;
    for (std::uint32_t k = 0; k < count; ++k) r->power[k] = power;
    return r;
}

// The published mean of a slot, or an empty vector.
std::vector<float> mean(const CSpectrumAverager& averager, std::uint32_t slot, std::uint32_t count) {
    std::vector<float> out(count);
    if (!averager.copyAverage(slot, count, out.data())) return {};
    return out;
}

// The span in spectra for seconds at 44.1 kHz and 4096 points: 10.77 spectra per second.
void seconds(CSpectrumAverager& a, double spectra) { a.setSeconds(static_cast<float>(spectra * 4096.0 / 44100.0 + 1e-3)); }

struct Averager : ::testing::Test {
    std::unique_ptr<CSpectrumAverager> averager = std::make_unique<CSpectrumAverager>();
    void add(std::uint32_t slot, float power, std::uint32_t index = kIndex4096, std::uint32_t count = kCount4096) {
        averager->add(slot, *flat(count, power), index, 44100.0f);
    }
};

TEST_F(Averager, SpanOneGivesTheMagnitudeOfTheLatestSpectrum) {
    ASSERT_TRUE(averager->update(true, 0b1));
    seconds(*averager, 1);
    add(0, 16.0f);
    add(0, 0.25f);
    const auto m = mean(*averager, 0, kCount4096);
    ASSERT_EQ(m.size(), kCount4096);
    EXPECT_FLOAT_EQ(m[0], 0.5f);
    EXPECT_FLOAT_EQ(m[2048], 0.5f);
}

TEST_F(Averager, AveragesTheMagnitudesOfTheLastNSpectra) {
    ASSERT_TRUE(averager->update(true, 0b101));
    seconds(*averager, 3);
    for (float p : {100.0f, 1.0f, 4.0f, 9.0f}) add(2, p);  // magnitudes 10, 1, 2, 3
    EXPECT_FLOAT_EQ(mean(*averager, 2, kCount4096)[100], 2.0f);
    // Each number has its own history.
    add(0, 36.0f);
    EXPECT_FLOAT_EQ(mean(*averager, 0, kCount4096)[100], 6.0f);
    EXPECT_FLOAT_EQ(mean(*averager, 2, kCount4096)[100], 2.0f);
    // A shorter span takes effect at the next spectrum.
    seconds(*averager, 2);
    add(2, 16.0f);
    EXPECT_FLOAT_EQ(mean(*averager, 2, kCount4096)[100], 3.5f);
}

TEST_F(Averager, SpanFollowsTimeRateAndSizeAndFallsBackToOne) {
    EXPECT_EQ(CSpectrumAverager::span(1.0f, 44100.0f, 4096, 244), 10u);
    EXPECT_EQ(CSpectrumAverager::span(0.05f, 44100.0f, 4096, 244), 1u);  // 0 spectra: one
    EXPECT_EQ(CSpectrumAverager::span(22.7f, 44100.0f, 4096, 244), 244u);
    EXPECT_EQ(CSpectrumAverager::span(23.0f, 44100.0f, 4096, 244), 1u);  // longer than the history: one, not 244
    EXPECT_EQ(CSpectrumAverager::span(1.0f, 192004.0f, 4096, 244), 1u);
    EXPECT_EQ(CSpectrumAverager::span(1.0f, 0.5f, 4096, 244), 1u);
    EXPECT_EQ(CSpectrumAverager::rowsFor(kCount4096), 244u);
    EXPECT_EQ(CSpectrumAverager::rowsFor(8193), 61u);
}

TEST_F(Averager, ATooLongSpanAveragesOnlyTheLatestSpectrum) {
    ASSERT_TRUE(averager->update(true, 0b1));
    averager->setSeconds(30.0f);  // 322 spectra, the history holds 244
    add(0, 1.0f);
    add(0, 9.0f);
    EXPECT_FLOAT_EQ(mean(*averager, 0, kCount4096)[7], 3.0f);
}

TEST_F(Averager, ANewFftSizeStartsTheHistoryAfresh) {
    ASSERT_TRUE(averager->update(true, 0b1));
    averager->setSeconds(1.0f);
    add(0, 1.0f);
    add(0, 9.0f);
    EXPECT_FLOAT_EQ(mean(*averager, 0, kCount4096)[3], 2.0f);
    // 2048 points: the old magnitudes are gone and the old size's mean is no longer served.
    add(0, 25.0f, 2, 1025);
    EXPECT_TRUE(mean(*averager, 0, kCount4096).empty());
    EXPECT_FLOAT_EQ(mean(*averager, 0, 1025)[3], 5.0f);
    add(0, 49.0f, 2, 1025);
    EXPECT_FLOAT_EQ(mean(*averager, 0, 1025)[3], 6.0f);
}

TEST_F(Averager, ARecordOfAnotherSizeIsNotAdded) {
    ASSERT_TRUE(averager->update(true, 0b1));
    seconds(*averager, 4);
    add(0, 4.0f);
    add(0, 100.0f, kIndex4096, 1025);  // a 2048-point spectrum while 4096 is current
    EXPECT_FLOAT_EQ(mean(*averager, 0, kCount4096)[9], 2.0f);
    add(0, 16.0f);
    EXPECT_FLOAT_EQ(mean(*averager, 0, kCount4096)[9], 3.0f);
}

TEST_F(Averager, NothingIsAveragedWhileOffOrForANumberWithoutHistory) {
    add(0, 4.0f);
    EXPECT_FALSE(averager->active());
    EXPECT_TRUE(mean(*averager, 0, kCount4096).empty());
    ASSERT_TRUE(averager->update(true, 0b10));
    add(0, 4.0f);  // number 0 is not in use
    EXPECT_TRUE(mean(*averager, 0, kCount4096).empty());
    add(1, 4.0f);
    EXPECT_FALSE(mean(*averager, 1, kCount4096).empty());
    // Off releases everything; on again starts empty.
    ASSERT_TRUE(averager->update(false, 0b10));
    EXPECT_TRUE(mean(*averager, 1, kCount4096).empty());
    ASSERT_TRUE(averager->update(true, 0b10));
    EXPECT_TRUE(mean(*averager, 1, kCount4096).empty());
    add(99, 4.0f);  // out of range: ignored
}

TEST_F(Averager, AFailedAllocationSwitchesAveragingOff) {
    static std::atomic<int> allowed;
    allowed = 1;
    averager->setAllocator([](std::size_t bytes) -> void* { return allowed-- > 0 ? qv::allocateBlock(bytes) : nullptr; });
    EXPECT_FALSE(averager->update(true, 0b11));  // the second history fails
    EXPECT_FALSE(averager->active());
    add(0, 4.0f);
    EXPECT_TRUE(mean(*averager, 0, kCount4096).empty());
    allowed = 2;
    EXPECT_TRUE(averager->update(true, 0b11));
    EXPECT_TRUE(averager->active());
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
    std::vector<float> out(kCount4096);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(averager->update(round % 2 == 0, round % 3 == 0 ? 0b01 : 0b11));
        for (int i = 0; i < 3; ++i) {
            if (averager->copyAverage(0, kCount4096, out.data())) {
                ASSERT_FLOAT_EQ(out[5], 2.0f);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    stop = true;
    a.join();
    b.join();
}

// Running sums against the direct mean of the last n magnitudes, at 512 points (1945 rows):
// spans inside the history, the whole history, and a span that shrinks halfway.
struct RunningCase {
    std::uint32_t span, laterSpan;
};

TEST_F(Averager, RunningSumsStayTheDirectMeanOverLongRunsOfWideRangingValues) {
    for (const RunningCase c : {RunningCase{1000, 1000}, RunningCase{1945, 1945}, RunningCase{700, 3}}) {
        ASSERT_TRUE(averager->update(true, 0b1));
        std::minstd_rand random(c.span);
        std::deque<std::vector<double>> window;
        auto record = flat(257, 0.0f);
        std::uint32_t n = c.span;
        for (int i = 0; i < 100000; ++i) {
            if (i == 50000) n = c.laterSpan;
            averager->setSeconds(static_cast<float>(n * 512.0 / 44100.0 + 1e-4));
            std::vector<double> magnitudes(257);
            for (std::uint32_t k = 0; k < 257; ++k) {
                // Powers from -120 dB to 0 dB.
                record->power[k] = std::pow(10.0f, -12.0f * static_cast<float>(random()) / 2147483647.0f);
                magnitudes[k] = std::sqrt(static_cast<double>(record->power[k]));
            }
            window.push_back(std::move(magnitudes));
            while (window.size() > n) window.pop_front();
            averager->add(0, *record, 0, 44100.0f);
        }
        const auto m = mean(*averager, 0, 257);
        ASSERT_EQ(m.size(), 257u);
        for (std::uint32_t k = 0; k < 257; k += 16) {
            double direct = 0.0;
            for (const auto& row : window) direct += row[k];
            direct /= static_cast<double>(window.size());
            EXPECT_NEAR(m[k], direct, 1e-6 * direct) << c.span << " bin " << k;
        }
        averager->clear();
        EXPECT_TRUE(mean(*averager, 0, 257).empty());  // a reset starts the averages again
        add(0, 4.0f, 0, 257);
        EXPECT_FLOAT_EQ(mean(*averager, 0, 257)[3], 2.0f);
    }
}

}  // namespace
