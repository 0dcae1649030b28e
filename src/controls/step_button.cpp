#include "controls/step_button.h"

namespace qv {

CStepButton::CStepButton(CViewOwner* viewOwner, std::uint32_t viewTag, CPoint at, CBitmap* strip)
    : CFilmStripView(viewOwner, viewTag, at, strip, 2, false) {}

void CStepButton::onMouseDown(std::int32_t button, std::int32_t, std::int32_t, std::int32_t) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    if (button != kMouseLeft) return;
    beginEdit();
    pressed = true;
    accumulator = 0;
    value = 0.0f;
    setUpdate();
}

void CStepButton::onMouseMove(std::int32_t dx, std::int32_t dy, std::int32_t modifiers) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    const std::int32_t s = (modifiers & kModifierShift) ? shiftStep : step;
    if (!pressed || s == 0) return;
    // 64 bits: a step of -1 or a wild delta cannot overflow the division.
    const std::int64_t t = std::int64_t{dx} + dy + accumulator;
    const std::int64_t k = t / s;  // toward zero, like the remainder
    if (k != 0) {
        value = static_cast<float>(k);
        notifyOwner(true);
        accumulator = static_cast<std::int32_t>(t % s);
    } else {
        accumulator = static_cast<std::int32_t>(t);
    }
}

void CStepButton::onMouseUp(std::int32_t button, std::int32_t, std::int32_t) {
    if (button != kMouseLeft || !pressed) return;
    endEdit();
    setUpdate();
    pressed = false;
}

void CStepButton::cancelMouse() {
    if (!pressed) return;
    endEdit();
    setUpdate();
    pressed = false;
}

void CStepButton::draw(CDrawState state) { drawFrame(state, pressed ? 0u : 1u); }

}  // namespace qv
