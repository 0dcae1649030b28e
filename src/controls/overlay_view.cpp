#include "controls/overlay_view.h"

#include <algorithm>

#include "gui/gui_window.h"
#include "gui/key_codes.h"

namespace qv {

COverlayKey overlayKeyOf(std::uint32_t key) {
    switch (key) {
        case kKeyUp: return COverlayKey::kUp;
        case kKeyDown: return COverlayKey::kDown;
        case kKeyLeft: return COverlayKey::kLeft;
        case kKeyRight: return COverlayKey::kRight;
        case kKeyReturn: return COverlayKey::kReturn;
        case kKeyEscape: return COverlayKey::kEscape;
        default: return COverlayKey::kOther;
    }
}

COverlayView::~COverlayView() { detach(); }

void COverlayView::attach(CGuiWindow* w) {
    detach();
    if (!w || !w->isOpen()) return;
    hostWindow = w;
    hostWindow->setOverlayView(this);
    hostWindow->setOverlayEnabled(true);
    recapture();
}

void COverlayView::detach() {
    CGuiWindow* w = hostWindow;
    if (!w) return;
    hostWindow = nullptr;
    if (w->getOverlayView() == this) {
        w->setOverlayEnabled(false);
        w->setOverlayView(nullptr);
    }
    if (w->getCapturedView() == this) w->setCapturedView(nullptr);
    w->requestFullRedraw();
}

CRect COverlayView::getRect() const {
    if (!hostWindow) return CRect{};
    return CRect{0, 0, hostWindow->getWidth(), hostWindow->getHeight()};
}

void COverlayView::onMouseUp(std::int32_t, std::int32_t, std::int32_t) { recapture(); }

CRect COverlayView::keepInside(CRect r) const {
    if (!hostWindow) return r;
    const std::int32_t w = hostWindow->getWidth();
    const std::int32_t h = hostWindow->getHeight();
    r.x = std::max(0, std::min(r.x, w - r.width));
    r.y = std::max(0, std::min(r.y, h - r.height));
    return r;
}

void COverlayView::recapture() {
    if (hostWindow && hostWindow->isOpen()) hostWindow->setCapturedView(this);
}

CDrawContext* COverlayView::context() const { return hostWindow ? hostWindow->getDrawContext() : nullptr; }

}  // namespace qv
