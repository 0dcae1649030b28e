// The plug-in's editor in qvhost's X11 frame under Xvfb: the compact setting resizing our child
// and (when it accepts) the host's frame, the picture kept by the server for exposures without
// idle calls, a bogus parent, a close from another thread waiting for the pass that idle runs,
// and real pointer events (XTest) on the memory switches while audio runs.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <thread>

#include "controls/memory_switch.h"
#include "editor/analyzer_editor.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "unit/gui_window/test_views.h"
#include "vsthost/editor_frame.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "x11/x11_support.h"

namespace qv {
namespace {

using std::chrono::milliseconds;

// One instance whose editor goes into a host frame that grows when the editor asks.
struct EditorInX11Host : ::testing::Test {
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        frame = vsthost::EditorFrame::create(752, 563, "test", &error);
        ASSERT_NE(frame, nullptr) << error;
        {
            vsthost::HostContext::EntryScope scope(host);
            raw = createEffectInstance(&vsthost::HostContext::callback);
        }
        effect = vsthost::HostedEffect::adopt(raw, host, &error);
        ASSERT_NE(effect, nullptr) << error;
        adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(raw->object));
        host.setSizeWindowHandler([&](int w, int h) { return frame->resizeClient(w, h), true; });
    }
    void TearDown() override {
        effect.reset();
        frame.reset();
        XCloseDisplay(display);
    }
    Window child() { return test::onlyChild(display, test::windowOf(frame->parentHandle())); }
    // Our child of the frame: its size, or 0 x 0 when there is none.
    std::pair<int, int> childSize() {
        XWindowAttributes a{};
        if (const Window c = child()) XGetWindowAttributes(display, c, &a);
        return {a.width, a.height};
    }
    float setting(std::uint32_t id) const { return adapter->getCore()->getParameter(id, 0); }
    void set(std::uint32_t id, float v) const { adapter->getCore()->setParameter(id, v, 0, false, true); }
    template <class F>
    bool pumpUntil(F done) {
        for (int i = 0; i < 1500 && !done(); ++i) {
            frame->pump();
            effect->dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(milliseconds(2));
        }
        return done();
    }
    void pumpFor(int ms) {
        const auto until = std::chrono::steady_clock::now() + milliseconds(ms);
        pumpUntil([&] { return std::chrono::steady_clock::now() > until; });
    }

    Display* display = nullptr;
    std::string error;
    std::unique_ptr<vsthost::EditorFrame> frame;
    vsthost::HostContext host;
    vst::AEffect* raw = nullptr;
    std::unique_ptr<vsthost::HostedEffect> effect;
    PluginVST* adapter = nullptr;
};

TEST_F(EditorInX11Host, CompactSettingResizesAndExposuresShowTheLastPicture) {
    EXPECT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x3FFFFF1})), 0);
    ASSERT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, frame->parentHandle()), 1);
    EXPECT_EQ(childSize(), std::make_pair(752, 563));
    // Drawn without any idle call, and after being hidden and shown the server restores it.
    vsthost::FrameImage drawn, exposed;
    std::this_thread::sleep_for(milliseconds(100));  // the server reads our picture
    ASSERT_TRUE(frame->capture(&drawn));
    XUnmapWindow(display, test::windowOf(frame->parentHandle()));
    XSync(display, False);
    XMapWindow(display, test::windowOf(frame->parentHandle()));
    XSync(display, False);
    ASSERT_TRUE(frame->capture(&exposed));
    EXPECT_TRUE(drawn.pixels == exposed.pixels);
    EXPECT_NE(drawn.pixels[1000], 0xFFFFFFFFu);

    // The editor resizes in its next pass after the setting was applied (on the GUI thread).
    const auto nextPass = [&] {
        for (int i = 0; i < 3; ++i) effect->dispatch(vst::effEditIdle), std::this_thread::sleep_for(milliseconds(45));
    };
    set(387, 1.0f);
    nextPass();
    vst::ERect* rect = nullptr;
    ASSERT_EQ(effect->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(std::tuple(childSize(), frame->clientWidth(), rect->bottom), std::tuple(std::pair(650, 335), 650, 335));
    host.setSizeWindowHandler(nullptr);  // a host that refuses: our child follows all the same
    set(387, 0.0f);
    nextPass();
    EXPECT_EQ(std::pair(childSize(), frame->clientWidth()), std::pair(std::pair(752, 563), 650));
    effect->dispatch(vst::effEditClose);
    EXPECT_EQ(childSize(), std::make_pair(0, 0));
}

TEST_F(EditorInX11Host, PointerGesturesStoreShowAndDeleteGraphsPerView) {
    ASSERT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, frame->parentHandle()), 1);
    auto& editor = static_cast<CAnalyzerEditor&>(*adapter->getEditorView());
    std::atomic<bool> stop{false};
    std::thread audio([&] {  // as a host's audio thread
        std::vector<float> in(512), out(512);
        float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {out.data(), out.data()};
        for (std::uint32_t n = 0; !stop; ++n) {
            for (std::size_t i = 0; i < in.size(); ++i) in[i] = 0.3f * std::sin(0.05f * static_cast<float>(n * 512 + i));
            raw->processReplacing(raw, ins, outs, 512);
            std::this_thread::sleep_for(milliseconds(5));
        }
    });
    const auto click = [&](int x, int y, unsigned button, KeySym held = 0) {
        test::clickAt(display, child(), x, y, button, held);
        pumpFor(120);  // past the window's press debounce
    };
    const auto slot = static_cast<int>(setting(0) + 0.1f);
    const auto shows = [&](std::uint32_t state) {
        return pumpUntil([&] { return editor.controls().memory[slot][2]->getState() == state; });
    };
    pumpFor(300);  // on screen and drawn a few times before the first press
    // M3 of this instance's column: X button 3 (right) stores, button 1 shows; the state is the core's.
    const std::uint32_t state = 219 + 8 * static_cast<std::uint32_t>(slot) + 2;
    for (int view = 0; view < 2; ++view) {
        if (view == 1) click(79, 553, 1);
        ASSERT_TRUE(pumpUntil([&] { return setting(362) == static_cast<float>(view); }));
        click(47 * slot + 13, 112, 3);
        EXPECT_TRUE(pumpUntil([&] { return std::bit_cast<std::uint32_t>(setting(state)) == kMemoryStored; })) << view;
        click(47 * slot + 13, 112, 1);
        EXPECT_TRUE(pumpUntil([&] { return std::bit_cast<std::uint32_t>(setting(state)) == kMemoryShown; })) << view;
        EXPECT_TRUE(shows(kMemoryShown)) << view;
    }
    // Deleted in FFT view (Ctrl + left press); each view keeps its own states.
    click(47 * slot + 13, 112, 1, XK_Control_L);
    EXPECT_TRUE(shows(kMemoryEmpty));
    click(10, 553, 1);
    EXPECT_TRUE(shows(kMemoryShown));
    click(79, 553, 1);
    EXPECT_TRUE(shows(kMemoryEmpty));
    stop = true;
    audio.join();
    effect->dispatch(vst::effEditClose);
}

struct SlowEditor final : CEditor {
    SlowEditor() : CEditor(0, 300, 200, nullptr, nullptr, nullptr) { setTimerPeriod(10.0f); }
    ~SlowEditor() override { close(); }
    void buildControls() override {
        auto* box = new test::TestContainer(CRect{0, 0, 300, 200});
        test::TestView* view = box->add(std::make_unique<test::TestView>(*getFrame(), CRect{0, 0, 300, 200}));
        view->destroyed = &viewGone;
        view->onDraw = [this] {
            inPass = true;
            std::this_thread::sleep_for(milliseconds(150));
            passEnded = true;
        };
        auto* page = new CPage;
        page->addContainer(box);
        getFrame()->addPage(page);
    }
    std::atomic<bool> inPass{false}, passEnded{false};
    bool viewGone = false;
};

TEST_F(EditorInX11Host, CloseFromAnotherThreadWaitsForTheRunningPass) {
    SlowEditor editor;
    ASSERT_TRUE(editor.open(frame->parentHandle(), -1, -1));
    std::atomic<bool> stop{false};
    std::thread gui([&] {
        while (!stop) editor.idle(), std::this_thread::sleep_for(milliseconds(2));
    });
    while (!editor.inPass) std::this_thread::sleep_for(milliseconds(1));
    editor.close();
    EXPECT_TRUE(editor.passEnded && editor.viewGone);
    stop = true;
    gui.join();
}

}  // namespace
}  // namespace qv
