#include "controls/view_container.h"

#include "controls/view.h"
#include "controls/view_owner.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/page.h"
#include "gui/rect_math.h"

namespace qv {

CViewContainer::CViewContainer(CViewOwner* viewOwner, const CRect& r) : owner(viewOwner), rect(r) {}

CViewContainer::~CViewContainer() = default;  // the owning list deletes the views

void CViewContainer::setPosition(CPoint point) {
    rect.x = point.x;
    rect.y = point.y;
}

bool CViewContainer::onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
    if (!active) return true;
    const std::int32_t px = x - rect.x;
    const std::int32_t py = y - rect.y;
    CGuiWindow* window = getWindow();
    for (CListNode<CView>* node = views.tail(); node; node = node->previous) {
        CView* view = node->object;
        if (!view->isMouseEnabled() || !rectContains(view->getRect(), px, py)) continue;
        if (window && view->capturesMouse()) window->setCapturedView(view);
        view->onMouseDown(button, modifiers, px, py);
        return false;
    }
    if (window) window->onFocusLost();
    return false;
}

void CViewContainer::addView(CView* view) {
    if (!view) return;
    view->setContainer(this);
    views.append(view);
}

bool CViewContainer::removeView(CView* view) {
    if (!view) return false;
    CGuiWindow* window = getWindow();
    bool found = false;
    for (CListNode<CView>* node = views.head(); node && !found; node = node->next) found = node->object == view;
    if (!found) return false;
    // The window would otherwise send the next move or release to a view it no longer shows.
    if (window && window->getCapturedView() == view) window->onFocusLost();
    views.remove(view);
    view->setContainer(nullptr);
    return true;
}

void CViewContainer::draw(CDrawState state) {
    if (!active) return;
    CDrawContext* dc = getDrawContext(state);
    // Level 1 of the clip stack: the panel. Level 2: the view or the area being repainted. Views
    // larger than the panel are cut at its edge; nothing a view paints leaves its own rect.
    if (dc) dc->pushClip(rect);
    for (CListNode<CView>* node = views.head(); node; node = node->next) drawView(*node->object, node, state, dc);
    if (dc) dc->popClip();
}

void CViewContainer::drawView(CView& view, CListNode<CView>* node, CDrawState state, CDrawContext* dc) {
    if (!view.isShown()) return;
    if (state.mode == kDrawRepaint) {
        state.redrawAll = 0;
    } else {
        // Asked even when everything is redrawn, so the request is consumed by this pass.
        const bool dirty = view.needsUpdate();
        state.lastDirty = dirty ? 1 : 0;
        if (!dirty && !state.redrawAll) return;
    }
    const CRect viewRect = view.getRect();
    // In a redraw-all refresh the views beneath have just drawn in their own turn.
    if (view.isTransparent() && (state.mode == kDrawRepaint || !state.redrawAll)) {
        for (CListNode<CView>* below = views.head(); below != node; below = below->next) {
            CView& under = *below->object;
            if (!under.isShown() || !rectsIntersect(under.getRect(), viewRect)) continue;
            const CRect area = rectIntersection(under.getRect(), viewRect);
            if (dc) dc->pushClip(rectOffset(area, rect.x, rect.y));
            under.redrawArea(area, state);
            if (dc) dc->popClip();
        }
    }
    if (dc) dc->pushClip(rectOffset(viewRect, rect.x, rect.y));
    view.draw(state);
    if (dc) dc->popClip();
}

void CViewContainer::cancelEditing() {
    for (CListNode<CView>* node = views.head(); node; node = node->next) node->object->cancelEditing();
}

void CViewContainer::redrawViews() {
    const CRect own{0, 0, rect.width, rect.height};
    for (CListNode<CView>* node = views.head(); node; node = node->next) {
        CView* view = node->object;
        if (view->isShown() && rectsIntersect(view->getRect(), own)) view->setUpdate();
    }
}

CGuiWindow* CViewContainer::getWindow() const { return page ? page->getWindow() : nullptr; }

CDrawContext* CViewContainer::getDrawContext(const CDrawState& state) const {
    if (owner) return owner->getDrawContext(&state);
    CGuiWindow* window = getWindow();
    return window ? window->getDrawContext() : nullptr;
}

}  // namespace qv
