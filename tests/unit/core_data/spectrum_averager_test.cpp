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
    std::atomic<std::uint32_t> index{kIndex4096};
    std::atomic<float> rate{44100.0f};
    std::uint32_t sequence = 0;
    std::shared_ptr<qv::CSpectrumHistories> table = std::make_shared<qv::CSpectrumHistories>();  // the copy's
    std::unique_ptr<CSpectrumAverager> averager = [this] {
        auto made = std::make_unique<CSpectrumAverager>(table);
        made->follow(index, rate);
        return made;
    }();
    // A spectrum of number slot, while this instance's FFT size index is fftIndex.
    void add(std::uint32_t slot, qv::SpectrumRecord& record, std::uint32_t fftIndex = kIndex4096) {
        index = fftIndex;
        record.sequence = ++sequence;
        averager->add(slot, record);
    }
    void add(std::uint32_t slot, float power, std::uint32_t fftIndex = kIndex4096, std::uint32_t count = kCount4096) {
        add(slot, *flat(count, power), fftIndex);
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
    add(2, 16.0f);
    EXPECT_FLOAT_EQ(mean(2), 8.0f / 3.0f);
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

    static std::atomic<int> allowed;  // two blocks a number: this instance's sums, the copy's history
    allowed = 3;
    averager->setAllocator([](std::size_t bytes) -> void* { return allowed-- > 0 ? qv::allocateBlock(bytes) : nullptr; });
    ASSERT_TRUE(averager->update(false, 0b11));
    EXPECT_FALSE(averager->update(true, 0b11) || averager->active());  // the second history fails
    add(0, 4.0f);
    EXPECT_TRUE(std::isnan(mean(0)) && table->rings() == 0);  // the first one was given back
    allowed = 4;
    EXPECT_TRUE(averager->update(true, 0b11) && averager->active());
}

TEST_F(Averager, WorkersKeepAddingWhileTheHistoriesComeAndGo) {
    ASSERT_TRUE(averager->update(true, 0b11));
    averager->setSeconds(1.0f);
    std::atomic<bool> stop{false};
    auto worker = [&](std::uint32_t slot) {
        auto record = flat(kCount4096, 4.0f);
        while (!stop.load()) {
            ++record->sequence;
            averager->add(slot, *record);
        }
    };
    std::thread a(worker, 0), b(worker, 1);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(averager->update(round % 2 == 0, round % 3 == 0 ? 0b01 : 0b11));
        CSpectrumAverager other(table);  // another instance of the copy, gone at the end of the round
        other.follow(index, rate);
        ASSERT_TRUE(other.update(true, round % 2 == 0 ? 0b10 : 0b11));
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
            add(0, *record, 0);
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

// Readers of one library copy against the same readers each alone with the histories of its
// copy: whatever the others do, every mean read is the same, bit for bit. Steps before spectrum
// `at`: 'u' averaging on for the numbers in `value` (bits), 'o' off, 'c' a reset, 'n' a span of
// `value` spectra of 512 points, 'i' the FFT size index, 'h' the sample rate, 'r' a read every
// `value` spectra. Numbers 0 and 1 get a spectrum each per step, 512 points, 1024 from `larger`
// on; each spectrum is handed over by every reader, as every instance of a copy would.
TEST(SharedAverages, EveryReaderReadsWhatItWouldReadAlone) {
    struct Step { int at, reader; char what; float value; };
    const struct { const char* name; int spectra, larger; std::vector<Step> steps; } cases[] = {
        {"staggered starts, more spectra than a history", 4200, 1 << 30,
         {{0, 0, 'u', 1}, {0, 0, 'n', 10}, {37, 1, 'u', 3}, {0, 1, 'n', 300}, {0, 1, 'r', 50}, {1000, 2, 'u', 1},
          {0, 2, 'n', 972}, {0, 2, 'r', 2100}, {2500, 1, 'c', 0}}},
        {"spans over half the history, span changes, resets, off and on", 4200, 1 << 30,
         {{0, 0, 'u', 1}, {0, 0, 'n', 1945}, {0, 0, 'r', 3}, {3500, 0, 'o', 0}, {3600, 0, 'u', 1}, {5, 1, 'u', 3},
          {0, 1, 'n', 1500}, {2500, 1, 'c', 0}, {0, 2, 'u', 1}, {0, 2, 'n', 5}, {0, 2, 'r', 4}, {2000, 2, 'n', 1200},
          {3000, 2, 'n', 7}, {3100, 2, 'h', 48000}}},
        {"a map change and a new FFT size reaching each reader at its time", 3000, 1500,
         {{0, 0, 'u', 1}, {0, 0, 'n', 20}, {0, 0, 'r', 7}, {500, 0, 'u', 3}, {1503, 0, 'i', 1}, {0, 1, 'u', 3},
          {0, 1, 'n', 400}, {0, 1, 'r', 9}, {1001, 1, 'i', 1}, {0, 2, 'u', 2}, {0, 2, 'n', 1000}, {0, 2, 'r', 13},
          {1500, 2, 'i', 1}}},
    };
    for (const auto& c : cases) {
        std::array<std::atomic<std::uint32_t>, 3> index{};
        std::array<std::atomic<float>, 3> rate{};
        std::array<int, 3> every{1, 1, 1};
        std::vector<std::unique_ptr<CSpectrumAverager>> shared, alone;
        const auto table = std::make_shared<qv::CSpectrumHistories>();
        for (int r = 0; r < 3; ++r) {
            rate[r] = 44100.0f;
            shared.push_back(std::make_unique<CSpectrumAverager>(table));
            alone.push_back(std::make_unique<CSpectrumAverager>(std::make_shared<qv::CSpectrumHistories>()));
            for (auto* a : {shared[r].get(), alone[r].get()}) a->follow(index[r], rate[r]);
        }
        std::minstd_rand random(c.spectra);
        auto record = flat(513, 0.0f);
        std::vector<float> a(513), b(513);
        for (int i = 0; i < c.spectra; ++i) {
            for (const Step& s : c.steps) {
                if (s.at != i) continue;
                if (s.what == 'i') index[s.reader] = static_cast<std::uint32_t>(s.value);
                if (s.what == 'h') rate[s.reader] = s.value;
                if (s.what == 'r') every[s.reader] = static_cast<int>(s.value);
                for (auto* x : {shared[s.reader].get(), alone[s.reader].get()}) {
                    ASSERT_TRUE((s.what != 'u' && s.what != 'o') || x->update(s.what == 'u', static_cast<std::uint32_t>(s.value)));
                    if (s.what == 'c') x->clear();
                    if (s.what == 'n') x->setSeconds((s.value + 0.5f) * 512.0f / 44100.0f);
                }
            }
            record->count = i < c.larger ? 257 : 513;
            record->sequence = static_cast<std::uint32_t>(i);
            for (std::uint32_t number : {0u, 1u}) {
                // Rare huge spectra early on: where the sums are derived afresh shows in the means.
                const float scale = i < c.spectra / 6 && random() % 100 == 0 ? 1e30f : 1.0f;
                for (std::uint32_t k = 0; k < record->count; ++k)
                    record->power[k] = scale * std::pow(10.0f, -12.0f * static_cast<float>(random()) / 2147483647.0f);
                for (auto& x : shared) x->add(number, *record);
                for (auto& x : alone) x->add(number, *record);
            }
            for (std::uint32_t r = 0; r < 3; ++r) {
                // Both numbers at both sizes: a mean of the previous size stays served.
                for (std::uint32_t k = 0; k < 4 && i % every[r] == 0; ++k) {
                    const std::uint32_t count = k < 2 ? 257 : 513, number = k % 2;
                    const bool read = shared[r]->copyAverage(number, count, a.data());
                    ASSERT_TRUE(read == alone[r]->copyAverage(number, count, b.data()) &&
                                (!read || std::memcmp(a.data(), b.data(), 4 * count) == 0) &&
                                shared[r]->averageVersion(number) == alone[r]->averageVersion(number))
                        << c.name << " " << i << " " << r;
                }
            }
        }
        EXPECT_EQ(table->rings(), 2u) << c.name;  // one history per number, whatever the readers
    }
}
