// The plug-in's editor in an X11 host under Xvfb: inside qvhost's frame, the compact setting
// resizing our child and (when it accepts) the host's frame, the picture kept by the server
// for exposures without idle calls, a bogus parent, and a close from another thread waiting
// for the pass that idle runs.
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

struct EditorInX11Host : ::testing::Test {
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        frame = vsthost::EditorFrame::create(752, 563, "test", &error);
        ASSERT_NE(frame, nullptr) << error;
    }
    void TearDown() override {
        frame.reset();
        XCloseDisplay(display);
    }
    // Our child of the frame: its size, or 0 x 0 when there is none.
    std::pair<int, int> childSize() {
        Window root = 0, up = 0, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(frame->parentHandle())), &root, &up,
                   &children, &n);
        XWindowAttributes a{};
        if (n == 1) XGetWindowAttributes(display, children[0], &a);
        if (children) XFree(children);
        return {a.width, a.height};
    }
    Display* display = nullptr;
    std::string error;
    std::unique_ptr<vsthost::EditorFrame> frame;
};

TEST_F(EditorInX11Host, CompactSettingResizesAndExposuresShowTheLastPicture) {
    vsthost::HostContext host;
    vst::AEffect* raw = nullptr;
    {
        vsthost::HostContext::EntryScope scope(host);
        raw = createEffectInstance(&vsthost::HostContext::callback);
    }
    auto effect = vsthost::HostedEffect::adopt(raw, host, &error);
    ASSERT_NE(effect, nullptr) << error;
    host.setSizeWindowHandler([&](int w, int h) { return frame->resizeClient(w, h), true; });
    EXPECT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x3FFFFF1})), 0);
    ASSERT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, frame->parentHandle()), 1);
    EXPECT_EQ(childSize(), std::make_pair(752, 563));
    // Drawn without any idle call, and after being hidden and shown the server restores it.
    vsthost::FrameImage drawn, exposed;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the server reads our picture
    ASSERT_TRUE(frame->capture(&drawn));
    const auto parent = static_cast<Window>(reinterpret_cast<std::uintptr_t>(frame->parentHandle()));
    XUnmapWindow(display, parent);
    XSync(display, False);
    XMapWindow(display, parent);
    XSync(display, False);
    ASSERT_TRUE(frame->capture(&exposed));
    EXPECT_TRUE(drawn.pixels == exposed.pixels);
    EXPECT_NE(drawn.pixels[1000], 0xFFFFFFFFu);

    auto* adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(raw->object));
    // The editor resizes in its next pass after the setting was applied.
    const auto nextPass = [&] {
        for (int i = 0; i < 3; ++i) effect->dispatch(vst::effEditIdle), std::this_thread::sleep_for(std::chrono::milliseconds(45));
    };
    adapter->getCore()->setParameter(387, 1.0f, 0, false, true);  // compact, on the GUI thread
    nextPass();
    EXPECT_EQ(childSize(), std::make_pair(650, 335));
    EXPECT_EQ(frame->clientWidth(), 650);
    vst::ERect* rect = nullptr;
    ASSERT_EQ(effect->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->bottom, 335);
    host.setSizeWindowHandler(nullptr);  // a host that refuses: our child follows all the same
    adapter->getCore()->setParameter(387, 0.0f, 0, false, true);
    nextPass();
    EXPECT_EQ(childSize(), std::make_pair(752, 563));
    EXPECT_EQ(frame->clientWidth(), 650);
    effect->dispatch(vst::effEditClose);
    EXPECT_EQ(childSize(), std::make_pair(0, 0));
}

struct SlowEditor final : CEditor {
    SlowEditor() : CEditor(0, 300, 200, nullptr, nullptr, nullptr) { setTimerPeriod(10.0f); }
    ~SlowEditor() override { close(); }
    void buildControls() override {
        auto* page = new CPage;
        auto* box = new test::TestContainer(CRect{0, 0, 300, 200});
        test::TestView* view = box->add(std::make_unique<test::TestView>(*getFrame(), CRect{0, 0, 300, 200}));
        view->destroyed = &viewGone;
        view->onDraw = [this] {
            inPass = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            passEnded = true;
        };
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
        while (!stop) editor.idle(), std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    while (!editor.inPass) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    editor.close();
    EXPECT_TRUE(editor.passEnded);
    EXPECT_TRUE(editor.viewGone);
    stop = true;
    gui.join();
}

}  // namespace
}  // namespace qv
