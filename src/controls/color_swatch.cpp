#include "controls/color_swatch.h"

#include "gui/draw_context.h"
#include "gui/rect_math.h"

namespace qv {

CColorSwatch::CColorSwatch(CViewOwner* viewOwner, const CRect& r) : CView(viewOwner, 0) { rect = r; }

void CColorSwatch::draw(CDrawState state) { fill(state, rect); }

void CColorSwatch::redrawArea(CRect area, CDrawState state) {
    if (shown) fill(state, rectIntersection(rect, area));
}

void CColorSwatch::fill(const CDrawState& state, const CRect& area) {
    CDrawContext* dc = contextFor(state);
    if (!dc || rectIsEmpty(area)) return;
    const CPoint origin = containerOrigin();
    std::lock_guard<std::mutex> hold(lock);
    dc->fillRect(rectOffset(area, origin.x, origin.y), colours[active]);
}

void CColorSwatch::setColor(float red, float green, float blue) {
    std::lock_guard<std::mutex> writer(writeLock);
    // Paints read only the active colour, under `lock`; the spare one is the writer's alone.
    const std::uint32_t spare = 1 - active;
    colours[spare].set(red, green, blue, 1.0f, kColorBrush);
    {
        std::lock_guard<std::mutex> hold(lock);
        active = spare;
    }
    setUpdate();
}

}  // namespace qv
