#include "controls/memory_switch.h"

#include <bit>

namespace qv {

CMemorySwitch::CMemorySwitch(CViewOwner* viewOwner, std::uint32_t viewTag, CPoint at, CBitmap* strip)
    : CFilmStripView(viewOwner, viewTag, at, strip, 3, false) {}

float CMemorySwitch::encode(std::uint32_t action, std::uint32_t newState) {
    return std::bit_cast<float>(action * 256u + newState);
}

void CMemorySwitch::onMouseDown(std::int32_t pressed, std::int32_t mods, std::int32_t, std::int32_t) {
    if (notifyAlways) {
        notifyOwner(false);
        return;
    }
    modifiers = static_cast<std::uint32_t>(mods);
    button = pressed;
    allInstances = (mods & kModifierAlt) != 0;
    std::uint32_t action = kMemoryActionNone;
    if (pressed == kMouseLeft) {
        beginEdit();
        editing = true;
        if (mods & kModifierControl) {
            if (state != kMemoryEmpty) {
                action = kMemoryActionDelete;
                state = kMemoryEmpty;
                stored = false;
            }
        } else if (state == kMemoryShown) {
            action = kMemoryActionHide;
            state = kMemoryStored;
        } else if (state == kMemoryStored) {
            action = kMemoryActionRecall;
            state = kMemoryShown;
        }
    } else if (pressed == kMouseRight) {
        beginEdit();
        editing = true;
        if (state == kMemoryEmpty) {
            state = kMemoryStored;
            stored = true;
            action = kMemoryActionStore;
        } else if (state == kMemoryStored) {
            action = kMemoryActionStore;  // stores the present graph again
        }
    }
    lastAction = action;
    if (action == kMemoryActionNone) return;
    setValue(encode(action, state));
    setUpdate();
    notifyOwner(true);
}

void CMemorySwitch::onMouseUp(std::int32_t, std::int32_t, std::int32_t) {
    if (!editing) return;
    editing = false;
    endEdit();
}

void CMemorySwitch::setState(std::uint32_t s) {
    if (s > kMemoryShown) return;
    state = s;
    stored = s != kMemoryEmpty;
    setUpdate();
}

void CMemorySwitch::applyAction(std::uint32_t action) {
    if (action == kMemoryActionDelete) {
        state = kMemoryEmpty;
        stored = false;
    } else if (action == kMemoryActionRecall && state == kMemoryStored) {
        state = kMemoryShown;
    } else if (action == kMemoryActionHide && state == kMemoryShown) {
        state = kMemoryStored;
    }
    setUpdate();
}

void CMemorySwitch::setGraphShown(bool on) {
    if (on) {
        state = stored ? kMemoryShown : kMemoryEmpty;
    } else {
        state = stored ? kMemoryStored : kMemoryEmpty;
    }
    setUpdate();
}

void CMemorySwitch::draw(CDrawState drawState) { drawFrame(drawState, kMemoryShown - state); }

}  // namespace qv
