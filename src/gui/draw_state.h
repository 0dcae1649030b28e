// The record handed down one draw pass, by value, to every container and view.
#pragma once

#include <cstdint>

#include "gui/geometry.h"

namespace qv {

enum : std::uint32_t {
    kDrawRefresh = 0,  // periodic refresh from the window's timer
    kDrawRepaint = 1,  // full repaint after a paint request of the window system
};

struct CDrawState {
    std::uint32_t mode = kDrawRefresh;
    std::uint8_t redrawAll = 0;   // every view redraws in this refresh pass
    std::uint8_t lastDirty = 0;   // answer of the last needsUpdate asked in this pass
    std::uint8_t timer = 0;       // the pass comes from the refresh timer
    CRect updateArea{};           // damaged area of a repaint pass, in window (y-down) pixels
};

}  // namespace qv
