// Base of the popups drawn inside the editor window where the window system offers none (X11,
// headless): an overlay view of the window that covers the whole window, so it sees every press
// (a press outside its panel closes it), holds the mouse capture while open so it hears moves
// (hover, dragging), and gets every key. It draws only its panel, which is kept inside the window.
#pragma once

#include <cstdint>

#include "gui/geometry.h"
#include "gui/window_view.h"

namespace qv {

class CDrawContext;
class CGuiWindow;

// The navigation keys of the window's key codes, for overlays whose files also see the view
// toolkit (whose mouse constants the key codes' header repeats).
enum class COverlayKey : std::uint8_t { kOther, kUp, kDown, kLeft, kRight, kReturn, kEscape };
COverlayKey overlayKeyOf(std::uint32_t key);

class COverlayView : public CWindowView {
public:
    COverlayView() = default;
    ~COverlayView() override;
    COverlayView(const COverlayView&) = delete;
    COverlayView& operator=(const COverlayView&) = delete;

    // Becomes the window's overlay; a previous overlay of the window is replaced.
    void attach(CGuiWindow* window);
    // Leaves the window (when it is still this window's overlay) and asks for a full redraw, so
    // the page paints over where the panel was. Harmless when not attached.
    void detach();
    bool isOpen() const { return hostWindow != nullptr; }
    CGuiWindow* getWindow() const { return hostWindow; }

    // The whole window (toolkit coordinates).
    CRect getRect() const override;
    CWindowContainer* getContainer() const override { return nullptr; }
    bool usesRelativeMouse() const override { return false; }
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    void onMouseMove(std::int32_t, std::int32_t, std::int32_t) override {}
    void cancelMouse() override {}

    // r moved (not shrunk) so that as much of it as possible lies inside the window.
    CRect keepInside(CRect r) const;

protected:
    // Takes the capture again after the window's press or release handed it out.
    void recapture();
    // The drawing context of the window while a pass runs over it, else null.
    CDrawContext* context() const;

private:
    CGuiWindow* hostWindow = nullptr;
};

}  // namespace qv
