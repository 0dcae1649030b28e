// A panel that covers the whole window with the editor's artwork and takes no input: the full
// artwork, or the compact one while the window is smaller than the full artwork. It stands in
// until the controls are laid out over the artwork.
#pragma once

#include <cstdint>

#include "gui/geometry.h"
#include "gui/window_view.h"

namespace qv {

class CBitmap;
class CGuiWindow;

class CArtworkPanel final : public CWindowContainer {
public:
    // Loads the full artwork now and the compact one when first needed, both into the window's
    // resources.
    CArtworkPanel(CGuiWindow& window, std::int32_t fullId, std::int32_t compactId);

    CRect getRect() const override;
    // Draws on full redraws only: nothing else changes the pixels it covers.
    void draw(CDrawState state) override;
    bool onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void cancelEditing() override {}
    void setPage(CPage*) override {}

private:
    CGuiWindow& window;
    std::int32_t compactId;
    CBitmap* full = nullptr;
    CBitmap* compact = nullptr;
};

}  // namespace qv
