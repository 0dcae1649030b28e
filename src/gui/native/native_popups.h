// The window system's own popups, where it has them: an edit box over a field, a popup menu that
// reports its choice to the window by position, and the colour dialog. Only Win32 has them; on
// X11 and headless nativePopupsFor answers null and the controls draw overlay views inside the
// editor window instead, with the same flow back into the control.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gui/geometry.h"

namespace qv {

class CGuiWindow;

// Receives the keys of an open native edit box.
class CNativeEditClient {
public:
    virtual ~CNativeEditClient() = default;
    // Enter (commit true) or Escape (commit false) was pressed in the box.
    virtual void editBoxKey(bool commit) = 0;
};

// Placement and look of a native edit box.
struct CNativeEditRequest {
    void* window = nullptr;  // the editor's native window and the host's window that owns the box
    void* parent = nullptr;
    CPoint anchor{};  // the field's lower-left corner in window pixels (origin top left)
    std::int32_t width = 0;  // inner size of the frame
    std::int32_t height = 0;
    std::uint32_t alignment = 2;  // 0 left, 1 right, 2 centred
    std::uint32_t font = 0;       // font identifier 0..7, style bits and size of the field's label
    std::uint32_t fontStyle = 0;
    std::uint32_t fontSize = 0;
    std::string text;
};

// An open edit box; destroying it closes the box and its frame.
class CNativeEditBox {
public:
    virtual ~CNativeEditBox() = default;
    // The box's text, at most 255 characters.
    virtual std::string text() const = 0;
};

// Told the dialog's window as soon as the colour dialog exists, so it can be ended from outside.
class CNativeDialogClient {
public:
    virtual ~CNativeDialogClient() = default;
    virtual void dialogOpened(void* dialog) = 0;
};

class CNativePopups {
public:
    virtual ~CNativePopups() = default;

    // Opens the box over the field, focused, its whole text selected; null when it cannot.
    virtual std::unique_ptr<CNativeEditBox> openEditBox(const CNativeEditRequest& request, CNativeEditClient* client) = 0;

    // A popup menu whose choices are reported by position (sub-menus too).
    virtual void* createMenu() = 0;
    // Destroys the menu with every sub-menu appended to it.
    virtual void destroyMenu(void* menu) = 0;
    // Appends an entry, or a sub-menu entry when subMenu is given.
    virtual void appendMenuEntry(void* menu, const char* text, bool checked, bool enabled, void* subMenu) = 0;
    // Shows the menu at a pixel of the native window (origin top left) and returns when it
    // closes; a choice reaches that window afterwards as its menu command.
    virtual void trackMenu(void* menu, void* window, CPoint windowPoint) = 0;

    // The modal colour dialog owned by the native window `owner`: starts at rgb (0x00BBGGRR)
    // with the 16 custom colours, which it updates; true with rgb set when the user pressed OK.
    virtual bool chooseColor(void* owner, std::uint32_t& rgb, std::uint32_t customColors[16],
                             CNativeDialogClient* client) = 0;
    // Ends an open dialog as cancelled.
    virtual void endDialog(void* dialog) = 0;
};

// The popups of the window's system, or null when the window draws overlays (X11, headless, no
// window). One object serves every window of the process.
CNativePopups* nativePopupsFor(const CGuiWindow* window);

}  // namespace qv
