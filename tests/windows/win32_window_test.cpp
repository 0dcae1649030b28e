// The Win32 backend under Wine: the child window and its class, timer 111 driving passes, the
// back buffer blitted to the window, and mouse messages reaching the views in toolkit
// coordinates.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "gui/native/win32/win32_window.h"
#include "unit/gui_window/test_views.h"

namespace qv {
namespace {

LRESULT CALLBACK hostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND makeHostWindow(int width, int height, DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QvTestHost";
        return RegisterClassA(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExA(0, "QvTestHost", "host", style, 0, 0, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Dispatches messages for ms milliseconds.
void pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}

class Win32Editor : public ::testing::Test {
protected:
    void SetUp() override {
        host = makeHostWindow(800, 650);
        ASSERT_NE(host, nullptr);
        owner.build = [this](CGuiWindow& w) {
            auto* page = new CPage;
            box = new test::TestContainer(CRect{0, 0, 752, 563});
            view = box->add(std::make_unique<test::TestView>(w, CRect{0, 0, 752, 563}, &grey));
            corner = box->add(std::make_unique<test::TestView>(w, CRect{0, 0, 10, 10}, &red));
            corner->captures = true;
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
    static LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

    HWND host = nullptr;
    HWND child = nullptr;
    test::TestOwner owner;
    CColor grey{nullptr, 0.25f, 0.5f, 0.75f, 1.0f, kColorBrush};
    CColor red{nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush};
    std::unique_ptr<CGuiWindow> window;
    test::TestContainer* box = nullptr;
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
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & 0xFFFF0000u, 0x56000000u);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 752);
    EXPECT_EQ(client.bottom, 563);

    window->close();
    EXPECT_FALSE(IsWindow(child));
    window.reset();  // the class goes with the object
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc));
}

TEST_F(Win32Editor, Timer111DrivesPassesThatBlitTheBackBuffer) {
    pump(440);
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
    const COLORREF top = GetPixel(dc, 400, 10);
    const COLORREF bottomLeft = GetPixel(dc, 2, 560);
    ReleaseDC(child, dc);
    if (top == CLR_INVALID) GTEST_SKIP() << "this Wine display driver keeps no window pixels";
    EXPECT_EQ(top, RGB(63, 127, 191));
    EXPECT_EQ(bottomLeft, RGB(255, 0, 0));
}

TEST_F(Win32Editor, MouseMessagesReachViewsInToolkitCoordinates) {
    Sleep(60);  // past the click guard of the constructor
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 562));
    ASSERT_EQ(corner->events.size(), 1u);
    EXPECT_EQ(std::pair(corner->events[0].x, corner->events[0].y), std::pair(5, 0));
    EXPECT_EQ(GetCapture(), child);
    SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, at(8, 560));
    ASSERT_EQ(corner->events.size(), 2u);
    EXPECT_EQ(std::pair(corner->events[1].x, corner->events[1].y), std::pair(3, 2));  // 2 rows up
    SendMessageA(child, WM_LBUTTONUP, 0, at(8, 560));
    EXPECT_EQ(corner->events.back().kind, "up");
    EXPECT_NE(GetCapture(), child);

    // The second press of a double click arrives as WM_LBUTTONDBLCLK and is no press.
    Sleep(60);
    SendMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, at(300, 100));
    SendMessageA(child, WM_RBUTTONUP, 0, at(300, 100));
    SendMessageA(child, WM_LBUTTONDBLCLK, MK_LBUTTON, at(300, 100));
    ASSERT_EQ(view->events.size(), 1u);
    EXPECT_EQ(std::pair(view->events[0].button, view->events[0].y), std::pair(2, 462));

    // Losing the focus ends a captured gesture.
    Sleep(60);
    SendMessageA(child, WM_MBUTTONDOWN, MK_MBUTTON, at(1, 561));
    EXPECT_EQ(corner->events.back().button, 3);
    ASSERT_TRUE(window->hasCapturedView());
    SendMessageA(child, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(corner->events.back().kind, "cancel");
    EXPECT_FALSE(window->hasCapturedView());
    ReleaseCapture();
}

TEST(Win32HostFrames, ResizingWalksUpToTheFrameThatFitsTheEditor) {
    const int frame = GetSystemMetrics(SM_CYFIXEDFRAME);
    HWND outer = makeHostWindow(752 + 2 * frame, 563 + 30);
    test::TestOwner owner;
    CGuiWindow window(&owner, 0, 752, 563, outer, nullptr);
    owner.window = &window;
    ASSERT_FALSE(window.open(-1, -1));
    window.setSize(800, 600);
    ASSERT_TRUE(window.resizeHostFrames());
    RECT r{};
    GetWindowRect(static_cast<HWND>(window.getNativeHandle()), &r);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 600);
    GetWindowRect(outer, &r);
    EXPECT_EQ(r.right - r.left, 800 + 2 * frame);  // the border of the frame is kept
    EXPECT_EQ(r.bottom - r.top, 630);
    EXPECT_EQ(window.getBackBuffer().width, 800);
    window.close();

    // A parent far larger than the editor is left alone.
    HWND big = makeHostWindow(1400, 900);
    CGuiWindow second(&owner, 0, 752, 563, big, nullptr);
    owner.window = &second;
    ASSERT_FALSE(second.open(-1, -1));
    second.setSize(700, 500);
    ASSERT_TRUE(second.resizeHostFrames());
    GetWindowRect(big, &r);
    EXPECT_EQ(r.right - r.left, 1400);
    second.close();
    DestroyWindow(big);
    DestroyWindow(outer);
}

}  // namespace
}  // namespace qv
