// One fixture for the spectrum display: a headless window of 650 x 335 with the display at
// (15, 15, 620, 290), graph at (32, 32) inside it, bars 16 wide with gap 2, H = 241, and an owner
// that answers the display's data requests either from scripted records or from a real core.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "core/data_request.h"
#include "core/plugin.h"
#include "display/display_data_source.h"
#include "display/spectrum_display.h"
#include "gui/color.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/png_writer.h"
#include "gui/window_owner.h"

namespace qv::test {

class DisplayOwner : public CWindowOwner, public CViewOwner, public IDisplayDataSource {
public:
    void buildControls() override { window->addPage(new CPage); }
    void getRect(CRect& r) const override { r = CRect{0, 0, window->getWidth(), window->getHeight()}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window ? window->getDrawContext() : nullptr; }
    void valueChanged(std::uint32_t, float) override { ++notifications; }
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}
    float getTimerPeriod() const override { return 40.0f; }

    // Scripted answers unless a core answers.
    bool getData(void* request) override {
        if (core) return core->getData(request);
        DataRequest h;
        std::memcpy(&h, request, sizeof(h));
        auto* out = static_cast<std::uint8_t*>(request);
        if (h.type == 0) {
            const std::uint32_t n = static_cast<std::uint32_t>(bands.size());
            if (h.size < 16 + 272 * std::min(n, 16u)) return false;
            std::memcpy(out + 16, bands.data(), 272 * std::min(n, (h.size - 16) / 272));
            const DataRequest reply{16 + 272 * n, 0, bandAnswer, bandCount ? bandCount : n};
            std::memcpy(out, &reply, sizeof(reply));
            return true;
        }
        if (h.type == 1) {
            const auto n = static_cast<std::uint32_t>(curves.size());
            std::memcpy(out + 32, curves.data(), sizeof(CurveRecord) * std::min(n, (h.size - 32) / 2284));
            CurvesReplyHeader reply{curveSize ? *curveSize : 32 + 2284 * n, n, 0, 0, 10.0f, 20000.0f, {}};
            std::memcpy(out, &reply, sizeof(reply));
            return true;
        }
        if (h.type == 2) {
            ++memoryAsks;
            if (!memory) return false;
            std::memcpy(out, memory.get(), sizeof(MemoryCurveBlock));
            return true;
        }
        return false;
    }
    bool putData(void* request) override {
        DataRequest h;
        std::memcpy(&h, request, sizeof(h));
        BandLevelRecord r;
        std::memcpy(&r, static_cast<std::uint8_t*>(request) + 16, sizeof(r));
        puts.push_back({h, r});
        return core ? core->putData(request) : true;
    }

    CGuiWindow* window = nullptr;
    CPlugin* core = nullptr;
    std::vector<BandLevelRecord> bands;
    std::uint32_t bandAnswer = 1;
    std::uint32_t bandCount = 0;  // 0: the number of records
    std::vector<CurveRecord> curves;
    std::optional<std::uint32_t> curveSize;
    std::unique_ptr<MemoryCurveBlock> memory;
    int memoryAsks = 0;
    int notifications = 0;
    struct Put {
        DataRequest header;
        BandLevelRecord record;
    };
    std::vector<Put> puts;
};

inline BandLevelRecord bandRecord(std::uint32_t instance, std::uint32_t sequence, float level, float peak,
                                  std::uint32_t hidden = 0) {
    BandLevelRecord r{};
    r.size = 272;
    r.source = instance;
    r.sequence = sequence;
    r.flag = hidden;
    for (float& v : r.levels) v = level;
    for (float& v : r.peaks) v = peak;
    return r;
}

class DisplayTest : public ::testing::Test {
protected:
    static constexpr std::int32_t kWidth = 650;
    static constexpr std::int32_t kHeight = 335;
    static constexpr std::int32_t kGraphX = 47;  // window coordinates of the graph's lower-left
    static constexpr std::int32_t kGraphY = 47;
    static constexpr std::int32_t kH = 241;
    static constexpr std::int32_t kW = 556;
    static constexpr std::int32_t kPitch = 18;

    DisplayTest() {
        window = new CGuiWindow(&owner, 0, kWidth, kHeight, nullptr, nullptr);
        owner.window = window;
        window->setTimerPeriod(40.0f);
        window->open(-1, -1);
        headless = dynamic_cast<CHeadlessWindow*>(window->getNativeWindow());
        headless->advance(1000.0);
        panel = new CViewContainer(&owner, CRect{0, 0, kWidth, kHeight});
        window->getCurrentPage()->addContainer(panel);
        display = new CSpectrumDisplay(&owner, 77, CRect{15, 15, 620, 290}, CRect{32, 32, 16, 241}, 2, 16, 8, 938, 1);
        panel->addView(display);
        display->setSlope(0.0f);
        // Pure colours so that pixels name their instance.
        static constexpr float kRgb[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        for (std::uint32_t i = 0; i < 3; ++i) display->setInstanceColor(i, kRgb[i][0], kRgb[i][1], kRgb[i][2]);
    }
    ~DisplayTest() override { CGuiWindow::dispose(window); }

    void frame(int count = 1) {
        for (int k = 0; k < count; ++k) headless->tick();
    }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return window->getBackBuffer().row(y)[x]; }
    static std::uint32_t colourPixel(std::uint32_t i) {
        static constexpr std::uint32_t kPixels[3] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
        return kPixels[i];
    }
    // Rows of colour p counted up from the graph bottom at window column x.
    std::int32_t runFromBottom(std::int32_t x, std::uint32_t p) const {
        std::int32_t h = 0;
        while (h < kH && pixel(x, kGraphY + h) == p) ++h;
        return h;
    }
    // Row (above the graph bottom) of the white upper edge of a peak mark at column x, or -1.
    std::int32_t peakRow(std::int32_t x) const {
        for (std::int32_t y = kH - 1; y >= 0; --y) {
            if (pixel(x, kGraphY + y) == 0xFFFFFFFFu) return y;
        }
        return -1;
    }
    // Band b's first column, window coordinates.
    static std::int32_t bandX(std::int32_t b) { return kGraphX + b * kPitch; }
    void savePng(const std::string& name) const {
        writePngFile(std::string(QV_TEST_OUT_DIR) + "/" + name + ".png", window->getBackBuffer());
    }
    // Press and release the left button at a graph point (px, py).
    void measureAt(std::int32_t px, std::int32_t py) {
        headless->advance(100.0);
        headless->mouseDown(1, 0, kGraphX + px, kHeight - 1 - (kGraphY + py));
    }
    void releaseMouse() { headless->mouseUp(1, 0, 0); }

    DisplayOwner owner;
    CGuiWindow* window = nullptr;
    CHeadlessWindow* headless = nullptr;
    CViewContainer* panel = nullptr;
    CSpectrumDisplay* display = nullptr;
};

}  // namespace qv::test
