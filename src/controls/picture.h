// A bitmap shown whole: backgrounds, panel art, legends. Takes no mouse input. A repaint of an
// area (for a transparent view above) draws only the part of the bitmap under it.
#pragma once

#include "controls/view.h"

namespace qv {

class CBitmap;

class CPicture : public CView {
public:
    // rect: position and the bitmap's size; tag 0. The bitmap belongs to the editor.
    CPicture(CViewOwner* owner, CPoint position, CBitmap* bitmap);

    void draw(CDrawState state) override;
    void redrawArea(CRect area, CDrawState state) override;

private:
    CBitmap* bitmap;
};

}  // namespace qv
