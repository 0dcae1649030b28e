// Base of the controls drawn from a film strip: one bitmap holding `frames` looks of equal size
// stacked along y (or along x). Frame k lies k frame sizes from the bottom (or left) edge of the
// image, so frame 0 is the bottom-most picture of the image file. The control's rect is its
// lower-left corner plus one frame's size. Every strip control takes the mouse and its capture.
// The bitmap belongs to the editor.
#pragma once

#include <cstdint>

#include "controls/view.h"

namespace qv {

class CBitmap;

class CFilmStripView : public CView {
public:
    // A strip of 0 frames, or no bitmap, gives a rect of no size: never hit, nothing drawn.
    CFilmStripView(CViewOwner* owner, std::uint32_t tag, CPoint position, CBitmap* bitmap, std::uint32_t frames,
                   bool horizontal);

    CBitmap* getBitmap() const { return bitmap; }
    std::uint32_t getFrameCount() const { return frames; }

protected:
    // Draws frame k (nothing when k is not a frame of the strip) at the rect.
    void drawFrame(const CDrawState& state, std::uint32_t k);
    // Whether the image divides into whole frames along the strip's axis.
    bool framesDivideEvenly() const;

    CBitmap* bitmap;
    CPoint position;
    std::uint32_t frames;
    bool horizontal;
};

}  // namespace qv
