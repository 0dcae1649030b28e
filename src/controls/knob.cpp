#include "controls/knob.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {
constexpr float kMinSensitivity = 1e-14f;
}  // namespace

CKnob::CKnob(CViewOwner* viewOwner, std::uint32_t viewTag, CPoint at, CBitmap* strip, std::uint32_t frameCount)
    : CFilmStripView(viewOwner, viewTag, at, strip, frameCount, false) {}

void CKnob::onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t, std::int32_t) {
    if (button != kMouseLeft) return;
    beginEdit();
    editing = true;
    const bool ctrl = (modifiers & kModifierControl) != 0;
    if (ctrl && (modifiers & kModifierShift) && hasAlternateDefault) {
        resetToAlternateDefault();
    } else if (ctrl) {
        resetToDefault();
    } else {
        dragging = true;
        lastMovement = 0;
        accumulated = value * dragRange;
        return;
    }
    // Heard even when the value already was the default.
    setUpdate();
    notifyOwner(true);
}

void CKnob::onMouseMove(std::int32_t dx, std::int32_t dy, std::int32_t modifiers) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    if (!dragging || !(sensitivity >= kMinSensitivity) || !(fineSensitivity >= kMinSensitivity)) return;
    if (!(dragRange > 0.0f) || !std::isfinite(dragRange)) return;
    const std::int32_t d = dx + dy;
    const float increment = static_cast<float>(d) / ((modifiers & kModifierShift) ? fineSensitivity : sensitivity);
    // The position is clamped, not the movement: turning back moves the knob at once.
    const float p = std::clamp(accumulated + increment, 0.0f, dragRange);
    value = p / dragRange;
    bounds();
    accumulated = p;
    lastMovement = d;
    setUpdate();
    notifyOwner(false);
}

void CKnob::onMouseUp(std::int32_t button, std::int32_t, std::int32_t) {
    if (button != kMouseLeft) return;
    dragging = false;
    if (!editing) return;
    editing = false;
    endEdit();
}

void CKnob::cancelMouse() {
    dragging = false;
    if (!editing) return;
    editing = false;
    endEdit();
}

std::uint32_t CKnob::frameIndex() const {
    if (frames == 0) return 0;
    const std::uint32_t last = frames - 1;
    const float f = value * static_cast<float>(last);
    std::uint32_t k = 0;
    if (f >= static_cast<float>(last)) {
        k = last;
    } else if (f > 0.0f) {
        k = static_cast<std::uint32_t>(f);  // NaN and negatives stay 0
    }
    return reversed ? last - k : k;
}

void CKnob::draw(CDrawState state) {
    if (frames == 0) return;
    drawFrame(state, frameIndex());
}

}  // namespace qv
