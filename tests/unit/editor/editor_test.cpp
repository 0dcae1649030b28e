// The editor base on the headless window: size and timer before and after open, resize and the
// host, records from the core, edit gestures, reports from other threads, and teardown from
// inside a pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "core/data_request.h"
#include "editor/analyzer_editor.h"
#include "framework/editor_host.h"
#include "framework/parameter_sink.h"
#include "framework/plugin_base.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "unit/gui_window/rect_compare.h"
#include "unit/gui_window/test_views.h"

namespace qv {
namespace {

struct HeadlessWindows : ::testing::Test {
    void SetUp() override { CGuiWindow::setBackendPreference(CWindowBackend::kHeadless); }
    void TearDown() override { CGuiWindow::setBackendPreference(CWindowBackend::kAuto); }
};

// A core with two host parameters, the first automatable, and a fixed editor size.
class FakeCore final : public CPluginBase {
public:
    std::uint32_t getNumParams() const override { return 2; }
    std::uint8_t getParameterFlags(std::uint32_t index) const override { return index == 0 ? 3 : 1; }
    void getEditorSize(std::int32_t& w, std::int32_t& h) const override { w = 400, h = 300; }
    void notifyEditor(std::uint32_t, float) override {}
    void getProductName(char* buffer, std::size_t capacity) const override { std::snprintf(buffer, capacity, "fake"); }
    void onReset(bool) override {}
    std::int32_t processAudio(void**, void**, std::int32_t, std::int32_t, std::int32_t, int, std::int32_t) override { return 0; }
};

struct FakeHost final : IEditorHost {
    void automateIfAllowed(std::int32_t, float) override {}
    bool beginEdit(std::int32_t i) override { return gestures.push_back(i), true; }
    bool endEdit(std::int32_t i) override { return gestures.push_back(-1 - i), true; }
    bool sizeWindow(std::int32_t w, std::int32_t h) override { return sizes.push_back({w, h}), accepts; }
    bool hostCanResize() override { return true; }
    float getParameter(std::int32_t) override { return 0.0f; }
    std::vector<std::int32_t> gestures;
    std::vector<std::pair<std::int32_t, std::int32_t>> sizes;
    bool accepts = true;
};

// An editor whose page is one test container with one view; values it is shown are recorded
// with the thread they arrived on.
class TestEditor : public CEditor {
public:
    TestEditor(IEditorHost* h, CPluginBase* c) : CEditor(0, 752, 563, h, c, nullptr) { setTimerPeriod(40.0f); }
    ~TestEditor() override { close(); }
    void buildControls() override {
        ++built;
        auto* page = new CPage;
        box = new test::TestContainer(CRect{0, 0, getWidth(), getHeight()});
        view = box->add(std::make_unique<test::TestView>(*getFrame(), CRect{0, 0, 10, 10}));
        page->addContainer(box);
        getFrame()->addPage(page);
    }
    void onClosing() override { closingSawOpen = isOpen(), closingSawWindow = getFrame() != nullptr; }
    void setParameter(std::int32_t i, float v) override { shown.push_back({i, v, std::this_thread::get_id()}); }
    void receiveData(const void* record) override {
        std::uint32_t type = 0;
        std::memcpy(&type, static_cast<const char*>(record) + 4, 4);
        if (type == kDataNames) ++namesSeen;
        CEditor::receiveData(record);
    }
    CHeadlessWindow& native() { return *static_cast<CHeadlessWindow*>(getFrame()->getNativeWindow()); }

    struct Shown {
        std::int32_t index;
        float value;
        std::thread::id thread;
    };
    std::vector<Shown> shown;
    int built = 0, namesSeen = 0;
    bool closingSawOpen = true, closingSawWindow = false;
    test::TestContainer* box = nullptr;
    test::TestView* view = nullptr;
};

std::vector<std::uint8_t> record(std::uint32_t size, std::uint32_t type, std::uint32_t a, float b) {
    std::vector<std::uint8_t> bytes(std::max<std::uint32_t>(size, 16), 0);
    const std::uint32_t words[4] = {size, type, a, std::bit_cast<std::uint32_t>(b)};
    std::memcpy(bytes.data(), words, sizeof(words));
    return bytes;
}

TEST_F(HeadlessWindows, AnalyzerEditorSizeAndTimerFollowTheCoreAndTheWindow) {
    // A host that counts edit gestures (opcodes 43, 44) and answers size requests with garbage.
    static int gestures = 0;
    vst::audioMasterCallback host = [](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                       float) -> vst::VstIntPtr {
        if (op == 43 || op == 44) ++gestures;
        return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? -77 : 0;
    };
    vst::AEffect* effect = createEffectInstance(host);
    ASSERT_NE(effect, nullptr);
    auto* adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(effect->object));
    CEditor& editor = *adapter->getEditorView();
    CRect r{1, 1, 1, 1};
    editor.getRect(r);
    EXPECT_EQ(r, (CRect{0, 0, 752, 563}));
    EXPECT_EQ(editor.getTimerPeriod(), 100.0f);
    // The analyzer has no host parameters: gestures never reach the host.
    editor.beginEdit(0);
    editor.endEdit(0);
    EXPECT_EQ(gestures, 0);

    ASSERT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(editor.getTimerPeriod(), 40.0f);
    auto& native = *static_cast<CHeadlessWindow*>(editor.getFrame()->getNativeWindow());
    EXPECT_EQ(native.getTimerPeriod(), 40u);
    native.setKeepScreen(true);
    native.advance(40.0);
    // The artwork fills the window: no white pixel of the empty back buffer is left.
    const auto& screen = native.getScreen();
    ASSERT_EQ(screen.size(), 752u * 563u);
    EXPECT_EQ(std::count(screen.begin(), screen.end(), 0xFFFFFFFFu), 0);
    // A garbage answer to sizeWindow counts as accepted: the window follows.
    EXPECT_TRUE(editor.resize(650, 335, true, 0, 0));
    EXPECT_EQ(editor.getFrame()->getBackBuffer().width, 650);
    effect->dispatcher(effect, vst::effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(editor.getTimerPeriod(), 100.0f);

    // The compact setting gives the smaller default size to an editor made afterwards.
    adapter->getCore()->setParameter(387, 1.0f, 0, false, true);
    CAnalyzerEditor compact(0, 752, 563, nullptr, adapter->getCore(), nullptr);
    compact.getRect(r);
    EXPECT_EQ(r, (CRect{0, 0, 650, 335}));
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(HeadlessWindows, ResizeAsksTheHostFirstAndDoesNothingForTheSameSize) {
    FakeCore core;
    FakeHost host;
    TestEditor editor(&host, &core);
    // Closed: the size stays and the host is not asked.
    EXPECT_FALSE(editor.resize(500, 200, true, 0, 0));
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    EXPECT_TRUE(host.sizes.empty());
    editor.native().advance(40.0);
    const std::size_t passes = editor.view->draws.size();

    EXPECT_FALSE(editor.resize(400, 300, true, 80, 3));  // the size from the core
    for (int i = 0; i < 6; ++i) editor.native().advance(40.0);
    EXPECT_TRUE(host.sizes.empty());
    for (std::size_t i = passes; i < editor.view->draws.size(); ++i) EXPECT_EQ(editor.view->draws[i].redrawAll, 0);

    for (const bool accepts : {true, false}) {
        host.accepts = accepts;
        const std::int32_t w = accepts ? 650 : 752, h = accepts ? 335 : 563;
        ASSERT_TRUE(editor.resize(w, h, true, 80, 3));
        EXPECT_EQ(host.sizes.back(), std::make_pair(w, h));
        // Accepted or not, the window and its back buffer follow (headless: no frames to walk).
        EXPECT_EQ(editor.getFrame()->getBackBuffer().width, w);
        EXPECT_EQ(editor.getFrame()->getBackBuffer().height, h);
        CRect r;
        editor.getRect(r);
        EXPECT_EQ(r, (CRect{0, 0, w, h}));
        // One full redraw now, then three more, one every 80 ms (two 40 ms ticks).
        const std::size_t first = editor.view->draws.size();
        for (int i = 0; i < 8; ++i) editor.native().advance(40.0);
        std::vector<int> full;
        for (std::size_t i = first; i < editor.view->draws.size(); ++i) full.push_back(editor.view->draws[i].redrawAll);
        EXPECT_EQ(full, (std::vector<int>{1, 1, 0, 1, 0, 1, 0, 0}));
    }
}

TEST_F(HeadlessWindows, RecordsAndGesturesAreCheckedBeforeUse) {
    FakeCore core;
    FakeHost host;
    TestEditor editor(&host, &core);
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    struct Case {
        std::uint32_t size, type;
        bool shown;
    };
    for (const Case c : {Case{16, 4, true}, Case{15, 4, false}, Case{17, 4, false}, Case{1, 4, false},
                         Case{16, 3, false}, Case{16, 2, false}}) {
        editor.shown.clear();
        const auto bytes = record(c.size, c.type, 1, 0.25f);
        editor.getCoreSink().receiveData(bytes.data());
        ASSERT_EQ(editor.shown.size(), c.shown ? 1u : 0u) << c.size << " " << c.type;
        if (c.shown) {
            EXPECT_EQ(editor.shown[0].value, 0.25f);
        }
    }
    editor.getCoreSink().receiveData(nullptr);
    // Only index 0 is a host parameter that may be automated.
    for (const std::int32_t i : {0, 1, 2, -1, 1000}) {
        editor.beginEdit(i);
        editor.endEdit(i);
    }
    EXPECT_EQ(host.gestures, (std::vector<std::int32_t>{0, -1}));
}

TEST_F(HeadlessWindows, ReportsFromOtherThreadsWaitForTheNextTick) {
    FakeCore core;
    TestEditor editor(nullptr, &core);
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    NamesRequest names{};
    names.header = DataRequest{NamesRequest::kSize, kDataNames, 0, 0};
    std::thread other([&] {
        IParameterSink& sink = editor.getCoreSink();
        sink.setParameter(5, 1.0f);
        sink.setParameter(7, 3.0f);
        sink.setParameter(5, 2.0f);  // only the latest value per setting is kept
        sink.setParameter(9, 4.0f);
        sink.receiveData(&names);
        sink.receiveData(&names);
        const auto bytes = record(16, 4, 11, 5.0f);
        sink.receiveData(bytes.data());
        sink.setParameter(-3, 1.0f);
        sink.setParameter(100000, 1.0f);
    });
    other.join();
    EXPECT_TRUE(editor.shown.empty());
    EXPECT_EQ(editor.namesSeen, 0);
    editor.getCoreSink().setParameter(9, 8.0f);  // on the GUI thread: at once, and newer than the kept one
    editor.native().advance(40.0);
    std::vector<std::pair<std::int32_t, float>> seen;
    for (const auto& s : editor.shown) {
        EXPECT_EQ(s.thread, std::this_thread::get_id());
        seen.push_back({s.index, s.value});
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::int32_t, float>>{{9, 8.0f}, {5, 2.0f}, {7, 3.0f}, {11, 5.0f}}));
    EXPECT_EQ(editor.namesSeen, 1);

    // Kept while the editor closes: dropped with its controls.
    std::thread([&] { editor.getCoreSink().setParameter(5, 6.0f); }).join();
    editor.close();
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    editor.shown.clear();
    editor.native().advance(40.0);
    EXPECT_TRUE(editor.shown.empty());
}

TEST_F(HeadlessWindows, OpenCloseOrderAndClosingFromInsideAPass) {
    FakeCore core;
    TestEditor editor(nullptr, &core);
    editor.close();  // without open
    editor.idle();
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    CGuiWindow* first = editor.getFrame();
    ASSERT_TRUE(editor.open(nullptr, 500, 200));  // a second open replaces the window
    EXPECT_EQ(editor.built, 2);
    EXPECT_FALSE(editor.closingSawOpen);
    EXPECT_TRUE(editor.closingSawWindow);
    EXPECT_NE(editor.getFrame(), nullptr);
    EXPECT_EQ(editor.getFrame()->getWidth(), 500);
    (void)first;

    // A view closes the editor while it draws: the pass ends first, then the window goes.
    bool destroyed = false;
    editor.view->destroyed = &destroyed;
    editor.view->onDraw = [&] {
        editor.close();
        EXPECT_FALSE(destroyed);
        EXPECT_EQ(editor.getFrame(), nullptr);
    };
    editor.native().advance(40.0);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(editor.isOpen());
    EXPECT_EQ(editor.getTimerPeriod(), 100.0f);
}

TEST(EditorWithoutHostWindow, NullParentIsAClearFailure) {
    FakeCore core;
    TestEditor editor(nullptr, &core);
    EXPECT_FALSE(editor.open(nullptr, -1, -1));
    EXPECT_FALSE(editor.isOpen());
    EXPECT_EQ(editor.getFrame(), nullptr);
    EXPECT_EQ(editor.built, 0);
}

}  // namespace
}  // namespace qv
