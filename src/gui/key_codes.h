// Key codes the window hands to onKeyDown and onKeyUp. Characters of the Windows-1252 set keep
// their own code (with 8 backspace, 9 tab, 13 return, 27 escape, 127 delete); the keys below
// have codes above that range. Modifier keys alone are not reported.
#pragma once

#include <cstdint>

namespace qv {

enum : std::uint32_t {
    kKeyBackspace = 8,
    kKeyTab = 9,
    kKeyReturn = 13,
    kKeyEscape = 27,
    kKeyDelete = 127,
    kKeyLeft = 0x1000,
    kKeyRight,
    kKeyUp,
    kKeyDown,
    kKeyHome,
    kKeyEnd,
    kKeyPageUp,
    kKeyPageDown,
    kKeyInsert,
    kKeyF1 = 0x1100,  // F1 .. F12 follow on
};

// Modifier bits of mouse events.
enum : std::int32_t {
    kModifierShift = 1,
    kModifierControl = 2,
    kModifierAlt = 4,
};

// Mouse buttons.
enum : std::int32_t {
    kButtonLeft = 1,
    kButtonRight = 2,
    kButtonMiddle = 3,
};

}  // namespace qv
