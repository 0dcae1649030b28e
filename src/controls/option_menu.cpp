#include "controls/option_menu.h"

#include <chrono>
#include <thread>

#include "gui/gui_window.h"
#include "gui/native/native_popups.h"

namespace qv {

namespace {

bool isEmptyRect(const CRect& r) { return r.x == 0 && r.y == 0 && r.width == 0 && r.height == 0; }

}  // namespace

COptionMenu::COptionMenu(CViewOwner* viewOwner, std::uint32_t viewTag, const CRect& r)
    : CTextLabel(viewOwner, r, viewTag), disabled(isEmptyRect(r)) {
    mouseEnabled = !disabled;
}

COptionMenu::~COptionMenu() {
    closeList();
    if (CGuiWindow* window = container ? container->getWindow() : nullptr) {
        if (window->getMenuOwner() == this) window->setMenuOwner(nullptr);
    }
    releaseNativeMenu();
    for (Entry& e : entries) delete e.subMenu;
}

void COptionMenu::setDisabled(bool on) {
    disabled = on;
    mouseEnabled = !on;
    if (on) closeList();
}

bool COptionMenu::beginUse() {
    std::lock_guard<std::mutex> hold(lock);
    if (!valid) return false;
    ++busy;
    return true;
}

void COptionMenu::endUse() {
    std::lock_guard<std::mutex> hold(lock);
    if (busy > 0) --busy;
}

void COptionMenu::removeAll() {
    // The lock is held only to look: a draw or a menu loop on the user-interface thread must be
    // able to take it for its endUse while this waits.
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(lock);
            if (busy == 0) {
                valid = false;
                for (Entry& e : entries) {
                    if (e.subMenu) e.subMenu->setParent(nullptr);
                }
                entries.clear();
                markedIndex = -1;
                userData = nullptr;
                currentIndex = 0;
                releaseNativeMenu();
                valid = true;
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void COptionMenu::setUserData(void* data) {
    if (parent) {
        parent->setUserData(data);
    } else {
        userData = data;
    }
}

void* COptionMenu::getUserData() const { return parent ? parent->getUserData() : userData; }

void COptionMenu::setText(const std::string& text) {
    if (parent) {
        parent->setText(text);
    } else {
        CTextLabel::setText(text);
    }
}

void COptionMenu::setFixedTitle(const std::string& text) {
    setText(text);
    fixedTitle = true;
}

void COptionMenu::clearFixedTitle() {
    setText(getEntryText(currentIndex));
    fixedTitle = false;
}

std::string COptionMenu::getEntryText(std::uint32_t index) const {
    std::lock_guard<std::mutex> hold(lock);
    return index < entries.size() ? entries[index].text : std::string();
}

void* COptionMenu::getMenu() const { return nativeMenu ? nativeMenu : const_cast<COptionMenu*>(this); }

bool COptionMenu::append(const std::string& text, COptionMenu* subMenu, bool checked, bool enabled) {
    if (text.size() > kMaxTextLength || !beginUse()) return false;
    bool added = false;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (entries.size() < kMaxEntries) {
            entries.push_back(Entry{text, subMenu, checked, enabled});
            if (checked) markedIndex = static_cast<std::int32_t>(entries.size() - 1);
            added = true;
        }
    }
    if (added && entries.size() == 1 && !fixedTitle) setText(text);
    endUse();
    return added;
}

bool COptionMenu::addEntry(const std::string& text, std::int32_t marked, std::int32_t enabled) {
    return append(text, nullptr, marked == 1, enabled != 0);
}

bool COptionMenu::addSubMenu(const std::string& text, COptionMenu* menu) {
    if (!menu || menu == this || !menu->isDisabled() || disabled) return false;
    if (!append(text, menu, false, true)) return false;
    menu->setParent(this);
    return true;
}

void COptionMenu::checkEntry(std::uint32_t index, bool check, bool uncheckPrevious) {
    if (!beginUse()) return;
    if (index < entries.size() && !entries[index].subMenu) {
        if (uncheckPrevious) uncheckCurrent();
        std::lock_guard<std::mutex> hold(lock);
        markedIndex = static_cast<std::int32_t>(index);
        entries[index].checked = check;
    }
    endUse();
}

void COptionMenu::uncheckCurrent() {
    if (parent) parent->uncheckCurrent();
    if (!beginUse()) return;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (markedIndex >= 0 && static_cast<std::size_t>(markedIndex) < entries.size()) {
            entries[static_cast<std::size_t>(markedIndex)].checked = false;
        }
    }
    endUse();
}

void COptionMenu::enableEntry(std::uint32_t index, bool enable) {
    if (!beginUse()) return;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (index < entries.size()) entries[index].enabled = enable;
    }
    endUse();
}

void COptionMenu::selectEntry(std::uint32_t index, bool check) {
    if (!beginUse()) return;
    if (index < entries.size() && !entries[index].subMenu) {
        currentIndex = index;
        if (!fixedTitle) setText(entries[index].text);
        if (check) checkEntry(index, true, true);
    }
    endUse();
}

void COptionMenu::draw(CDrawState state) {
    if (disabled || !beginUse()) return;
    CTextLabel::draw(state);
    endUse();
}

void COptionMenu::onMouseDown(std::int32_t button, std::int32_t, std::int32_t, std::int32_t) {
    if (disabled || !beginUse()) return;
    CGuiWindow* window = container ? container->getWindow() : nullptr;
    if (!window || !window->isOpen()) {
        endUse();
        return;
    }
    if (window->getMenuItem() >= 0) {
        chosen(button);  // ends the use
        return;
    }
    if (entries.empty()) {  // nothing to choose from: no popup
        endUse();
        return;
    }
    const CRect field = windowRect();
    window->setMenu(nullptr);
    window->setMenuItem(-1);
    window->setMenuOwner(this);
    lastButton = static_cast<std::uint32_t>(button);
    if (CNativePopups* popups = nativePopupsFor(window)) {
        buildNativeMenu(*popups);
        void* menu = nativeMenu;
        void* handle = window->getNativeHandle();
        endUse();
        // The menu loop runs here; its choice arrives later as the window's menu command.
        popups->trackMenu(menu, handle, CPoint{field.x, window->getHeight() - 1 - field.y});
        return;
    }
    overlay.open(window, field, getFont(), getFontStyle(), getFontSize());
    endUse();
}

void COptionMenu::chosen(std::int32_t) {
    CGuiWindow* window = container->getWindow();
    window->setMenuOwner(nullptr);
    void* menu = window->getMenu();
    const std::int32_t item = window->getMenuItem();
    window->setMenu(nullptr);
    window->setMenuItem(-1);

    COptionMenu* target = this;
    COptionMenu* sub = nullptr;
    std::int64_t index = 0;
    if (menu && menu == getMenu()) {
        index = static_cast<std::int64_t>(item) + 1;
    } else if (menu) {
        for (const Entry& e : entries) {
            if (e.subMenu && e.subMenu->getMenu() == menu) {
                sub = target = e.subMenu;
                index = static_cast<std::int64_t>(item) + 1;
                break;
            }
        }
    }
    // The position must name an entry of the menu it came from before anything changes.
    if (index < 1 || (sub && !sub->beginUse())) {
        endUse();
        return;
    }
    const std::uint32_t position = static_cast<std::uint32_t>(index - 1);
    const bool inRange = position < target->entries.size();
    const std::string text = inRange ? target->entries[position].text : std::string();
    if (sub) sub->endUse();
    if (!inRange) {
        endUse();
        return;
    }
    previousIndex = currentIndex;
    currentIndex = position;
    if (!fixedTitle) CTextLabel::setText(text);
    endUse();
    if (checkOnSelect) target->checkEntry(position, true, true);
    if (sub) {
        sub->setValueSilently(static_cast<float>(position));
        sub->selectEntry(position, true);
    } else {
        value = static_cast<float>(position);  // the index itself, not clamped to 0..1
    }
    setUpdate();
    target->notifyOwner(true);
}

void COptionMenu::buildNativeMenu(CNativePopups& popups) {
    releaseNativeMenu();
    nativeOwner = &popups;
    nativeMenu = popups.createMenu();
    for (Entry& e : entries) {
        void* subMenu = nullptr;
        if (e.subMenu && e.subMenu->beginUse()) {
            subMenu = popups.createMenu();
            for (const Entry& s : e.subMenu->entries) {
                popups.appendMenuEntry(subMenu, s.text.c_str(), s.checked, s.enabled, nullptr);
            }
            e.subMenu->nativeMenu = subMenu;
            e.subMenu->endUse();
        }
        popups.appendMenuEntry(nativeMenu, e.text.c_str(), e.checked, e.enabled, subMenu);
    }
}

void COptionMenu::releaseNativeMenu() {
    if (!nativeMenu || !nativeOwner) return;
    // Destroying the menu destroys the sub-menus appended to it.
    nativeOwner->destroyMenu(nativeMenu);
    for (Entry& e : entries) {
        if (e.subMenu) e.subMenu->nativeMenu = nullptr;
    }
    nativeMenu = nullptr;
}

void COptionMenu::closeList() {
    if (!overlay.isOpen()) return;
    CGuiWindow* window = overlay.getWindow();
    overlay.close();
    if (window->getMenuOwner() == this) window->setMenuOwner(nullptr);
}

void COptionMenu::cancelEditing() { closeList(); }

void COptionMenu::setShown(bool on) {
    if (!on) closeList();
    CTextLabel::setShown(on);
}

void COptionMenu::setVisible(bool on) {
    if (!on) closeList();
    CTextLabel::setVisible(on);
}

}  // namespace qv
