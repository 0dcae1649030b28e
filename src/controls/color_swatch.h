// A rectangle in a colour that changes at run time (the colour key of an instance). The colour
// may be set from another thread while a pass draws: it is written into the colour not shown,
// which then becomes the shown one, so a paint uses the old or the new colour, never a mixture.
#pragma once

#include <mutex>

#include "controls/view.h"
#include "gui/color.h"

namespace qv {

class CColorSwatch : public CView {
public:
    // White until setColor; tag 0.
    CColorSwatch(CViewOwner* owner, const CRect& rect);

    void draw(CDrawState state) override;
    // Fills only the part of the swatch inside area.
    void redrawArea(CRect area, CDrawState state) override;
    // Components 0..1, opaque; then a redraw. Any thread.
    virtual void setColor(float red, float green, float blue);

private:
    void fill(const CDrawState& state, const CRect& area);

    mutable std::mutex lock;  // the active index, and the shown colour while it paints
    std::mutex writeLock;     // one writer at a time
    CColor colours[2] = {{nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorBrush}, {nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorBrush}};
    std::uint32_t active = 0;
};

}  // namespace qv
