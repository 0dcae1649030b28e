#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "core/data_service_columns.h"

namespace {

using qv::CColumnMap;

// Column c's frequency, computed here independently of the table.
double columnHz(std::uint32_t c) { return std::pow(10.0, 1.0 + c / 555.0 * std::log10(2000.0)); }

TEST(ColumnMap, AxisRunsLogarithmicallyFromTenHzToTwentyKilohertz) {
    EXPECT_FLOAT_EQ(CColumnMap::columnFrequency(0), 10.0f);
    EXPECT_FLOAT_EQ(CColumnMap::columnFrequency(555), 20000.0f);
    for (std::uint32_t c : {1u, 100u, 277u, 554u}) EXPECT_NEAR(CColumnMap::columnFrequency(c), columnHz(c), columnHz(c) * 1e-6);
}

TEST(ColumnMap, FullResolutionAtSmallSizeGivesEveryLowBinItsOwnPoint) {
    CColumnMap map;
    map.build(44100.0f, 512, 0);
    ASSERT_GT(map.count(), 100u);
    EXPECT_EQ(map.firstBin(), 0u);
    // Below about 6 kHz a bin (86 Hz) is wider than a column: bins 1, 2, 3, ... one point each.
    for (std::uint32_t k = 0; k < 70; ++k) EXPECT_EQ(map.entries()[k].bin, k + 1) << k;
    // Each point sits at the first column that falls into its bin.
    for (std::uint32_t k = 0; k < 70; ++k) {
        const std::uint32_t c = map.entries()[k].column;
        EXPECT_EQ(static_cast<std::uint32_t>(512 * columnHz(c) / 44100.0), k + 1);
        EXPECT_EQ(static_cast<std::uint32_t>(512 * columnHz(c - 1) / 44100.0), k);
    }
    // Higher up the columns are the wider ones: bins strictly rise, every column a point.
    for (std::uint32_t k = 1; k < map.count(); ++k) EXPECT_GT(map.entries()[k].bin, map.entries()[k - 1].bin);
    EXPECT_EQ(map.entries()[map.count() - 1].column, 555u);
}

TEST(ColumnMap, FullResolutionAtLargeSizeGivesOnePointEachTimeTheBinChanges) {
    CColumnMap map;
    map.build(44100.0f, 16384, 0);
    EXPECT_EQ(map.firstBin(), 3u);  // trunc(16384 * 10 / 44100)
    std::vector<std::pair<std::uint32_t, std::uint32_t>> expected;
    std::uint32_t previous = 3;
    for (std::uint32_t c = 0; c < 556; ++c) {
        const auto bin = static_cast<std::uint32_t>(16384 * columnHz(c) / 44100.0);
        if (bin != previous) expected.emplace_back(bin, c);
        previous = bin;
    }
    ASSERT_EQ(map.count(), expected.size());
    EXPECT_LT(map.count(), 556u);  // many low columns share a bin
    for (std::uint32_t k = 0; k < map.count(); ++k) {
        EXPECT_EQ(map.entries()[k].bin, expected[k].first);
        EXPECT_EQ(map.entries()[k].column, expected[k].second);
    }
}

TEST(ColumnMap, ThirdOctaveResolutionPutsPointsEveryTenthDecadeEndingAtTwentyKilohertz) {
    CColumnMap map;
    map.build(44100.0f, 4096, 3);
    ASSERT_EQ(map.count(), 35u);  // 10 Hz * 10^(0.1 k) for k = 0..33, then 20 kHz
    for (std::uint32_t k = 0; k < 34; ++k) {
        const double f = std::pow(10.0, 1.0 + 0.1 * k);
        EXPECT_EQ(map.entries()[k].bin, static_cast<std::uint32_t>(4096 * f / 44100.0)) << k;
        EXPECT_EQ(map.entries()[k].column, static_cast<std::uint32_t>(556 * 0.1 * k / std::log10(2000.0))) << k;
    }
    EXPECT_EQ(map.entries()[34].column, 555u);
    EXPECT_EQ(map.entries()[34].bin, static_cast<std::uint32_t>(4096 * 20000.0 / 44100.0));
}

TEST(ColumnMap, EveryResolutionStepsByItsFractionOfAnOctave) {
    // 0.3 decade is about an octave: index i <= 9 steps 1/i of it, 10 two thirds, 11 three quarters.
    // Points below 20 kHz, 3.301 decades above 10 Hz, plus the one put on 20 kHz.
    const std::uint32_t expectedPoints[12] = {0, 13, 24, 35, 46, 57, 68, 79, 90, 101, 18, 16};
    for (std::uint32_t index = 1; index <= 11; ++index) {
        CColumnMap map;
        map.build(48000.0f, 16384, index);
        EXPECT_EQ(map.count(), expectedPoints[index]) << index;
        EXPECT_EQ(map.entries()[map.count() - 1].column, 555u);
        EXPECT_EQ(map.entries()[1].column, static_cast<std::uint32_t>(556 * CColumnMap::smoothingStep(index) / std::log10(2000.0)));
    }
}

TEST(ColumnMap, LowSampleRatesEndTheMapBelowHalfTheRate) {
    CColumnMap map;
    map.build(32000.0f, 4096, 0);
    // The column of 16 kHz lies at 538.7: the map uses the 538 columns below it.
    const double position16k = 555.0 * (std::log10(16000.0) - 1.0) / std::log10(2000.0);
    EXPECT_EQ(map.usableColumns(), static_cast<std::uint32_t>(position16k));
    EXPECT_EQ(map.entries()[map.count() - 1].column, static_cast<std::uint32_t>(position16k) - 1);
    EXPECT_LT(map.entries()[map.count() - 1].bin, 2048u);

    // Log-spaced points stop before a point past half the rate.
    map.build(32000.0f, 4096, 3);
    EXPECT_EQ(map.count(), 33u);  // 10 Hz .. 15.85 kHz
    EXPECT_LE(map.entries()[map.count() - 1].bin, 2048u);

    // From 40000.1 Hz on every column is usable; a rate below 1 Hz counts as 44.1 kHz.
    map.build(48000.0f, 4096, 0);
    EXPECT_EQ(map.usableColumns(), 556u);
    map.build(0.0f, 4096, 0);
    EXPECT_EQ(map.sampleRate(), 44100.0f);
}

TEST(ColumnMap, RebuildsOnlyWhenAKeyChanges) {
    CColumnMap map;
    qv::ColumnMapKey key{44100.0f, 4096, 0, 10, 20000, -90, 0};
    EXPECT_TRUE(map.update(key));
    EXPECT_FALSE(map.update(key));
    for (auto change : {+[](qv::ColumnMapKey& k) { k.sampleRate = 48000.0f; }, +[](qv::ColumnMapKey& k) { k.fftSize = 8192; },
                        +[](qv::ColumnMapKey& k) { k.smoothingIndex = 2; }, +[](qv::ColumnMapKey& k) { k.freqLow = 20; },
                        +[](qv::ColumnMapKey& k) { k.freqHigh = 10000; }, +[](qv::ColumnMapKey& k) { k.rangeLow = -80; },
                        +[](qv::ColumnMapKey& k) { k.rangeHigh = 10; }}) {
        qv::ColumnMapKey changed = key;
        change(changed);
        EXPECT_TRUE(map.update(changed));
        EXPECT_FALSE(map.update(changed));
        EXPECT_TRUE(map.update(key));
    }
}

}  // namespace
