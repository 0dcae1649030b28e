#include "support/test_common.h"

#include "core/data_service_curves.h"

namespace {

using qv::CColumnMap;
using qv::CCurveBuilder;
using qv::CurvePoints;
using qv::CurveSource;

// A power falling as 1/f: its level is a straight line over log frequency, -10 log10(f) dB, so
// log-frequency interpolation between any two bins lands on the line exactly.
std::vector<float> inverseFrequency(std::uint32_t fftSize, float rate) {
    std::vector<float> p(fftSize / 2 + 1);
    p[0] = 1.0f;
    for (std::uint32_t k = 1; k < p.size(); ++k) p[k] = static_cast<float>(fftSize / (k * static_cast<double>(rate)));
    return p;
}

double lineDb(double f) { return -10.0 * std::log10(f); }

TEST(CurveBuilder, FullResolutionTakesTheLoudestBinOfEachPoint) {
    CColumnMap map;
    map.build(44100.0f, 16384, 0);
    std::vector<float> p(8193, 1e-6f);
    p[7000] = 0.5f;  // 18.8 kHz, where one column spans about 95 bins
    CurvePoints points;
    CCurveBuilder::build(map, CurveSource{p.data(), 8193}, points);
    ASSERT_EQ(points.count, map.count() + 1);
    // The one point whose bins reach past 6999 and include 7000 is loud; every other reads -60.
    for (std::uint32_t k = 1; k < map.count(); ++k) {
        const bool loud = map.entries()[k - 1].bin < 7000 && map.entries()[k].bin >= 7000;
        EXPECT_NEAR(points.level[k + 1], loud ? 10.0f * std::log10(0.5f) : -60.0f, 1e-4f) << k;
    }
}

TEST(CurveBuilder, SmoothedPointsTakeTheMeanPowerOfTheirBins) {
    CColumnMap map;
    map.build(44100.0f, 16384, 1);
    std::vector<float> p(8193);
    for (std::uint32_t k = 0; k < p.size(); ++k) p[k] = k % 2 ? 3e-3f : 1e-3f;  // mean 2e-3
    CurvePoints points;
    CCurveBuilder::build(map, CurveSource{p.data(), 8193}, points);
    ASSERT_EQ(points.count, map.count() + 1);
    // From 1 kHz on a point spans hundreds of bins; an odd count barely moves the mean.
    for (std::uint32_t k = 7; k < map.count(); ++k) EXPECT_NEAR(points.level[k + 1], 10.0f * std::log10(2e-3f), 0.05f) << k;
}

TEST(CurveBuilder, PointsWithoutABinInterpolateInLogFrequency) {
    const float rate = 44100.0f;
    CColumnMap map;
    map.build(rate, 4096, 9);  // 1/9 octave: many points share the low bins
    const auto p = inverseFrequency(4096, rate);
    const float slope = 3.0f;
    CurvePoints points;
    CCurveBuilder::build(map, CurveSource{p.data(), 2049, 10.0f, 0.0f, slope}, points);
    const double binHz = rate / 4096.0;
    int interpolated = 0, belowFirstBin = 0;
    std::uint32_t next = map.firstBin() + 1;
    for (std::uint32_t k = 0; k < map.count(); ++k) {
        const qv::ColumnMapEntry& e = map.entries()[k];
        const double f = CColumnMap::columnFrequency(e.column);
        if (next > e.bin && e.bin == 0) {
            // Below the first bin: bin 1's level, tilted by the slope to bin 1's frequency.
            EXPECT_NEAR(points.level[k + 1], lineDb(binHz) + slope * std::log2(binHz / 20.0), 1e-3);
            ++belowFirstBin;
        } else if (next > e.bin) {
            EXPECT_NEAR(points.level[k + 1], lineDb(f), 1e-3) << k;
            ++interpolated;
        }
        next = e.bin + 1;
    }
    EXPECT_GT(belowFirstBin, 0);
    EXPECT_GT(interpolated, 5);
    EXPECT_EQ(points.level[0], points.level[1]);  // smoothed curves repeat their first point
    EXPECT_FALSE(points.hasLast);
}

TEST(CurveBuilder, FirstPointIsInterpolatedAtTenHertz) {
    const auto p = inverseFrequency(16384, 44100.0f);
    CColumnMap map;
    map.build(44100.0f, 16384, 0);  // bin 3 lies at 8.1 Hz, bin 4 at 10.8 Hz
    CurvePoints points;
    CCurveBuilder::build(map, CurveSource{p.data(), 8193}, points);
    EXPECT_TRUE(points.hasFirst && points.column[0] == 0);
    EXPECT_NEAR(points.level[0], lineDb(10.0), 1e-3);

    // When 10 Hz falls into bin 0 the first point repeats the first entry.
    const auto small = inverseFrequency(512, 44100.0f);
    map.build(44100.0f, 512, 0);
    CCurveBuilder::build(map, CurveSource{small.data(), 257}, points);
    EXPECT_EQ(points.level[0], points.level[1]);
}

TEST(CurveBuilder, LastPointAtTwentyKilohertzWhenTheMapStopsShortOfTheLastColumn) {
    // At 190 kHz with 512 points a bin (371 Hz) is wider than the top columns (272 Hz apart),
    // and column 555 shares the bin of the column before it, so it gets no entry.
    const float rate = 190000.0f;
    const auto p = inverseFrequency(512, rate);
    CColumnMap map;
    map.build(rate, 512, 0);
    ASSERT_LT(map.entries()[map.count() - 1].column, 555u);
    CurvePoints points;
    CCurveBuilder::build(map, CurveSource{p.data(), 257}, points);
    ASSERT_TRUE(points.hasLast);
    EXPECT_EQ(std::pair(points.count, points.column[points.count - 1]), std::pair(map.count() + 2, std::uint16_t{555}));
    EXPECT_NEAR(points.level[points.count - 1], lineDb(20000.0), 1e-3);

    // At 44.1 kHz every top column has a bin of its own: no extra point.
    const auto q = inverseFrequency(512, 44100.0f);
    map.build(44100.0f, 512, 0);
    CCurveBuilder::build(map, CurveSource{q.data(), 257}, points);
    EXPECT_FALSE(points.hasLast);
}

// The edges of the map: the last bin a point covers, 20 kHz in the last bin but one, and the
// largest curve a record carries (every column a point of its own).
TEST(CurveBuilder, TheLastBinOfEachPointAndTheLargestCurveCount) {
    CColumnMap map;
    map.build(44100.0f, 16384, 0);
    std::vector<float> p(8193, 1e-6f);
    CurvePoints points;
    int checked = 0;
    for (std::uint32_t k = 1; k < map.count(); ++k) {
        const std::uint32_t last = map.entries()[k].bin;
        if (last < map.entries()[k - 1].bin + 2) continue;  // points of one bin: nothing to miss
        p[last] = 0.5f;
        CCurveBuilder::build(map, CurveSource{p.data(), 8193}, points);
        ASSERT_NEAR(points.level[k + 1], 10.0f * std::log10(0.5f), 1e-4f) << "bin " << last;
        p[last] = 1e-6f;
        ++checked;
    }
    EXPECT_GT(checked, 100);

    // At 40063 Hz and 128 points columns 554 and 555 share bin 63, the last but one: the map ends
    // at column 554 and the 20 kHz point interpolates bins 63 and 64.
    const auto q = inverseFrequency(128, 40063.0f);
    map.build(40063.0f, 128, 0);
    ASSERT_EQ(map.entries()[map.count() - 1].column, 554u);
    ASSERT_EQ(map.binOf(20000.0), 63u);
    CCurveBuilder::build(map, CurveSource{q.data(), 65}, points);
    EXPECT_TRUE(points.hasLast && points.column[points.count - 1] == 555);
    EXPECT_NEAR(points.level[points.count - 1], lineDb(20000.0), 1e-3);

    const std::uint32_t n = 1u << 20;  // bins of 0.04 Hz: every column but the first has its own
    const auto r = inverseFrequency(n, 44100.0f);
    map.build(44100.0f, n, 0);
    ASSERT_EQ(map.count(), 555u);
    CCurveBuilder::build(map, CurveSource{r.data(), n / 2 + 1}, points);
    qv::CurveRecord record{};
    CCurveBuilder::fillRecord(record, points);
    EXPECT_EQ(std::tuple(record.valueCount, record.hasLast, record.values[556]), std::tuple(556u, 0u, -200.0f));
    EXPECT_NEAR(record.values[555], lineDb(20000.0), 0.1);  // the loudest of its three bins
}

TEST(CurveBuilder, LevelsInDecibelsWithSilenceAtMinusTwoHundred) {
    // Powers (factor 10) or magnitudes (20); a tilt of 3 dB per octave from 20 Hz: 640 Hz is five
    // octaves up.
    const struct {
        float value, factor, slope;
        double hz;
        float db;
    } cases[] = {{0.01f, 10, 0, 1000, -20}, {0.01f, 20, 0, 1000, -40}, {1e-35f, 10, 0, 1000, -200},
                 {0.0f, 10, 6, 1000, -200}, {0.01f, 10, 3, 640, -5}};
    for (const auto& c : cases) EXPECT_NEAR(CCurveBuilder::levelDb(c.value, c.factor, c.slope, c.hz), c.db, 1e-4f) << c.db;

    // A silent spectrum fills the whole record with -200.
    CColumnMap map;
    map.build(44100.0f, 4096, 0);
    std::vector<float> silence(2049, 0.0f);
    CurvePoints points;
    CCurveBuilder::build(map, CurveSource{silence.data(), 2049}, points);
    qv::CurveRecord record{};
    CCurveBuilder::fillRecord(record, points);
    EXPECT_EQ(record.valueCount, map.count() + 1);
    EXPECT_TRUE(std::all_of(std::begin(record.values), std::end(record.values), [](float v) { return v == -200.0f; }));
}

}  // namespace
