// The menu field with its overlay list, driven by synthetic presses, moves and keys through the
// headless window; the list's limits; rebuilding while the list is in use on another thread.

#include "controls/option_menu.h"
#include "unit/popups/popups_fixture.h"

namespace qv::test {
namespace {

class OptionMenu : public PopupsTest {
protected:
    // The FFT size menu of the editor, entry 1 selected.
    COptionMenu* fftMenu() {
        auto* menu = put(new COptionMenu(&owner, 7, CRect{40, 180, 80, 16}));
        for (const char* size : {"512", "1024", "2048", "4096", "8192", "16384"}) menu->addEntry(size);
        menu->selectEntry(1, true);
        return menu;
    }
    const COverlayMenuList* open(COptionMenu* menu) {
        click(menu->getRect().x + 5, menu->getRect().y + 5);
        return menu->getOverlay();
    }
};

TEST_F(OptionMenu, PressesAndKeysChooseTheEntryOrNothing) {
    // Keys after opening (none: a press on row 3) and the entry chosen (-1: none).
    const struct { const char* name; std::vector<std::uint32_t> keys; std::int32_t index; } picks[] = {
        {"press on row 3 gives 4096", {}, 3}, {"down down enter", {kKeyDown, kKeyDown, kKeyReturn}, 3},
        {"up wraps to the last", {kKeyUp, kKeyUp, kKeyReturn}, 5},
        {"escape cancels", {kKeyDown, kKeyRight, kKeyLeft, kKeyEscape}, -1},
        {"down wraps to the first", {kKeyDown, kKeyDown, kKeyDown, kKeyDown, kKeyDown, kKeyReturn}, 0}};
    for (const auto& p : picks) {
        SCOPED_TRACE(p.name);
        owner.changes.clear();
        COptionMenu* menu = fftMenu();
        const COverlayMenuList* list = open(menu);
        ASSERT_NE(list, nullptr);
        p.keys.empty() ? click(list->rowCentre(0, 3)) : keys(p.keys);
        EXPECT_EQ(window->getOverlayView(), nullptr);
        const std::uint32_t now = p.index < 0 ? 1u : static_cast<std::uint32_t>(p.index);
        EXPECT_TRUE(menu->getText() == menu->getEntryText(now) && menu->getCurrentIndex() == now);
        EXPECT_TRUE(menu->isEntryChecked(now) && menu->isEntryChecked(1) == (now == 1));
        ASSERT_EQ(owner.changes.size(), p.index < 0 ? 0u : 1u);
        for (const auto& change : owner.changes) EXPECT_EQ(change.value, static_cast<float>(p.index));  // not 0..1
        drop(menu);
    }
}

TEST_F(OptionMenu, ListBelowTheFieldHoverHighlightsAndGreyedRowsCannotBeChosen) {
    COptionMenu* menu = fftMenu();
    menu->enableEntry(4, false);
    const COverlayMenuList* list = open(menu);
    const CRect r = list->getColumnRect(0);
    EXPECT_EQ(r.y + r.height, 180);
    EXPECT_TRUE(paintsOnlyInside(CRect{r.x, r.y, r.width, 196 - r.y}));
    moveTo(list->rowCentre(0, 2));
    EXPECT_EQ(list->getHighlight(0), 2);
    moveTo(list->rowCentre(0, 4)), keys({kKeyReturn});
    click(list->rowCentre(0, 4));
    EXPECT_TRUE(owner.changes.empty());
    click(300, 10);  // outside: closed, and the next press opens it again
    EXPECT_EQ(window->getMenuOwner(), nullptr);
    EXPECT_NE(open(menu), nullptr);
}

TEST_F(OptionMenu, SubMenuEntryGoesToTheSubMenuAndItsOwnerAndForgedPositionsToNobody) {
    auto* menu = put(new COptionMenu(&owner, 1, CRect{20, 200, 80, 16}));
    menu->addEntry("plain");
    auto* sub = new COptionMenu(&owner, 2, CRect{});
    for (const char* t : {"x", "y", "z"}) sub->addEntry(t);
    ASSERT_TRUE(menu->addSubMenu("more", sub) && !menu->addSubMenu("self", menu));
    const COverlayMenuList* list = open(menu);
    moveTo(list->rowCentre(0, 1));
    ASSERT_TRUE(list->isSubMenuOpen());
    EXPECT_TRUE(paintsOnlyInside(CRect{20, 100, 150, 116}));
    click(list->rowCentre(1, 2));
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_TRUE(owner.changes[0].tag == 2u && owner.changes[0].value == 2.0f);
    EXPECT_TRUE(menu->getText() == "z" && sub->isEntryChecked(2));
    moveTo(open(menu)->rowCentre(0, 1));  // keys: right opens it at its first entry, left leaves it
    keys({kKeyRight, kKeyDown, kKeyLeft, kKeyRight, kKeyReturn});
    EXPECT_EQ(owner.changes.back().value, 0.0f);
    // A stored selection that names no entry of its menu changes nothing.
    const std::pair<void*, std::int32_t> forged[] = {{menu->getMenu(), 2}, {sub->getMenu(), 3}, {&owner, 0}, {nullptr, 0}};
    for (const auto& [handle, item] : forged) window->setMenuOwner(menu), window->onMenuCommand(handle, item);
    EXPECT_EQ(std::pair(owner.changes.size(), menu->getText()), std::pair(std::size_t{2}, std::string("x")));
}

TEST_F(OptionMenu, EntryLimitsAndAListTallerThanTheWindow) {
    auto* menu = put(new COptionMenu(&owner, 1, CRect{20, 200, 80, 16}));
    EXPECT_TRUE(menu->addEntry(std::string(126, 'e')) && !menu->addEntry(std::string(127, 'e')));
    for (int i = 1; i < 512; ++i) ASSERT_TRUE(menu->addEntry(std::to_string(i))) << i;
    EXPECT_FALSE(menu->addEntry("513th"));
    EXPECT_TRUE(menu->getEntryText(511) == "511" && menu->getEntryText(512).empty());
    const CRect r = open(menu)->getColumnRect(0);
    EXPECT_TRUE(r.y >= 0 && r.y + r.height <= height);
    keys({kKeyUp, kKeyReturn});
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0].value, 511.0f);
    menu->removeAll();
    EXPECT_EQ(open(menu), nullptr);  // an empty menu opens nothing
}

TEST_F(OptionMenu, RemoveAllWaitsForEveryNestedUseAndStartsAgainAtEntry0) {
    COptionMenu* menu = fftMenu();
    ASSERT_TRUE(menu->beginUse() && menu->beginUse());
    std::atomic<bool> done{false};
    std::thread rebuild([&] { menu->removeAll(), done = true; });
    fullPass();  // a draw pass takes and gives back the list meanwhile
    menu->endUse();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(done.load());
    menu->endUse();
    rebuild.join();
    EXPECT_TRUE(menu->getCurrentIndex() == 0u && menu->getMarkedIndex() == -1);
}

}  // namespace
}  // namespace qv::test
