#include "controls/switch_multi.h"

#include <algorithm>

namespace qv {

CSwitchMulti::CSwitchMulti(CViewOwner* viewOwner, std::uint32_t viewTag, CPoint at, CBitmap* strip, std::uint32_t count,
                           std::uint32_t orientation)
    : CFilmStripView(viewOwner, viewTag, at, strip, count, orientation == kSwitchHorizontal) {
    relativeMouse = false;
    if (!framesDivideEvenly()) rect = CRect{};
}

void CSwitchMulti::onMouseDown(std::int32_t button, std::int32_t, std::int32_t x, std::int32_t y) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    if (button != kMouseLeft) return;
    tracking = true;
    pick(x, y);
}

void CSwitchMulti::onMouseMove(std::int32_t x, std::int32_t y, std::int32_t) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    if (tracking) pick(x, y);
}

void CSwitchMulti::onMouseUp(std::int32_t button, std::int32_t, std::int32_t) {
    if (button != kMouseLeft) return;
    tracking = false;
    if (!editing) return;
    editing = false;
    endEdit();
}

void CSwitchMulti::pick(std::int32_t x, std::int32_t y) {
    const std::int64_t start = horizontal ? rect.x : rect.y;
    const std::int64_t size = horizontal ? rect.width : rect.height;
    if (size <= 0 || frames == 0) return;
    // A drag past either end stays on the end position.
    const std::int64_t at = std::clamp<std::int64_t>(horizontal ? x : y, start, start + size - 1);
    std::int64_t i = (at - start) * frames / size;
    if (i >= frames) i = 0;
    if (static_cast<std::uint32_t>(i) == index) return;
    if (!editing) {
        beginEdit();
        editing = true;
    }
    index = static_cast<std::uint32_t>(i);
    value = static_cast<float>(index) / static_cast<float>(frames);
    bounds();
    setUpdate();
    notifyOwner(true);
}

void CSwitchMulti::setIndex(std::uint32_t i) {
    if (i >= frames) return;
    const std::uint32_t stored = reversed ? frames - i - 1 : i;
    if (stored == index) return;
    index = stored;
    value = static_cast<float>(index) / static_cast<float>(frames);
    bounds();
    setUpdate();
}

std::uint32_t CSwitchMulti::getIndex() const {
    if (frames == 0) return 0;
    return reversed ? frames - index - 1 : index;
}

void CSwitchMulti::draw(CDrawState state) { drawFrame(state, index); }

}  // namespace qv
