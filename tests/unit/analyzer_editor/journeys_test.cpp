// Journeys: the analyzer editor walked as a person walks it in the first hour of use. Each row is
// a sequence of gestures and host events (tabs, pause, memory clicks, knob drags, a project saved
// and reloaded, a sample-rate change, other instances joining, leaving, syncing or staying silent)
// over real instances fed with audio, then what must be on screen and in the core. Audio and
// frames are driven here, so every row gives the same answer on a loaded machine.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <random>

#include "analyzer_rig.h"
#include "controls/on_off_switch.h"
#include "controls/text_label.h"
#include "core/analysis_shared.h"
#include "core/plugin.h"
#include "core/state_chunk.h"
#include "display/display_axes.h"
#include "display/note_name.h"
#include "editor/user_preferences.h"

namespace qv {
namespace {

enum class Op { SilentBefore, Click, Drag, Play, Quiet, Host, Other, Save, Reload, Patch, Rate, Join, JoinSilent, Leave, Reopen, Measure,
                Menu, MoveTo, Release, FocusLost };
// What a gesture lands on; memory switches take a column (-1: the editor's own) and M1..M8 as 0..7.
enum class At { None, TabBands, TabFft, TabAbout, AboutTabBands, Pause, AttackKnob, AverageKnob, Memory };

struct Step {
    Op op;
    At at = At::None;
    std::int32_t a = 0, b = 0;  // column and memory; frames; instance; chunk offset; pixels
    float v = 0.0f;             // a setting's value; a rate
    std::int32_t button = 1, mods = 0;
};

Step click(At at, std::int32_t mods = 0) { return {Op::Click, at, 0, 0, 0.0f, 1, mods}; }
Step memory(std::int32_t column, std::int32_t k, std::int32_t button, std::int32_t mods = 0) {
    return {Op::Click, At::Memory, column, k, 0.0f, button, mods};
}
Step drag(At at, std::int32_t dy) { return {Op::Drag, at, dy}; }
Step play(std::int32_t frames) { return {Op::Play, At::None, frames}; }
Step quiet(std::int32_t frames) { return {Op::Quiet, At::None, frames}; }
Step host(std::int32_t id, float v) { return {Op::Host, At::None, id, 0, v}; }
Step other(std::int32_t instance, std::int32_t id, float v) { return {Op::Other, At::None, instance, id, v}; }
Step patch(std::int32_t offset, float v) { return {Op::Patch, At::None, offset, 0, v}; }
Step rate(float hz) { return {Op::Rate, At::None, 0, 0, hz}; }
Step leave(std::int32_t instance) { return {Op::Leave, At::None, instance}; }
Step measure(std::int32_t px, std::int32_t py) { return {Op::Measure, At::None, px, py}; }
Step moveTo(std::int32_t px, std::int32_t py) { return {Op::MoveTo, At::None, px, py}; }
// A right-click on the graph, then a click on entry `item` of the menu it opened.
Step graphMenu(std::uint32_t item) { return {Op::Menu, At::None, static_cast<std::int32_t>(item)}; }
// SilentBefore: an instance on a silent track was inserted before this one (first step only).
const Step kSilentBefore{Op::SilentBefore}, kSave{Op::Save}, kReload{Op::Reload}, kJoin{Op::Join}, kJoinSilent{Op::JoinSilent}, kReopen{Op::Reopen},
    kRelease{Op::Release}, kFocusLost{Op::FocusLost};

constexpr std::int32_t kGraphW = 556, kGraphH = 241, kOwn = -1;
constexpr float kSeconds4 = (4.0f - 0.1f) / 4.9f;  // the average knob at 4.0 s

// Instance 0 is the adapter a host loaded, with its own editor open on the headless window; the
// others join as the host inserts them. A playing instance gets a 1 kHz tone over white noise.
struct Journey {
    struct Instance {
        vst::AEffect* effect = nullptr;
        bool silent = false;
        PluginVST* adapter() const { return static_cast<PluginVST*>(static_cast<AudioEffect*>(effect->object)); }
        CPlugin& core() const { return *static_cast<CPlugin*>(adapter()->getCore()); }
    };

    explicit Journey(bool silentBefore) {
        CGuiWindow::setBackendPreference(CWindowBackend::kHeadless);
#ifndef _WIN32
        setenv("XDG_CONFIG_HOME", QV_TEST_OUT_DIR "/journeys-config", 1);  // never the user's own file
#endif
        std::filesystem::remove(CUserPreferences().file());  // every journey starts at the defaults
        if (silentBefore) join(true);
        join(false);
        if (silentBefore) std::rotate(instances.begin(), instances.begin() + 1, instances.end());
        editor = static_cast<CAnalyzerEditor*>(instances[0].adapter()->getEditorView());
        EXPECT_TRUE(editor->open(nullptr, -1, -1));
        tick(2);
    }
    ~Journey() {
        editor->close();
        for (Instance& i : instances) i.effect->dispatcher(i.effect, vst::effClose, 0, 0, nullptr, 0.0f);
        CGuiWindow::setBackendPreference(CWindowBackend::kAuto);
    }
    void join(bool silent) {
        vst::AEffect* e = createEffectInstance([](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                                  float) -> vst::VstIntPtr {
            return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
        });
        e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
        instances.push_back({e, silent});
    }

    const AnalyzerControls& c() const { return editor->controls(); }
    CPlugin& core() const { return instances[0].core(); }
    float setting(std::uint32_t id) const { return core().getParameter(id, 0); }
    std::uint32_t own() const { return static_cast<std::uint32_t>(setting(0) + 0.1f); }
    void tick(int passes = 1) { static_cast<CHeadlessWindow*>(editor->getFrame()->getNativeWindow())->advance(40.0 * passes); }

    CView* target(At at, std::int32_t column, std::int32_t k) const {
        const AnalyzerControls& k_ = c();
        switch (at) {
            case At::TabBands: return k_.tabBands;
            case At::TabFft: return k_.tabFft;
            case At::TabAbout: return k_.tabAbout;
            case At::AboutTabBands: return k_.aboutTabs[0];
            case At::Pause: return k_.pause;
            case At::AttackKnob: return k_.attack;
            case At::AverageKnob: return k_.average;
            case At::Memory: return k_.memory[static_cast<std::size_t>(column < 0 ? own() : column)][static_cast<std::size_t>(k)];
            default: return nullptr;
        }
    }
    // Every playing instance gets 40 ms of audio, then the editor draws a frame.
    void frames(std::int32_t n, bool sound) {
        const auto block = static_cast<int>(sampleRate * 0.04);
        std::vector<float> left(static_cast<std::size_t>(block)), right(left.size());
        std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
        for (std::int32_t f = 0; f < n; ++f) {
            for (Instance& i : instances) {
                if (i.silent) continue;
                for (float& s : left) {
                    phase += 2.0 * 3.14159265358979 * 1000.0 / sampleRate;
                    s = sound ? 0.25f * static_cast<float>(std::sin(phase)) + noise(random) : 0.0f;
                }
                right = left;
                // In host-sized pieces, each measured before the next: no block is dropped.
                for (int at = 0; at < block; at += 512) {
                    float* io[2] = {left.data() + at, right.data() + at};
                    i.effect->processReplacing(i.effect, io, io, std::min(512, block - at));
                    i.core().waitForWorkers(std::chrono::seconds(10));
                }
            }
            tick();
        }
    }
    void run(const Step& s) {
        switch (s.op) {
            case Op::SilentBefore: break;
            case Op::Click:
            case Op::Drag: {
                const CRect r = onWindow(target(s.at, s.a, s.b));
                pointerAt(*editor->getFrame(), r.x + r.width / 2, r.y + r.height / 2, s.button, s.mods, s.op == Op::Drag ? s.a : 0);
                tick(2);
                break;
            }
            case Op::Play: frames(s.a, true); break;
            case Op::Quiet: frames(s.a, false); break;
            case Op::Host: instances[0].effect->setParameter(instances[0].effect, s.a, s.v), tick(2); break;
            case Op::Other:
                instances[static_cast<std::size_t>(s.a)].core().setParameter(static_cast<std::uint32_t>(s.b), s.v, 0, false, true);
                tick(2);
                break;
            case Op::Save: {
                void* data = nullptr;
                const auto bytes = instances[0].effect->dispatcher(instances[0].effect, vst::effGetChunk, 0, 0, &data, 0.0f);
                chunk.assign(static_cast<char*>(data), static_cast<char*>(data) + bytes);
                break;
            }
            case Op::Patch: std::memcpy(chunk.data() + s.a, &s.v, sizeof(float)); break;
            case Op::Reload:
                instances[0].effect->dispatcher(instances[0].effect, vst::effSetChunk, 0, static_cast<vst::VstIntPtr>(chunk.size()),
                                                chunk.data(), 0.0f);
                tick(2);
                break;
            case Op::Rate:
                sampleRate = s.v;
                for (Instance& i : instances) i.effect->dispatcher(i.effect, vst::effSetSampleRate, 0, 0, nullptr, s.v);
                break;
            case Op::Join: join(false); break;
            case Op::JoinSilent: join(true); break;
            case Op::Leave: {
                Instance& i = instances[static_cast<std::size_t>(s.a)];
                i.effect->dispatcher(i.effect, vst::effClose, 0, 0, nullptr, 0.0f);
                instances.erase(instances.begin() + s.a);
                break;
            }
            case Op::Reopen: editor->close(), editor->open(nullptr, -1, -1), tick(2); break;
            case Op::Measure: {  // the left button held on the graph
                const CPoint g = graph();
                pointerAt(*editor->getFrame(), g.x + s.a, g.y + s.b, 1, 0, 0, false), tick(2);
                break;
            }
            case Op::MoveTo: {
                CGuiWindow& w = *editor->getFrame();
                w.onMouseMove(graph().x + s.a, w.getHeight() - 1 - (graph().y + s.b), 0), tick();
                break;
            }
            case Op::Release: editor->getFrame()->onMouseUp(1, 0, 0), tick(); break;
            case Op::FocusLost: editor->getFrame()->onFocusLost(), tick(); break;
            case Op::Menu: {
                const CPoint g = graph();
                pointerAt(*editor->getFrame(), g.x + 300, g.y + 120, 2, 0), tick(2);
                const COverlayMenuList* list = c().graphMenu->getOverlay();
                if (!list) break;  // the checks find nothing chosen
                const CPoint row = list->rowCentre(0, s.a);
                pointerAt(*editor->getFrame(), row.x, row.y, 1, 0), tick(2);
                break;
            }
        }
    }

    // ---- What a person sees ----
    CPoint graph() const {
        const CRect r = onWindow(c().display);
        return CPoint{r.x + 32, r.y + 32};
    }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return editor->getFrame()->getBackBuffer().row(y)[x]; }
    std::uint32_t colourOf(std::uint32_t number) const {
        const auto rgba = c().display->getInstanceColor(number);
        return CColor(nullptr, rgba[0], rgba[1], rgba[2], 1.0f, kColorPenAndBrush).brushPixel();
    }
    std::vector<std::uint32_t> numbers() const {
        std::vector<std::uint32_t> n;
        for (const Instance& i : instances)
            if (!i.silent) n.push_back(static_cast<std::uint32_t>(i.core().getParameter(0, 0) + 0.1f));
        return n;
    }
    // A bar in the 1 kHz band: 20 pixels of the instance's colour (side by side, stacked or in
    // stripes; a peak mark is one row).
    bool barOf(std::uint32_t number) const { return pixelsOf(number, 17 * 18, 17 * 18 + 15, 0, kGraphH) >= 20; }
    // Pixels of the instance's colour in graph columns x0..x1, rows y0 up to y1 (excluded).
    std::int32_t pixelsOf(std::uint32_t number, std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t y1) const {
        const CPoint g = graph();
        std::int32_t n = 0;
        for (std::int32_t x = x0; x <= x1; ++x)
            for (std::int32_t y = y0; y < y1; ++y) n += pixel(g.x + x, g.y + y) == colourOf(number);
        return n;
    }
    // The graph columns beyond the last frequency the rate carries (the last two at 44.1 kHz).
    std::int32_t firstColumnPastTheData() const {
        if (sampleRate / 2 >= 20000.0) return kGraphW - 2;
        return display::FrequencyAxis(10.0f, 20000.0f, kGraphW).columnOf(sampleRate / 2) + 3;
    }
    std::uint32_t state(std::int32_t column, std::int32_t k) const {
        return c().memory[static_cast<std::size_t>(column < 0 ? own() : column)][static_cast<std::size_t>(k)]->getState();
    }
    BandLevelRecord bandMemory(std::uint32_t number, std::uint32_t k) const {
        BandMemoryRequest r{};
        r.header = DataRequest{BandMemoryRequest::kSize, kDataBandMemory, number, k};
        core().getData(&r);
        return r.record;
    }
    bool spectrumMemory(std::uint32_t number, std::uint32_t k) const {
        auto block = std::make_unique<MemoryCurveBlock>();
        block->header = DataRequest{MemoryCurveBlock::kSize, 2, number, k};
        return core().getData(block.get()) && block->header.size == MemoryCurveBlock::kSize;
    }

    double sampleRate = 44100.0;
    double phase = 0.0;
    std::mt19937 random{11};
    std::vector<Instance> instances;
    CAnalyzerEditor* editor = nullptr;
    std::vector<char> chunk;
};

// A check's text, printf-style.
__attribute__((format(printf, 1, 2))) std::string said(const char* format, ...) {
    char text[96];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

struct Check {
    std::string what;
    std::function<bool(const Journey&)> holds;
};

Check barsForEveryInstance() {
    return {"bars of every playing instance", [](const Journey& j) {
                const auto n = j.numbers();
                return std::all_of(n.begin(), n.end(), [&](std::uint32_t i) { return j.barOf(i); });
            }};
}
Check noBar() {
    return {"no bar", [](const Journey& j) { return !j.barOf(j.own()); }};
}
Check curvesForEveryInstance() {
    return {"a curve of every playing instance, above the floor", [](const Journey& j) {
                const auto n = j.numbers();
                return std::all_of(n.begin(), n.end(), [&](std::uint32_t i) { return j.pixelsOf(i, 0, kGraphW - 1, 5, kGraphH) > 200; });
            }};
}
Check nothingAtTheRightEdgeFloor() {
    return {"nothing drawn down to the floor at the right edge", [](const Journey& j) {
                for (std::uint32_t i : j.numbers())
                    if (j.pixelsOf(i, j.firstColumnPastTheData(), kGraphW - 1, 0, 20) > 0) return false;
                return true;
            }};
}
Check memoryState(std::int32_t column, std::int32_t k, std::uint32_t s) {
    return {said("M%d of column %d in state %u", k + 1, column, s),
            [=](const Journey& j) { return j.state(column, k) == s; }};
}
Check everyColumn(std::int32_t k, std::uint32_t s) {
    return {said("M%d of every column in state %u", k + 1, s), [=](const Journey& j) {
                for (std::int32_t i = 0; i < 16; ++i)
                    if (j.state(i, k) != s) return false;
                return true;
            }};
}
Check setting(std::uint32_t id, float v) {
    return {said("setting %u = %g", id, static_cast<double>(v)), [=](const Journey& j) { return j.setting(id) == v; }};
}
Check label(CTextLabel* AnalyzerControls::*which, std::string text) {
    return {said("label reads %s", text.c_str()), [=](const Journey& j) { return (j.c().*which)->getText() == text; }};
}
Check windowSize(std::int32_t w, std::int32_t h) {
    return {said("window %d x %d, as the core reports", w, h), [=](const Journey& j) {
                std::int32_t cw = 0, ch = 0;
                j.core().getEditorSize(cw, ch);
                return j.editor->getFrame()->getWidth() == w && j.editor->getFrame()->getHeight() == h && cw == w && ch == h;
            }};
}
Check pauseShows(bool on) {
    return {on ? "pause on" : "pause off",
            [=](const Journey& j) { return (j.c().pause->getValue() >= 0.5f) == on && (j.setting(380) >= 0.5f) == on; }};
}
Check bandMemoryUntouched(std::uint32_t k) {
    return {said("the core's band M%u as it started", k + 1), [=](const Journey& j) {
                const BandLevelRecord r = j.bandMemory(j.own(), k);
                return std::all_of(std::begin(r.levels), std::end(r.levels), [](float v) { return v == kSilenceDb; });
            }};
}
Check spectrumMemoryKept(std::uint32_t k, bool kept) {
    return {said("the core's FFT M%u %s", k + 1, kept ? "kept" : "empty"),
            [=](const Journey& j) { return j.spectrumMemory(j.own(), k) == kept; }};
}
Check averageFollowsTheKnob() {
    return {"349 follows the average knob at this rate", [](const Journey& j) {
                const double seconds = 0.1 + 4.9 * j.setting(347);
                const double hop = j.core().analysis().algorithm.getBandWindowLength();
                const double frames = std::clamp(std::trunc(seconds * j.sampleRate / hop), 1.0, 938.0);
                return j.setting(349) == static_cast<float>(frames);
            }};
}
Check activeBoxes(bool full) {
    return {full ? "bars and panels shown" : "only the graph shown", [=](const Journey& j) {
                const AnalyzerControls& c = j.c();
                return c.controlsPanel->isActive() == full && c.columns[0]->isActive() == full && c.syncBox->isActive() == full;
            }};
}

// Pixels of the plate (10 % grey, as either build rounds it) under the note label and the notice.
std::int32_t platePixels(const Journey& j) {
    std::int32_t n = 0;
    for (std::int32_t x = 0; x < kGraphW; ++x)
        for (std::int32_t y = 0; y < kGraphH; ++y) {
            const std::uint32_t p = j.pixel(j.graph().x + x, j.graph().y + y) & 0xFFFFFF, grey = p & 0xFF;
            n += p == grey * 0x010101u && grey >= 0x18 && grey <= 0x1B;
        }
    return n;
}
// The note label (of the readout frequency when text is null) or the notice shown, on its plate.
Check overGraph(bool note, const char* text) {
    return {said("%s \"%s\"", note ? "note label" : "notice", text ? text : "of the readout"), [=](const Journey& j) {
                float hz = 0.0f, db = 0.0f;
                const std::string want = text ? text : j.c().display->getReadout(hz, db) ? display::noteName(hz) : "?";
                const CSpectrumDisplay& d = *j.c().display;
                return (note ? d.paintedNoteLabel() : d.paintedNotice()) == want && (platePixels(j) > 0) == !want.empty();
            }};
}
Check listening(float hz, bool armed) {
    return {said("listening %s at %g Hz", armed ? "armed" : "off", static_cast<double>(hz)),
            [=](const Journey& j) { return j.editor->listeningAt() == hz && j.editor->isListenArmed() == armed; }};
}

struct Row {
    const char* name;
    const char* fault;  // the fault of the first hour it stands for, if any
    std::vector<Step> steps;
    std::vector<Check> expect;
};

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {"three instances play in band view", "", {kJoin, kJoin, play(12)}, {barsForEveryInstance()}},
        {"three instances stacked", "", {kJoin, kJoin, host(355, 1.0f), play(12)}, {barsForEveryInstance()}},
        {"three instances in stripes", "", {kJoin, kJoin, host(355, 2.0f), play(12)}, {barsForEveryInstance()}},
        {"three instances in FFT view, stacked", "", {kJoin, kJoin, click(At::TabFft), host(355, 1.0f), play(12)},
         {curvesForEveryInstance()}},
        {"three instances in FFT view, in stripes", "", {kJoin, kJoin, click(At::TabFft), host(355, 2.0f), play(12)},
         {curvesForEveryInstance()}},
        {"pause freezes M8 everywhere; its own tab keeps it", "", {play(6), click(At::Pause), click(At::TabBands), quiet(25)},
         {pauseShows(true), everyColumn(7, kMemoryShown), barsForEveryInstance()}},
        {"paused, the FFT tab releases it", "", {play(6), click(At::Pause), click(At::TabFft), play(10)},
         {pauseShows(false), everyColumn(7, kMemoryEmpty), curvesForEveryInstance()}},
        {"pause in FFT view, then back to 1/3 Oct", "1",
         {kJoin, play(6), click(At::TabFft), play(4), click(At::Pause), play(2), click(At::Pause), click(At::TabBands), play(12)},
         {barsForEveryInstance(), everyColumn(7, kMemoryEmpty), bandMemoryUntouched(7), pauseShows(false)}},
        {"a store in FFT view leaves the band memory alone", "1",
         {play(4), click(At::TabFft), play(4), memory(kOwn, 2, 2), click(At::TabBands), play(8)},
         {bandMemoryUntouched(2), memoryState(kOwn, 2, kMemoryEmpty), barsForEveryInstance()}},
        {"reopened paused in band view: frozen bars under a lit M8", "1",
         {play(10), click(At::Pause), play(2), kReopen, quiet(25)},
         {memoryState(kOwn, 7, kMemoryShown), pauseShows(true), barsForEveryInstance()}},
        {"reopened with a band memory shown while the audio stopped", "1",
         {play(10), memory(kOwn, 3, 2), memory(kOwn, 3, 1), kReopen, quiet(25)},
         {memoryState(kOwn, 3, kMemoryShown), barsForEveryInstance()}},
        {"live FFT curves end where their data ends", "2", {kJoin, click(At::TabFft), play(12)},
         {curvesForEveryInstance(), nothingAtTheRightEdgeFloor()}},
        {"FFT curves at 32 kHz end at 16 kHz", "2", {rate(32000.0f), click(At::TabFft), play(12)},
         {curvesForEveryInstance(), nothingAtTheRightEdgeFloor()}},
        {"average time 4.0 s saved and reloaded", "3", {host(347, kSeconds4), kSave, host(347, 0.0f), kReload},
         {label(&AnalyzerControls::averageLabel, "4.0"), averageFollowsTheKnob()}},
        {"sample rate 96 kHz", "", {host(347, kSeconds4), rate(96000.0f), play(8)},
         {averageFollowsTheKnob(), barsForEveryInstance()}},
        {"paused in band view, another instance syncs FFT view", "4",
         {kJoin, click(At::TabFft), play(6), memory(kOwn, 7, 2), click(At::TabBands), play(6), click(At::Pause),
          other(1, 362, 1.0f), other(1, 376, 1.0f), play(20)},
         {pauseShows(false), setting(362, 1.0f), memoryState(kOwn, 7, kMemoryStored), spectrumMemoryKept(7, true),
          curvesForEveryInstance()}},
        {"paused in band view, a project in FFT view loaded", "4",
         {host(362, 1.0f), kSave, host(362, 0.0f), play(6), click(At::Pause), kReload, play(4), click(At::TabBands), play(8)},
         {pauseShows(false), memoryState(kOwn, 7, kMemoryEmpty), barsForEveryInstance()}},
        {"band average of 1 s, 0.7 s after the tone", "", {host(348, 1.0f), host(9, 1.0f), play(40), quiet(18)},
         {barsForEveryInstance()}},
        {"band average of 1 s, 1.3 s after the tone", "", {host(348, 1.0f), host(9, 1.0f), play(40), quiet(33)}, {noBar()}},
        {"band average of 1 s at 176.4 kHz, 0.7 s after the tone", "5",
         {rate(176400.0f), host(348, 1.0f), host(9, 1.0f), play(40), quiet(18)}, {barsForEveryInstance()}},
        {"band average of 1 s at 176.4 kHz, 1.3 s after the tone", "5",
         {rate(176400.0f), host(348, 1.0f), host(9, 1.0f), play(40), quiet(33)}, {noBar()}},
        {"an instance on a silent track, inserted first, in FFT view", "6", {kSilentBefore, click(At::TabFft), play(10)},
         {curvesForEveryInstance()}},
        {"an instance on a silent track joins the FFT view", "", {kJoinSilent, click(At::TabFft), play(10)},
         {curvesForEveryInstance()}},
        {"the host sets a level bottom the core refuses", "7", {host(360, -50.0f), play(2), measure(100, 0)},
         {label(&AnalyzerControls::levelReadout, "-90.00 dB")}},
        {"the host sends NaN for attack", "7", {host(8, std::numeric_limits<float>::quiet_NaN())},
         {label(&AnalyzerControls::attackLabel, "450"), setting(8, (450.0f - 1.0f) / 799.0f)}},
        {"a project with slope 1e30 loads clamped, the rest applied", "7",
         {host(355, 2.0f), kSave, patch(28, 1e30f), host(355, 0.0f), kReload},
         {setting(10, 1.0f), label(&AnalyzerControls::slopeLabel, "10.0"), setting(355, 2.0f)}},
        {"a negative compact value", "9", {host(387, -1.0f)}, {windowSize(650, 335), activeBoxes(false)}},
        {"Shift-click FFT: compact; About: full; plain 1/3 Oct: full bands", "",
         {click(At::TabFft, kModifierShift), click(At::TabAbout), click(At::AboutTabBands), play(8)},
         {windowSize(752, 563), activeBoxes(true), setting(362, 0.0f), barsForEveryInstance()}},
        {"Shift-click FFT stays compact with live curves", "", {click(At::TabFft, kModifierShift), play(8)},
         {windowSize(650, 335), activeBoxes(false), curvesForEveryInstance()}},
        {"band memory: store, show, hide, show, Ctrl deletes", "",
         {play(8), memory(kOwn, 2, 2), memory(kOwn, 2, 1), memory(kOwn, 2, 1), memory(kOwn, 2, 1),
          memory(kOwn, 2, 1, kModifierControl), quiet(25)},
         {memoryState(kOwn, 2, kMemoryEmpty), noBar()}},
        {"FFT memory shown survives a trip to band view", "",
         {click(At::TabFft), play(8), memory(kOwn, 4, 2), memory(kOwn, 4, 1), click(At::TabBands), play(4),
          click(At::TabFft)},
         {memoryState(kOwn, 4, kMemoryShown), spectrumMemoryKept(4, true), memoryState(kOwn, 7, kMemoryEmpty)}},
        {"Alt + right click stores M3 in all sixteen columns, Alt + Ctrl deletes", "",
         {play(6), memory(3, 2, 2, kModifierAlt), memory(kOwn, 5, 2, kModifierAlt),
          memory(9, 5, 1, kModifierAlt | kModifierControl)},
         {everyColumn(2, kMemoryStored), everyColumn(5, kMemoryEmpty)}},
        {"knob drags reach the core and the labels", "",
         {drag(At::AttackKnob, -40), drag(At::AverageKnob, 60)},
         {{"attack knob, label and core agree", [](const Journey& j) {
               const float v = j.c().attack->getValue();
               char text[16];
               std::snprintf(text, sizeof text, "%.0f", static_cast<double>(1.0f + 799.0f * v));
               return v != (450.0f - 1.0f) / 799.0f && j.setting(8) == v && j.c().attackLabel->getText() == text;
           }},
          averageFollowsTheKnob()}},
        {"an instance leaves, the others play on", "", {kJoin, kJoin, play(6), leave(1), play(8)},
         {barsForEveryInstance()}},
        {"note names chosen in the graph's menu, kept over a reopen, beside the held cursor", "",
         {play(4), graphMenu(CAnalyzerEditor::kMenuNoteNames), kReopen, play(2), measure(17 * 18 + 8, 100), play(2)},
         {overGraph(true, "B5 +21 ct"), label(&AnalyzerControls::freqReadout, "1000.0 Hz")}},
        {"the note label follows the cursor and leaves no trace on release", "",
         {graphMenu(CAnalyzerEditor::kMenuNoteNames), measure(17 * 18 + 8, 100), moveTo(20 * 18 + 8, 230), kRelease, play(2)},
         {overGraph(true, "")}},
        {"note names in the compact FFT view", "",
         {click(At::TabFft, kModifierShift), graphMenu(CAnalyzerEditor::kMenuNoteNames), measure(277, 60), play(2)},
         {overGraph(true, nullptr), windowSize(650, 335)}},
        {"note names chosen twice: off, no label", "",
         {graphMenu(CAnalyzerEditor::kMenuNoteNames), graphMenu(CAnalyzerEditor::kMenuNoteNames), measure(314, 100)},
         {overGraph(true, "")}},
        {"listening follows the held mouse from band to band", "",
         {graphMenu(CAnalyzerEditor::kMenuListen), measure(17 * 18 + 8, 100), moveTo(17 * 18 + 17, 100), moveTo(20 * 18 + 8, 100)},
         {listening(2000.0f, true)}},
        {"listening in FFT view plays the readout frequency", "",
         {click(At::TabFft), graphMenu(CAnalyzerEditor::kMenuListen), measure(277, 60)},
         {listening(static_cast<float>(display::FrequencyAxis(10.0f, 20000.0f, kGraphW).frequencyAt(277)), true)}},
        {"lost focus ends listening", "", {graphMenu(CAnalyzerEditor::kMenuListen), measure(314, 100), kFocusLost},
         {listening(0.0f, true)}},
        {"listening is not kept over a reopen", "", {graphMenu(CAnalyzerEditor::kMenuListen), measure(314, 100), kReopen},
         {listening(0.0f, false)}},
        {"save picture shows its outcome over the graph", "", {play(2), graphMenu(CAnalyzerEditor::kMenuSavePicture)},
         {{"a notice", [](const Journey& j) { return !j.c().display->paintedNotice().empty() && platePixels(j) > 0; }}}},
        {"the notice of save data is gone three seconds later", "",
         {click(At::TabFft), graphMenu(CAnalyzerEditor::kMenuSaveData), quiet(76)}, {overGraph(false, "")}},
    };
    return table;
}

class Journeys : public ::testing::TestWithParam<std::size_t> {};

TEST_P(Journeys, WhatAPersonSeesAfterwards) {
    const Row& row = rows()[GetParam()];
    Journey j(!row.steps.empty() && row.steps[0].op == Op::SilentBefore);
    for (const Step& s : row.steps) j.run(s);
    for (const Check& c : row.expect) EXPECT_TRUE(c.holds(j)) << row.name << ": " << c.what;
}

INSTANTIATE_TEST_SUITE_P(FirstHour, Journeys, ::testing::Range<std::size_t>(0, rows().size()),
                         [](const auto& param) {
                             std::string n = said("%u_", static_cast<unsigned>(param.param));
                             for (const char* p = rows()[param.param].name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

}  // namespace
}  // namespace qv
