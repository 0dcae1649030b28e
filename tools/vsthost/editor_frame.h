// The host's own top-level window that a plug-in's editor opens in: an X11 window on Linux, an
// HWND frame on Windows (editor_frame_x11.cpp, editor_frame_win32.cpp). Used from one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv::vsthost {

// Pixels of a screenshot: 0xAARRGGBB words (bytes blue, green, red, alpha), rows bottom-up.
struct FrameImage {
    std::vector<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
};

class EditorFrame {
public:
    // A visible frame whose client area is width x height. Null and a reason in *error when the
    // window system is not there (no X display, for one).
    static std::unique_ptr<EditorFrame> create(int width, int height, const std::string& title, std::string* error);

    virtual ~EditorFrame() = default;

    // What effEditOpen takes: the X window id or the HWND; null once destroyed.
    virtual void* parentHandle() const = 0;
    // Makes the client area width x height (the plug-in asked with audioMasterSizeWindow).
    virtual void resizeClient(int width, int height) = 0;
    virtual int clientWidth() const = 0;
    virtual int clientHeight() const = 0;
    // Handles the window system's events; false once the user closed the frame.
    virtual bool pump() = 0;
    // The client area as it is on screen, the plug-in's window included.
    virtual bool capture(FrameImage* image) = 0;
    // Destroys the native window now, as a host that drops its window before closing the editor.
    virtual void destroy() = 0;
};

}  // namespace qv::vsthost
