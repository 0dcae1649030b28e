#include "gui/gui_window.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "gui/draw_context.h"
#include "gui/gdi_resource.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/rect_math.h"
#include "gui/window_owner.h"
#include "gui/window_view.h"

namespace qv {
namespace {
std::atomic<CWindowBackend> g_backendPreference{CWindowBackend::kAuto};
}  // namespace

// Counts a draw pass or a mouse dispatch on the stack: a close or dispose that happens inside
// one waits for the outermost to end.
struct CGuiWindow::BusyScope {
    explicit BusyScope(CGuiWindow& w) : window(w) { ++window.busyDepth; }
    ~BusyScope() { window.endBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    CGuiWindow& window;
};

void CGuiWindow::setBackendPreference(CWindowBackend backend) { g_backendPreference.store(backend); }

CWindowBackend CGuiWindow::getBackendPreference() { return g_backendPreference.load(); }

CGuiWindow::CGuiWindow(CWindowOwner* windowOwner, std::uint64_t id, std::int32_t w, std::int32_t h,
                       void* parentWindow, void* moduleInstance)
    : width(w), height(h), owner(windowOwner), windowId(id), instance(moduleInstance), parent(parentWindow) {
    makeNative(getBackendPreference());
    lastClickTime = native->nowMs();
}

CGuiWindow::~CGuiWindow() {
    // dispose() is the way to end a window from inside its own pass; here nothing is on the stack.
    busyDepth = 0;
    if (created) close();
    native.reset();
}

void CGuiWindow::dispose(CGuiWindow* window) {
    if (!window) return;
    if (window->busyDepth > 0) {
        window->close();
        window->deletePending = true;
        return;
    }
    delete window;
}

void CGuiWindow::makeNative(CWindowBackend backend) {
    native.reset();
    if (backend != CWindowBackend::kHeadless && parent) native = createPlatformWindow(*this, parent, instance);
    if (!native) native = std::make_unique<CHeadlessWindow>(*this);
}

bool CGuiWindow::open(std::int32_t w, std::int32_t h) {
    if (busyDepth > 0) return true;  // still inside a pass of the window being replaced
    if (created) close();
    if (w >= 1 && h >= 1) {
        width = w;
        height = h;
        resizePending = true;
    }
    drawContext = std::make_unique<CDrawContext>(this);
    lastMouse = CPoint{};
    inDraw = false;
    scheduledCount = scheduledPeriod = scheduledTicksLeft = 0;
    userFlag = false;

    if (!native->create(width, height)) {
        // The window system refused: passes still draw, into a back buffer nobody sees.
        native = std::make_unique<CHeadlessWindow>(*this);
        native->create(width, height);
        lastClickTime = native->nowMs();  // another clock
    }
    drawContext->setSurface(native->backBuffer());
    drawContext->setModuleInstance(instance);

    resources.clear();
    pages.clear();
    currentPage = nullptr;
    if (owner) owner->buildControls();
    currentPage = pages.empty() ? nullptr : pages.front().get();

    pageIndex = 0;
    pageChangePending = false;
    capturedView = nullptr;
    resizePending = true;
    redrawAllCount = 1;
    opened = true;
    native->startTimer(timerPeriod >= 1.0f ? static_cast<std::uint32_t>(timerPeriod) : 1u);
    created = true;
    return false;
}

bool CGuiWindow::close() {
    if (!created) return false;
    opened = false;
    native->stopTimer();
    if (busyDepth > 0) {
        releasePending = true;  // the pass or dispatch on the stack still uses pages and pixels
        return false;
    }
    releaseContents();
    return false;
}

void CGuiWindow::releaseContents() {
    closePages();
    capturedView = nullptr;
    overlayView = nullptr;
    overlayEnabled = false;
    menuOwner = nullptr;
    currentPage = nullptr;
    pages.clear();
    resources.clear();
    drawContext.reset();
    native->destroy();
    created = false;
    bufferPending = false;
}

void CGuiWindow::endBusy() {
    if (--busyDepth > 0) return;
    if (releasePending) {
        releasePending = false;
        releaseContents();
    }
    if (deletePending) delete this;
}

void CGuiWindow::drawPass(CDrawState state) {
    if (!opened || inDraw) return;
    inDraw = true;
    BusyScope busy(*this);

    CRect ownerRect;
    getOwnerRect(ownerRect);
    if (resizePending) {
        resetLayout();
        if (resizePending) {
            inDraw = false;
            return;
        }
    }
    if (state.mode == kDrawRepaint) {
        state.updateArea = CRect{0, 0, width, height};
        native->validate();
        inDraw = false;
        return;
    }
    if (redrawAllCount > 0) {
        --redrawAllCount;
        state.redrawAll = 1;
    }
    if (scheduledCount > 0 && state.timer) {
        if (scheduledTicksLeft > 0) --scheduledTicksLeft;
        if (scheduledTicksLeft == 0) {
            resetLayout();
            --scheduledCount;
            if (resizePending) {
                inDraw = false;
                return;
            }
            state.redrawAll = 1;
            scheduledTicksLeft = scheduledPeriod;
        }
    }
    // Every pass starts with an empty clip stack on the current back buffer.
    drawContext->setSurface(native->backBuffer());
    if (pageChangePending) {
        pageChangePending = false;
        if (pageIndex < pages.size()) currentPage = pages[pageIndex].get();
        state.redrawAll = 1;
    }
    // By index, and only while open: a view may add containers or close the window.
    if (CPage* page = currentPage) {
        for (std::size_t i = 0; opened && i < page->getContainerCount(); ++i) page->getContainer(i)->draw(state);
    }
    if (opened && overlayEnabled && overlayView) overlayView->draw(state);
    if (opened) {
        // Toolkit rows count up from the bottom, window pixels down from the top.
        const CRect drawn = drawContext->takeDrawnArea();
        native->present(CRect{drawn.x, drawContext->getHeight() - drawn.y - drawn.height, drawn.width, drawn.height});
    }
    inDraw = false;
    if (bufferPending && opened) {
        bufferPending = false;
        recreateBackBuffer();
    }
}

void CGuiWindow::onTimer() {
    BusyScope busy(*this);  // the owner's hook may close the window: release waits for the pass
    if (opened && owner) owner->beforeRefresh();
    CDrawState state;
    state.mode = kDrawRefresh;
    state.timer = 1;
    drawPass(state);
}

void CGuiWindow::onPaint() {
    CDrawState state;
    state.mode = kDrawRepaint;
    drawPass(state);
}

void CGuiWindow::sleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void CGuiWindow::setTimerPeriod(float ms) { timerPeriod = ms; }

void CGuiWindow::onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
    BusyScope busy(*this);
    const CPoint p = toToolkit(CPoint{x, y});
    if (CWindowView* view = capturedView) {
        capturedView = nullptr;
        view->onMouseUp(button, p.x, p.y);
    }
    const double now = native->nowMs();
    if (now - lastClickTime <= kClickDebounceMs) return;
    lastClickTime = now;
    if (!opened) return;
    if (overlayEnabled && overlayView) {
        if (rectContains(overlayView->getRect(), p.x, p.y)) overlayView->onMouseDown(button, modifiers, p.x, p.y);
    } else if (CPage* page = currentPage) {
        for (std::size_t i = 0; opened && i < page->getContainerCount(); ++i) {
            CWindowContainer* container = page->getContainer(i);
            if (!rectContains(container->getRect(), p.x, p.y)) continue;
            if (!container->onMouseDown(button, modifiers, p.x, p.y)) break;
        }
    }
    mouseDownPosition = CPoint{x, y};
}

void CGuiWindow::onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) {
    BusyScope busy(*this);
    const CPoint p = toToolkit(CPoint{x, y});
    if (CWindowView* view = capturedView) {
        capturedView = nullptr;
        view->onMouseUp(button, p.x, p.y);
    }
    mouseDownPosition = CPoint{x, y};
}

void CGuiWindow::onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) {
    BusyScope busy(*this);
    // The movement is measured from the position before this event (the press or the last move).
    const CPoint previous = toToolkit(lastMouse);
    lastMouse = CPoint{x, y};
    CWindowView* view = capturedView;
    if (!view) return;
    const CPoint p = toToolkit(CPoint{x, y});
    if (view->usesRelativeMouse()) {
        view->onMouseMove(p.x - previous.x, p.y - previous.y, modifiers);
    } else {
        const CWindowContainer* container = view->getContainer();
        const CRect origin = container ? container->getRect() : CRect{};
        view->onMouseMove(p.x - origin.x, p.y - origin.y, modifiers);
    }
}

void CGuiWindow::onMouseWheel(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}

void CGuiWindow::onKeyDown(std::uint32_t key) {
    BusyScope busy(*this);
    if (opened && overlayEnabled && overlayView) overlayView->onKeyDown(key);
}

void CGuiWindow::onKeyUp(std::uint32_t key) {
    BusyScope busy(*this);
    if (opened && overlayEnabled && overlayView) overlayView->onKeyUp(key);
}

void CGuiWindow::onFocusLost() {
    BusyScope busy(*this);
    if (CWindowView* view = capturedView) {
        view->cancelMouse();
        capturedView = nullptr;
    }
}

void CGuiWindow::onMenuCommand(void* menu, std::int32_t item) {
    BusyScope busy(*this);
    setMenu(menu);
    setMenuItem(item);
    if (menuOwner) menuOwner->onMouseDown(1, 0, 0, 0);
}

void CGuiWindow::addResource(CGdiResource* resource) {
    if (resource) resources.emplace_back(resource);
}

void CGuiWindow::addPage(CPage* page) {
    if (!page) return;
    page->setWindow(this);
    pages.emplace_back(page);
}

void CGuiWindow::closePages() {
    for (std::size_t i = 0; i < pages.size(); ++i) pages[i]->closeContainers();
}

CPage* CGuiWindow::getPage(std::size_t index) const { return index < pages.size() ? pages[index].get() : nullptr; }

void CGuiWindow::setCurrentPage(std::uint32_t index) {
    pageIndex = index;
    pageChangePending = true;
}

void CGuiWindow::setSize(std::int32_t w, std::int32_t h) {
    width = w;
    height = h;
    resizePending = true;
}

void CGuiWindow::scheduleRedraws(std::uint32_t periodTicks, std::uint32_t count) {
    scheduledCount = count;
    scheduledPeriod = periodTicks;
    scheduledTicksLeft = periodTicks;
}

void CGuiWindow::scheduleRedrawsMs(std::uint32_t periodMs, std::uint32_t count) {
    const float ticks = timerPeriod > 0.0f ? static_cast<float>(periodMs) / timerPeriod : 0.0f;
    scheduleRedraws(static_cast<std::uint32_t>(ticks), count);
}

void CGuiWindow::getOwnerRect(CRect& rect) const {
    if (owner) {
        owner->getRect(rect);
    } else {
        rect = CRect{};
    }
}

CPoint CGuiWindow::toToolkit(CPoint point) const { return CPoint{point.x, height - point.y - 1}; }

bool CGuiWindow::recreateBackBuffer() {
    if (!created) return false;
    if (inDraw) {
        // Views are drawing into the present buffer: replace it when the pass ends.
        bufferPending = true;
        return true;
    }
    const bool ok = native->resize(width, height);
    if (drawContext) drawContext->setSurface(native->backBuffer());
    return ok;
}

bool CGuiWindow::resizeHostFrames() { return created && native->resizeHostFrames(width, height); }

void CGuiWindow::idle() {
    BusyScope busy(*this);
    native->idle();
}

void CGuiWindow::setCursor(CCursorShape shape) { native->setCursor(shape); }

void* CGuiWindow::getNativeHandle() const { return native->nativeHandle(); }

PixelSurface CGuiWindow::getBackBuffer() const { return native->backBuffer(); }

}  // namespace qv
