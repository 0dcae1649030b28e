// The X11 window: a child of the host's X window on a display connection of its own. Events
// are pumped and refresh passes run from the editor's idle call; each pass puts the box around
// what it drew into a server-side pixmap and copies that box to the window (nothing when
// nothing was drawn). The pixmap is also the window's
// background, so the server itself restores exposed parts with the last picture, even while
// the host calls idle late or not at all.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

#include "gui/native/native_window.h"

namespace qv {

class CX11Window final : public CNativeWindow {
public:
    // Takes ownership of the display connection.
    CX11Window(CGuiWindow& window, Display* display, Window parent);
    ~CX11Window() override;

    CWindowBackend kind() const override { return CWindowBackend::kX11; }
    bool create(std::int32_t width, std::int32_t height) override;
    void destroy() override;
    bool resize(std::int32_t width, std::int32_t height) override;
    bool resizeHostFrames(std::int32_t width, std::int32_t height) override;
    PixelSurface backBuffer() override;
    void startTimer(std::uint32_t periodMs) override;
    void stopTimer() override;
    void present(const CRect& drawn) override;
    void validate() override {}
    void setCursor(CCursorShape shape) override;
    double nowMs() override;
    void idle() override;
    void* nativeHandle() const override;

    Display* getDisplay() const { return display; }

private:
    bool makeBuffer(std::int32_t width, std::int32_t height);
    // A shared-memory image for the server to read the box from, when the server offers it and
    // runs on this machine; false (staging image sent over the connection) otherwise.
    bool makeSharedImage(std::int32_t width, std::int32_t height);
    void freeImage();
    void handle(XEvent& event);

    CGuiWindow& window;
    Display* display;
    Window parent;
    Window child = 0;
    GC gc = nullptr;
    Pixmap picture = 0;
    Visual* visual = nullptr;
    int depth = 0;
    XImage* image = nullptr;
    XImage* sharedImage = nullptr;
    XShmSegmentInfo shared{};
    int completionEvent = -1;  // event type of the server's "segment read"
    bool sharedBusy = false;   // a put from the segment awaits its completion event
    bool directFormat = false;  // the image holds our pixel words as they are
    bool presentAll = true;     // the next present sends the whole buffer (new pixmap)
    std::vector<std::uint32_t> pixels;   // back buffer, bottom-up
    std::vector<std::uint32_t> staging;  // the box being sent, top-down rows packed
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t timerPeriodMs = 0;
    bool timerRunning = false;
    double lastPassMs = 0.0;
    Cursor cursors[2] = {0, 0};
};

}  // namespace qv
