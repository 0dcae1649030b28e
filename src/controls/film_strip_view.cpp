#include "controls/film_strip_view.h"

#include "gui/bitmap.h"
#include "gui/draw_context.h"

namespace qv {

CFilmStripView::CFilmStripView(CViewOwner* viewOwner, std::uint32_t viewTag, CPoint at, CBitmap* strip,
                               std::uint32_t frameCount, bool alongX)
    : CView(viewOwner, viewTag), bitmap(strip), position(at), frames(frameCount), horizontal(alongX) {
    mouseEnabled = true;
    captureMouse = true;
    rect = CRect{at.x, at.y, 0, 0};
    if (!bitmap || frames == 0) return;
    const auto n = static_cast<std::int32_t>(frames);
    rect.width = horizontal ? bitmap->getWidth() / n : bitmap->getWidth();
    rect.height = horizontal ? bitmap->getHeight() : bitmap->getHeight() / n;
}

bool CFilmStripView::framesDivideEvenly() const {
    if (!bitmap || frames == 0) return false;
    const std::int64_t size = horizontal ? bitmap->getWidth() : bitmap->getHeight();
    return size > 0 && size % frames == 0;
}

void CFilmStripView::drawFrame(const CDrawState& state, std::uint32_t k) {
    if (!bitmap || k >= frames || rect.width <= 0 || rect.height <= 0) return;
    CDrawContext* dc = contextFor(state);
    if (!dc) return;
    const auto offset = static_cast<std::int32_t>(k) * (horizontal ? rect.width : rect.height);
    const CRect source = horizontal ? CRect{offset, 0, rect.width, rect.height} : CRect{0, offset, rect.width, rect.height};
    const CRect at = windowRect();
    bitmap->drawPart(dc, CPoint{at.x, at.y}, source);
}

}  // namespace qv
