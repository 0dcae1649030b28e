// The Win32 window: a child of the host's window with its own window class, a DIB section as
// the back buffer, timer 111 for the refresh passes and one BitBlt per pass of the box around
// what the pass drew (the whole buffer after a paint request).
#pragma once

#include <windows.h>

#include <cstdint>

#include "gui/native/native_window.h"

namespace qv {

class CWin32Window final : public CNativeWindow {
public:
    // Registers the window class "GUIWindow%08x" (the low 32 bits of this object's address).
    CWin32Window(CGuiWindow& window, HWND parent, HINSTANCE instance);
    ~CWin32Window() override;
    CWin32Window(const CWin32Window&) = delete;
    CWin32Window& operator=(const CWin32Window&) = delete;

    CWindowBackend kind() const override { return CWindowBackend::kWin32; }
    bool create(std::int32_t width, std::int32_t height) override;
    void destroy() override;
    bool resize(std::int32_t width, std::int32_t height) override;
    bool resizeHostFrames(std::int32_t width, std::int32_t height) override;
    PixelSurface backBuffer() override;
    void startTimer(std::uint32_t periodMs) override;
    void stopTimer() override;
    void present(const CRect& drawn) override;
    void validate() override;
    void setCursor(CCursorShape shape) override;
    double nowMs() override;
    void idle() override {}
    void* nativeHandle() const override { return hwnd; }

    const char* getClassName() const { return className; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool makeBackBuffer(std::int32_t width, std::int32_t height);
    void freeBackBuffer();

    CGuiWindow& window;
    HWND parent;
    HINSTANCE instance;
    char className[20] = {};
    bool classRegistered = false;
    HWND hwnd = nullptr;
    HDC windowDC = nullptr;
    HDC memoryDC = nullptr;
    HBITMAP backBufferBitmap = nullptr;
    std::uint32_t* bits = nullptr;
    bool presentAll = true;  // the next present blits the whole buffer
    bool releasingCapture = false;  // our own release on a button up, not a lost capture
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool timerRunning = false;
};

}  // namespace qv
