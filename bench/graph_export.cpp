// Saving the graph as a picture from the whole analyzer editor at full size (752 x 563), 16
// instances in one process, FFT view at N = 16384: what the GUI thread is held for, from the
// call to the file written (a fresh draw pass of the page, the PNG encoded, the file created).
// Budget: 50 ms, judged on the CPU time of the saving thread as the other GUI benches do (the
// machine is shared, so wall time would count other programs); the wall time, which also holds
// the wait for the disk, is printed beside it. Saving the data as CSV is printed too. Reference
// in the same run: one copy of the full window, what a blit moves. Files go to a documents
// folder under a temporary home, removed at the end.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/plugin.h"
#include "core/setting_ids.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "editor/graph_export.h"
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
namespace fs = std::filesystem;

constexpr int kInstances = 16;
constexpr std::size_t kBlock = 512;

vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*, float) {
    return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
}

struct Process {
    std::string home;
    std::vector<vst::AEffect*> effects;
    std::vector<CPlugin*> cores;
    vsthost::AudioBuffer audio;
    std::vector<float> out = std::vector<float>(2 * kBlock);

    Process() {
        std::string pattern = (fs::temp_directory_path() / "qv-bench-home-XXXXXX").string();
        if (::mkdtemp(pattern.data())) home = pattern;
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        CGuiWindow::setBackendPreference(CWindowBackend::kHeadless);
        vsthost::SignalSettings pink;
        pink.kind = vsthost::SignalKind::Pink;
        pink.seconds = 1.0;
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
        if (!editor().open(nullptr, -1, -1)) std::fprintf(stderr, "the editor did not open\n");
        for (int p = 0; p < 10; ++p) feed(), pass();
    }
    ~Process() {
        editor().close();
        for (vst::AEffect* e : effects) e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f);
        std::error_code ec;
        if (!home.empty()) fs::remove_all(home, ec);
    }
    CAnalyzerEditor& editor() const {
        return *static_cast<CAnalyzerEditor*>(
            static_cast<PluginVST*>(static_cast<AudioEffect*>(effects[0]->object))->getEditorView());
    }
    void feed() {
        for (CPlugin* core : cores) {
            for (int b = 0; b < 4; ++b) {
                void* in[2] = {audio.channel(0) + b * kBlock, audio.channel(1) + b * kBlock};
                void* outs[2] = {out.data(), out.data() + kBlock};
                core->process(in, outs, 2, 2, static_cast<std::int32_t>(kBlock), kPrecisionFloat, 0);
            }
        }
        for (CPlugin* core : cores) core->waitForWorkers(std::chrono::milliseconds(2000));
    }
    void pass() const { static_cast<CHeadlessWindow*>(editor().getFrame()->getNativeWindow())->advance(40.0); }
    // Every file saved so far goes, so each save writes a new one.
    void clearSaved() const {
        std::error_code ec;
        fs::remove_all(fs::path(home) / "Documents" / "Quorvane", ec);
    }
};

Process& process() {
    static Process p;
    return p;
}

bool failed = false;

template <class Save>
void saveLoop(benchmark::State& state, Save save) {
    Process& p = process();
    for (auto _ : state) {
        const std::string message = save(*p.editor().controls().display, "Bench");
        state.PauseTiming();
        if (message.rfind("Saved ", 0) != 0) {
            failed = true;
            state.SkipWithError(message.c_str());
        }
        p.clearSaved();
        p.feed();
        state.ResumeTiming();
    }
}

void BM_BlitReference(benchmark::State& state) { qvbench::copyFullWindow(state); }
BENCHMARK(BM_BlitReference);

void BM_SavePicture(benchmark::State& state) { saveLoop(state, saveDisplayPicture); }
BENCHMARK(BM_SavePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveData(benchmark::State& state) { saveLoop(state, saveDisplayData); }
BENCHMARK(BM_SaveData)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    struct Collect : benchmark::ConsoleReporter {
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const Run& r : runs) {
                const std::string name = r.benchmark_name();
                const double scale = r.time_unit == benchmark::kMillisecond ? 1e6 : 1.0;
                if (name.find("Blit") != std::string::npos) blit = r.GetAdjustedCPUTime() * scale;
                if (name.find("Picture") != std::string::npos) {
                    picture = r.GetAdjustedCPUTime() * scale;
                    pictureWall = r.GetAdjustedRealTime() * scale;
                }
                if (name.find("Data") != std::string::npos) {
                    data = r.GetAdjustedCPUTime() * scale;
                    dataWall = r.GetAdjustedRealTime() * scale;
                }
            }
            ConsoleReporter::ReportRuns(runs);
        }
        double blit = 0, picture = 0, pictureWall = 0, data = 0, dataWall = 0;
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSaving the graph, full editor, 16 instances, FFT view at N = 16384\n");
    std::printf("  picture (PNG): %.2f ms = %.0f blits, wall %.2f ms (budget 50 ms: %s)\n", reporter.picture / 1e6,
                reporter.picture / reporter.blit, reporter.pictureWall / 1e6,
                !failed && reporter.picture <= 50e6 ? "met" : "MISSED");
    std::printf("  data (CSV):    %.2f ms = %.0f blits, wall %.2f ms\n", reporter.data / 1e6, reporter.data / reporter.blit,
                reporter.dataWall / 1e6);
    return 0;
}
