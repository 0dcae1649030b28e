#include "gui/native/win32/win32_window.h"

#include <cstdio>
#include <cstring>

#include "gui/gui_window.h"
#include "gui/key_codes.h"
#include "gui/native/presented_area.h"
#include "platform/clock.h"
#include "platform/module.h"

namespace qv {
namespace {

std::int32_t liveModifiers() {
    std::int32_t m = 0;
    if (GetKeyState(VK_SHIFT) < 0) m |= kModifierShift;
    if (GetKeyState(VK_CONTROL) < 0) m |= kModifierControl;
    if (GetKeyState(VK_MENU) < 0) m |= kModifierAlt;
    return m;
}

std::int32_t xOf(LPARAM lParam) { return static_cast<std::int16_t>(LOWORD(lParam)); }
std::int32_t yOf(LPARAM lParam) { return static_cast<std::int16_t>(HIWORD(lParam)); }

// 0 for keys that are not reported.
std::uint32_t keyCodeOf(WPARAM vk, LPARAM lParam) {
    switch (vk) {
        case VK_BACK: return kKeyBackspace;
        case VK_TAB: return kKeyTab;
        case VK_RETURN: return kKeyReturn;
        case VK_ESCAPE: return kKeyEscape;
        case VK_DELETE: return kKeyDelete;
        case VK_LEFT: return kKeyLeft;
        case VK_RIGHT: return kKeyRight;
        case VK_UP: return kKeyUp;
        case VK_DOWN: return kKeyDown;
        case VK_HOME: return kKeyHome;
        case VK_END: return kKeyEnd;
        case VK_PRIOR: return kKeyPageUp;
        case VK_NEXT: return kKeyPageDown;
        case VK_INSERT: return kKeyInsert;
        default: break;
    }
    if (vk >= VK_F1 && vk <= VK_F12) return kKeyF1 + static_cast<std::uint32_t>(vk - VK_F1);
    BYTE state[256] = {};
    if (!GetKeyboardState(state)) return 0;
    WORD chars = 0;
    const UINT scan = static_cast<UINT>(lParam >> 16) & 0xFF;
    if (ToAscii(static_cast<UINT>(vk), scan, state, &chars, 0) == 1) return chars & 0xFF;
    return 0;
}

int buttonOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_LBUTTONUP: return kButtonLeft;
        case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_RBUTTONUP: return kButtonRight;
        default: return kButtonMiddle;
    }
}

}  // namespace

CWin32Window::CWin32Window(CGuiWindow& owner, HWND parentWindow, HINSTANCE moduleInstance)
    : window(owner), parent(parentWindow), instance(moduleInstance) {
    if (!instance) instance = static_cast<HINSTANCE>(platform::moduleHandle());
    std::snprintf(className, sizeof(className), "GUIWindow%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(this) & 0xFFFFFFFFu));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &CWin32Window::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    classRegistered = RegisterClassExA(&wc) != 0;
}

CWin32Window::~CWin32Window() {
    destroy();
    if (classRegistered) UnregisterClassA(className, instance);
}

bool CWin32Window::create(std::int32_t w, std::int32_t h) {
    destroy();
    hwnd = CreateWindowExA(0, className, "GUIWindow", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, w,
                           h, parent, nullptr, instance, nullptr);
    if (!hwnd) return false;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    UpdateWindow(hwnd);
    windowDC = GetDC(hwnd);
    memoryDC = CreateCompatibleDC(windowDC);
    if (!makeBackBuffer(w, h)) {
        destroy();
        return false;
    }
    return true;
}

bool CWin32Window::makeBackBuffer(std::int32_t w, std::int32_t h) {
    freeBackBuffer();
    if (w < 1 || h < 1) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    backBufferBitmap = CreateDIBSection(memoryDC, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!backBufferBitmap || !pixels) {
        freeBackBuffer();
        return false;
    }
    bits = static_cast<std::uint32_t*>(pixels);
    width = w;
    height = h;
    std::memset(bits, 0xFF, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    presentAll = true;
    return true;
}

void CWin32Window::freeBackBuffer() {
    if (backBufferBitmap) DeleteObject(backBufferBitmap);
    backBufferBitmap = nullptr;
    bits = nullptr;
    width = height = 0;
}

void CWin32Window::destroy() {
    stopTimer();
    freeBackBuffer();
    if (memoryDC) DeleteDC(memoryDC);
    memoryDC = nullptr;
    if (windowDC) ReleaseDC(hwnd, windowDC);
    windowDC = nullptr;
    if (hwnd) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
    hwnd = nullptr;
}

bool CWin32Window::resize(std::int32_t w, std::int32_t h) {
    if (!hwnd) return false;
    SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    return makeBackBuffer(w, h);
}

bool CWin32Window::resizeHostFrames(std::int32_t w, std::int32_t h) {
    if (!hwnd) return false;
    constexpr UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    const int frame = GetSystemMetrics(SM_CYFIXEDFRAME);
    int dx = 0, dy = 0;
    HWND current = hwnd;
    // Each level is sized by the border its own parent leaves around it. The walk stops at an MDI
    // client, at a parent whose border is exactly the fixed frame (which is sized too), or at a
    // parent much larger than its child (which is left alone).
    while (current) {
        HWND up = GetParent(current);
        if (!up) break;
        char name[32] = {};
        GetClassNameA(up, name, 31);
        if (!std::strcmp(name, "MDIClient") || !std::strcmp(name, "MDIclient") || !std::strcmp(name, "mdiclient")) break;
        RECT own{}, outer{};
        GetWindowRect(current, &own);
        GetWindowRect(up, &outer);
        SetWindowPos(current, nullptr, 0, 0, w + dx, h + dy, flags);
        dx = (outer.right - outer.left) - (own.right - own.left);
        dy = (outer.bottom - outer.top) - (own.bottom - own.top);
        current = up;
        if (dx == 2 * frame) break;
        if (dx <= 98 && dy <= 97) continue;
        current = nullptr;
    }
    if (current) SetWindowPos(current, nullptr, 0, 0, w + dx, h + dy, flags);
    return makeBackBuffer(w, h);
}

PixelSurface CWin32Window::backBuffer() { return bits ? PixelSurface{bits, width, height} : PixelSurface{}; }

void CWin32Window::startTimer(std::uint32_t periodMs) {
    if (!hwnd) return;
    SetTimer(hwnd, CGuiWindow::kTimerId, periodMs, nullptr);
    timerRunning = true;
}

void CWin32Window::stopTimer() {
    if (hwnd && timerRunning) KillTimer(hwnd, CGuiWindow::kTimerId);
    timerRunning = false;
}

void CWin32Window::present(const CRect& drawn) {
    if (!windowDC || !backBufferBitmap) return;
    GdiFlush();
    const CRect area = native::presentedArea(drawn, width, height, presentAll);
    presentAll = false;
    if (area.width <= 0 || area.height <= 0) return;
    HGDIOBJ previous = SelectObject(memoryDC, backBufferBitmap);
    BitBlt(windowDC, area.x, area.y, area.width, area.height, memoryDC, area.x, area.y, SRCCOPY);
    SelectObject(memoryDC, previous);
}

void CWin32Window::validate() {
    if (hwnd) ValidateRect(hwnd, nullptr);
}

void CWin32Window::setCursor(CCursorShape shape) {
    SetCursor(LoadCursor(nullptr, shape == CCursorShape::kCrossHair ? IDC_CROSS : IDC_ARROW));
}

double CWin32Window::nowMs() { return platform::monotonicMs(); }

LRESULT CALLBACK CWin32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CWin32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT CWin32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND self = hwnd;
    switch (message) {
        case WM_SETFOCUS:
            return 0;
        case WM_KILLFOCUS:
            window.onFocusLost();
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the mouse in the middle of a gesture (a menu, the host): the
            // gesture ends as when the focus goes.
            if (!releasingCapture && reinterpret_cast<HWND>(lParam) != self) window.onFocusLost();
            return 0;
        case WM_PAINT:
            // The damage is restored by the next pass, which puts the whole buffer on screen.
            presentAll = true;
            window.onPaint();
            // Validate even when the pass did not run (window closed), or the paint would repeat.
            ValidateRect(self, nullptr);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PRINTCLIENT:
            // Asked to draw into another context (PrintWindow, a host's screenshot): the last pass.
            if (backBufferBitmap && wParam) {
                GdiFlush();
                HGDIOBJ previous = SelectObject(memoryDC, backBufferBitmap);
                BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, width, height, memoryDC, 0, 0, SRCCOPY);
                SelectObject(memoryDC, previous);
            }
            return 0;
        case WM_KEYDOWN:
            if (const std::uint32_t key = keyCodeOf(wParam, lParam)) window.onKeyDown(key);
            return DefWindowProcA(self, message, wParam, lParam);
        case WM_KEYUP:
            if (const std::uint32_t key = keyCodeOf(wParam, lParam)) window.onKeyUp(key);
            return DefWindowProcA(self, message, wParam, lParam);
        case WM_TIMER:
            if (wParam == CGuiWindow::kTimerId) window.onTimer();
            return 0;
        case WM_MENUCOMMAND:
            window.onMenuCommand(reinterpret_cast<void*>(lParam), static_cast<std::int32_t>(wParam));
            return 0;
        case WM_MOUSEMOVE:
            window.onMouseMove(xOf(lParam), yOf(lParam), liveModifiers());
            return DefWindowProcA(self, message, wParam, lParam);
        // With CS_DBLCLKS the second of two quick presses comes as a double-click: still a press.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            SetCapture(self);
            SetFocus(self);
            window.setLastMouse(xOf(lParam), yOf(lParam));
            window.onMouseDown(buttonOf(message), liveModifiers(), xOf(lParam), yOf(lParam));
            return DefWindowProcA(self, message, wParam, lParam);
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            releasingCapture = true;
            ReleaseCapture();
            releasingCapture = false;
            window.setLastMouse(xOf(lParam), yOf(lParam));
            window.onMouseUp(buttonOf(message), xOf(lParam), yOf(lParam));
            return DefWindowProcA(self, message, wParam, lParam);
        case WM_MOUSEWHEEL:
            window.setLastMouse(xOf(lParam), yOf(lParam));
            window.onMouseWheel(static_cast<std::int16_t>(HIWORD(wParam)), liveModifiers(), xOf(lParam), yOf(lParam));
            return 0;
        default:
            return DefWindowProcA(self, message, wParam, lParam);
    }
}

std::unique_ptr<CNativeWindow> createPlatformWindow(CGuiWindow& window, void* parent, void* moduleInstance) {
    if (!parent || !IsWindow(static_cast<HWND>(parent))) return nullptr;
    return std::make_unique<CWin32Window>(window, static_cast<HWND>(parent), static_cast<HINSTANCE>(moduleInstance));
}

}  // namespace qv
