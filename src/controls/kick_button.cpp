#include "controls/kick_button.h"

namespace qv {

CKickButton::CKickButton(CViewOwner* viewOwner, std::uint32_t viewTag, CPoint at, CBitmap* strip)
    : CFilmStripView(viewOwner, viewTag, at, strip, 2, false) {}

void CKickButton::onMouseDown(std::int32_t button, std::int32_t, std::int32_t, std::int32_t) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    if (button != kMouseLeft) return;
    beginEdit();
    editing = true;
    value = 1.0f;
    setUpdate();
    notifyOwner(false);
}

void CKickButton::onMouseUp(std::int32_t button, std::int32_t, std::int32_t) {
    if (button == kMouseLeft && editing) {
        editing = false;
        endEdit();
    }
    value = 0.0f;
    setUpdate();
    notifyOwner(false);
}

void CKickButton::draw(CDrawState state) { drawFrame(state, value < 0.5f ? 1u : 0u); }

}  // namespace qv
