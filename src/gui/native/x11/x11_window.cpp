#include "gui/native/x11/x11_window.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <atomic>
#include <cstring>

#include "gui/gui_window.h"
#include "gui/key_codes.h"
#include "gui/native/presented_area.h"
#include "platform/clock.h"

namespace qv {
namespace {

// X errors on our own connection. Xlib's default handler ends the process, and our requests can
// fail through no fault of ours (the host destroys its window, and ours with it, before closing
// the editor). Errors are only read while our code reads the connection, so a handler installed
// around every entry into the backend sees them all; errors of other connections go on to the
// handler that was there before.
struct TrapState {
    Display* display = nullptr;
    int (*previous)(Display*, XErrorEvent*) = nullptr;
    int depth = 0;
    std::atomic<int> errors{0};
};
TrapState g_trap;

int onXError(Display* display, XErrorEvent* event) {
    if (display == g_trap.display) {
        g_trap.errors.fetch_add(1);
        return 0;
    }
    return g_trap.previous ? g_trap.previous(display, event) : 0;
}

class ErrorTrap {
public:
    explicit ErrorTrap(Display* d) : display(d) {
        if (g_trap.depth++ == 0) {
            g_trap.display = d;
            g_trap.errors.store(0);
            g_trap.previous = XSetErrorHandler(&onXError);
        }
    }
    ~ErrorTrap() {
        if (--g_trap.depth == 0) {
            XSetErrorHandler(g_trap.previous);
            g_trap.display = nullptr;
        }
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Waits for the server to answer everything sent so far; true when anything failed.
    bool failed() {
        XSync(display, False);
        return g_trap.errors.load() != 0;
    }

private:
    Display* display;
};

std::int32_t modifiersOf(unsigned int state) {
    std::int32_t m = 0;
    if (state & ShiftMask) m |= kModifierShift;
    if (state & ControlMask) m |= kModifierControl;
    if (state & Mod1Mask) m |= kModifierAlt;
    return m;
}

// 0 for keys that are not reported (modifiers alone, unknown keys).
std::uint32_t keyCodeOf(XKeyEvent& event) {
    char text[8] = {};
    KeySym sym = NoSymbol;
    const int n = XLookupString(&event, text, sizeof(text), &sym, nullptr);
    switch (sym) {
        case XK_BackSpace: return kKeyBackspace;
        case XK_Tab: case XK_ISO_Left_Tab: return kKeyTab;
        case XK_Return: case XK_KP_Enter: return kKeyReturn;
        case XK_Escape: return kKeyEscape;
        case XK_Delete: case XK_KP_Delete: return kKeyDelete;
        case XK_Left: case XK_KP_Left: return kKeyLeft;
        case XK_Right: case XK_KP_Right: return kKeyRight;
        case XK_Up: case XK_KP_Up: return kKeyUp;
        case XK_Down: case XK_KP_Down: return kKeyDown;
        case XK_Home: case XK_KP_Home: return kKeyHome;
        case XK_End: case XK_KP_End: return kKeyEnd;
        case XK_Prior: case XK_KP_Prior: return kKeyPageUp;
        case XK_Next: case XK_KP_Next: return kKeyPageDown;
        case XK_Insert: case XK_KP_Insert: return kKeyInsert;
        default: break;
    }
    if (sym >= XK_F1 && sym <= XK_F12) return kKeyF1 + static_cast<std::uint32_t>(sym - XK_F1);
    // XLookupString gives Latin-1, which is Windows-1252 from 0xA0 on.
    if (n == 1) return static_cast<unsigned char>(text[0]);
    return 0;
}

// An 8-bit channel value placed into the bits of a visual's channel mask.
unsigned long toMask(std::uint32_t value, unsigned long mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long v = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
    return v << shift & mask;
}

}  // namespace

CX11Window::CX11Window(CGuiWindow& owner, Display* connection, Window parentWindow)
    : window(owner), display(connection), parent(parentWindow) {}

CX11Window::~CX11Window() {
    destroy();
    for (Cursor c : cursors) {
        if (c) XFreeCursor(display, c);
    }
    XCloseDisplay(display);
}

bool CX11Window::create(std::int32_t w, std::int32_t h) {
    destroy();
    if (w < 1 || h < 1) return false;
    ErrorTrap trap(display);
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
    attributes.background_pixmap = None;  // never erased: every pass puts the whole buffer
    attributes.bit_gravity = NorthWestGravity;
    child = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                          CopyFromParent, InputOutput, CopyFromParent, CWEventMask | CWBackPixmap | CWBitGravity,
                          &attributes);
    XWindowAttributes actual{};
    if (trap.failed() || !child || !XGetWindowAttributes(display, child, &actual)) {
        child = 0;
        return false;
    }
    visual = actual.visual;
    depth = actual.depth;
    gc = XCreateGC(display, child, 0, nullptr);
    XMapWindow(display, child);
    if (!makeBuffer(w, h) || trap.failed()) {
        destroy();
        return false;
    }
    return true;
}

void CX11Window::freeImage() {
    if (picture) {
        XFreePixmap(display, picture);
        picture = 0;
    }
    if (image) {
        image->data = nullptr;  // the staging vector owns the pixels
        XDestroyImage(image);
        image = nullptr;
    }
    if (sharedImage) {
        XShmDetach(display, &shared);
        sharedImage->data = nullptr;  // the segment is not Xlib's to free
        XDestroyImage(sharedImage);
        sharedImage = nullptr;
        shmdt(shared.shmaddr);
    }
    sharedBusy = false;
}

bool CX11Window::makeSharedImage(std::int32_t w, std::int32_t h) {
    if (!directFormat || !XShmQueryExtension(display)) return false;
    sharedImage = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shared,
                                  static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (!sharedImage) return false;
    shared.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(sharedImage->bytes_per_line) * h, IPC_CREAT | 0600);
    void* at = shared.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(shared.shmid, nullptr, 0);
    bool attached = at != reinterpret_cast<void*>(-1);
    if (attached) {
        shared.shmaddr = sharedImage->data = static_cast<char*>(at);
        shared.readOnly = False;
        ErrorTrap trap(display);
        attached = XShmAttach(display, &shared) && !trap.failed();  // refused by a server elsewhere
    }
    if (shared.shmid >= 0) shmctl(shared.shmid, IPC_RMID, nullptr);  // gone once both sides detach
    if (attached) {
        completionEvent = XShmGetEventBase(display) + ShmCompletion;
        return true;
    }
    if (at != reinterpret_cast<void*>(-1)) shmdt(at);
    sharedImage->data = nullptr;
    XDestroyImage(sharedImage);
    sharedImage = nullptr;
    return false;
}

bool CX11Window::makeBuffer(std::int32_t w, std::int32_t h) {
    freeImage();
    width = w;
    height = h;
    // Opaque white, every byte 0xFF (filled as bytes: one call per buffer).
    pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    staging.resize(pixels.size());
    std::memset(pixels.data(), 0xFF, pixels.size() * sizeof(std::uint32_t));
    image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, reinterpret_cast<char*>(staging.data()),
                         static_cast<unsigned>(w), static_cast<unsigned>(h), 32, w * 4);
    if (!image) return false;
    if (picture) XFreePixmap(display, picture);
    picture = XCreatePixmap(display, child, static_cast<unsigned>(w), static_cast<unsigned>(h), static_cast<unsigned>(depth));
    XSetForeground(display, gc, WhitePixel(display, DefaultScreen(display)));
    XFillRectangle(display, picture, gc, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSetWindowBackgroundPixmap(display, child, picture);
    // 24- and 32-bit true-colour visuals of little-endian servers store our words unchanged.
    directFormat = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
                   image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
    makeSharedImage(w, h);
    presentAll = true;
    return true;
}

void CX11Window::destroy() {
    ErrorTrap trap(display);
    stopTimer();
    freeImage();
    if (gc) {
        XFreeGC(display, gc);
        gc = nullptr;
    }
    if (child) {
        XDestroyWindow(display, child);
        child = 0;
        XSync(display, False);  // gone for every client when close returns
    }
    pixels.clear();
    staging.clear();
    width = height = 0;
}

bool CX11Window::resize(std::int32_t w, std::int32_t h) {
    if (!child || w < 1 || h < 1) return false;
    ErrorTrap trap(display);
    XResizeWindow(display, child, static_cast<unsigned>(w), static_cast<unsigned>(h));
    const bool ok = makeBuffer(w, h);
    XSync(display, False);  // done for every client (the host looks at our size next)
    return ok;
}

bool CX11Window::resizeHostFrames(std::int32_t w, std::int32_t h) { return resize(w, h); }

PixelSurface CX11Window::backBuffer() {
    return pixels.empty() ? PixelSurface{} : PixelSurface{pixels.data(), width, height};
}

void CX11Window::startTimer(std::uint32_t periodMs) {
    timerPeriodMs = periodMs > 0 ? periodMs : 1;
    timerRunning = true;
    lastPassMs = nowMs();
}

void CX11Window::stopTimer() { timerRunning = false; }

void CX11Window::present(const CRect& drawn) {
    if (!child || !image) return;
    ErrorTrap trap(display);
    const CRect area = native::presentedArea(drawn, width, height, presentAll);
    presentAll = false;
    if (area.width <= 0 || area.height <= 0) return;
    // The back buffer is bottom-up, X images are top-down. The box's rows are packed at the start
    // of the image, shaped to the box: the shared segment the server reads itself (unless it has
    // not yet said it read the last one), or the staging image that Xlib sends as it lies.
    XImage* out = sharedImage && !sharedBusy ? sharedImage : image;
    out->width = area.width;
    out->height = area.height;
    out->bytes_per_line = (area.width * out->bits_per_pixel + 31) / 32 * 4;
    for (std::int32_t row = 0; row < area.height; ++row) {
        const std::size_t from = static_cast<std::size_t>(height - 1 - area.y - row) * width + area.x;
        const std::uint32_t* src = pixels.data() + from;
        if (directFormat) {
            std::memcpy(out->data + static_cast<std::size_t>(row) * out->bytes_per_line, src,
                        static_cast<std::size_t>(area.width) * sizeof(std::uint32_t));
            continue;
        }
        for (std::int32_t x = 0; x < area.width; ++x) {
            const std::uint32_t p = src[x];
            XPutPixel(image, x, row,
                      toMask(p >> 16 & 0xFF, image->red_mask) | toMask(p >> 8 & 0xFF, image->green_mask) |
                          toMask(p & 0xFF, image->blue_mask));
        }
    }
    const auto w = static_cast<unsigned>(area.width), h = static_cast<unsigned>(area.height);
    if (out == sharedImage) {
        // The server reads the segment when it gets to the request and then sends a completion
        // event; until the event is pumped the segment is not written again.
        XShmPutImage(display, picture, gc, sharedImage, 0, 0, area.x, area.y, w, h, True);
        sharedBusy = true;
    } else {
        XPutImage(display, picture, gc, image, 0, 0, area.x, area.y, w, h);
    }
    XCopyArea(display, picture, child, gc, area.x, area.y, w, h, area.x, area.y);
    XFlush(display);
}

void CX11Window::setCursor(CCursorShape shape) {
    if (!child) return;
    ErrorTrap trap(display);
    const int index = shape == CCursorShape::kCrossHair ? 1 : 0;
    if (!cursors[index]) cursors[index] = XCreateFontCursor(display, index ? XC_crosshair : XC_left_ptr);
    XDefineCursor(display, child, cursors[index]);
    XFlush(display);
}

double CX11Window::nowMs() { return platform::monotonicMs(); }

void* CX11Window::nativeHandle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(child)); }

void CX11Window::idle() {
    ErrorTrap trap(display);
    while (child && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        handle(event);
    }
    if (timerRunning && nowMs() - lastPassMs >= timerPeriodMs) {
        lastPassMs = nowMs();
        window.onTimer();
    }
}

void CX11Window::handle(XEvent& event) {
    if (sharedImage && event.type == completionEvent) {
        if (reinterpret_cast<XShmCompletionEvent&>(event).shmseg == shared.shmseg) sharedBusy = false;
        return;
    }
    if (event.xany.window != child) return;
    switch (event.type) {
        case DestroyNotify:
            // Destroyed with the host's window: passes go on drawing into the back buffer only.
            if (event.xdestroywindow.window == child) {
                freeImage();
                if (gc) XFreeGC(display, gc);
                gc = nullptr;
                child = 0;
            }
            break;
        case Expose:
            if (event.xexpose.count == 0) window.onPaint();
            break;
        case ButtonPress: {
            const XButtonEvent& b = event.xbutton;
            if (b.button == Button4 || b.button == Button5) {
                window.setLastMouse(b.x, b.y);
                window.onMouseWheel(b.button == Button4 ? 120 : -120, modifiersOf(b.state), b.x, b.y);
                break;
            }
            if (b.button < Button1 || b.button > Button3) break;
            // The press grabs the pointer for this window until the release (the capture).
            XSetInputFocus(display, child, RevertToParent, b.time);
            window.setLastMouse(b.x, b.y);
            window.onMouseDown(b.button == Button1 ? kButtonLeft : b.button == Button2 ? kButtonMiddle : kButtonRight,
                               modifiersOf(b.state), b.x, b.y);
            break;
        }
        case ButtonRelease: {
            const XButtonEvent& b = event.xbutton;
            if (b.button < Button1 || b.button > Button3) break;
            window.setLastMouse(b.x, b.y);
            window.onMouseUp(b.button == Button1 ? kButtonLeft : b.button == Button2 ? kButtonMiddle : kButtonRight, b.x,
                             b.y);
            break;
        }
        case MotionNotify:
            window.onMouseMove(event.xmotion.x, event.xmotion.y, modifiersOf(event.xmotion.state));
            break;
        case KeyPress:
            if (const std::uint32_t key = keyCodeOf(event.xkey)) window.onKeyDown(key);
            break;
        case KeyRelease:
            if (const std::uint32_t key = keyCodeOf(event.xkey)) window.onKeyUp(key);
            break;
        case FocusOut:
            // Only the focus really leaving this window: not grabs, not the pointer-root focus
            // that the window had before a click took the focus.
            if (event.xfocus.mode == NotifyNormal &&
                (event.xfocus.detail == NotifyAncestor || event.xfocus.detail == NotifyNonlinear)) {
                window.onFocusLost();
            }
            break;
        default:
            break;
    }
}

std::unique_ptr<CNativeWindow> createPlatformWindow(CGuiWindow& window, void* parent, void*) {
    if (!parent) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    return std::make_unique<CX11Window>(window, display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent)));
}

}  // namespace qv
