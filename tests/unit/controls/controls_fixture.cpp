#include "controls_fixture.h"

#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/rect_math.h"

namespace qv::test {

void ProbeView::paint(const CDrawState& state, const CRect& r) {
    CDrawContext* dc = owner ? owner->getDrawContext(&state) : nullptr;
    if (!dc || fill == 0) return;  // fill 0: a view that paints nothing
    const CColor c(nullptr, pixelRed(fill) / 255.0f, pixelGreen(fill) / 255.0f, pixelBlue(fill) / 255.0f, 1.0f, kColorBrush);
    const CRect origin = container ? container->getRect() : CRect{};
    dc->fillRect(rectOffset(r, origin.x, origin.y), c);
}

}  // namespace qv::test
