// The seam between CGuiWindow and the window system. One backend per platform (Win32, X11) and
// a headless one that runs everywhere. A backend owns the native child window and the back
// buffer, runs the refresh timer and turns native input into calls on its CGuiWindow: mouse
// positions in window pixels (origin top left), buttons 1 left, 2 right, 3 middle, modifier
// bits 1 Shift, 2 Ctrl, 4 Alt.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/blend_target.h"

namespace qv {

class CGuiWindow;

enum class CWindowBackend : std::uint8_t {
    kAuto,      // the platform's window when a parent is given, else headless
    kHeadless,  // off screen, driven by the caller
    kWin32,
    kX11,
};

enum class CCursorShape : std::uint8_t {
    kArrow,
    kCrossHair,
};

class CNativeWindow {
public:
    virtual ~CNativeWindow() = default;

    virtual CWindowBackend kind() const = 0;
    // Creates the child window of the parent with a back buffer of width x height pixels, every
    // byte 0xFF (opaque white). False when the window system refused.
    virtual bool create(std::int32_t width, std::int32_t height) = 0;
    // Destroys the window and the back buffer; harmless when nothing exists.
    virtual void destroy() = 0;
    // Resizes the window and makes a new back buffer of the size (opaque white).
    virtual bool resize(std::int32_t width, std::int32_t height) = 0;
    // Resizes this window and the host's frame windows around it, when the host cannot.
    // False when there is no native window.
    virtual bool resizeHostFrames(std::int32_t width, std::int32_t height) = 0;
    // The back buffer: 32-bit premultiplied BGRA, bottom-up rows; null bits when none exists.
    virtual PixelSurface backBuffer() = 0;
    // Calls the window's timer pass every periodMs milliseconds until stopTimer.
    virtual void startTimer(std::uint32_t periodMs) = 0;
    virtual void stopTimer() = 0;
    // Puts the back buffer on screen in one call. drawn: the box (window pixels, origin top left)
    // around everything drawn since the last present; X11 and Win32 send only that box, or the
    // whole buffer when it is new or the window system lost what the window showed.
    virtual void present(const CRect& drawn) = 0;
    // A paint request was served: the window system need not ask again for this damage.
    virtual void validate() = 0;
    virtual void setCursor(CCursorShape shape) = 0;
    // Milliseconds of the clock mouse clicks are timed with.
    virtual double nowMs() = 0;
    // Work of the editor's idle call: the X11 backend pumps its events and runs a timer pass
    // when one is due; elsewhere nothing.
    virtual void idle() = 0;
    // HWND on Win32, the X window id on X11, null headless.
    virtual void* nativeHandle() const = 0;
};

// The native window of this platform for a parent window (HWND, or an X window id), or null
// when it cannot be made (no parent, no display).
std::unique_ptr<CNativeWindow> createPlatformWindow(CGuiWindow& window, void* parent, void* moduleInstance);

}  // namespace qv
