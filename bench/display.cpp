// One frame of the spectrum display with 16 instances: FFT mode at N = 16384 with "Full"
// smoothing, the veil on and the curves overlaid (budget 1 ms), and band mode (budget 0.3 ms).
// Every frame brings new records. Allocations during the frames are counted (must be 0).
// Reference in the same run: one copy of the full 752 x 563 window, what a blit moves.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "core/data_request.h"
#include "core/data_service_columns.h"
#include "display/display_data_source.h"
#include "display/spectrum_display.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/window_owner.h"

#include "allocation_counter.h"
#include "full_window_copy.h"

namespace {

using namespace qv;

constexpr std::uint32_t kInstances = 16;

// Answers the display from prepared replies, as fast as a copy: what is measured is the display.
class Owner : public CWindowOwner, public CViewOwner, public IDisplayDataSource {
public:
    Owner() : curves(kCurvesRequestBytes), bands(16 + 272 * kInstances) {
        CColumnMap map;
        map.build(44100.0f, 16384, 0);
        CurvesReplyHeader header{static_cast<std::uint32_t>(32 + kInstances * sizeof(CurveRecord)), kInstances, 0, 0,
                                 10.0f, 20000.0f, {}};
        std::memcpy(curves.data(), &header, sizeof(header));
        for (std::uint32_t i = 0; i < kInstances; ++i) {
            CurveRecord r{};
            r.size = CurveRecord::kSize;
            r.number = i;
            r.valueCount = map.count() + 1;
            r.binCount = 8193;
            r.sampleRate = 44100.0f;
            r.valid = 1;
            r.hasFirst = 1;
            for (std::uint32_t k = 0; k < kCurveValues; ++k)
                r.values[k] = -30.0f - 2.0f * static_cast<float>(i) - 10.0f * std::sin(0.05f * static_cast<float>(k * (i + 1)));
            std::memcpy(curves.data() + 32 + i * sizeof(CurveRecord), &r, sizeof(r));
            BandLevelRecord b{};
            b.size = 272;
            b.source = i;
            for (std::uint32_t k = 0; k < 31; ++k) b.levels[k] = b.peaks[k] = -20.0f - static_cast<float>((k * 7 + i * 3) % 50);
            std::memcpy(bands.data() + 16 + i * 272, &b, sizeof(b));
        }
        const DataRequest bandHeader{16 + 272 * kInstances, 0, 1, kInstances};
        std::memcpy(bands.data(), &bandHeader, sizeof(bandHeader));
    }
    void buildControls() override { window->addPage(new CPage); }
    void getRect(CRect& r) const override { r = CRect{0, 0, 752, 563}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window->getDrawContext(); }
    void valueChanged(std::uint32_t, float) override {}
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}
    float getTimerPeriod() const override { return 40.0f; }
    bool getData(void* request) override {
        DataRequest h;
        std::memcpy(&h, request, sizeof(h));
        std::vector<std::uint8_t>& reply = h.type == 1 ? curves : bands;
        if (h.type > 1 || h.size < reply.size()) return false;
        // New measurements every frame.
        ++sequence;
        for (std::uint32_t i = 0; i < kInstances; ++i) {
            const std::size_t at = h.type == 1 ? 32 + i * sizeof(CurveRecord) + offsetof(CurveRecord, sequence)
                                               : 16 + i * 272 + offsetof(BandLevelRecord, sequence);
            std::memcpy(reply.data() + at, &sequence, 4);
        }
        std::memcpy(request, reply.data(), reply.size());
        return true;
    }
    bool putData(void*) override { return true; }

    CGuiWindow* window = nullptr;
    std::vector<std::uint8_t> curves, bands;
    std::uint32_t sequence = 0;
};

struct Fixture {
    Fixture() : window(&owner, 0, 752, 563, nullptr, nullptr) {
        owner.window = &window;
        window.setTimerPeriod(40.0f);
        window.open(-1, -1);
        auto* panel = new CViewContainer(&owner, CRect{0, 0, 752, 563});
        window.getCurrentPage()->addContainer(panel);
        display = new CSpectrumDisplay(&owner, 1, CRect{15, 15, 620, 290}, CRect{32, 32, 16, 241}, 2, kInstances, 8, 938, 1);
        panel->addView(display);
    }
    // One display frame, as the container runs it in a refresh pass.
    void frame() {
        CDrawContext* dc = window.getDrawContext();
        dc->pushClip(CRect{15, 15, 620, 290});
        display->draw(CDrawState{});
        dc->popClip();
    }
    Owner owner;
    CGuiWindow window;
    CSpectrumDisplay* display = nullptr;
};

void runFrames(benchmark::State& state, Fixture& f) {
    for (int k = 0; k < 30; ++k) f.frame();  // the first frames build tables and the grid
    qv::bench::allocationCount.store(0);
    qv::bench::countingAllocations.store(true);
    std::uint64_t frames = 0;
    for (auto _ : state) {
        f.frame();
        ++frames;
    }
    qv::bench::countingAllocations.store(false);
    state.counters["allocs_per_frame"] = static_cast<double>(qv::bench::allocationCount.load()) / static_cast<double>(frames ? frames : 1);
}

void BM_FftFrame16x16384(benchmark::State& state) {
    Fixture f;
    f.display->setFftMode(1);
    f.display->setFftSizeIndex(5);
    f.display->setSmoothingIndex(0);
    f.display->setCurveFill(true);
    f.display->setAlignMode(3);
    runFrames(state, f);
}
BENCHMARK(BM_FftFrame16x16384)->Unit(benchmark::kMillisecond);

void BM_BandFrame16(benchmark::State& state) {
    Fixture f;
    f.display->setFftMode(0);
    f.display->setAlignMode(0);
    runFrames(state, f);
}
BENCHMARK(BM_BandFrame16)->Unit(benchmark::kMillisecond);

void BM_FullWindowBlit(benchmark::State& state) { qvbench::copyFullWindow(state); }
BENCHMARK(BM_FullWindowBlit)->Unit(benchmark::kMillisecond);

class Report : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const std::string name = r.benchmark_name();
            const auto allocs = r.counters.find("allocs_per_frame");
            if (name.find("BM_FftFrame") == 0) {
                fft = r.GetAdjustedRealTime();
                fftCpu = r.GetAdjustedCPUTime();
                fftAllocs = allocs != r.counters.end() ? allocs->second.value : -1.0;
            } else if (name.find("BM_BandFrame") == 0) {
                band = r.GetAdjustedRealTime();
                bandCpu = r.GetAdjustedCPUTime();
                bandAllocs = allocs != r.counters.end() ? allocs->second.value : -1.0;
            } else if (name.find("BM_FullWindowBlit") == 0) {
                blit = r.GetAdjustedRealTime();
                blitCpu = r.GetAdjustedCPUTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // CPU time is what the frame costs; wall time also counts waiting on a loaded machine.
        const auto line = [this](const char* what, double ms, double cpu, double budget, double allocs) {
            if (ms <= 0.0) return;
            std::printf("%s: %.3f ms CPU, %.3f ms wall (budget %.1f ms: %s by CPU time, %s by wall time); "
                        "%.1f full-window blits (blit %.3f ms CPU, %.3f ms wall); %.0f allocations per frame\n",
                        what, cpu, ms, budget, cpu <= budget ? "within" : "OVER", ms <= budget ? "within" : "OVER",
                        blitCpu > 0.0 ? cpu / blitCpu : 0.0, blitCpu, blit, allocs);
        };
        std::printf("\n");
        line("FFT frame, 16 instances, N=16384, Full, veil, overlay", fft, fftCpu, 1.0, fftAllocs);
        line("band frame, 16 instances", band, bandCpu, 0.3, bandAllocs);
    }
    double fft = 0.0, band = 0.0, blit = 0.0, fftCpu = 0.0, bandCpu = 0.0, blitCpu = 0.0;
    double fftAllocs = 0.0, bandAllocs = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Report report;
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
