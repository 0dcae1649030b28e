#include "editor/artwork_panel.h"

#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"

namespace qv {

CArtworkPanel::CArtworkPanel(CGuiWindow& owner, CBitmap* fullArt, CBitmap* compactArt)
    : window(owner), full(fullArt), compact(compactArt) {}

CRect CArtworkPanel::getRect() const { return CRect{0, 0, window.getWidth(), window.getHeight()}; }

void CArtworkPanel::draw(CDrawState state) {
    const bool small = full && (window.getWidth() < full->getWidth() || window.getHeight() < full->getHeight());
    CBitmap* bitmap = small && compact ? compact : full;
    if (!state.redrawAll || !bitmap) return;
    CDrawContext* context = window.getDrawContext();
    if (!context) return;
    const CRect rect = getRect();
    context->pushClip(rect);
    bitmap->draw(context, CPoint{rect.x, rect.y});
    context->popClip();
}

bool CArtworkPanel::onMouseDown(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return true; }

}  // namespace qv
