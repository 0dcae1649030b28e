// FFT path with hand-made curve records: values paired with the core's column map and placed on
// the display's own axis, stale time-out by FFT size, memory curves, the veil, the column table,
// and records that must not be drawn.

#include "display_fixture.h"

namespace qv::test {
namespace {

class FftPath : public DisplayTest {
protected:
    FftPath() {
        display->setFftMode(1), display->setInstantResponse(true);
        display->setShowPeaks(false), display->setCurveFill(false);
    }
    void show(const CurveRecord& r) { owner.curves = {r}, frame(); }
    std::int32_t curveRow(std::int32_t x) const { return topRow(kGraphX + x, colourPixel(0)); }
};

TEST_F(FftPath, FlatCurveHeightAndStaleLimitByFftSize) {
    std::uint32_t sequence = 1;
    // 200 ms x 1, 2, 5 in frames of 40 ms.
    for (const auto& [index, staleFrames] : {std::pair(0u, 5), std::pair(3u, 10), std::pair(5u, 25)}) {
        display->setFftSizeIndex(index);
        show(curveRecord(0, ++sequence, -45.0f));
        EXPECT_EQ(curveRow(300), 120);
        for (int k = 1; k < staleFrames; ++k) show(curveRecord(0, sequence, -45.0f));
        EXPECT_EQ(curveRow(300), 120) << "index " << index;
        show(curveRecord(0, sequence, -45.0f));
        EXPECT_EQ(curveRow(300), 0) << "index " << index;
    }
}

TEST_F(FftPath, ValuesSitAtTheCoreMapFrequenciesOnAZoomedAxis) {
    CColumnMap map;
    map.build(44100.0f, 4096, 3);
    display->setSmoothingIndex(3);
    std::uint32_t sequence = 1;
    for (const auto& [low, high] : {std::pair(10.0f, 20000.0f), std::pair(100.0f, 10000.0f), std::pair(1000.0f, 2000.0f)}) {
        display->setFreqMin(low), display->setFreqMax(high);
        const std::uint32_t builds = display->columnTableBuilds();
        const display::FrequencyAxis axis(low, high, kW);
        for (std::uint32_t e : {2u, 12u, 20u}) {
            CurveRecord r = curveRecord(0, ++sequence, -90.0f, 3);
            r.values[e + 1] = 0.0f;  // value e + 1 belongs to map entry e
            show(r);
            const std::int32_t x = axis.columnOf(CColumnMap::columnFrequency(map.entries()[e].column));
            if (x < 0) {
                for (std::int32_t c = 0; c < kW; ++c) EXPECT_LT(curveRow(c), kH - 1) << "entry " << e << " off the axis";
            } else {
                EXPECT_EQ(curveRow(x), kH - 1) << "entry " << e << " axis " << low;
            }
        }
        // One rebuild of the column table per axis change, none on the frames after it.
        EXPECT_EQ(display->columnTableBuilds(), builds + 1);
    }
}

TEST_F(FftPath, RecalledMemoryReplacesTheCurveWithoutPeaks) {
    display->setShowPeaks(true), display->setPeakHoldEnabled(true);
    show(curveRecord(0, 1, 0.0f));
    show(curveRecord(0, 2, -45.0f));
    // The peak curve holds at the top while the level sits at -45.
    EXPECT_EQ(curveRow(300), kH - 1);
    display->memoryShow(0, 1, 2);
    // An empty slot (false answer, or a reply of size 0): the live curve and its peak stay, the
    // peak no longer held while a slot is shown.
    show(curveRecord(0, 3, -45.0f));
    EXPECT_EQ(std::pair(owner.memoryAsks, curveRow(300)), std::pair(1, 229));
    owner.memory = std::make_unique<MemoryCurveBlock>();
    owner.memory->header = DataRequest{0, 2, 0, 1};
    show(curveRecord(0, 4, -45.0f));
    EXPECT_EQ(curveRow(300), 219);
    // A stored curve at -67.5 dB: painted instead, and no peak curve.
    owner.memory->header.size = MemoryCurveBlock::kSize;
    owner.memory->valueCount = curveRecord(0, 0, 0.0f).valueCount;
    for (std::uint32_t k = 0; k < MemoryCurveBlock::kValues; ++k) owner.memory->values[k] = -67.5f;
    show(curveRecord(0, 5, -45.0f));
    EXPECT_EQ(curveRow(300), 60);
    display->memoryShow(0, 1, 4), show(curveRecord(0, 6, -45.0f));
    EXPECT_GT(curveRow(300), 120);
}

TEST_F(FftPath, VeilLightensTheAreaUnderTheCurveOnly) {
    show(curveRecord(0, 1, -45.0f));
    const std::uint32_t above = pixel(kGraphX + 301, kGraphY + 180);
    EXPECT_EQ(pixel(kGraphX + 301, kGraphY + 60) & 0xFF, 0x4Cu);
    display->setCurveFill(true), show(curveRecord(0, 2, -45.0f));
    // 0.3 of white over the 0.3-grey slot: 0x4C + (0xFF - 0x4C) x 0.3.
    EXPECT_NEAR(static_cast<int>(pixel(kGraphX + 301, kGraphY + 60) & 0xFF), 0x4C + (0xFF - 0x4C) * 3 / 10, 2);
    EXPECT_EQ(pixel(kGraphX + 301, kGraphY + 180), above);
}

TEST_F(FftPath, BadRecordsAndRangesDrawNothingOutsideTheView) {
    show(curveRecord(0, 1, -45.0f));
    ASSERT_EQ(curveRow(300), 120);
    // Everything outside the view is marked; it must stay marked.
    const PixelSurface s = window->getBackBuffer();
    const auto outsideView = [](std::int32_t x, std::int32_t y) { return x < 15 || y < 15 || x >= 635 || y >= 305; };
    for (std::int32_t k = 0; k < width * height; ++k)
        if (outsideView(k % width, k / width)) s.bits[k] = 0xFF123456u;
    CurveRecord bad[4] = {curveRecord(0, 2, NAN), curveRecord(0, 3, 0), curveRecord(0, 4, 0), curveRecord(0, 5, 0)};
    bad[0].values[3] = INFINITY;
    bad[1].valueCount = 600;   // longer than a record
    bad[2].valueCount -= 7;    // not built on this map
    bad[3].valid = 0;          // no spectrum
    for (const CurveRecord& r : bad) {
        show(r);
        EXPECT_EQ(curveRow(300), r.valid ? 0 : -1) << r.sequence;  // one without a spectrum is not drawn
    }
    // More records than the display holds: the previous frame stays.
    owner.curves.assign(17, curveRecord(0, 9, 0.0f)), frame();
    EXPECT_EQ(curveRow(300), -1);
    // A reply of size 0 (another instance has no spectrum) still carries this one's record.
    owner.curveSize = 0u, show(curveRecord(0, 10, 0.0f));
    EXPECT_EQ(curveRow(300), kH - 1);
    owner.curveSize.reset();
    // Sixteen, the most it holds, are taken.
    owner.curves.assign(16, curveRecord(0, 11, -45.0f)), frame();
    EXPECT_EQ(curveRow(300), 120);
    // Frequency low, high and level top, bottom.
    const float ranges[][4] = {{1000, 1000, 0, -90}, {2000, 100, 0, -90}, {10, 20000, -90, -90}, {10, 20000, 0, 0},
                               {0, 1e9f, 1e30f, -1e30f}};
    std::uint32_t sequence = 20;
    for (const auto& r : ranges) {
        display->setFreqMin(r[0]), display->setFreqMax(r[1]);
        display->setLevelTop(r[2]), display->setLevelBottom(r[3], false);
        for (std::uint32_t mode = 0; mode < 8; ++mode) {
            display->setAlignMode(mode / 2), display->setFftMode(mode % 2);
            show(curveRecord(0, ++sequence, 0.0f));
        }
    }
    for (std::int32_t k = 0; k < width * height; ++k)
        ASSERT_TRUE(!outsideView(k % width, k / width) || s.bits[k] == 0xFF123456u) << k % width << "," << k / width;
}

}  // namespace
}  // namespace qv::test
