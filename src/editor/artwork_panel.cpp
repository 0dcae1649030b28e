#include "editor/artwork_panel.h"

#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"

namespace qv {

CArtworkPanel::CArtworkPanel(CGuiWindow& owner, std::int32_t fullId, std::int32_t smallId)
    : window(owner), compactId(smallId), full(new CBitmap(&owner, fullId)) {
    window.addResource(full);
    full->setBlendEnabled(false);  // the opaque background: copied, not blended
}

CRect CArtworkPanel::getRect() const { return CRect{0, 0, window.getWidth(), window.getHeight()}; }

void CArtworkPanel::draw(CDrawState state) {
    if (!state.redrawAll) return;
    const bool small = window.getWidth() < full->getWidth() || window.getHeight() < full->getHeight();
    if (small && !compact) {
        compact = new CBitmap(&window, compactId);
        window.addResource(compact);
        compact->setBlendEnabled(false);
    }
    CBitmap* bitmap = small ? compact : full;
    CDrawContext* context = window.getDrawContext();
    if (!context) return;
    const CRect rect = getRect();
    context->pushClip(rect);
    bitmap->draw(context, CPoint{rect.x, rect.y});
    context->popClip();
}

bool CArtworkPanel::onMouseDown(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return true; }

}  // namespace qv
