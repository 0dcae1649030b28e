// A two-state switch: a left click toggles between 0 and 1. Frame 1 (top) shows off (value below
// 0.5), frame 0 (bottom) on.
#pragma once

#include "controls/film_strip_view.h"

namespace qv {

class COnOffSwitch : public CFilmStripView {
public:
    COnOffSwitch(CViewOwner* owner, std::uint32_t tag, CPoint position, CBitmap* bitmap);

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    void draw(CDrawState state) override;
    // Modifiers of the last press.
    virtual std::uint32_t getModifiers() const { return modifiers; }

private:
    std::uint32_t modifiers = 0;
    bool editing = false;  // a gesture was opened and awaits its end
};

}  // namespace qv
