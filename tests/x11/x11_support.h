// Helpers of the X11 tests: our child of a host window, and a click through the real server.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdint>

namespace qv::test {

inline Window windowOf(void* handle) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(handle)); }

// The only child of a window, or 0.
inline Window onlyChild(Display* display, Window parent) {
    Window root = 0, up = 0, *children = nullptr, child = 0;
    unsigned int n = 0;
    XQueryTree(display, parent, &root, &up, &children, &n);
    if (n == 1) child = children[0];
    if (children) XFree(children);
    return child;
}

// A press and release of an X button at toolkit point x, y of a window (y up from its bottom),
// with a key held (0: none).
inline void clickAt(Display* display, Window window, int x, int y, unsigned button = 1, KeySym held = 0) {
    XWindowAttributes a{};
    XGetWindowAttributes(display, window, &a);
    int rootX = 0, rootY = 0;
    Window ignored = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, a.height - 1 - y, &rootX, &rootY, &ignored);
    const KeyCode key = held ? XKeysymToKeycode(display, held) : 0;
    if (key) XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    if (key) XTestFakeKeyEvent(display, key, False, CurrentTime);
    XSync(display, False);
}

}  // namespace qv::test
