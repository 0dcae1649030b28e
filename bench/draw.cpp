// A full refresh pass of the editor window at 752 x 563 through the headless backend: the
// background bitmap, 200 blended fills, 100 lines and 30 text labels. Budget: 2 ms per pass.
// Reference in the same run: one plain copy of the back buffer (what a blit moves).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "gui/bitmap.h"
#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/window_owner.h"
#include "gui/window_view.h"
#include "full_window_copy.h"

namespace {

using namespace qv;

constexpr double kBudgetMs = 2.0;

class Scene : public CWindowContainer {
public:
    explicit Scene(CGuiWindow& w) : window(w), background(&w, 128) {}

    void draw(CDrawState) override {
        CDrawContext* dc = window.getDrawContext();
        background.draw(dc, CPoint{0, 0});
        dc->setBlendEnabled(true);
        for (int i = 0; i < 200; ++i) {
            const CRect r{(i * 37) % 700, (i * 53) % 480, 8 + i % 40, 10 + (i * 7) % 120};
            dc->fillRect(r, i % 2 ? fillA : fillB);
        }
        dc->setBlendEnabled(false);
        dc->selectPen(pen);
        for (int i = 0; i < 100; ++i) {
            dc->drawLine(CPoint{(i * 13) % 752, (i * 29) % 563}, CPoint{(i * 71 + 200) % 752, (i * 17 + 100) % 563});
        }
        dc->setFont(3, 0, 10);
        for (int i = 0; i < 30; ++i) {
            dc->drawText(kLabels[i % 6], CRect{(i % 6) * 120 + 10, (i / 6) * 20 + 40, 110, 12}, ink, i % 3);
        }
    }
    // The scene is one panel that paints everything itself.
    CRect getRect() const override { return CRect{0, 0, 752, 563}; }
    bool onMouseDown(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override { return false; }
    void cancelEditing() override {}
    void setPage(CPage*) override {}

private:
    static constexpr const char* kLabels[6] = {"Attack [dB/sec]", "Release [dB/sec]", "FFT Size", "Accuracy",
                                               "-12.5 dB", "1/3 Oct"};
    CGuiWindow& window;
    CBitmap background;
    CColor fillA{nullptr, 0.2f, 0.5f, 0.9f, 0.6f, kColorBrush};
    CColor fillB{nullptr, 0.9f, 0.6f, 0.1f, 0.4f, kColorBrush};
    CColor pen{nullptr, 0.9f, 0.9f, 0.9f, 1.0f, kColorPen};
    CColor ink{nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorPenAndBrush};
};

class Owner : public CWindowOwner {
public:
    void buildControls() override {
        auto* page = new CPage;
        page->addContainer(new Scene(*window));
        window->addPage(page);
    }
    void getRect(CRect& r) const override { r = CRect{0, 0, 752, 563}; }
    CGuiWindow* window = nullptr;
};

void BM_DrawPass(benchmark::State& state) {
    Owner owner;
    CGuiWindow window(&owner, 0, 752, 563, nullptr, nullptr);
    owner.window = &window;
    window.setTimerPeriod(40.0f);
    window.open(-1, -1);
    auto* headless = dynamic_cast<CHeadlessWindow*>(window.getNativeWindow());
    headless->tick();  // first pass: fonts and glyphs made once
    for (auto _ : state) headless->tick();
}
BENCHMARK(BM_DrawPass)->Unit(benchmark::kMillisecond);

void BM_BackBufferCopy(benchmark::State& state) { qvbench::copyFullWindow(state); }
BENCHMARK(BM_BackBufferCopy)->Unit(benchmark::kMillisecond);

// Prints the pass time against the budget and the reference after the table.
class Report : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const double ms = r.GetAdjustedRealTime();  // in the run's unit: milliseconds
            if (r.benchmark_name().find("BM_DrawPass") == 0) {
                pass = ms;
                passCpu = r.GetAdjustedCPUTime();
            }
            if (r.benchmark_name().find("BM_BackBufferCopy") == 0) copy = ms;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (pass > 0.0) {
            std::printf("\ndraw pass 752x563: %.3f ms wall, %.3f ms CPU (budget %.1f ms: %s, %.0f%% of it)", pass,
                        passCpu, kBudgetMs, pass <= kBudgetMs ? "within" : "OVER", 100.0 * pass / kBudgetMs);
            if (copy > 0.0) std::printf("; %.1f back-buffer copies", pass / copy);
            std::printf("\n");
        }
    }
    double pass = 0.0;
    double passCpu = 0.0;
    double copy = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Report report;
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
