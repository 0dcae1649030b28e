#include "controls/on_off_switch.h"

namespace qv {

COnOffSwitch::COnOffSwitch(CViewOwner* viewOwner, std::uint32_t viewTag, CPoint at, CBitmap* strip)
    : CFilmStripView(viewOwner, viewTag, at, strip, 2, false) {}

void COnOffSwitch::onMouseDown(std::int32_t button, std::int32_t mods, std::int32_t, std::int32_t) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    modifiers = static_cast<std::uint32_t>(mods);
    if (button != kMouseLeft) return;
    beginEdit();
    editing = true;
    value = value < 0.5f ? 1.0f : 0.0f;
    setUpdate();
    notifyOwner(false);
}

void COnOffSwitch::onMouseUp(std::int32_t button, std::int32_t, std::int32_t) {
    if (button != kMouseLeft || !editing) return;
    editing = false;
    endEdit();
}

void COnOffSwitch::draw(CDrawState state) { drawFrame(state, value < 0.5f ? 1u : 0u); }

}  // namespace qv
