// FFT path with hand-made curve records: values paired with the core's column map and placed on
// the display's own axis, stale time-out by FFT size, memory curves, the veil, the column table,
// and records that must not be drawn.
#include <cmath>

#include "core/data_service_columns.h"
#include "display_fixture.h"

namespace qv::test {

namespace {

class FftPath : public DisplayTest {
protected:
    FftPath() {
        display->setFftMode(1);
        display->setInstantResponse(true);
        display->setShowPeaks(false);
        display->setCurveFill(false);
    }
    // A record built on the core's own map for N = 4096 at 44.1 kHz.
    CurveRecord curve(std::uint32_t instance, std::uint32_t sequence, float level, std::uint32_t smoothing = 0) {
        CColumnMap map;
        map.build(44100.0f, 4096, smoothing);
        CurveRecord r{};
        r.size = CurveRecord::kSize;
        r.number = instance;
        r.sequence = sequence;
        r.valueCount = map.count() + 1;
        r.binCount = 2049;
        r.sampleRate = 44100.0f;
        r.valid = 1;
        r.hasFirst = 1;
        for (float& v : r.values) v = level;
        return r;
    }
    void show(const CurveRecord& r) {
        owner.curves = {r};
        frame();
    }
    // Highest row (above the graph bottom) of instance 0's colour at graph column x, or -1.
    std::int32_t curveRow(std::int32_t x) const {
        for (std::int32_t y = kH - 1; y >= 0; --y) {
            if (pixel(kGraphX + x, kGraphY + y) == colourPixel(0)) return y;
        }
        return -1;
    }
    std::int32_t highestAnywhere() const {
        std::int32_t best = -1;
        for (std::int32_t x = 0; x < kW; ++x) best = std::max(best, curveRow(x));
        return best;
    }
};

TEST_F(FftPath, FlatCurveHeightAndStaleLimitByFftSize) {
    const struct {
        std::uint32_t index;
        int staleFrames;  // 200 ms x 1, 2, 5 in frames of 40 ms
    } cases[] = {{0, 5}, {3, 10}, {5, 25}};
    std::uint32_t sequence = 1;
    for (const auto& c : cases) {
        display->setFftSizeIndex(c.index);
        show(curve(0, ++sequence, -45.0f));
        EXPECT_EQ(curveRow(300), 120);
        for (int k = 1; k < c.staleFrames; ++k) show(curve(0, sequence, -45.0f));
        EXPECT_EQ(curveRow(300), 120) << "index " << c.index;
        show(curve(0, sequence, -45.0f));
        EXPECT_EQ(curveRow(300), 0) << "index " << c.index;
    }
}

TEST_F(FftPath, ValuesSitAtTheCoreMapFrequenciesOnAZoomedAxis) {
    CColumnMap map;
    map.build(44100.0f, 4096, 3);
    display->setSmoothingIndex(3);
    const struct {
        float low, high;
    } axes[] = {{10.0f, 20000.0f}, {100.0f, 10000.0f}, {1000.0f, 2000.0f}};
    std::uint32_t sequence = 1;
    for (const auto& a : axes) {
        display->setFreqMin(a.low);
        display->setFreqMax(a.high);
        const display::FrequencyAxis axis(a.low, a.high, kW);
        for (std::uint32_t e : {2u, 12u, 20u}) {
            CurveRecord r = curve(0, ++sequence, -90.0f, 3);
            r.values[e + 1] = 0.0f;  // value e + 1 belongs to map entry e
            show(r);
            const std::int32_t x = axis.columnOf(CColumnMap::columnFrequency(map.entries()[e].column));
            if (x < 0) {
                EXPECT_LT(highestAnywhere(), kH - 1) << "entry " << e << " lies off the axis " << a.low;
            } else {
                EXPECT_EQ(curveRow(x), kH - 1) << "entry " << e << " axis " << a.low;
            }
        }
    }
}

TEST_F(FftPath, ColumnTableIsRebuiltOncePerAxisChange) {
    show(curve(0, 1, -45.0f));
    const std::uint32_t builds = display->columnTableBuilds();
    show(curve(0, 2, -45.0f));
    EXPECT_EQ(display->columnTableBuilds(), builds);
    display->setFreqMin(20.0f);
    show(curve(0, 3, -45.0f));
    EXPECT_EQ(display->columnTableBuilds(), builds + 1);
    show(curve(0, 4, -45.0f));
    EXPECT_EQ(display->columnTableBuilds(), builds + 1);
}

TEST_F(FftPath, RecalledMemoryReplacesTheCurveWithoutPeaks) {
    display->setShowPeaks(true);
    display->setPeakHoldEnabled(true);
    show(curve(0, 1, 0.0f));
    show(curve(0, 2, -45.0f));
    // The peak curve holds at the top while the level sits at -45.
    EXPECT_EQ(curveRow(300), kH - 1);
    display->memoryShow(0, 1, 2);
    // An empty slot (false answer, or a reply of size 0): the live curve and its peak stay, the
    // peak no longer held while a slot is shown.
    show(curve(0, 3, -45.0f));
    EXPECT_EQ(owner.memoryAsks, 1);
    EXPECT_EQ(curveRow(300), 229);
    owner.memory = std::make_unique<MemoryCurveBlock>();
    owner.memory->header = DataRequest{0, 2, 0, 1};
    show(curve(0, 4, -45.0f));
    EXPECT_EQ(curveRow(300), 219);
    // A stored curve at -67.5 dB: painted instead, and no peak curve.
    const CurveRecord shape = curve(0, 0, -67.5f);
    owner.memory->header.size = MemoryCurveBlock::kSize;
    owner.memory->valueCount = shape.valueCount;
    for (std::uint32_t k = 0; k < MemoryCurveBlock::kValues; ++k) owner.memory->values[k] = -67.5f;
    show(curve(0, 5, -45.0f));
    EXPECT_EQ(curveRow(300), 60);
    display->memoryShow(0, 1, 4);
    show(curve(0, 6, -45.0f));
    EXPECT_GT(curveRow(300), 120);
}

TEST_F(FftPath, VeilLightensTheAreaUnderTheCurve) {
    show(curve(0, 1, -45.0f));
    const std::uint32_t plain = pixel(kGraphX + 301, kGraphY + 60);
    display->setCurveFill(true);
    show(curve(0, 2, -45.0f));
    const std::uint32_t veiled = pixel(kGraphX + 301, kGraphY + 60);
    const std::uint32_t above = pixel(kGraphX + 301, kGraphY + 180);
    EXPECT_GT(veiled & 0xFF, plain & 0xFF);
    EXPECT_EQ(above, pixel(kGraphX + 301, kGraphY + 180)) << "nothing veiled above the curve";
    // 0.3 of white over the 0.3-grey slot: 0x4C + (0xFF - 0x4C) x 0.3.
    if ((plain & 0xFF) == 0x4C) {
        EXPECT_NEAR(static_cast<int>(veiled & 0xFF), 0x4C + (0xFF - 0x4C) * 3 / 10, 2);
    }
}

TEST_F(FftPath, BadRecordsAndRangesDrawNothingOutsideTheView) {
    show(curve(0, 1, -45.0f));
    ASSERT_EQ(curveRow(300), 120);
    const std::uint32_t outside = 0xFF123456u;
    const PixelSurface s = window->getBackBuffer();
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            if (x < 15 || y < 15 || x >= 635 || y >= 305) s.row(y)[x] = outside;
        }
    }
    CurveRecord nan = curve(0, 2, NAN);
    nan.values[3] = INFINITY;
    CurveRecord tooLong = curve(0, 3, 0.0f);
    tooLong.valueCount = 600;
    CurveRecord wrongMap = curve(0, 4, 0.0f);
    wrongMap.valueCount -= 7;
    CurveRecord notReady = curve(0, 5, 0.0f);
    notReady.valid = 0;
    show(nan);
    EXPECT_EQ(curveRow(300), 0);
    for (const CurveRecord& r : {tooLong, wrongMap, notReady}) {
        show(r);
        EXPECT_EQ(curveRow(300), 0) << "a record off the map is not drawn";
    }
    // More records than the display holds: the previous frame stays.
    owner.curves.assign(17, curve(0, 9, 0.0f));
    frame();
    EXPECT_EQ(curveRow(300), 0);
    // A reply of size 0 brings no new record.
    owner.curveSize = 0u;
    show(curve(0, 10, 0.0f));
    EXPECT_EQ(curveRow(300), 0);
    owner.curveSize.reset();
    const struct {
        float low, high, top, bottom;
    } ranges[] = {{1000, 1000, 0, -90}, {2000, 100, 0, -90}, {10, 20000, -90, -90}, {10, 20000, 0, 0}, {0, 1e9f, 1e30f, -1e30f}};
    std::uint32_t sequence = 20;
    for (const auto& r : ranges) {
        display->setFreqMin(r.low);
        display->setFreqMax(r.high);
        display->setLevelTop(r.top);
        display->setLevelBottom(r.bottom, false);
        for (std::uint32_t mode = 0; mode < 4; ++mode) {
            display->setAlignMode(mode);
            display->setFftMode(mode % 2);
            show(curve(0, ++sequence, 0.0f));
        }
    }
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            if (x < 15 || y < 15 || x >= 635 || y >= 305) {
                ASSERT_EQ(s.row(y)[x], outside) << x << "," << y;
            }
        }
    }
}

}  // namespace

}  // namespace qv::test
