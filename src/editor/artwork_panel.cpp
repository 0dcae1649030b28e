#include "editor/artwork_panel.h"

#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"

namespace qv {

CArtworkPanel::CArtworkPanel(CGuiWindow& owner, CRect area, CBitmap* image) : window(owner), rect(area), bitmap(image) {}

void CArtworkPanel::draw(CDrawState state) {
    if (!state.redrawAll || !bitmap) return;
    CDrawContext* context = window.getDrawContext();
    if (!context) return;
    context->pushClip(rect);
    bitmap->draw(context, CPoint{rect.x, rect.y});
    context->popClip();
}

bool CArtworkPanel::onMouseDown(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return true; }

}  // namespace qv
