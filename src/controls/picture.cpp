#include "controls/picture.h"

#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/rect_math.h"

namespace qv {

CPicture::CPicture(CViewOwner* viewOwner, CPoint position, CBitmap* image) : CView(viewOwner, 0), bitmap(image) {
    rect = CRect{position.x, position.y, image ? image->getWidth() : 0, image ? image->getHeight() : 0};
}

void CPicture::draw(CDrawState state) {
    CDrawContext* dc = contextFor(state);
    if (!bitmap || !dc) return;
    const CRect at = windowRect();
    bitmap->draw(dc, CPoint{at.x, at.y});
}

void CPicture::redrawArea(CRect area, CDrawState state) {
    if (!shown) return;
    CDrawContext* dc = contextFor(state);
    const CRect part = rectIntersection(area, rect);
    if (!bitmap || !dc || rectIsEmpty(part)) return;
    const CPoint origin = containerOrigin();
    bitmap->drawPart(dc, CPoint{part.x + origin.x, part.y + origin.y},
                     CRect{part.x - rect.x, part.y - rect.y, part.width, part.height});
}

}  // namespace qv
