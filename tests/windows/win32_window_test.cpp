// The Win32 backend under Wine: the child window and its class, timer 111 driving passes, the
// back buffer blitted to the window, and mouse messages with the keyboard's modifiers reaching
// the views in toolkit coordinates.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "gui/key_codes.h"
#include "gui/native/win32/win32_window.h"
#include "unit/gui_window/test_views.h"
#include "windows/win32_support.h"

namespace qv {
namespace {

// A 752 x 563 editor in an 800 x 650 host: a grey view over all of it and a red 10 x 10 view in
// its bottom-left corner that captures the mouse.
class Win32Editor : public ::testing::Test {
protected:
    void SetUp() override {
        host = test::hostWindow(800, 650);
        ASSERT_NE(host, nullptr);
        owner.build = [this](CGuiWindow& w) {
            auto* box = new test::TestContainer(CRect{0, 0, 752, 563});
            view = box->add(std::make_unique<test::TestView>(w, CRect{0, 0, 752, 563}, &grey));
            corner = box->add(std::make_unique<test::TestView>(w, CRect{0, 0, 10, 10}, &red));
            corner->captures = true;
            auto* page = new CPage;
            page->addContainer(box);
            w.addPage(page);
        };
        window = std::make_unique<CGuiWindow>(&owner, 0, 752, 563, host, nullptr);
        owner.window = window.get();
        window->setTimerPeriod(40.0f);
        ASSERT_FALSE(window->open(-1, -1));
        ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kWin32);
        child = static_cast<HWND>(window->getNativeHandle());
    }
    void TearDown() override {
        window.reset();
        if (host) DestroyWindow(host);
    }
    void send(UINT message, WPARAM w, int x, int y) { SendMessageA(child, message, w, MAKELPARAM(x, y)); }

    HWND host = nullptr, child = nullptr;
    test::TestOwner owner;
    CColor grey{nullptr, 0.25f, 0.5f, 0.75f, 1.0f, kColorBrush};
    CColor red{nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush};
    std::unique_ptr<CGuiWindow> window;
    test::TestView* view = nullptr;
    test::TestView* corner = nullptr;
};

TEST_F(Win32Editor, ChildWindowWithItsOwnClassAndStyle) {
    ASSERT_TRUE(IsWindow(child));
    EXPECT_EQ(GetParent(child), host);
    char name[64] = {};
    GetClassNameA(child, name, sizeof(name));
    unsigned int stamp = 0;
    EXPECT_EQ(std::sscanf(name, "GUIWindow%8x", &stamp), 1) << name;
    EXPECT_EQ(std::strlen(name), 17u);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc));
    EXPECT_NE(wc.style & CS_DBLCLKS, 0u);  // double clicks arrive as such (see the mouse test)
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(752L, 563L));
    window->close();
    EXPECT_FALSE(IsWindow(child));
    window.reset();  // the class goes with the object
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc));
}

TEST_F(Win32Editor, Timer111DrivesPassesThatBlitTheBackBuffer) {
    test::pump(440);
    // 40 ms timer: about 11 passes in 440 ms (Wine ticks 24 to 25 times a second).
    EXPECT_GE(view->draws.size(), 6u);
    EXPECT_LE(view->draws.size(), 14u);
    EXPECT_EQ(view->draws.front().timer, 1);
    EXPECT_EQ(view->draws.front().redrawAll, 1);
    // Another timer id is not a pass; a paint request draws nothing.
    const std::size_t passes = view->draws.size();
    SendMessageA(child, WM_TIMER, 5, 0);
    InvalidateRect(child, nullptr, FALSE);
    UpdateWindow(child);
    EXPECT_EQ(view->draws.size(), passes);
    // The window shows the back buffer: grey above, the red corner at the bottom left.
    HDC dc = GetDC(child);
    const COLORREF top = GetPixel(dc, 400, 10), bottomLeft = GetPixel(dc, 2, 560);
    ReleaseDC(child, dc);
    if (top == CLR_INVALID) GTEST_SKIP() << "this Wine display driver keeps no window pixels";
    EXPECT_EQ(std::pair(top, bottomLeft), std::pair(RGB(63, 127, 191), RGB(255, 0, 0)));
}

TEST_F(Win32Editor, MouseMessagesReachViewsInToolkitCoordinates) {
    Sleep(60);  // past the click guard of the constructor
    send(WM_LBUTTONDOWN, MK_LBUTTON, 5, 562);
    ASSERT_EQ(corner->events.size(), 1u);
    EXPECT_EQ(std::pair(corner->events[0].x, corner->events[0].y), std::pair(5, 0));
    EXPECT_EQ(GetCapture(), child);
    send(WM_MOUSEMOVE, MK_LBUTTON, 8, 560);
    ASSERT_EQ(corner->events.size(), 2u);
    EXPECT_EQ(std::pair(corner->events[1].x, corner->events[1].y), std::pair(3, 2));  // 2 rows up
    send(WM_LBUTTONUP, 0, 8, 560);
    EXPECT_EQ(corner->events.back().kind, "up");
    EXPECT_NE(GetCapture(), child);

    // Shift and Ctrl come from the keyboard state; the second press of a double click arrives as
    // WM_LBUTTONDBLCLK and is no press.
    Sleep(60);
    BYTE keys[256]{};
    keys[VK_SHIFT] = keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    send(WM_RBUTTONDOWN, MK_RBUTTON, 300, 100);
    keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    send(WM_RBUTTONUP, 0, 300, 100);
    send(WM_LBUTTONDBLCLK, MK_LBUTTON, 300, 100);
    ASSERT_EQ(view->events.size(), 1u);
    EXPECT_EQ(view->events[0], (test::Event{"down", 2, kModifierShift | kModifierControl, 300, 462}));

    // Losing the focus ends a captured gesture.
    Sleep(60);
    send(WM_MBUTTONDOWN, MK_MBUTTON, 1, 561);
    EXPECT_EQ(corner->events.back().button, 3);
    ASSERT_TRUE(window->hasCapturedView());
    SendMessageA(child, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(corner->events.back().kind, "cancel");
    EXPECT_FALSE(window->hasCapturedView());
    ReleaseCapture();
}

}  // namespace
}  // namespace qv
