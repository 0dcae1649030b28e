#include "core/data_service_columns.h"
#include "data_test_support.h"

namespace {

using qv::CColumnMap;
using qvtest::builtMap;

// Column c's frequency and bin, computed here independently of the table.
double columnHz(std::uint32_t c) { return std::pow(10.0, 1.0 + c / 555.0 * std::log10(2000.0)); }
std::uint32_t binAt(double hz, float fs, std::uint32_t n) { return static_cast<std::uint32_t>(n * hz / fs); }

TEST(ColumnMap, AxisRunsLogarithmicallyFromTenHzToTwentyKilohertz) {
    for (std::uint32_t c : {0u, 1u, 100u, 277u, 554u, 555u}) EXPECT_NEAR(CColumnMap::columnFrequency(c), columnHz(c), columnHz(c) * 1e-6);
}

// At full resolution a point sits at each column whose bin differs from the column before (bin 0
// never has one), over the columns below half the rate: at 32 kHz the column of 16 kHz lies at
// 538.7, so the map uses the 538 below it. At 512 points a bin (86 Hz) is wider than a column
// below about 6 kHz, so bins 1, 2, 3, ... get a point each; at 16384 many low columns share one.
TEST(ColumnMap, FullResolutionPutsAPointWhereverTheBinChanges) {
    const struct { float fs; std::uint32_t n, usable, firstBin; } cases[] = {
        {44100.0f, 512, 556, 0}, {44100.0f, 16384, 556, 3}, {32000.0f, 4096, 538, 1}, {48000.0f, 4096, 556, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fs << " Hz, " << c.n << " points");
        const CColumnMap map = builtMap(c.fs, c.n, 0);
        EXPECT_EQ(std::pair(map.usableColumns(), map.firstBin()), std::pair(c.usable, c.firstBin));
        std::vector<std::pair<std::uint32_t, std::uint32_t>> expected, built;
        for (std::uint32_t col = 0, previous = c.firstBin; col < c.usable; ++col) {
            const std::uint32_t bin = binAt(columnHz(col), c.fs, c.n);
            if (bin != 0 && bin != previous) expected.emplace_back(bin, col);
            previous = bin;
        }
        for (std::uint32_t k = 0; k < map.count(); ++k) built.emplace_back(map.entries()[k].bin, map.entries()[k].column);
        EXPECT_EQ(built, expected);
        EXPECT_TRUE(built.back().second == c.usable - 1 && built.back().first < c.n / 2);
        for (std::uint32_t k = 0; k < 70 && c.n == 512; ++k) EXPECT_EQ(built[k].first, k + 1) << k;
    }
}

// Third-octave points: 10 Hz * 10^(0.1 k) for k = 0..33, then 20 kHz, which at 40 kHz is the
// very last bin of the spectrum and still gets its point.
TEST(ColumnMap, ThirdOctaveResolutionPutsPointsEveryTenthDecadeEndingAtTwentyKilohertz) {
    for (float fs : {44100.0f, 40000.0f}) {
        const CColumnMap map = builtMap(fs, 4096, 3);
        ASSERT_EQ(map.count(), 35u) << fs;
        for (std::uint32_t k = 0; k < 34 && fs == 44100.0f; ++k) {  // (10 kHz lies on a bin edge at 40 kHz)
            EXPECT_EQ(map.entries()[k].bin, binAt(std::pow(10.0, 1.0 + 0.1 * k), fs, 4096)) << k;
            EXPECT_EQ(map.entries()[k].column, static_cast<std::uint32_t>(556 * 0.1 * k / std::log10(2000.0))) << k;
        }
        const qv::ColumnMapEntry last = map.entries()[34];
        EXPECT_EQ((std::pair<std::uint32_t, std::uint32_t>(last.column, last.bin)), std::pair(555u, binAt(20000.0, fs, 4096)));
    }
    // Log-spaced points stop before a point past half the rate; a rate below 1 Hz counts as 44.1 kHz.
    const CColumnMap map = builtMap(32000.0f, 4096, 3);
    EXPECT_TRUE(map.count() == 33u && map.entries()[32].bin <= 2048u);  // 10 Hz .. 15.85 kHz
    EXPECT_EQ(builtMap(0.0f, 4096, 0).sampleRate(), 44100.0f);
}

TEST(ColumnMap, EveryResolutionStepsByItsFractionOfAnOctave) {
    // 0.3 decade is about an octave: index i <= 9 steps 1/i of it, 10 two thirds, 11 three quarters.
    // Points below 20 kHz, 3.301 decades above 10 Hz, plus the one put on 20 kHz.
    const std::uint32_t expectedPoints[12] = {0, 13, 24, 35, 46, 57, 68, 79, 90, 101, 18, 16};
    for (std::uint32_t index = 1; index <= 11; ++index) {
        const CColumnMap map = builtMap(48000.0f, 16384, index);
        EXPECT_EQ(map.count(), expectedPoints[index]) << index;
        EXPECT_EQ(map.entries()[map.count() - 1].column, 555u);
        EXPECT_EQ(map.entries()[1].column, static_cast<std::uint32_t>(556 * CColumnMap::smoothingStep(index) / std::log10(2000.0)));
    }
}

TEST(ColumnMap, RebuildsOnlyWhenAKeyChanges) {
    CColumnMap map;
    const qv::ColumnMapKey key{44100.0f, 4096, 0, 10, 20000, -90, 0};
    qv::ColumnMapKey changed = key;
    changed.rangeHigh = 10;  // any field: the key compares as a whole
    const std::vector<bool> rebuilt{map.update(key), map.update(key), map.update(changed), map.update(changed),
                                    map.update(key)};
    EXPECT_EQ(rebuilt, (std::vector<bool>{true, false, true, false, true}));
}

}  // namespace
