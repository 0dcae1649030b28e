// Helpers of the Win32 tests: host windows and a message pump.
#pragma once

#include <windows.h>

namespace qv::test {

// A visible host window of a registered class with the default procedure: a top-level popup,
// or a child of parent.
inline HWND hostWindow(int width, int height, HWND parent = nullptr) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QvTestHost";
        return RegisterClassA(&wc) != 0;
    }();
    if (!registered) return nullptr;
    return CreateWindowExA(0, "QvTestHost", "host", (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, 0, 0, width, height,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Translates and dispatches messages for ms milliseconds.
inline void pump(DWORD ms) {
    for (const ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(1)) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace qv::test
