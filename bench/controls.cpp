// A refresh pass of the view toolkit over one panel of 120 controls at 752 x 563 through the
// headless backend: a background picture, knobs, switches, buttons, swatches, an off-screen layer
// and transparent labels. Each iteration changes 10 of them (4 knobs, 2 switches, 2 label texts, a
// swatch, a memory switch) and runs one pass. Budget: 0.3 ms per pass, and no allocation in a
// pass (every operator new of the drawing thread is counted while it draws).
// Reference in the same run: one plain copy of the back buffer (what a blit moves).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "controls/color_swatch.h"
#include "controls/dib_view.h"
#include "controls/kick_button.h"
#include "controls/knob.h"
#include "controls/memory_switch.h"
#include "controls/on_off_switch.h"
#include "controls/picture.h"
#include "controls/step_button.h"
#include "controls/switch_multi.h"
#include "controls/text_label.h"
#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/bitmap.h"
#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/pixel.h"
#include "gui/png_writer.h"
#include "gui/window_owner.h"

#include "allocation_counter.h"
#include "full_window_copy.h"

namespace {

using namespace qv;

constexpr double kBudgetMs = 0.3;
constexpr std::int32_t kWidth = 752, kHeight = 563;

// A bitmap of frames stacked along y (x when horizontal), each a gradient of its own tint.
CBitmap* makeStrip(CGuiWindow& window, std::int32_t w, std::int32_t h, std::int32_t frames, bool horizontal = false,
                   std::uint32_t alpha = 255) {
    const std::int32_t fw = horizontal ? w * frames : w, fh = horizontal ? h : h * frames;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(fw) * fh);
    for (std::int32_t y = 0; y < fh; ++y) {
        for (std::int32_t x = 0; x < fw; ++x) {
            const std::int32_t k = horizontal ? x / w : y / h;
            px[static_cast<std::size_t>(y) * fw + x] = packPixel(k * 37 + x, k * 11 + y, 120, alpha);
        }
    }
    const auto png = encodePng(PixelSurface{px.data(), fw, fh}, PngAlpha::kKeep);
    auto* bitmap = new CBitmap(png.data(), png.size());
    window.addResource(bitmap);
    return bitmap;
}

class Editor : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override {
        auto* page = new CPage;
        auto* panel = new CViewContainer(this, CRect{0, 0, kWidth, kHeight});
        CGuiWindow& w = *window;
        panel->addView(new CPicture(this, CPoint{0, 0}, makeStrip(w, kWidth, kHeight, 1)));
        CBitmap* knobStrip = makeStrip(w, 26, 26, 64, false, 200);
        CBitmap* switchStrip = makeStrip(w, 30, 15, 2);
        CBitmap* memoryStrip = makeStrip(w, 24, 14, 3);
        CBitmap* multiStrip = makeStrip(w, 60, 12, 3, true);
        for (int i = 0; i < 40; ++i) {
            auto* knob = new CKnob(this, 100 + i, CPoint{20 + (i % 10) * 40, 300 + (i / 10) * 40}, knobStrip, 64);
            knob->setValue(static_cast<float>(i) / 40.0f);
            knobs.push_back(knob);
            panel->addView(knob);
        }
        for (int i = 0; i < 20; ++i) {
            auto* s = new COnOffSwitch(this, 200 + i, CPoint{430 + (i % 5) * 40, 300 + (i / 5) * 30}, switchStrip);
            switches.push_back(s);
            panel->addView(s);
        }
        for (int i = 0; i < 8; ++i) {
            auto* m = new CMemorySwitch(this, 300 + i, CPoint{20 + i * 30, 520}, memoryStrip);
            memories.push_back(m);
            panel->addView(m);
        }
        for (int i = 0; i < 6; ++i) panel->addView(new CSwitchMulti(this, 400 + i, CPoint{300 + i * 70, 520}, multiStrip, 3, 1));
        for (int i = 0; i < 4; ++i) panel->addView(new CKickButton(this, 500 + i, CPoint{640, 300 + i * 30}, switchStrip));
        for (int i = 0; i < 2; ++i) panel->addView(new CStepButton(this, 510 + i, CPoint{690, 300 + i * 30}, switchStrip));
        for (int i = 0; i < 8; ++i) {
            auto* s = new CColorSwatch(this, CRect{20 + i * 30, 490, 12, 12});
            swatches.push_back(s);
            panel->addView(s);
        }
        auto* layer = new CDibView(this, CRect{330, 20, 400, 200});
        layer->getDrawContext()->fillRect(CRect{0, 0, 400, 200}, grid);
        layer->commit(true);
        panel->addView(layer);
        for (int i = 0; i < 30; ++i) {
            auto* label = new CTextLabel(this, CRect{20 + (i % 3) * 100, 20 + (i / 3) * 26, 95, 14}, 600 + i);
            label->setTextColor(1.0f, 1.0f, 1.0f, 1.0f);
            label->setText(kTexts[i % 6]);
            labels.push_back(label);
            panel->addView(label);
        }
        page->addContainer(panel);
        w.addPage(page);
    }
    void getRect(CRect& r) const override { r = CRect{0, 0, kWidth, kHeight}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window->getDrawContext(); }
    void valueChanged(std::uint32_t, float) override {}
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}

    // Ten changes, different ones each time.
    void change(std::uint32_t i) {
        for (std::uint32_t k = 0; k < 4; ++k) knobs[(i * 4 + k) % knobs.size()]->setValue(static_cast<float>((i + k) % 64) / 63.0f);
        for (std::uint32_t k = 0; k < 2; ++k) switches[(i * 2 + k) % switches.size()]->setValue(static_cast<float>((i + k) % 2));
        for (std::uint32_t k = 0; k < 2; ++k) labels[(i * 2 + k) % labels.size()]->setText(kTexts[(i + k) % 6]);
        swatches[i % swatches.size()]->setColor((i % 3) / 2.0f, 0.5f, 1.0f);
        memories[i % memories.size()]->setState(i % 3);
    }

    CGuiWindow* window = nullptr;
    std::vector<CKnob*> knobs;
    std::vector<COnOffSwitch*> switches;
    std::vector<CMemorySwitch*> memories;
    std::vector<CColorSwatch*> swatches;
    std::vector<CTextLabel*> labels;
    CColor grid{nullptr, 0.1f, 0.2f, 0.3f, 1.0f, kColorBrush};
    static constexpr const char* kTexts[6] = {"-12.5 dB", "Attack [dB/sec]", "1/3 Oct", "Instance 3: Drum Bus Left",
                                              "48.0 kHz", "Peak Hold"};
};

struct Fixture {
    Fixture() : window(&editor, 0, kWidth, kHeight, nullptr, nullptr) {
        editor.window = &window;
        window.setTimerPeriod(40.0f);
        window.open(-1, -1);
        headless = dynamic_cast<CHeadlessWindow*>(window.getNativeWindow());
        headless->tick();  // first pass: everything, fonts and glyphs made once
        for (std::uint32_t i = 0; i < 64; ++i) {
            editor.change(i);
            headless->tick();
        }
    }
    Editor editor;
    CGuiWindow window;
    CHeadlessWindow* headless = nullptr;
};

long g_allocations = -1;

void BM_RefreshTenOf120(benchmark::State& state) {
    Fixture f;
    long allocations = 0;
    std::uint32_t i = 0;
    for (auto _ : state) {
        f.editor.change(++i);
        qv::bench::allocationCount.store(0);
        qv::bench::countingAllocations.store(true);
        f.headless->tick();
        qv::bench::countingAllocations.store(false);
        allocations += static_cast<long>(qv::bench::allocationCount.load());
    }
    g_allocations = allocations;
    state.counters["allocs"] = static_cast<double>(allocations);
}
BENCHMARK(BM_RefreshTenOf120)->Unit(benchmark::kMillisecond);

void BM_RedrawAll120(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.window.requestFullRedraw();
        f.headless->tick();
    }
}
BENCHMARK(BM_RedrawAll120)->Unit(benchmark::kMillisecond);

void BM_BackBufferCopy(benchmark::State& state) { qvbench::copyFullWindow(state); }
BENCHMARK(BM_BackBufferCopy)->Unit(benchmark::kMillisecond);

class Report : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.benchmark_name().find("BM_RefreshTenOf120") == 0) pass = r.GetAdjustedRealTime();
            if (r.benchmark_name().find("BM_RedrawAll120") == 0) full = r.GetAdjustedRealTime();
            if (r.benchmark_name().find("BM_BackBufferCopy") == 0) copy = r.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (pass <= 0.0) return;
        std::printf("\nrefresh pass, 10 of 120 controls changed: %.3f ms (budget %.1f ms: %s, %.0f%% of it)", pass,
                    kBudgetMs, pass <= kBudgetMs ? "within" : "OVER", 100.0 * pass / kBudgetMs);
        if (copy > 0.0) std::printf("; %.2f back-buffer copies", pass / copy);
        if (full > 0.0) std::printf("; full redraw of all 120: %.3f ms", full);
        std::printf("\nallocations during passes: %ld (%s)\n", g_allocations, g_allocations == 0 ? "none" : "OVER");
    }
    double pass = 0.0, full = 0.0, copy = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Report report;
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
