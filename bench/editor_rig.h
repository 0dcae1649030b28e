// Sixteen instances in one process, FFT view at N = 16384, fed pink noise, with the first one's
// editor open on the headless window: the setting of the editor benches.
#pragma once

#include <chrono>
#include <cstdio>
#include <vector>

#include "core/plugin.h"
#include "core/setting_ids.h"
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "host/audio_effect.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "host/vst_abi.h"
#include "vsthost/signal_generator.h"

namespace qvbench {

class EditorRig {
public:
    static constexpr int kInstances = 16;
    static constexpr std::size_t kBlock = 512;

    // Creates the instances and feeds them; the editor opens with openEditor().
    EditorRig() {
        using namespace qv;
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
    }
    ~EditorRig() {
        if (opened) editor().close();
        for (vst::AEffect* e : effects) e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f);
    }
    void openEditor() {
        opened = editor().open(nullptr, -1, -1);
        if (!opened) std::fprintf(stderr, "the editor did not open\n");
        for (int p = 0; p < 10; ++p) feed(), pass();
    }
    qv::CAnalyzerEditor& editor() const {
        using namespace qv;
        return *static_cast<CAnalyzerEditor*>(
            static_cast<PluginVST*>(static_cast<AudioEffect*>(effects[0]->object))->getEditorView());
    }
    // One FFT block for every instance: a new spectrum each.
    void feed() {
        if (position + 4 * kBlock > audio.frames()) position = 0;
        for (qv::CPlugin* core : cores) {
            for (std::size_t b = 0; b < 4; ++b) {
                void* in[2] = {audio.channel(0) + position + b * kBlock, audio.channel(1) + position + b * kBlock};
                void* outs[2] = {out.data(), out.data() + kBlock};
                core->process(in, outs, 2, 2, static_cast<std::int32_t>(kBlock), qv::kPrecisionFloat, 0);
            }
        }
        for (qv::CPlugin* core : cores) core->waitForWorkers(std::chrono::milliseconds(2000));
        position += 4 * kBlock;
    }
    // One refresh frame of the editor.
    void pass() const {
        static_cast<qv::CHeadlessWindow*>(editor().getFrame()->getNativeWindow())->advance(40.0);
    }

    std::vector<qv::CPlugin*> cores;

private:
    static vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 op, vst::VstInt32,
                                           vst::VstIntPtr, void*, float) {
        return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
    }

    std::vector<vst::AEffect*> effects;
    qv::vsthost::AudioBuffer audio;
    std::size_t position = 0;
    std::vector<float> out = std::vector<float>(2 * kBlock);
    bool opened = false;
};

}  // namespace qvbench
