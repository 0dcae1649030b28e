// A button that is dragged rather than clicked: while the left button is held, every `step`
// pixels of movement (Shift: `shiftStep`) right or up send +1 and left or down -1. The owner
// hears the whole number of steps of each move as the value (not normalised, may be negative);
// the pixels short of a step carry over to the next move. Frame 0 (bottom) shows it held.
#pragma once

#include "controls/film_strip_view.h"

namespace qv {

class CStepButton : public CFilmStripView {
public:
    CStepButton(CViewOwner* owner, std::uint32_t tag, CPoint position, CBitmap* bitmap);

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    // Relative: dx, dy since the last position.
    void onMouseMove(std::int32_t dx, std::int32_t dy, std::int32_t modifiers) override;
    void cancelMouse() override;
    void draw(CDrawState state) override;
    // Pixels per step; a step of 0 sends nothing.
    virtual void setStep(std::int32_t pixels) { step = pixels; }
    virtual void setShiftStep(std::int32_t pixels) { shiftStep = pixels; }

    bool isPressed() const { return pressed; }
    std::int32_t getAccumulator() const { return accumulator; }

private:
    bool pressed = false;
    std::int32_t accumulator = 0;
    std::int32_t step = 8;
    std::int32_t shiftStep = 25;
};

}  // namespace qv
