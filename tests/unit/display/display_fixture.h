// The spectrum display's fixture: a headless window of 650 x 335 with the display at
// (15, 15, 620, 290), graph at (32, 32) inside it, bars 16 wide with gap 2, H = 241, and an owner
// that answers the display's data requests either from scripted records or from a real core.
#pragma once

#include <optional>

#include "core/data_request.h"
#include "core/data_service_columns.h"
#include "core/plugin.h"
#include "display/display_data_source.h"
#include "display/spectrum_display.h"
#include "unit/controls/headless_rig.h"

namespace qv::test {

class DisplayOwner : public RecordingOwner, public IDisplayDataSource {
public:
    float getTimerPeriod() const override { return 40.0f; }
    // Scripted answers unless a core answers: type 0 bands, 1 curves, 2 the memory block.
    bool getData(void* request) override {
        if (core) return core->getData(request);
        DataRequest h;
        std::memcpy(&h, request, sizeof(h));
        auto* out = static_cast<std::uint8_t*>(request);
        const auto n = static_cast<std::uint32_t>(h.type == 0 ? bands.size() : curves.size());
        if (h.type == 0) {
            if (n) std::memcpy(out + 16, bands.data(), 272 * std::min(n, (h.size - 16) / 272));
            const DataRequest reply{16 + 272 * n, 0, bandAnswer, bandCount ? bandCount : n};
            std::memcpy(out, &reply, sizeof(reply));
        } else if (h.type == 1) {
            if (n) std::memcpy(out + 32, curves.data(), sizeof(CurveRecord) * std::min(n, (h.size - 32) / 2284));
            const CurvesReplyHeader reply{curveSize.value_or(32 + 2284 * n), n, 0, 0, 10.0f, 20000.0f, {}};
            std::memcpy(out, &reply, sizeof(reply));
        } else if (h.type == 2 && ++memoryAsks && memory) {
            std::memcpy(out, memory.get(), sizeof(MemoryCurveBlock));
        } else {
            return false;
        }
        return true;
    }
    bool putData(void* request) override {
        std::memcpy(&puts.emplace_back(), request, sizeof(Put));
        return true;
    }

    CPlugin* core = nullptr;
    std::vector<BandLevelRecord> bands;
    std::uint32_t bandAnswer = 1, bandCount = 0;  // bandCount 0: the number of records
    std::vector<CurveRecord> curves;
    std::optional<std::uint32_t> curveSize;
    std::unique_ptr<MemoryCurveBlock> memory;
    int memoryAsks = 0;
    struct Put { DataRequest header; BandLevelRecord record; };
    std::vector<Put> puts;
};

inline BandLevelRecord bandRecord(std::uint32_t instance, std::uint32_t sequence, float level, float peak,
                                  std::uint32_t hidden = 0) {
    BandLevelRecord r{272, 0, 0, instance, sequence, hidden, {}, {}};
    for (float& v : r.levels) v = level;
    for (float& v : r.peaks) v = peak;
    return r;
}

// A flat curve record built on the core's own column map for N = 4096 at 44.1 kHz.
inline CurveRecord curveRecord(std::uint32_t instance, std::uint32_t sequence, float level, std::uint32_t smoothing = 0) {
    CColumnMap map;
    map.build(44100.0f, 4096, smoothing);
    CurveRecord r{CurveRecord::kSize, 0, 0, instance, sequence, 0, map.count() + 1, 2049, 44100.0f, 1, {}, 1, 0, {}};
    for (float& v : r.values) v = level;
    return r;
}

class DisplayTest : public HeadlessTest<DisplayOwner> {
protected:
    // Window coordinates of the graph's lower-left; its height, width and band pitch.
    static constexpr std::int32_t kGraphX = 47, kGraphY = 47, kH = 241, kW = 556, kPitch = 18;

    DisplayTest() : HeadlessTest(650, 335) {
        auto* panel = new CViewContainer(&owner, CRect{0, 0, width, height});
        window->getCurrentPage()->addContainer(panel);
        display = new CSpectrumDisplay(&owner, 77, CRect{15, 15, 620, 290}, CRect{32, 32, 16, 241}, 2, 16, 8, 938, 1);
        panel->addView(display);
        display->setSlope(0.0f);
        // Pure colours so that pixels name their instance.
        for (std::uint32_t i = 0; i < 3; ++i) display->setInstanceColor(i, i == 0, i == 1, i == 2);
    }

    void frame() { headless->tick(); }
    static std::uint32_t colourPixel(std::uint32_t i) { return 0xFF000000u | 0xFF0000u >> (8 * i); }
    static std::int32_t bandX(std::int32_t b) { return kGraphX + b * kPitch; }
    // Rows of colour p counted up from the graph bottom at window column x.
    std::int32_t runFromBottom(std::int32_t x, std::uint32_t p) const {
        std::int32_t h = 0;
        while (h < kH && pixel(x, kGraphY + h) == p) ++h;
        return h;
    }
    // Highest graph row of colour p at window column x, or -1.
    std::int32_t topRow(std::int32_t x, std::uint32_t p) const {
        std::int32_t y = kH - 1;
        while (y >= 0 && pixel(x, kGraphY + y) != p) --y;
        return y;
    }
    // Presses the left button at graph point (px, py) and reads the display's readout.
    std::pair<float, float> readAt(std::int32_t px, std::int32_t py) {
        press(1, 0, kGraphX + px, kGraphY + py);
        float f = 0, l = 0;
        EXPECT_TRUE(display->getReadout(f, l));
        headless->mouseUp(1, 0, 0);
        return {f, l};
    }

    CSpectrumDisplay* display = nullptr;
};

}  // namespace qv::test
