// A text label that shows the selected entry of a list and, pressed, pops the list up: the
// system's popup menu on Win32, an overlay list drawn next to the field elsewhere. Either way the
// choice comes back as the window's stored menu selection (menu, position) and a second press
// from the window, which makes the entry the selected one, shows its text, moves the check mark,
// sets the value to the entry's index (not normalised) and notifies the owner with force.
//
// Entries may be sub-menus: menus constructed with the empty rectangle, which are disabled (never
// drawn, never pressed) and pass their text and user data to the menu they belong to.
//
// The list may be rebuilt (removeAll) from another thread while the user-interface thread draws
// or uses it: every use runs between beginUse and endUse, and removeAll waits until none is left.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "controls/overlay_menu_list.h"
#include "controls/text_label.h"

namespace qv {

class CNativePopups;

class COptionMenu : public CTextLabel {
public:
    static constexpr std::uint32_t kMaxEntries = 512;
    static constexpr std::size_t kMaxTextLength = 126;

    // The empty rectangle (0, 0, 0, 0) makes a disabled menu that serves as a sub-menu.
    COptionMenu(CViewOwner* owner, std::uint32_t tag, const CRect& rect);
    // Deletes the sub-menus it owns.
    ~COptionMenu() override;

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    // Nothing while disabled; else the label, while the list is in use.
    void draw(CDrawState state) override;
    // A sub-menu's text goes to the menu it belongs to.
    void setText(const std::string& text) override;
    // Closes an open list without choosing.
    void cancelEditing() override;
    void setShown(bool on) override;
    void setVisible(bool on) override;

    virtual void setDisabled(bool on);
    virtual bool isDisabled() const { return disabled; }
    // Empties the list; waits (5 ms steps) while it is in use. Sub-menus are detached, not
    // deleted: their owner is the caller again. The selection starts again at entry 0.
    virtual void removeAll();
    // A use of the list may nest; false when the list cannot be used (being rebuilt).
    virtual bool beginUse();
    virtual void endUse();
    virtual void setParent(COptionMenu* menu) { parent = menu; }
    virtual COptionMenu* getParent() const { return parent; }
    virtual void setUserData(void* data);
    virtual void* getUserData() const;
    // The label keeps `text` instead of showing the selected entry.
    virtual void setFixedTitle(const std::string& text);
    virtual void clearFixedTitle();
    // Empty for an index beyond the list.
    virtual std::string getEntryText(std::uint32_t index) const;
    // The handle the window's stored selection names this menu by: the native menu when one was
    // shown, else this object.
    virtual void* getMenu() const;
    // False when refused: text over 126 characters, list full (512), list being rebuilt.
    // marked exactly 1 puts the check mark on it; enabled 0 greys it.
    virtual bool addEntry(const std::string& text, std::int32_t marked = -1, std::int32_t enabled = -1);
    // Takes ownership of `menu` (a disabled menu; this one must not be) on success only.
    virtual bool addSubMenu(const std::string& text, COptionMenu* menu);
    virtual void checkEntry(std::uint32_t index, bool check, bool uncheckPrevious);
    virtual void uncheckCurrent();
    virtual void enableEntry(std::uint32_t index, bool enable);
    virtual void selectEntry(std::uint32_t index, bool check);
    virtual std::uint32_t getCurrentIndex() const { return currentIndex; }
    virtual std::uint32_t getPreviousIndex() const { return previousIndex; }
    virtual void setCheckOnSelect(bool on) { checkOnSelect = on; }
    virtual std::uint32_t getLastButton() const { return lastButton; }

    // Reading the list; call between beginUse and endUse.
    std::uint32_t getEntryCount() const { return static_cast<std::uint32_t>(entries.size()); }
    bool isSubMenuEntry(std::uint32_t index) const { return index < entries.size() && entries[index].subMenu; }
    COptionMenu* getSubMenu(std::uint32_t index) const { return index < entries.size() ? entries[index].subMenu : nullptr; }
    bool isEntryChecked(std::uint32_t index) const { return index < entries.size() && entries[index].checked; }
    bool isEntryEnabled(std::uint32_t index) const { return index < entries.size() && entries[index].enabled; }
    std::int32_t getMarkedIndex() const { return markedIndex; }

    // The open overlay list, for looking at it; null while closed or native.
    const COverlayMenuList* getOverlay() const { return overlay.isOpen() ? &overlay : nullptr; }

private:
    struct Entry {
        std::string text;
        COptionMenu* subMenu = nullptr;  // owned
        bool checked = false;
        bool enabled = true;
    };

    bool append(const std::string& text, COptionMenu* subMenu, bool checked, bool enabled);
    // Builds the native menu tree from the list (this menu's old one destroyed first).
    void buildNativeMenu(CNativePopups& popups);
    void releaseNativeMenu();
    void chosen(std::int32_t button);
    void closeList();

    mutable std::mutex lock;
    std::uint32_t busy = 0;
    bool valid = true;
    std::vector<Entry> entries;
    std::int32_t markedIndex = -1;
    void* userData = nullptr;
    std::uint32_t currentIndex = 0;
    std::uint32_t previousIndex = 0;
    bool checkOnSelect = true;
    bool fixedTitle = false;
    bool disabled;
    COptionMenu* parent = nullptr;
    std::uint32_t lastButton = 0;
    // The native menu shown last (this menu's, or the one a parent built for it) and the
    // popups that made it; kept until the next showing, since the window names the choice by it.
    void* nativeMenu = nullptr;
    CNativePopups* nativeOwner = nullptr;
    COverlayMenuList overlay{*this};
};

}  // namespace qv
