// The frame on X11: a top-level window on the host's own display connection. The plug-in's
// editor is a child of it and talks to the server over a connection of its own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <chrono>
#include <thread>

#include "vsthost/editor_frame.h"

namespace qv::vsthost {
namespace {

std::uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    const unsigned long v = (pixel & mask) >> std::countr_zero(mask);
    const int bits = std::popcount(mask);
    return static_cast<std::uint32_t>(bits >= 8 ? v >> (bits - 8) : v * 255 / ((1ul << bits) - 1));
}

class X11Frame final : public EditorFrame {
public:
    X11Frame(Display* d, Window w, int width, int height) : display(d), window(w), width_(width), height_(height) {
        deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteAtom, 1);
    }
    ~X11Frame() override {
        destroy();
        XCloseDisplay(display);
    }

    void* parentHandle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }

    void resizeClient(int width, int height) override {
        if (!window) return;
        XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display, False);
        width_ = width;
        height_ = height;
    }
    int clientWidth() const override { return width_; }
    int clientHeight() const override { return height_; }

    bool pump() override {
        while (window && XPending(display) > 0) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == deleteAtom) closed = true;
            if (e.type == ConfigureNotify && e.xconfigure.window == window) {
                width_ = e.xconfigure.width;
                height_ = e.xconfigure.height;
            }
        }
        return !closed && window;
    }

    bool capture(FrameImage* image) override {
        if (!window || !image) return false;
        XSync(display, False);
        XImage* shot = XGetImage(display, window, 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                                 AllPlanes, ZPixmap);
        if (!shot) return false;
        image->width = width_;
        image->height = height_;
        image->pixels.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
        for (int y = 0; y < height_; ++y) {
            std::uint32_t* row = image->pixels.data() + static_cast<std::size_t>(height_ - 1 - y) * width_;
            for (int x = 0; x < width_; ++x) {
                const unsigned long p = XGetPixel(shot, x, y);
                row[x] = 0xFF000000u | channel(p, shot->red_mask) << 16 | channel(p, shot->green_mask) << 8 |
                         channel(p, shot->blue_mask);
            }
        }
        XDestroyImage(shot);
        return true;
    }

    void destroy() override {
        if (!window) return;
        XDestroyWindow(display, window);
        XSync(display, False);
        window = 0;
    }

private:
    Display* display;
    Window window;
    int width_;
    int height_;
    Atom deleteAtom = 0;
    bool closed = false;
};

}  // namespace

std::unique_ptr<EditorFrame> EditorFrame::create(int width, int height, const std::string& title, std::string* error) {
    if (width < 1 || height < 1) {
        if (error) *error = "the editor size is empty";
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        if (error) *error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                              WhitePixel(display, screen));
    XStoreName(display, window, title.c_str());
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    // Wait (briefly) until the frame is on screen, so the editor opens in a viewable window.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (bool mapped = false; !mapped && std::chrono::steady_clock::now() < end;) {
        XEvent e;
        if (XCheckTypedWindowEvent(display, window, MapNotify, &e)) {
            mapped = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return std::make_unique<X11Frame>(display, window, width, height);
}

}  // namespace qv::vsthost
