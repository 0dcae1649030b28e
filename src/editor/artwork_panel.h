// A panel that shows one bitmap of the window's resources at its lower-left corner and takes no
// input: the editor's artwork until the controls are laid out over it.
#pragma once

#include "gui/geometry.h"
#include "gui/window_view.h"

namespace qv {

class CBitmap;
class CGuiWindow;

class CArtworkPanel final : public CWindowContainer {
public:
    // bitmap is owned by the window's resources and outlives the panel.
    CArtworkPanel(CGuiWindow& window, CRect rect, CBitmap* bitmap);

    CRect getRect() const override { return rect; }
    // Draws on full redraws only: nothing else changes the pixels it covers.
    void draw(CDrawState state) override;
    bool onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void cancelEditing() override {}
    void setPage(CPage*) override {}

private:
    CGuiWindow& window;
    CRect rect;
    CBitmap* bitmap;
};

}  // namespace qv
