#include "core/data_service_curves.h"
#include "data_test_support.h"

namespace {

using qvtest::builtMap;
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

TEST(CurveBuilder, SmoothedPointsTakeTheMeanPowerOfTheirBins) {
    const CColumnMap map = builtMap(44100.0f, 16384, 1);
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
    const CColumnMap map = builtMap(rate, 4096, 9);  // 1/9 octave: many points share the low bins
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
    EXPECT_TRUE(belowFirstBin > 0 && interpolated > 5) << belowFirstBin << " " << interpolated;
    EXPECT_EQ(std::pair(points.level[0], points.hasLast), std::pair(points.level[1], false));  // the first point repeated
}

// Full resolution takes the loudest bin of each point: a loud last bin shows in its own point
// and not in the next one. The largest curve a record carries has every column a point of its
// own (bins of 0.04 Hz).
TEST(CurveBuilder, TheLastBinOfEachPointAndTheLargestCurveCount) {
    const CColumnMap map = builtMap(44100.0f, 16384, 0);
    std::vector<float> p(8193, 1e-6f);
    CurvePoints points;
    int checked = 0;
    for (std::uint32_t k = 1; k + 1 < map.count(); ++k) {
        const std::uint32_t last = map.entries()[k].bin;
        if (last < map.entries()[k - 1].bin + 2) continue;  // points of one bin: nothing to miss
        p[last] = 0.5f;
        CCurveBuilder::build(map, CurveSource{p.data(), 8193}, points);
        ASSERT_NEAR(points.level[k + 1], 10.0f * std::log10(0.5f), 1e-4f) << "bin " << last;
        ASSERT_NEAR(points.level[k + 2], -60.0f, 1e-4f) << "bin " << last;
        p[last] = 1e-6f;
        ++checked;
    }
    EXPECT_GT(checked, 100);

    const std::uint32_t n = 1u << 20;
    const auto r = inverseFrequency(n, 44100.0f);
    const CColumnMap largest = builtMap(44100.0f, n, 0);
    ASSERT_EQ(largest.count(), 555u);
    CCurveBuilder::build(largest, CurveSource{r.data(), n / 2 + 1}, points);
    qv::CurveRecord record{};
    CCurveBuilder::fillRecord(record, points);
    EXPECT_EQ(std::tuple(record.valueCount, record.hasLast, record.values[556]), std::tuple(556u, 0u, -200.0f));
    EXPECT_NEAR(record.values[555], lineDb(20000.0), 0.1);  // the loudest of its three bins
}

// The first point lies at 10 Hz, interpolated when 10 Hz lies above bin 0 (16384 points: bin 3
// at 8.1 Hz, bin 4 at 10.8 Hz), else a repeat of the first entry. A 20 kHz point follows where
// the map stops short of column 555: at 190 kHz a bin (371 Hz at 512 points) is wider than the
// top columns, and at 40063 Hz and 128 points columns 554 and 555 share bin 63, the last but one.
TEST(CurveBuilder, EndPointsAtTenHertzAndTwentyKilohertz) {
    const struct { float rate; std::uint32_t n; bool first, last; } cases[] = {
        {44100.0f, 16384, true, false}, {44100.0f, 512, false, false}, {190000.0f, 512, false, true},
        {40063.0f, 128, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.n << " points");
        const auto p = inverseFrequency(c.n, c.rate);
        const CColumnMap map = builtMap(c.rate, c.n, 0);
        CurvePoints points;
        CCurveBuilder::build(map, CurveSource{p.data(), c.n / 2 + 1}, points);
        EXPECT_TRUE(!c.first || (points.hasFirst && points.column[0] == 0));
        EXPECT_NEAR(points.level[0], c.first ? lineDb(10.0) : points.level[1], 1e-3);
        ASSERT_EQ(std::pair(points.hasLast, points.count), std::pair(c.last, map.count() + (c.last ? 2 : 1)));
        EXPECT_TRUE(!c.last || (points.column[points.count - 1] == 555 &&
                                std::fabs(points.level[points.count - 1] - lineDb(20000.0)) < 1e-3));
    }
}

// Powers (factor 10) or magnitudes (20); a tilt of 3 dB per octave from 20 Hz: 640 Hz is five
// octaves up. Below 1e-34 (-340 dB, tilted or not) a level is silence, -200; records carry -200
// past their last value.
TEST(CurveBuilder, LevelsInDecibelsWithSilenceAtMinusTwoHundred) {
    const struct { float value, factor, slope, hz, db; } cases[] = {
        {0.01f, 10, 0, 1000, -20}, {0.01f, 20, 0, 1000, -40}, {1e-35f, 10, 0, 1000, -200},
        {0.0f, 10, 6, 1000, -200}, {0.01f, 10, 3, 640, -5},  {1e-37f, 10, 3, 640, -200}};
    for (const auto& c : cases) EXPECT_NEAR(CCurveBuilder::levelDb(c.value, c.factor, c.slope, c.hz), c.db, 1e-4f) << c.db;
}

}  // namespace
