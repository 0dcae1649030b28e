// A switch of `count` positions laid out along y (orientation 0) or x (orientation 1): a left
// press picks the position under the pointer, and dragging sweeps through the positions. The
// value is the on-screen index divided by count. Frame i shows position i. A bitmap that does not
// divide into `count` whole frames along the axis leaves the switch without a rect: it is never
// hit and draws nothing.
#pragma once

#include "controls/film_strip_view.h"

namespace qv {

enum : std::uint32_t {
    kSwitchVertical = 0,
    kSwitchHorizontal = 1,
};

class CSwitchMulti : public CFilmStripView {
public:
    CSwitchMulti(CViewOwner* owner, std::uint32_t tag, CPoint position, CBitmap* bitmap, std::uint32_t count,
                 std::uint32_t orientation);

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    // Absolute: the position in the container while the left button is held.
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) override;
    void draw(CDrawState state) override;
    // Counts indexes from the other end in setIndex and getIndex (not on screen).
    virtual void setReversed(bool on) { reversed = on; }
    // Shows position i (counted from the other end when reversed) without notifying. An index
    // at or beyond the count is ignored.
    virtual void setIndex(std::uint32_t i);
    virtual std::uint32_t getIndex() const;

    std::uint32_t getCount() const { return frames; }

private:
    void pick(std::int32_t x, std::int32_t y);

    std::uint32_t index = 0;  // on screen
    bool reversed = false;
    bool editing = false;
    bool tracking = false;  // the left button went down on the switch
};

}  // namespace qv
