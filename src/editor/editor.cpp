#include "editor/editor.h"

#include <bit>
#include <cstring>
#include <vector>

#include "editor/editor_inbox.h"
#include "framework/editor_host.h"
#include "framework/plugin_base.h"
#include "gui/gui_window.h"

namespace qv {

CEditor::CEditor(std::uint64_t id, std::int32_t w, std::int32_t h, IEditorHost* editorHost, CPluginBase* pluginCore,
                 void* module)
    : host(editorHost),
      windowId(id),
      moduleHandle(module),
      core(pluginCore),
      width(w),
      height(h),
      inbox(std::make_unique<CEditorInbox>(*this)) {
    std::int32_t dw = -1, dh = -1;
    getDefaultSize(dw, dh);
    if (dw >= 1 && dh >= 1) {
        width = dw;
        height = dh;
    }
    parameterCount = core ? core->getNumParams() : 0;
}

CEditor::~CEditor() {
    // A derived editor is gone by now; its hooks are not called from here.
    std::lock_guard<std::recursive_mutex> guard(windowLock);
    opened = false;
    destroyWindow();
}

void CEditor::getRect(CRect& rect) const {
    if (window && opened) {
        rect = CRect{0, 0, window->getWidth(), window->getHeight()};
    } else {
        rect = CRect{0, 0, width, height};
    }
}

CDrawContext* CEditor::getDrawContext() const { return window ? window->getDrawContext() : nullptr; }

CDrawContext* CEditor::getDrawContext(const CDrawState*) { return window ? window->getDrawContext() : nullptr; }

float CEditor::getTimerPeriod() const { return window ? window->getTimerPeriod() : 100.0f; }

bool CEditor::open(void* parentWindow, std::int32_t w, std::int32_t h) {
    std::lock_guard<std::recursive_mutex> guard(windowLock);
    if (w >= 1 && h >= 1) {
        width = w;
        height = h;
    }
    if (window) close();
    inbox->setGuiThread();
    inbox->discard();  // what the controls are built from is the core's state from here on
    const bool headless = CGuiWindow::getBackendPreference() == CWindowBackend::kHeadless;
    if (!parentWindow && !headless) return false;  // a host window is required

    window = new CGuiWindow(this, windowId, width, height, parentWindow, moduleHandle);
    window->setTimerPeriod(timerPeriod);
    // The window falls back to drawing off screen when the window system refuses the parent;
    // for a host that is a failure, unless off-screen windows were asked for.
    const bool failed = window->open(-1, -1) || (!headless && window->getNativeWindow()->kind() == CWindowBackend::kHeadless);
    if (failed) {
        destroyWindow();
        opened = false;
        return false;
    }
    opened = true;
    onOpened();
    // The first picture at once: a host that is slow to call idle (X11) still shows the editor.
    if (window) window->onTimer();
    return opened;
}

void CEditor::close() {
    std::lock_guard<std::recursive_mutex> guard(windowLock);
    if (!opened) {
        destroyWindow();
        return;
    }
    // Whatever asks "open?" from here on gets false, before any control goes away.
    opened = false;
    onClosing();
    destroyWindow();
    inbox->discard();
}

void CEditor::destroyWindow() {
    CGuiWindow* w = window;
    window = nullptr;
    if (!w) return;
    w->close();
    CGuiWindow::dispose(w);  // inside one of its own passes: deleted when the pass ends
}

void CEditor::idle() {
    std::lock_guard<std::recursive_mutex> guard(windowLock);
    if (window && opened) window->idle();
}

bool CEditor::resize(std::int32_t w, std::int32_t h, bool redrawAll, std::uint32_t delayMs, std::uint32_t repaintCount) {
    std::lock_guard<std::recursive_mutex> guard(windowLock);
    if (w == width && h == height) return false;
    if (w < 1 || h < 1) return false;
    const std::int32_t oldWidth = width, oldHeight = height;
    width = w;
    height = h;
    bool resized = false;
    if (!window || !window->isCreated()) {
        // No native window: the old size stays and the host is not asked.
        width = oldWidth;
        height = oldHeight;
        if (window) window->setSize(oldWidth, oldHeight);
    } else {
        window->setSize(w, h);
        if (host && host->sizeWindow(w, h)) {
            window->recreateBackBuffer();
        } else {
            window->resizeHostFrames();
        }
        resized = true;
    }
    if (window) {
        if (redrawAll) window->requestFullRedraw();
        window->scheduleRedrawsMs(delayMs, repaintCount);
    }
    return resized;
}

void CEditor::getDefaultSize(std::int32_t& w, std::int32_t& h) const {
    if (core) {
        core->getEditorSize(w, h);
    } else {
        w = h = -1;
    }
}

void CEditor::setParameterFlags(std::uint32_t index, std::uint8_t flags) {
    if (core) core->setParameterFlags(index, flags);
}

std::uint8_t CEditor::getParameterFlags(std::uint32_t index) const {
    return core && index < core->getNumParams() ? core->getParameterFlags(index) : 0;
}

void CEditor::valueChanged(std::uint32_t, float) {}

void CEditor::setParameter(std::int32_t, float) {}

void CEditor::setParameterAutomated(std::int32_t index, float value) {
    if (host) host->automateIfAllowed(index, value);
    if (core && index >= 0) core->setParameter(static_cast<std::uint32_t>(index), value, 0, false, true);
}

float CEditor::getParameter(std::int32_t index) const { return host ? host->getParameter(index) : 0.0f; }

void CEditor::snapshot(std::uint32_t type, std::uint32_t count) {
    if (count >= kSnapshotWords) return;  // cannot fit the record
    std::vector<std::uint32_t> words(kSnapshotWords, 0u);
    words[0] = count + 1;
    words[1] = type;
    getData(words.data());
    for (std::uint32_t i = 0; i < count; ++i) setParameter(static_cast<std::int32_t>(i), std::bit_cast<float>(words[i + 1]));
}

void CEditor::refreshParameters() { snapshot(2, parameterCount); }

void CEditor::refreshValues() { snapshot(3, valueCount); }

void CEditor::copyUserBlockOut(void* buffer) const {
    if (core) core->copyUserBlockOut(buffer);
}

void CEditor::copyUserBlockIn(const void* buffer) {
    if (core) core->copyUserBlockIn(buffer);
}

bool CEditor::getData(void* request) { return request && core ? core->getData(request) : false; }

bool CEditor::putData(void* request) { return request && core ? core->putData(request) : false; }

void CEditor::receiveData(const void* record) {
    if (!record) return;
    std::uint32_t words[4];
    std::memcpy(words, record, sizeof(std::uint32_t) * 2);
    if (words[0] != kParameterRecordSize || words[1] != kParameterRecordType) return;
    std::memcpy(words, record, sizeof(words));
    setParameter(static_cast<std::int32_t>(words[2]), std::bit_cast<float>(words[3]));
}

bool CEditor::editAllowed(std::int32_t index) const {
    return host && index >= 0 && static_cast<std::uint32_t>(index) < parameterCount &&
           (getParameterFlags(static_cast<std::uint32_t>(index)) & 2u) != 0;
}

void CEditor::beginEdit(std::int32_t index) {
    if (editAllowed(index)) host->beginEdit(index);
}

void CEditor::endEdit(std::int32_t index) {
    if (editAllowed(index)) host->endEdit(index);
}

void CEditor::beforeRefresh() {
    if (opened) inbox->deliver();
}

IParameterSink& CEditor::getCoreSink() { return *inbox; }

}  // namespace qv
