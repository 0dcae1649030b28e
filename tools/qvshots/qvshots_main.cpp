// qvshots: three analyzer instances in one process, each fed its own signal (pink noise, a
// swept sine, a drum-like burst, or WAV files), their editors open on the off-screen window
// and drawn as in a host at 25 frames a second; pictures of the editor in band view, FFT view,
// the compact layout and each arrangement are written as PNG files. `--set manual` writes the
// pictures of the user manual instead (manual-*.png): memory slots in both views, the graph's
// menu with the note label, the names panel, the arrangements, the compact layout and the about page.
//
//   qvshots OUT-DIR [--set editor|manual] [--in-pink FILE.wav] [--in-sweep FILE.wav] [--in-drums FILE.wav]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "controls/memory_switch.h"
#include "controls/option_menu.h"
#include "core/data_request.h"
#include "core/plugin.h"
#include "core/setting_ids.h"
#include "display/spectrum_display.h"
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/png_writer.h"
#include "host/audio_effect.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "host/vst_abi.h"
#include "vsthost/signal_generator.h"
#include "vsthost/wav_file.h"

using namespace qv;

namespace {

constexpr std::size_t kBlock = 512;
constexpr double kFrameMs = 40.0;

// A kick every half second (a falling 120 to 45 Hz tone) with a snare-like noise burst on the
// off-beat, both decaying fast.
vsthost::AudioBuffer drums(double rate, double seconds) {
    vsthost::SignalSettings noise;
    noise.kind = vsthost::SignalKind::White;
    noise.seconds = seconds;
    noise.amplitude = 1.0;
    noise.seed = 7;
    vsthost::AudioBuffer audio = vsthost::generateSignal(noise, rate, 2);
    const auto period = static_cast<std::size_t>(rate * 0.5);
    for (int c = 0; c < 2; ++c) {
        float* s = audio.channel(c);
        double phase = 0.0;
        for (std::size_t i = 0; i < audio.frames(); ++i) {
            const double t = static_cast<double>(i % period) / rate;
            const double hz = 45.0 + 75.0 * std::exp(-t * 30.0);
            phase += 2.0 * M_PI * hz / rate;
            const double kick = 0.8 * std::exp(-t * 9.0) * std::sin(phase);
            const double offbeat = t - 0.25;
            const double snare = offbeat >= 0 ? 0.35 * std::exp(-offbeat * 25.0) * s[i] : 0.0;
            s[i] = static_cast<float>(kick + snare);
        }
    }
    return audio;
}

struct Instance {
    vst::AEffect* effect = nullptr;
    PluginVST* adapter = nullptr;
    CPlugin* core = nullptr;
    vsthost::AudioBuffer audio;
    std::size_t position = 0;
    std::vector<float> out[2];

    CAnalyzerEditor& editor() const { return *static_cast<CAnalyzerEditor*>(adapter->getEditorView()); }
    void set(std::uint32_t id, float v) const { core->setParameter(id, v, 0, false, true); }
    // One display frame of audio, looping the signal, with the workers done before the next block.
    void feedFrame(double rate) {
        const auto blocks = static_cast<std::size_t>(rate * kFrameMs / 1000.0 / kBlock + 0.5);
        for (std::size_t b = 0; b < blocks; ++b) {
            if (position + kBlock > audio.frames()) position = 0;
            void* in[2] = {audio.channel(0) + position, audio.channel(audio.channels() > 1 ? 1 : 0) + position};
            void* outs[2] = {out[0].data(), out[1].data()};
            core->process(in, outs, 2, 2, static_cast<std::int32_t>(kBlock), kPrecisionFloat, 0);
            core->waitForWorkers(std::chrono::milliseconds(2000));
            position += kBlock;
        }
    }
    void rename(const char* name) const {
        NamesRequest names{};
        const auto slot = static_cast<std::uint32_t>(core->getInstanceNumber());
        names.header = DataRequest{NamesRequest::kSize, kDataNames, slot, 0};
        std::strncpy(names.names[slot], name, CAnalyzerEditor::kNameChars);
        core->putData(&names);
    }
};

vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*, float) {
    return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: qvshots OUT-DIR [--set editor|manual] [--in-pink FILE.wav] [--in-sweep FILE.wav] "
                             "[--in-drums FILE.wav]\n");
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    std::filesystem::create_directories(outDir);
    std::string inputs[3];
    bool manual = false;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--set" && (std::strcmp(argv[i + 1], "editor") == 0 || std::strcmp(argv[i + 1], "manual") == 0)) {
            manual = std::strcmp(argv[i + 1], "manual") == 0;
            continue;
        }
        const int which = arg == "--in-pink" ? 0 : arg == "--in-sweep" ? 1 : arg == "--in-drums" ? 2 : -1;
        if (which < 0) {
            std::fprintf(stderr, "qvshots: unknown option %s\n", argv[i]);
            return 2;
        }
        inputs[which] = argv[i + 1];
    }

    CGuiWindow::setBackendPreference(CWindowBackend::kHeadless);
    const char* names[3] = {"Pink noise", "Swept sine", "Drums"};
    Instance instances[3];
    double rate = 44100.0;
    for (int i = 0; i < 3; ++i) {
        Instance& in = instances[i];
        in.effect = createEffectInstance(hostCallback);
        if (!in.effect) {
            std::fprintf(stderr, "qvshots: instance %d could not be created\n", i + 1);
            return 1;
        }
        in.adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(in.effect->object));
        in.core = static_cast<CPlugin*>(in.adapter->getCore());
        rate = in.adapter->getSampleRate();
        std::string error;
        if (!inputs[i].empty()) {
            double fileRate = rate;
            if (!vsthost::readWav(inputs[i], &in.audio, &fileRate, &error)) {
                std::fprintf(stderr, "qvshots: %s\n", error.c_str());
                return 1;
            }
        } else if (i == 2) {
            in.audio = drums(rate, 4.0);
        } else {
            vsthost::SignalSettings s;
            s.kind = i == 0 ? vsthost::SignalKind::Pink : vsthost::SignalKind::Sweep;
            s.amplitude = i == 0 ? 0.3 : 0.25;
            s.frequency = 40.0;
            s.seconds = 4.0;
            in.audio = vsthost::generateSignal(s, rate, 2);
        }
        for (auto& o : in.out) o.resize(kBlock);
        in.rename(names[i]);
    }

    Instance& shown = instances[0];
    CAnalyzerEditor& editor = shown.editor();
    if (!editor.open(nullptr, -1, -1)) {
        std::fprintf(stderr, "qvshots: the editor could not be opened\n");
        return 1;
    }
    auto run = [&](int frames) {
        for (int f = 0; f < frames; ++f) {
            for (Instance& in : instances) in.feedFrame(rate);
            static_cast<CHeadlessWindow*>(editor.getFrame()->getNativeWindow())->advance(kFrameMs);
        }
    };
    int written = 0;
    auto finish = [&](bool ok) {
        editor.close();
        for (Instance& in : instances) in.effect->dispatcher(in.effect, vst::effClose, 0, 0, nullptr, 0.0f);
        std::fprintf(stderr, "qvshots: %d pictures\n", written);
        return ok ? 0 : 1;
    };
    auto shoot = [&](const char* file, int frames) {
        run(frames);
        const std::string path = (outDir / file).string();
        if (!writePngFile(path, editor.getFrame()->getBackBuffer())) {
            std::fprintf(stderr, "qvshots: %s could not be written\n", path.c_str());
            return false;
        }
        std::printf("%s\n", path.c_str());
        ++written;
        return true;
    };

    using namespace settingid;
    bool ok = true;
    shown.set(kPeakHold, 1.0f);
    // Stores memory k of an instance (right press) and shows it (left press).
    auto storeAndShow = [&](const Instance& of, int k) {
        const auto slot = static_cast<std::uint32_t>(of.core->getInstanceNumber());
        for (std::int32_t button : {2, 1}) {
            CMemorySwitch* m = editor.controls().memory[slot][static_cast<std::size_t>(k)];
            m->onMouseDown(button, 0, 0, 0);
            m->onMouseUp(button, 0, 0);
            run(3);
        }
    };
    // M1 of the drums: stored in the middle of the run and shown.
    run(60);
    storeAndShow(instances[2], 0);
    if (manual) {
        ok &= shoot("manual-bands.png", 20);
        shown.set(kAnalysisView, 1.0f);
        run(40);
        storeAndShow(instances[0], 1);  // M2 of the pink noise, an FFT graph
        ok &= shoot("manual-fft.png", 40);
        shown.set(kSidePanel, 1.0f);
        ok &= shoot("manual-names.png", 10);
        shown.set(kSidePanel, 0.0f);
        shown.set(kAnalysisView, 0.0f);
        for (std::uint32_t a : {1u, 2u}) {
            shown.set(kArrangement, static_cast<float>(a));
            ok &= shoot(a == 1 ? "manual-v-align.png" : "manual-v-space.png", 50);
        }
        shown.set(kArrangement, 0.0f);
        shown.set(kCompactLayout, 1.0f);
        ok &= shoot("manual-compact.png", 30);
        shown.set(kCompactLayout, 0.0f);
        shown.set(kAnalysisView, 1.0f);
        run(40);
        {
            // The graph's menu opened beside a held readout with its note label (the preference
            // set on the display only: no preferences file is written).
            CSpectrumDisplay& d = *editor.controls().display;
            const std::int32_t graphX = 15 + 32, graphY = 15 + 32;  // the graph in its frame
            d.setNoteNames(true);
            d.onMouseDown(1, 0, graphX + 250, graphY + 170);
            run(2);
            d.onMouseDown(2, 0, graphX + 330, graphY + 150);
            ok &= shoot("manual-graph-menu.png", 4);
            editor.controls().graphMenu->cancelEditing();
            d.onMouseUp(1, 0, 0);
            d.setNoteNames(false);
        }
        shown.set(kAnalysisView, 0.0f);
        editor.valueChanged(kTabAbout, 1.0f);
        ok &= shoot("manual-about.png", 5);
        return finish(ok);
    }
    ok &= shoot("editor-bands.png", 20);
    shown.set(kSidePanel, 1.0f);  // the names panel
    shown.set(kAnalysisView, 1.0f);
    ok &= shoot("editor-fft.png", 75);
    shown.set(kSidePanel, 0.0f);
    shown.set(kCompactLayout, 1.0f);
    ok &= shoot("editor-compact.png", 40);
    shown.set(kCompactLayout, 0.0f);
    shown.set(kAnalysisView, 0.0f);
    const char* arrangements[3] = {"editor-arrangement-overlay.png", "editor-arrangement-v-align.png",
                                   "editor-arrangement-v-space.png"};
    for (std::uint32_t a = 0; a < 3; ++a) {
        shown.set(kArrangement, static_cast<float>(a));
        ok &= shoot(arrangements[a], 50);
    }
    shown.set(kArrangement, 1.0f);
    shown.set(kAnalysisView, 1.0f);
    ok &= shoot("editor-fft-v-align.png", 50);
    shown.set(kArrangement, 0.0f);
    shown.set(kAnalysisView, 0.0f);

    return finish(ok);
}
