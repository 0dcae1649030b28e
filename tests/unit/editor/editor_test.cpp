// The editor base on the headless window: resize and the host, record and gesture checks,
// reports from other threads, and teardown from inside a pass.
#include "core/data_request.h"
#include "framework/parameter_sink.h"
#include "framework/plugin_base.h"
#include "gui/native/headless/headless_window.h"
#include "unit/editor/editor_rig.h"
#include "unit/gui_window/rect_compare.h"

namespace qv {
namespace {

using Shown = std::vector<std::pair<std::int32_t, float>>;

// Two host parameters, the first automatable; snapshots read i + 0.5.
struct FakeCore final : CPluginBase {
    std::uint32_t getNumParams() const override { return 2; }
    std::uint8_t getParameterFlags(std::uint32_t i) const override { return i == 0 ? 3 : 1; }
    float getParameter(std::uint32_t i, int) const override { return static_cast<float>(i) + 0.5f; }
    void getEditorSize(std::int32_t& w, std::int32_t& h) const override { w = 400, h = 300; }
    void notifyEditor(std::uint32_t, float) override {}
    void getProductName(char* b, std::size_t n) const override { std::strncpy(b, "fake", n); }
    void onReset(bool) override {}
    std::int32_t processAudio(void**, void**, std::int32_t, std::int32_t, std::int32_t, int, std::int32_t) override { return 0; }
};

// Shown values are recorded, with whether they came on this thread.
struct TestEditor final : test::ProbeEditor {
    TestEditor(IEditorHost* h, CPluginBase* c) : ProbeEditor(752, 563, h, c) { setTimerPeriod(40.0f); }
    void onClosing() override { closingSaw = {isOpen(), getFrame() != nullptr}; }
    void setParameter(std::int32_t i, float v) override {
        shown.push_back({i, v}), offThread += std::this_thread::get_id() != gui;
    }
    void receiveData(const void* r) override {
        names += std::memcmp(static_cast<const char*>(r) + 4, "\x20\0\0\0", 4) == 0;
        CEditor::receiveData(r);
    }
    void tick(int n = 1) { static_cast<CHeadlessWindow*>(getFrame()->getNativeWindow())->advance(40.0 * n); }
    std::vector<int> fullRedraws(std::size_t from) const {
        std::vector<int> r;
        for (std::size_t i = from; i < view->draws.size(); ++i) r.push_back(view->draws[i].redrawAll);
        return r;
    }
    Shown shown;
    std::thread::id gui = std::this_thread::get_id();
    int names = 0, offThread = 0;
    std::pair<bool, bool> closingSaw{true, false};
};

struct Headless : ::testing::Test {
    void SetUp() override { CGuiWindow::setBackendPreference(CWindowBackend::kHeadless); }
    void TearDown() override { CGuiWindow::setBackendPreference(CWindowBackend::kAuto); }
    FakeCore core;
    test::FakeHost host;
};

std::vector<std::uint32_t> valueRecord(std::uint32_t size, std::uint32_t type, std::uint32_t a, float b) {
    return {size, type, a, std::bit_cast<std::uint32_t>(b)};
}

TEST_F(Headless, ResizeAsksTheHostFirstAndTheSameSizeDoesNothing) {
    TestEditor editor(&host, &core);
    EXPECT_FALSE(editor.resize(500, 200, true, 0, 0));  // closed: nothing, not even the host
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    editor.tick();
    const std::size_t passes = editor.view->draws.size();
    EXPECT_FALSE(editor.resize(400, 300, true, 80, 3));  // the core's size, as opened
    editor.tick(6);
    EXPECT_EQ(std::pair(host.asked.size(), editor.fullRedraws(passes)), std::pair(std::size_t{0}, std::vector<int>(6, 0)));
    for (const bool accepts : {true, false}) {
        host.accepts = accepts;
        const std::int32_t w = accepts ? 650 : 752, h = accepts ? 335 : 563;
        ASSERT_TRUE(editor.resize(w, h, true, 80, 3));
        CRect r{};
        editor.getRect(r);  // read from the window
        EXPECT_EQ(std::tuple(host.asked.back(), editor.getFrame()->getBackBuffer().height, r),
                  std::tuple(std::make_pair(w, h), h, CRect{0, 0, w, h}));
        // A full redraw now, then three more 80 ms (two ticks) apart.
        const std::size_t from = editor.view->draws.size();
        editor.tick(8);
        EXPECT_EQ(editor.fullRedraws(from), (std::vector<int>{1, 1, 0, 1, 0, 1, 0, 0}));
    }
}

TEST_F(Headless, RecordsGesturesAndSnapshotsAreChecked) {
    TestEditor editor(&host, &core);
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    for (const auto& [size, type] : {std::pair{16u, 4u}, {15u, 4u}, {17u, 4u}, {1u, 4u}, {16u, 3u}})
        editor.getCoreSink().receiveData(valueRecord(size, type, 1, 0.25f).data());
    editor.getCoreSink().receiveData(nullptr);
    EXPECT_EQ(editor.shown, (Shown{{1, 0.25f}}));
    for (const std::int32_t i : {0, 1, 2, -1}) editor.beginEdit(i), editor.endEdit(i);
    EXPECT_EQ(host.gestures, (std::vector<std::int32_t>{0, -1}));  // only the automatable host parameter
    editor.shown.clear(), editor.refreshParameters();
    EXPECT_EQ(editor.shown, (Shown{{0, 0.5f}, {1, 1.5f}}));
}

TEST_F(Headless, ReportsFromOtherThreadsKeepTheLatestAndWaitForTheNextTick) {
    TestEditor editor(nullptr, &core);
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    const NamesRequest names{.header = DataRequest{NamesRequest::kSize, kDataNames, 0, 0}};
    IParameterSink& sink = editor.getCoreSink();
    std::thread([&] {
        for (const auto& [i, v] : Shown{{5, 1.0f}, {7, 3.0f}, {5, 2.0f}, {9, 4.0f}, {-3, 1.0f}, {100000, 1.0f}}) sink.setParameter(i, v);
        sink.receiveData(&names), sink.receiveData(&names);
        sink.receiveData(valueRecord(16, 4, 11, 5.0f).data());
    }).join();
    EXPECT_TRUE(editor.shown.empty());
    sink.setParameter(9, 8.0f);  // on the GUI thread: at once, and newer than the kept 4.0
    editor.tick();
    EXPECT_EQ(editor.shown, (Shown{{9, 8.0f}, {5, 2.0f}, {7, 3.0f}, {11, 5.0f}}));
    EXPECT_EQ(std::pair(editor.names, editor.offThread), std::pair(1, 0));
    // What is kept when the editor closes goes with its controls.
    std::thread([&] { sink.setParameter(5, 6.0f); }).join();
    editor.close();
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    editor.shown.clear(), editor.tick();
    EXPECT_TRUE(editor.shown.empty());
}

TEST_F(Headless, CloseOrderSecondOpenAndClosingFromInsideAPass) {
    TestEditor editor(nullptr, &core);
    editor.close(), editor.idle();  // without open
    ASSERT_TRUE(editor.open(nullptr, -1, -1));
    ASSERT_TRUE(editor.open(nullptr, 500, 200));  // replaces the window
    EXPECT_EQ(std::pair(editor.built, editor.getFrame()->getWidth()), std::pair(2, 500));
    EXPECT_EQ(editor.closingSaw, std::make_pair(false, true));  // closed first, controls still there
    bool destroyed = false;
    editor.view->destroyed = &destroyed;
    editor.view->onDraw = [&] {
        editor.close();
        EXPECT_FALSE(destroyed);  // the pass still runs on its views
    };
    editor.tick();
    EXPECT_TRUE(destroyed && editor.getFrame() == nullptr);

    CGuiWindow::setBackendPreference(CWindowBackend::kAuto);
    EXPECT_FALSE(editor.open(nullptr, -1, -1));  // a host must give a window
    EXPECT_EQ(std::pair(editor.getFrame(), editor.built), std::pair(static_cast<CGuiWindow*>(nullptr), 2));
}

}  // namespace
}  // namespace qv
