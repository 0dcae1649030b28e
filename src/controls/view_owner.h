// What a view needs of its owner, the editor: the drawing context of the open window, and the
// road for user changes and edit gestures. Controls depend only on this interface, so they are
// tested with a small test owner and the editor implements it.
#pragma once

#include <cstdint>

#include "gui/draw_state.h"

namespace qv {

class CDrawContext;

class CViewOwner {
public:
    virtual ~CViewOwner() = default;

    // The context to draw into during a pass (state given), or for constructors that create
    // bitmaps and colours (state null). Null while no window is open.
    virtual CDrawContext* getDrawContext(const CDrawState* state) = 0;
    // A control's value changed through the user.
    virtual void valueChanged(std::uint32_t tag, float value) = 0;
    // Start and end of a user gesture on the setting `tag`.
    virtual void beginEdit(std::int32_t tag) = 0;
    virtual void endEdit(std::int32_t tag) = 0;
};

}  // namespace qv
