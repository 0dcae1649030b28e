// The X11 backend under Xvfb: XTest pointer and key events reach the views in toolkit
// coordinates, the server's pixels equal the back buffer, a close from another thread waits for
// the pass idle runs. The plug-in's editor in qvhost's X11 frame: a bogus parent, exposures
// without idle calls, the compact setting resizing our child and (if it accepts) the host frame.
#include "support/test_common.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "controls/option_menu.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "unit/analyzer_editor/platform_journey.h"
#include "unit/editor/editor_rig.h"
#include "vsthost/editor_frame.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Xvfb resets itself whenever its last client leaves, refusing connections meanwhile; one
// connection held for the whole program keeps it up between tests.
struct HoldDisplay : ::testing::Environment {
    void SetUp() override { held = XOpenDisplay(nullptr); }
    void TearDown() override { if (held) XCloseDisplay(held); }
    Display* held = nullptr;
};
const auto* const g_hold = ::testing::AddGlobalTestEnvironment(new HoldDisplay);

// Idle calls (events and passes) until done() or two seconds.
bool idleUntil(CGuiWindow& window, const std::function<bool()>& done) {
    for (const auto end = Clock::now() + std::chrono::seconds(2); Clock::now() < end;) {
        window.idle();
        if (done()) return true;
        std::this_thread::sleep_for(milliseconds(2));
    }
    return false;
}

// The two-view scene in an 800 x 600 parent.
struct X11Editor : ::testing::Test, test::TwoViewScene {
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display";
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 30, 800, 600, 0, 0, 0);
        XSelectInput(display, parent, StructureNotifyMask);
        XMapWindow(display, parent);
        for (XEvent e; XNextEvent(display, &e), e.type != MapNotify;) continue;
        ASSERT_TRUE(open(reinterpret_cast<void*>(parent)));
        ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kX11);
        child = static_cast<Window>(reinterpret_cast<std::uintptr_t>(window->getNativeHandle()));
    }
    void TearDown() override {
        window.reset();
        if (display) XDestroyWindow(display, parent), XCloseDisplay(display);
    }
    // The driver of the shared window rules: the editor's idle call runs the events and passes.
    bool pumpUntil(const std::function<bool()>& done) { return idleUntil(*window, done); }
    void move(int x, int y) {  // the real pointer to window pixel (x, y)
        int rootX = 0, rootY = 0;
        Window ignored;
        XTranslateCoordinates(display, child, DefaultRootWindow(display), x, y, &rootX, &rootY, &ignored);
        XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
        XFlush(display);
    }
    void button(unsigned n, bool press) { XTestFakeButtonEvent(display, n, press, CurrentTime), XFlush(display); }
    void modifiers(int mods, bool down) {
        for (const auto& [bit, sym] : {std::pair(kModifierShift, XK_Shift_L), {kModifierControl, XK_Control_L}})
            if (mods & bit) XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down, CurrentTime);
    }
    void press(unsigned n, int x, int y, int mods) { move(x, y), modifiers(held = mods, true), button(n, true); }
    void release(unsigned n, int x, int y) { move(x, y), button(n, false), modifiers(held, false); }
    std::optional<std::uint32_t> pixel(int x, int y) {
        if (!shot) shot.reset(XGetImage(display, child, 0, 0, 752, 563, AllPlanes, ZPixmap));
        return shot ? std::optional(static_cast<std::uint32_t>(XGetPixel(shot.get(), x, y) & 0xFFFFFF)) : std::nullopt;
    }

    Display* display = nullptr;
    Window parent = 0, child = 0;
    int held = 0;
    std::unique_ptr<XImage, void (*)(XImage*)> shot{nullptr, [](XImage* i) { XDestroyImage(i); }};
};

TEST_F(X11Editor, PassesRunFromIdleEvery40MsAndPutTheBackBufferOnScreen) {
    test::checkPassesReachTheScreen(*this, *this);
}

TEST_F(X11Editor, RealPointerEventsReachTheViewsInToolkitCoordinates) { test::checkPointerRules(*this, *this); }

TEST_F(X11Editor, KeysReachAnEnabledOverlayAfterAClickGaveTheWindowFocus) {
    test::TestView overlay(*window, CRect{0, 0, 752, 563});
    window->setOverlayView(&overlay), window->setOverlayEnabled(true);
    std::this_thread::sleep_for(milliseconds(60));
    press(1, 100, 100, 0), release(1, 100, 100);
    ASSERT_TRUE(pumpUntil([&] { return !overlay.events.empty(); }));
    const std::pair<KeySym, std::uint32_t> keys[] = {
        {XK_a, 'a'}, {XK_BackSpace, kKeyBackspace}, {XK_Left, kKeyLeft}, {XK_Delete, kKeyDelete}, {XK_Home, kKeyHome},
        {XK_Down, kKeyDown}, {XK_F3, kKeyF1 + 2}, {XK_Shift_L, 0}, {XK_Return, kKeyReturn}};
    std::vector<std::int32_t> expected, got;
    for (const auto& [sym, code] : keys) {
        const KeyCode key = XKeysymToKeycode(display, sym);
        for (const bool down : {true, false}) XTestFakeKeyEvent(display, key, down, CurrentTime);
        if (code) expected.push_back(static_cast<std::int32_t>(code));  // a modifier alone is no key
    }
    XFlush(display);
    pumpUntil([&] {
        got.clear();
        for (const auto& e : overlay.events) if (e.kind == "key") got.push_back(e.x);
        return got.size() >= expected.size();
    });
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(view->events.empty());
    window->setOverlayView(nullptr);
}

TEST_F(X11Editor, CloseFromAnotherThreadWaitsForTheRunningPass) {
    test::ProbeEditor editor(300, 200);
    editor.setTimerPeriod(10.0f);
    std::atomic<bool> inPass{false}, passEnded{false};
    bool viewGone = false;
    editor.onBuilt = [&](test::TestView& v) {
        v.destroyed = &viewGone;
        v.onDraw = [&] {
            inPass = true;
            std::this_thread::sleep_for(milliseconds(150));
            passEnded = true;
        };
    };
    ASSERT_TRUE(editor.open(reinterpret_cast<void*>(parent), -1, -1));
    std::atomic<bool> stop{false};
    std::thread gui([&] { while (!stop) editor.idle(), std::this_thread::sleep_for(milliseconds(2)); });
    while (!inPass) std::this_thread::sleep_for(milliseconds(1));
    editor.close();
    EXPECT_TRUE(passEnded && viewGone);
    stop = true;
    gui.join();
}

// The plug-in's editor in an X window, clicked through XTest: two quick clicks on pause toggle it
// twice; a right-click on the graph opens the drawn menu, whose entry is clicked like any point.
TEST(X11Journey, TwoQuickClicksOnPauseAndAChoiceInTheGraphMenu) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 30, 800, 600, 0, 0, 0);
    XSelectInput(display, parent, StructureNotifyMask);
    XMapWindow(display, parent);
    for (XEvent e; XNextEvent(display, &e), e.type != MapNotify;) continue;
    vst::AEffect* effect = createEffectInstance([](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                                   float) -> vst::VstIntPtr { return op == vst::audioMasterVersion ? 2400 : 0; });
    ASSERT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, reinterpret_cast<void*>(parent), 0.0f), 1);
    auto* adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(effect->object));
    auto& editor = *static_cast<CAnalyzerEditor*>(adapter->getEditorView());
    struct Driver {
        Display* display;
        Window child;
        CGuiWindow* window;
        CAnalyzerEditor* editor;
        void button(int x, int y, bool down, unsigned n = 1) {
            int rootX = 0, rootY = 0;
            Window ignored;
            XTranslateCoordinates(display, child, DefaultRootWindow(display), x, y, &rootX, &rootY, &ignored);
            XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
            XTestFakeButtonEvent(display, n, down, CurrentTime);
            XFlush(display);
        }
        void chooseFromMenu(int x, int y, std::uint32_t item) {
            button(x, y, true, 3), button(x, y, false, 3);
            const auto open = [&] { return editor->controls().graphMenu->getOverlay() != nullptr; };
            if (!pumpUntil(open) || !test::pastClickGuard(*this, *window)) return;
            const CPoint row = editor->controls().graphMenu->getOverlay()->rowCentre(0, static_cast<std::int32_t>(item));
            press(row.x, window->getHeight() - 1 - row.y), release(row.x, window->getHeight() - 1 - row.y);
        }
        void press(int x, int y) { button(x, y, true); }
        void secondPress(int x, int y) { button(x, y, true); }
        void release(int x, int y) { button(x, y, false); }
        bool pumpUntil(const std::function<bool()>& done) { return idleUntil(*window, done); }
    } driver{display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(editor.getFrame()->getNativeHandle())),
             editor.getFrame(), &editor};
    test::checkTwoQuickClicksOnPause(driver, editor, *adapter->getCore());
    test::checkGraphMenuChoice(driver, editor);
    effect->dispatcher(effect, vst::effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    XDestroyWindow(display, parent), XCloseDisplay(display);
}

// One instance whose editor goes into a host frame that grows when the editor asks.
TEST(EditorInX11Host, CompactSettingResizesAndExposuresShowTheLastPicture) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    std::string error;
    auto frame = vsthost::EditorFrame::create(752, 563, "test", &error);
    ASSERT_NE(frame, nullptr) << error;
    const Window parent = static_cast<Window>(reinterpret_cast<std::uintptr_t>(frame->parentHandle()));
    vsthost::HostContext host;
    vst::AEffect* const raw = [&] {
        vsthost::HostContext::EntryScope scope(host);
        return createEffectInstance(&vsthost::HostContext::callback);
    }();
    auto effect = vsthost::HostedEffect::adopt(raw, host, &error);
    ASSERT_NE(effect, nullptr) << error;
    host.setSizeWindowHandler([&](int w, int h) { return frame->resizeClient(w, h), true; });
    // Our child of the frame: its size, or 0 x 0 when there is none.
    const auto childSize = [&] {
        Window root = 0, up = 0, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(display, parent, &root, &up, &children, &n);
        XWindowAttributes a{};
        if (n == 1) XGetWindowAttributes(display, children[0], &a);
        if (children) XFree(children);
        return std::pair(a.width, a.height);
    };
    EXPECT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x3FFFFF1})), 0);
    ASSERT_EQ(effect->dispatch(vst::effEditOpen, 0, 0, frame->parentHandle()), 1);
    EXPECT_EQ(childSize(), std::make_pair(752, 563));
    // Drawn without any idle call, and after being hidden and shown the server restores it.
    vsthost::FrameImage drawn, exposed;
    std::this_thread::sleep_for(milliseconds(100));  // the server reads our picture
    ASSERT_TRUE(frame->capture(&drawn));
    XUnmapWindow(display, parent), XSync(display, False);
    XMapWindow(display, parent), XSync(display, False);
    ASSERT_TRUE(frame->capture(&exposed));
    EXPECT_TRUE(drawn.pixels == exposed.pixels);
    EXPECT_NE(drawn.pixels[1000], 0xFFFFFFFFu);

    // The editor resizes in its next pass after the setting was applied (on the GUI thread).
    CPluginBase* core = static_cast<PluginVST*>(static_cast<AudioEffect*>(raw->object))->getCore();
    const auto setCompactAndPass = [&](float compact) {
        core->setParameter(387, compact, 0, false, true);
        for (int i = 0; i < 3; ++i) effect->dispatch(vst::effEditIdle), std::this_thread::sleep_for(milliseconds(45));
    };
    setCompactAndPass(1.0f);
    vst::ERect* rect = nullptr;
    ASSERT_EQ(effect->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(std::tuple(childSize(), frame->clientWidth(), rect->bottom), std::tuple(std::pair(650, 335), 650, 335));
    host.setSizeWindowHandler(nullptr);  // a host that refuses: our child follows all the same
    setCompactAndPass(0.0f);
    EXPECT_EQ(std::pair(childSize(), frame->clientWidth()), std::pair(std::pair(752, 563), 650));
    effect->dispatch(vst::effEditClose);
    EXPECT_EQ(childSize(), std::make_pair(0, 0));
    effect.reset(), frame.reset();
    XCloseDisplay(display);
}

}  // namespace
}  // namespace qv
