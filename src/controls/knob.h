// The continuous control: one frame of a vertical film strip chosen by the value, changed by
// relative mouse movement so the knob never jumps to where it is clicked. `dragRange` pixels of
// movement right or up sweep the whole range (divided by the fine sensitivity with Shift).
// Ctrl-click resets to the default, Ctrl+Shift-click to the alternate default when it has one.
#pragma once

#include "controls/film_strip_view.h"

namespace qv {

class CKnob : public CFilmStripView {
public:
    CKnob(CViewOwner* owner, std::uint32_t tag, CPoint position, CBitmap* bitmap, std::uint32_t frames);

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    // Relative: dx, dy since the last position.
    void onMouseMove(std::int32_t dx, std::int32_t dy, std::int32_t modifiers) override;
    void cancelMouse() override;
    // Frame value x (frames - 1), truncated; counted from the other end when reversed.
    void draw(CDrawState state) override;

    virtual void setReversed(bool on) { reversed = on; }
    // Kept for layouts that give it; the knob does not read it.
    virtual void setAngle(float degrees) { reservedAngle = degrees; }
    // Pixels of movement for the whole range; a range that is not a positive number stops
    // the knob from following the mouse.
    virtual void setDragRange(float pixels) { dragRange = pixels; }
    virtual void setSensitivity(float divisor) { sensitivity = divisor; }
    virtual void setFineSensitivity(float divisor) { fineSensitivity = divisor; }

    // The frame shown for the present value; 0 for a strip of no frames.
    std::uint32_t frameIndex() const;
    bool isDragging() const { return dragging; }

private:
    bool reversed = false;
    float reservedAngle = 45.0f;
    float dragRange = 270.0f;
    float sensitivity = 1.0f;
    float fineSensitivity = 10.0f;
    std::int32_t lastMovement = 0;
    bool dragging = false;
    float accumulated = 0.0f;
    bool editing = false;
};

}  // namespace qv
