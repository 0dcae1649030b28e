// What the window needs of its owner, the editor.
#pragma once

#include "gui/geometry.h"

namespace qv {

class CWindowOwner {
public:
    virtual ~CWindowOwner() = default;

    // Called once while the window opens, after its back buffer and drawing context exist and
    // before its timer starts: the owner adds its pages (addPage) and its colours and bitmaps
    // (addResource). The first page added is shown.
    virtual void buildControls() = 0;
    // The owner's rectangle: 0, 0, width, height of the editor.
    virtual void getRect(CRect& rect) const = 0;
    // Called at the start of every timer pass while the window is open, on the window's thread,
    // before anything is drawn: the owner may bring its views up to date here.
    virtual void beforeRefresh() {}
};

}  // namespace qv
