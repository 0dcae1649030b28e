// Refresh passes of the whole analyzer editor with 16 instances in one process, FFT view at
// N = 16384: a pass where every instance brought a new spectrum and a knob, a switch and a
// colour changed (budget 2 ms), and an idle pass where nothing changed (budget 0.1 ms). The
// editor's memory while open is printed against the closed instance (budget 16 MB).
// Reference in the same run: one copy of the full 752 x 563 window, what a blit moves; the
// budgets are printed as multiples of it. Times are CPU times of the passing thread (the machine
// is shared, so wall time would count other programs).
#include <benchmark/benchmark.h>

#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/plugin.h"
#include "display/spectrum_display.h"
#include "core/setting_ids.h"
#include "editor_rig.h"
#include "full_window_copy.h"

namespace {

using namespace qv;

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key, unit;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value >> unit) return value;
    }
    return 0;
}

// The rig, and the resident memory with the editor closed and open.
struct Process : qvbench::EditorRig {
    long closedKb = 0, openKb = 0;
    Process() {
        closedKb = residentKb();
        openEditor();
        openKb = residentKb();
    }
};

Process& process() {
    static Process p;
    return p;
}

void BM_BlitReference(benchmark::State& state) { qvbench::copyFullWindow(state); }
BENCHMARK(BM_BlitReference);

void BM_EditorPassWithChanges(benchmark::State& state) {
    Process& p = process();
    CPlugin& own = *p.cores[0];
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        p.feed();
        state.ResumeTiming();
        ++n;
        own.setParameter(settingid::kAttack, (n % 2) ? 0.25f : 0.75f, 0, false, true);
        own.setParameter(settingid::kSoloFirst + 3, (n % 2) ? 1.0f : 0.0f, 0, false, true);
        own.setParameter(settingid::kColourFirst + 5, std::bit_cast<float>((n % 2) ? 0xFF8000FFu : 0x00FF80FFu), 0,
                         false, true);
        p.pass();
    }
}
BENCHMARK(BM_EditorPassWithChanges)->Unit(benchmark::kMillisecond);

void BM_EditorIdlePass(benchmark::State& state) {
    Process& p = process();
    p.pass();
    for (auto _ : state) p.pass();
}
BENCHMARK(BM_EditorIdlePass)->Unit(benchmark::kMillisecond);

// The same without the spectrum display: what the editor's own views cost when nothing changed.
void BM_EditorIdlePassControlsOnly(benchmark::State& state) {
    Process& p = process();
    p.editor().controls().display->setShown(false);
    p.pass();
    for (auto _ : state) p.pass();
    p.editor().controls().display->setShown(true);
}
BENCHMARK(BM_EditorIdlePassControlsOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    struct Collect : benchmark::ConsoleReporter {
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const Run& r : runs) {
                const std::string name = r.benchmark_name();
                const double ns = r.GetAdjustedCPUTime() * (r.time_unit == benchmark::kMillisecond ? 1e6 : 1.0);
                if (name.find("Blit") != std::string::npos) blit = ns;
                if (name.find("Changes") != std::string::npos) busy = ns;
                if (name.find("IdlePass/") != std::string::npos || name.ends_with("IdlePass")) idle = ns;
                if (name.find("ControlsOnly") != std::string::npos) controls = ns;
            }
            ConsoleReporter::ReportRuns(runs);
        }
        double blit = 0, busy = 0, idle = 0, controls = 0;
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    Process& p = process();
    std::printf("\nEditor, 16 instances, FFT view at N = 16384\n");
    std::printf("  pass with changes: %.3f ms = %.1f blits (budget 2 ms: %s)\n", reporter.busy / 1e6,
                reporter.busy / reporter.blit, reporter.busy <= 2e6 ? "met" : "MISSED");
    std::printf("  idle pass:         %.3f ms = %.1f blits (budget 0.1 ms: %s)\n", reporter.idle / 1e6,
                reporter.idle / reporter.blit, reporter.idle <= 1e5 ? "met" : "MISSED");
    std::printf("  idle pass of the controls alone (display hidden): %.3f ms\n", reporter.controls / 1e6);
    const double mb = static_cast<double>(p.openKb - p.closedKb) / 1024.0;
    std::printf("  memory while open: %.1f MB above the closed instance (budget 16 MB: %s)\n", mb,
                mb <= 16.0 ? "met" : "MISSED");
    return 0;
}
