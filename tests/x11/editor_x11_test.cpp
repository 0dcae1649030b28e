// The plug-in's editor in qvhost's X11 frame under Xvfb: a bogus parent, exposures without idle
// calls, the compact setting resizing our child and (when it accepts) the host's frame, and a
// close from another thread waiting for the pass that idle runs.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "editor/editor.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "unit/gui_window/test_views.h"
#include "vsthost/editor_frame.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"

namespace qv {
namespace {

using std::chrono::milliseconds;

Window windowOf(void* handle) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(handle)); }

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
    // Our child of the frame: its size, or 0 x 0 when there is none.
    std::pair<int, int> childSize() {
        Window root = 0, up = 0, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(display, windowOf(frame->parentHandle()), &root, &up, &children, &n);
        XWindowAttributes a{};
        if (n == 1) XGetWindowAttributes(display, children[0], &a);
        if (children) XFree(children);
        return {a.width, a.height};
    }
    void set(std::uint32_t id, float v) const { adapter->getCore()->setParameter(id, v, 0, false, true); }

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
    XUnmapWindow(display, windowOf(frame->parentHandle()));
    XSync(display, False);
    XMapWindow(display, windowOf(frame->parentHandle()));
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
