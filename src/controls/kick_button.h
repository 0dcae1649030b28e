// A momentary button: the owner hears 1 when the left button goes down and 0 when it comes up.
// Frame 0 (bottom) shows it pressed, frame 1 released.
#pragma once

#include "controls/film_strip_view.h"

namespace qv {

class CKickButton : public CFilmStripView {
public:
    CKickButton(CViewOwner* owner, std::uint32_t tag, CPoint position, CBitmap* bitmap);

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    // Any button brings the value back to 0 (heard only when it was 1).
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    void draw(CDrawState state) override;

private:
    bool editing = false;
};

}  // namespace qv
