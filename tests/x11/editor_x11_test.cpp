// The plug-in's editor in an X11 host under Xvfb: opened inside qvhost's frame, the compact
// setting resizing our child and the host's frame through audioMasterSizeWindow, a bogus parent
// failing cleanly, and a close from another thread waiting for the pass that idle is running.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "editor/editor.h"
#include "gui/gui_window.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "unit/gui_window/test_views.h"
#include "vsthost/editor_frame.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"

namespace qv {
namespace {

using vsthost::EditorFrame;

class EditorInX11Host : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        std::string error;
        frame = EditorFrame::create(752, 563, "test", &error);
        ASSERT_NE(frame, nullptr) << error;
    }
    void TearDown() override {
        frame.reset();
        if (display) XCloseDisplay(display);
    }
    // The size of the only child of the frame, or 0 x 0.
    std::pair<int, int> childSize() {
        Window root = 0, up = 0, *children = nullptr;
        unsigned int count = 0;
        const auto parent = static_cast<Window>(reinterpret_cast<std::uintptr_t>(frame->parentHandle()));
        XQueryTree(display, parent, &root, &up, &children, &count);
        std::pair<int, int> size{0, 0};
        if (count == 1) {
            XWindowAttributes a{};
            XGetWindowAttributes(display, children[0], &a);
            size = {a.width, a.height};
        }
        if (children) XFree(children);
        return size;
    }

    Display* display = nullptr;
    std::unique_ptr<EditorFrame> frame;
};

TEST_F(EditorInX11Host, CompactSettingResizesTheChildAndAsksTheHost) {
    vsthost::HostContext host;
    vst::AEffect* raw = nullptr;
    {
        vsthost::HostContext::EntryScope scope(host);
        raw = createEffectInstance(&vsthost::HostContext::callback);
    }
    std::string error;
    auto effect = vsthost::HostedEffect::adopt(raw, host, &error);
    ASSERT_NE(effect, nullptr) << error;
    std::vector<std::pair<int, int>> asked;
    host.setSizeWindowHandler([&](int w, int h) {
        asked.push_back({w, h});
        frame->resizeClient(w, h);
        return true;
    });
    EXPECT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x3FFFFF1})), 0);
    ASSERT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, frame->parentHandle()), 1);
    EXPECT_EQ(childSize(), std::make_pair(752, 563));

    auto* adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(raw->object));
    adapter->getCore()->setParameter(387, 1.0f, 0, false, true);  // compact layout, on the GUI thread
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{650, 335}}));
    EXPECT_EQ(childSize(), std::make_pair(650, 335));
    EXPECT_EQ(frame->clientWidth(), 650);
    vst::ERect* rect = nullptr;
    ASSERT_EQ(effect->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 650);
    EXPECT_EQ(rect->bottom, 335);

    // A host that refuses: our child is resized all the same.
    host.setSizeWindowHandler(nullptr);
    adapter->getCore()->setParameter(387, 0.0f, 0, false, true);
    EXPECT_EQ(childSize(), std::make_pair(752, 563));
    EXPECT_EQ(frame->clientWidth(), 650);
    effect->dispatch(vst::effEditClose);
    EXPECT_EQ(childSize(), std::make_pair(0, 0));
    effect->close();
}

class SlowEditor final : public CEditor {
public:
    SlowEditor() : CEditor(0, 300, 200, nullptr, nullptr, nullptr) { setTimerPeriod(10.0f); }
    ~SlowEditor() override { close(); }
    void buildControls() override {
        auto* page = new CPage;
        auto* box = new test::TestContainer(CRect{0, 0, 300, 200});
        test::TestView* view = box->add(std::make_unique<test::TestView>(*getFrame(), CRect{0, 0, 300, 200}));
        view->destroyed = &viewGone;
        view->onDraw = [this] {
            inPass.store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            passEnded.store(true);
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
        while (!stop.load()) {
            editor.idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    while (!editor.inPass.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    editor.close();
    EXPECT_TRUE(editor.passEnded.load());
    EXPECT_TRUE(editor.viewGone);
    EXPECT_FALSE(editor.isOpen());
    stop.store(true);
    gui.join();
}

}  // namespace
}  // namespace qv
