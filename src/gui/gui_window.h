// The editor's window: a child of the host's window with a 32-bit back buffer into which all
// views draw. A refresh timer runs one draw pass per period over the current page and puts the
// back buffer on screen in one call (the native window sends only what changed); paint requests only validate, the next pass restores
// any damage. Mouse input reaches the views in toolkit coordinates (origin bottom left, y up).
// The window owns the pages the editor builds and the colours and bitmaps they use, between
// open and close.
//
// The window system behind it is a CNativeWindow: Win32, X11 (events pumped from idle()), or
// headless (driven by the caller; tests and the demo host).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/draw_state.h"
#include "gui/geometry.h"
#include "gui/native/native_window.h"

namespace qv {

class CDrawContext;
class CGdiResource;
class CPage;
class CWindowOwner;
class CWindowView;

class CGuiWindow {
public:
    // The timer id of the refresh passes on Win32.
    static constexpr std::uintptr_t kTimerId = 111;
    // Presses this close after the last accepted one are ignored.
    static constexpr double kClickDebounceMs = 55.0;

    // owner may be null (no pages are built). parentWindow is the host's window: an HWND, or an
    // X window id; null gives the headless backend.
    CGuiWindow(CWindowOwner* owner, std::uint64_t windowId, std::int32_t width, std::int32_t height,
               void* parentWindow, void* moduleInstance);
    virtual ~CGuiWindow();
    CGuiWindow(const CGuiWindow&) = delete;
    CGuiWindow& operator=(const CGuiWindow&) = delete;

    // Process-wide choice of backend for windows constructed later (kAuto by default).
    static void setBackendPreference(CWindowBackend backend);
    static CWindowBackend getBackendPreference();

    // Deletes the window, or, when called from inside one of its own draw passes or mouse
    // dispatches, closes it at once and deletes it when that pass or dispatch ends.
    static void dispose(CGuiWindow* window);

    // Creates the native window (sizes of at least 1 replace the constructor's), the back buffer
    // and the drawing context, asks the owner to build its pages, and starts the refresh timer.
    // Returns false on success; true only when it could not run at all.
    virtual bool open(std::int32_t width, std::int32_t height);
    // Stops the timer and releases pages, resources, drawing context and native window. Called
    // during a pass, the release waits until the pass ends. Returns false.
    virtual bool close();
    std::uint64_t getWindowId() const { return windowId; }
    // One pass: mode kDrawRefresh draws the current page into the back buffer and presents it;
    // kDrawRepaint only validates.
    virtual void drawPass(CDrawState state);
    virtual void sleepMs(std::uint32_t ms);
    virtual void setTimerPeriod(float ms);
    virtual float getTimerPeriod() const { return timerPeriod; }
    virtual void setUserFlag(bool on) { userFlag = on; }
    virtual bool getUserFlag() const { return userFlag; }

    // Input in window pixels (origin top left), as the native window reports it.
    virtual void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y);
    virtual void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y);
    virtual void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers);
    virtual void onMouseWheel(std::int32_t delta, std::int32_t modifiers, std::int32_t x, std::int32_t y);
    // Keys go to the overlay view while one is enabled, else nowhere.
    virtual void onKeyDown(std::uint32_t key);
    virtual void onKeyUp(std::uint32_t key);
    virtual void setCapturedView(CWindowView* view) { capturedView = view; }
    // The captured view loses its gesture (cancelMouse) and the capture.
    virtual void onFocusLost();
    virtual bool hasCapturedView() const { return capturedView != nullptr; }
    CWindowView* getCapturedView() const { return capturedView; }
    virtual void setLastMouse(std::int32_t x, std::int32_t y) { lastMouse = CPoint{x, y}; }
    virtual CPoint getLastMouse() const { return lastMouse; }
    // A view drawn after the page and offered every press before (and instead of) the page.
    virtual void setOverlayView(CWindowView* view) { overlayView = view; }
    virtual void setOverlayEnabled(bool on) { overlayEnabled = on; }
    CWindowView* getOverlayView() const { return overlayView; }
    bool isOverlayEnabled() const { return overlayEnabled; }

    // Takes ownership; deleted by close.
    virtual void addResource(CGdiResource* resource);
    // Takes ownership; gives the page this window, then appends it. The first page is current.
    virtual void addPage(CPage* page);
    // Every page's closeContainers, in the order added.
    virtual void closePages();
    virtual CDrawContext* getDrawContext() const { return drawContext.get(); }
    // The page index shown from the next refresh pass on (with a full redraw).
    virtual void setCurrentPage(std::uint32_t index);
    CPage* getCurrentPage() const { return currentPage; }
    std::size_t getPageCount() const { return pages.size(); }
    CPage* getPage(std::size_t index) const;
    // Stores the size for the next layout; recreateBackBuffer applies it to the native window.
    virtual void setSize(std::int32_t width, std::int32_t height);
    virtual std::int32_t getWidth() const { return width; }
    virtual std::int32_t getHeight() const { return height; }
    virtual void resetLayout() { resizePending = false; }
    virtual void requestLayout() { resizePending = true; }
    virtual void requestFullRedraw() { redrawAllCount = 1; }
    // count full redraws, one every periodTicks refresh passes.
    virtual void scheduleRedraws(std::uint32_t periodTicks, std::uint32_t count);
    // The same with periodTicks = periodMs / timer period, truncated.
    virtual void scheduleRedrawsMs(std::uint32_t periodMs, std::uint32_t count);
    virtual void getOwnerRect(CRect& rect) const;
    // Window pixel to toolkit point: y = height - y - 1.
    virtual CPoint toToolkit(CPoint point) const;
    virtual void setMenuOwner(CWindowView* view) { menuOwner = view; }
    virtual CWindowView* getMenuOwner() const { return menuOwner; }
    virtual void setMenu(void* handle) { menuHandle = handle; }
    virtual void* getMenu() const { return menuHandle; }
    virtual void setMenuItem(std::int32_t item) { menuItem = item; }
    virtual std::int32_t getMenuItem() const { return menuItem; }

    // A native popup menu reports its choice: remembers menu and item and offers the menu owner
    // a left press at (0, 0).
    void onMenuCommand(void* menu, std::int32_t item);
    // Applies the stored size to the native window and makes a new back buffer of that size;
    // asked during a draw pass, it happens when the pass ends.
    bool recreateBackBuffer();
    // Resizes the native window and the host's frames around it to the stored size; false when
    // there is no native window.
    bool resizeHostFrames();
    // The editor's idle call: on X11 events are pumped and a due refresh pass runs.
    void idle();
    void setCursor(CCursorShape shape);
    // Called by the native timer: one refresh pass with the timer flag.
    void onTimer();
    // Called for a paint request of the window system.
    void onPaint();

    bool isOpen() const { return opened; }
    bool isCreated() const { return created; }
    bool isInDrawPass() const { return inDraw; }
    CWindowOwner* getOwner() const { return owner; }
    CNativeWindow* getNativeWindow() const { return native.get(); }
    // HWND, X window id, or null headless.
    void* getNativeHandle() const;
    void* getParentWindow() const { return parent; }
    void* getModuleInstance() const { return instance; }
    // The back buffer's pixels (bottom-up rows); null bits while closed.
    PixelSurface getBackBuffer() const;

private:
    struct BusyScope;
    void makeNative(CWindowBackend backend);
    void releaseContents();
    void endBusy();

    std::int32_t redrawAllCount = 0;
    std::int32_t width;
    std::int32_t height;
    CWindowOwner* owner;
    float timerPeriod = 300.0f;
    CPoint lastMouse{};
    double lastClickTime = 0.0;
    std::uint32_t scheduledCount = 0;
    std::uint32_t scheduledPeriod = 0;
    std::uint32_t scheduledTicksLeft = 0;
    bool opened = false;
    std::uint64_t windowId;
    bool created = false;
    CWindowView* capturedView = nullptr;
    std::uint32_t pageIndex = 0;
    bool pageChangePending = false;
    CPoint mouseDownPosition{};
    std::vector<std::unique_ptr<CGdiResource>> resources;
    std::vector<std::unique_ptr<CPage>> pages;
    CPage* currentPage = nullptr;
    std::unique_ptr<CDrawContext> drawContext;
    bool resizePending = false;
    bool inDraw = false;
    bool userFlag = false;
    void* instance;
    void* parent;
    CWindowView* menuOwner = nullptr;
    void* menuHandle = nullptr;
    std::int32_t menuItem = -1;
    CWindowView* overlayView = nullptr;
    bool overlayEnabled = false;

    std::unique_ptr<CNativeWindow> native;
    // Depth of draw passes and mouse dispatches on the stack; teardown waits for 0.
    std::uint32_t busyDepth = 0;
    bool releasePending = false;
    bool deletePending = false;
    bool bufferPending = false;
};

}  // namespace qv
