// What the window needs of the view toolkit. The toolkit's views and containers implement these
// interfaces; the window drives them in draw passes and hands them the mouse, always in toolkit
// coordinates (origin at the bottom left of the window, y up).
#pragma once

#include <cstdint>

#include "gui/draw_state.h"
#include "gui/geometry.h"

namespace qv {

class CPage;
class CWindowContainer;

// A view as the window sees it: the view holding the mouse capture, and the overlay view.
class CWindowView {
public:
    virtual ~CWindowView() = default;

    // Positions relative to the view's container (window coordinates for a view without one).
    virtual void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) = 0;
    virtual void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) = 0;
    // While captured: deltas since the previous position when usesRelativeMouse, else the position.
    virtual void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) = 0;
    // The window takes the capture away (focus lost, a press elsewhere): end the gesture.
    virtual void cancelMouse() = 0;
    virtual bool usesRelativeMouse() const = 0;
    virtual CRect getRect() const = 0;
    // The container the view lives in, or null.
    virtual CWindowContainer* getContainer() const = 0;
    virtual void draw(CDrawState state) = 0;
    // Keys reach only the overlay view (text fields drawn inside the window); answers whether it
    // used the key. Key codes: see gui/key_codes.h.
    virtual bool onKeyDown(std::uint32_t /*key*/) { return false; }
    virtual bool onKeyUp(std::uint32_t /*key*/) { return false; }
};

// A panel of views on a page.
class CWindowContainer {
public:
    virtual ~CWindowContainer() = default;

    // Position and size in window coordinates (y up).
    virtual CRect getRect() const = 0;
    virtual void draw(CDrawState state) = 0;
    // A press at window coordinates (x, y) inside the container's rectangle. Answers true when
    // the container let it pass (inactive): the window then offers it to the next container.
    virtual bool onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) = 0;
    // The window closes: end every open edit and dialog.
    virtual void cancelEditing() = 0;
    virtual void setPage(CPage* page) = 0;
};

}  // namespace qv
