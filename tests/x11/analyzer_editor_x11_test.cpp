// The analyzer editor in qvhost's X11 frame under Xvfb, driven by real pointer events (XTest)
// while audio runs: a right press on M3 stores a graph that a left press recalls, in both
// views, seen by a second instance of the process; each view keeps its own memory states.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <chrono>
#include <thread>

#include "controls/memory_switch.h"
#include "core/data_request.h"
#include "core/plugin.h"
#include "editor/analyzer_editor.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "vsthost/editor_frame.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"

namespace qv {
namespace {

struct Hosted {
    vsthost::HostContext host;
    vst::AEffect* raw = nullptr;
    std::unique_ptr<vsthost::HostedEffect> effect;
    PluginVST* adapter = nullptr;
    explicit Hosted(std::string* error) {
        {
            vsthost::HostContext::EntryScope scope(host);
            raw = createEffectInstance(&vsthost::HostContext::callback);
        }
        effect = vsthost::HostedEffect::adopt(raw, host, error);
        if (effect) adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(raw->object));
    }
    float setting(std::uint32_t id) const { return adapter->getCore()->getParameter(id, 0); }
};

TEST(AnalyzerEditorInX11, PointerGesturesStoreAndShowGraphsPerViewSeenByAnotherInstance) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    std::string error;
    auto frame = vsthost::EditorFrame::create(752, 563, "analyzer", &error);
    ASSERT_NE(frame, nullptr) << error;
    Hosted first(&error), second(&error);
    ASSERT_TRUE(first.effect && second.effect) << error;
    first.host.setSizeWindowHandler([&](int w, int h) { return frame->resizeClient(w, h), true; });
    ASSERT_EQ(first.effect->dispatch(vst::effEditOpen, 0, 0, frame->parentHandle()), 1);
    auto& editor = static_cast<CAnalyzerEditor&>(*first.adapter->getEditorView());

    // Audio through both instances on a thread of its own, as a host's audio thread.
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> in(512), out(512);
        float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {out.data(), out.data()};
        for (std::uint32_t n = 0; !stop; ++n) {
            for (std::size_t i = 0; i < in.size(); ++i) in[i] = 0.3f * std::sin(0.05f * static_cast<float>(n * 512 + i));
            first.raw->processReplacing(first.raw, ins, outs, 512);
            second.raw->processReplacing(second.raw, ins, outs, 512);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const auto pumpUntil = [&](auto done) {
        for (int i = 0; i < 1500 && !done(); ++i) {
            frame->pump();
            first.effect->dispatch(vst::effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    };
    // A click at toolkit point x, y of the editor (y up from its bottom), with a key held (0: none).
    const auto click = [&](int x, int y, unsigned button, KeySym held) {
        Window child = 0, root = 0, up = 0, *children = nullptr, ignored = 0;
        unsigned int n = 0;
        XQueryTree(display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(frame->parentHandle())), &root, &up,
                   &children, &n);
        if (n == 1) child = children[0];
        if (children) XFree(children);
        XWindowAttributes a{};
        XGetWindowAttributes(display, child, &a);
        int rootX = 0, rootY = 0;
        XTranslateCoordinates(display, child, DefaultRootWindow(display), x, a.height - 1 - y, &rootX, &rootY, &ignored);
        const KeyCode key = held ? XKeysymToKeycode(display, held) : 0;
        if (key) XTestFakeKeyEvent(display, key, True, CurrentTime);
        XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
        if (key) XTestFakeKeyEvent(display, key, False, CurrentTime);
        XSync(display, False);
        // Past the window's press debounce before the next click.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(120);
        pumpUntil([&] { return std::chrono::steady_clock::now() > until; });
    };

    // The editor on screen and drawn a few times before the first press.
    const auto shown = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    pumpUntil([&] { return std::chrono::steady_clock::now() > shown; });
    // M3 of this instance's column, in band view and then in FFT view: right press stores, left
    // press shows; the slot's state is the core's, so the other instance sees it too.
    const auto slot = static_cast<int>(first.setting(0) + 0.1f);
    const std::uint32_t state = 219 + 8 * static_cast<std::uint32_t>(slot) + 2;
    for (int view = 0; view < 2; ++view) {
        if (view == 1) click(79, 553, 1, 0);
        ASSERT_TRUE(pumpUntil([&] { return first.setting(362) == static_cast<float>(view); }));
        click(47 * slot + 13, 112, 3, 0);  // X button 3: the right button
        EXPECT_TRUE(pumpUntil([&] { return std::bit_cast<std::uint32_t>(first.setting(state)) == kMemoryStored; }))
            << "view " << view;
        click(47 * slot + 13, 112, 1, 0);
        EXPECT_TRUE(pumpUntil([&] { return std::bit_cast<std::uint32_t>(first.setting(state)) == kMemoryShown; }))
            << "view " << view;
        EXPECT_EQ(editor.controls().memory[slot][2]->getState(), kMemoryShown);
        // The memory slots are shared by the process: the second instance reads the stored graph.
        BandMemoryRequest request{};
        request.header = DataRequest{BandMemoryRequest::kSize, kDataBandMemory, static_cast<std::uint32_t>(slot), 2};
        second.adapter->getCore()->getData(&request);
        if (view == 0) {
            EXPECT_EQ(request.header.type, kDataBandMemoryReply);
        }
    }
    // Deleted in FFT view (Ctrl + left press); each view keeps its own states.
    click(47 * slot + 13, 112, 1, XK_Control_L);
    EXPECT_TRUE(pumpUntil([&] { return editor.controls().memory[slot][2]->getState() == kMemoryEmpty; }));
    click(10, 553, 1, 0);
    EXPECT_TRUE(pumpUntil([&] { return editor.controls().memory[slot][2]->getState() == kMemoryShown; }));
    click(79, 553, 1, 0);
    EXPECT_TRUE(pumpUntil([&] { return editor.controls().memory[slot][2]->getState() == kMemoryEmpty; }));

    stop = true;
    audio.join();
    first.effect->dispatch(vst::effEditClose);
    XCloseDisplay(display);
}

}  // namespace
}  // namespace qv
