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
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "host/audio_effect.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "host/vst_abi.h"
#include "vsthost/signal_generator.h"
#include "full_window_copy.h"

namespace {

using namespace qv;

constexpr int kInstances = 16;
constexpr std::size_t kBlock = 512;

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key, unit;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value >> unit) return value;
    }
    return 0;
}

vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*, float) {
    return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
}

struct Process {
    std::vector<vst::AEffect*> effects;
    std::vector<CPlugin*> cores;
    vsthost::AudioBuffer audio;
    std::size_t position = 0;
    std::vector<float> out = std::vector<float>(2 * kBlock);
    long closedKb = 0, openKb = 0;

    Process() {
        CGuiWindow::setBackendPreference(CWindowBackend::kHeadless);
        vsthost::SignalSettings pink;
        pink.kind = vsthost::SignalKind::Pink;
        pink.seconds = 2.0;
        pink.amplitude = 0.3;
        audio = vsthost::generateSignal(pink, 44100.0, 2);
        for (int i = 0; i < kInstances; ++i) {
            vst::AEffect* e = createEffectInstance(hostCallback);
            effects.push_back(e);
            auto* core = static_cast<CPlugin*>(static_cast<PluginVST*>(static_cast<AudioEffect*>(e->object))->getCore());
            core->setParameter(settingid::kAnalysisView, 1.0f, 0, false, true);
            core->setParameter(settingid::kFftSize, 5.0f, 0, false, true);
            cores.push_back(core);
        }
        for (int b = 0; b < 40; ++b) feed();
        closedKb = residentKb();
        if (!editor().open(nullptr, -1, -1)) std::fprintf(stderr, "the editor did not open\n");
        for (int p = 0; p < 10; ++p) feed(), pass();
        openKb = residentKb();
    }
    ~Process() {
        editor().close();
        for (vst::AEffect* e : effects) e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f);
    }
    CAnalyzerEditor& editor() const {
        return *static_cast<CAnalyzerEditor*>(
            static_cast<PluginVST*>(static_cast<AudioEffect*>(effects[0]->object))->getEditorView());
    }
    // One FFT block for every instance: a new spectrum each.
    void feed() {
        if (position + 4 * kBlock > audio.frames()) position = 0;
        for (CPlugin* core : cores) {
            for (int b = 0; b < 4; ++b) {
                void* in[2] = {audio.channel(0) + position + b * kBlock, audio.channel(1) + position + b * kBlock};
                void* outs[2] = {out.data(), out.data() + kBlock};
                core->process(in, outs, 2, 2, static_cast<std::int32_t>(kBlock), kPrecisionFloat, 0);
            }
        }
        for (CPlugin* core : cores) core->waitForWorkers(std::chrono::milliseconds(2000));
        position += 4 * kBlock;
    }
    void pass() const { static_cast<CHeadlessWindow*>(editor().getFrame()->getNativeWindow())->advance(40.0); }
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
