// The menu field with its overlay list, driven by synthetic presses, moves and keys through the
// headless window; the list's limits; rebuilding while the list is in use on another thread.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "controls/option_menu.h"
#include "unit/popups/popups_fixture.h"
#include "unit/popups/test_keys.h"

namespace qv::test {
namespace {

using namespace std::chrono_literals;

class OptionMenu : public PopupsTest {
protected:
    // The FFT size menu of the editor.
    COptionMenu* fftMenu() {
        auto* menu = put(new COptionMenu(&owner, 7, CRect{40, 180, 80, 16}));
        for (const char* size : {"512", "1024", "2048", "4096", "8192", "16384"}) menu->addEntry(size);
        return menu;
    }
    void open(COptionMenu* menu) {
        const CRect r = menu->getRect();
        click(r.x + 5, r.y + 5);
    }
};

struct Pick {
    const char* name;
    std::vector<std::uint32_t> keys;  // after opening; empty: a press on row 3
    std::int32_t index;               // chosen entry, or -1 for none
};

class MenuPick : public OptionMenu, public ::testing::WithParamInterface<Pick> {};

TEST_P(MenuPick, ChoosesTheEntryOrNothing) {
    const Pick& p = GetParam();
    COptionMenu* menu = fftMenu();
    menu->selectEntry(1, true);
    open(menu);
    ASSERT_NE(menu->getOverlay(), nullptr);
    if (p.keys.empty()) {
        click(menu->getOverlay()->rowCentre(0, 3));
    } else {
        keys(p.keys);
    }
    EXPECT_EQ(menu->getOverlay(), nullptr);
    EXPECT_EQ(window->getMenuItem(), -1);
    if (p.index < 0) {
        EXPECT_TRUE(owner.changes.empty());
        EXPECT_EQ(menu->getText(), "1024");
        EXPECT_EQ(menu->getCurrentIndex(), 1u);
        EXPECT_EQ(menu->getMarkedIndex(), 1);
        return;
    }
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0].tag, 7u);
    EXPECT_EQ(owner.changes[0].value, static_cast<float>(p.index));  // the index, not normalised
    EXPECT_EQ(menu->getValue(), static_cast<float>(p.index));
    EXPECT_EQ(menu->getText(), menu->getEntryText(static_cast<std::uint32_t>(p.index)));
    EXPECT_EQ(menu->getCurrentIndex(), static_cast<std::uint32_t>(p.index));
    EXPECT_EQ(menu->getPreviousIndex(), 1u);
    EXPECT_TRUE(menu->isEntryChecked(static_cast<std::uint32_t>(p.index)));
    EXPECT_EQ(menu->isEntryChecked(1), p.index == 1);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, MenuPick,
    ::testing::Values(Pick{"PressOnRow3Gives4096", {}, 3}, Pick{"DownDownEnter", {key::kDown, key::kDown, key::kReturn}, 3},
                      Pick{"UpWrapsToTheLast", {key::kUp, key::kUp, key::kReturn}, 5},
                      Pick{"DownWrapsToTheFirst", {key::kDown, key::kDown, key::kDown, key::kDown, key::kDown, key::kReturn}, 0},
                      Pick{"EnterOnTheSelectedOne", {key::kReturn}, 1}, Pick{"EscapeCancels", {key::kDown, key::kEscape}, -1},
                      Pick{"LeftRightOnPlainEntriesDoNothing", {key::kRight, key::kLeft, key::kEscape}, -1}),
    [](const auto& i) { return std::string(i.param.name); });

TEST_F(OptionMenu, ChoosingEntry3ShowsItsTextAndValue3) {
    COptionMenu* menu = fftMenu();
    open(menu);
    snapshot("menu_list");
    const CRect list = menu->getOverlay()->getColumnRect(0);
    EXPECT_LE(list.y + list.height, 180);  // below the field
    EXPECT_TRUE(onlyInside(CRect{list.x, list.y, list.width, 196 - list.y}));
    click(menu->getOverlay()->rowCentre(0, 3));
    EXPECT_EQ(menu->getText(), "4096");
    EXPECT_EQ(menu->getValue(), 3.0f);
}

TEST_F(OptionMenu, PressOutsideTheListChangesNothingAndTheNextPressOpensAgain) {
    COptionMenu* menu = fftMenu();
    open(menu);
    click(300, 10);
    EXPECT_EQ(menu->getOverlay(), nullptr);
    EXPECT_TRUE(owner.changes.empty());
    EXPECT_EQ(window->getMenuOwner(), nullptr);
    open(menu);
    EXPECT_NE(menu->getOverlay(), nullptr);
}

TEST_F(OptionMenu, HoverHighlightsAndGreyedEntriesCannotBeChosen) {
    COptionMenu* menu = fftMenu();
    menu->enableEntry(4, false);
    open(menu);
    moveTo(menu->getOverlay()->rowCentre(0, 2));
    EXPECT_EQ(menu->getOverlay()->getHighlight(0), 2);
    moveTo(menu->getOverlay()->rowCentre(0, 4));
    keys({key::kReturn});
    click(menu->getOverlay()->rowCentre(0, 4));
    EXPECT_NE(menu->getOverlay(), nullptr);
    EXPECT_TRUE(owner.changes.empty());
    menu->selectEntry(4, true);  // the program may still select it
    EXPECT_EQ(menu->getText(), "8192");
    menu->selectEntry(6, true);
    EXPECT_EQ(menu->getCurrentIndex(), 4u);
}

TEST_F(OptionMenu, SubMenuEntryGoesToTheSubMenuAndItsOwner) {
    auto* menu = put(new COptionMenu(&owner, 1, CRect{20, 200, 80, 16}));
    menu->addEntry("plain");
    auto* sub = new COptionMenu(&owner, 2, CRect{});
    for (const char* t : {"x", "y", "z"}) sub->addEntry(t);
    ASSERT_TRUE(menu->addSubMenu("more", sub));
    EXPECT_FALSE(menu->addSubMenu("self", menu));
    open(menu);
    moveTo(menu->getOverlay()->rowCentre(0, 1));
    ASSERT_TRUE(menu->getOverlay()->isSubMenuOpen());
    snapshot("menu_sub");
    click(menu->getOverlay()->rowCentre(1, 2));
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0].tag, 2u);
    EXPECT_EQ(owner.changes[0].value, 2.0f);
    EXPECT_EQ(menu->getText(), "z");
    EXPECT_TRUE(sub->isEntryChecked(2));
    // By keys from the sub-menu's row: right opens it at its first entry, left leaves it.
    open(menu);
    moveTo(menu->getOverlay()->rowCentre(0, 1));
    keys({key::kRight, key::kDown, key::kLeft, key::kRight, key::kReturn});
    ASSERT_EQ(owner.changes.size(), 2u);
    EXPECT_EQ(owner.changes[1].value, 0.0f);
}

// A stored selection that names no entry of its menu changes nothing.
TEST_F(OptionMenu, SelectionOutOfRangeIsIgnored) {
    auto* menu = put(new COptionMenu(&owner, 1, CRect{20, 200, 80, 16}));
    auto* sub = new COptionMenu(&owner, 2, CRect{});
    sub->addEntry("only");
    for (const char* t : {"a", "b", "c", "d"}) menu->addEntry(t);
    menu->addSubMenu("sub", sub);
    struct Forged {
        void* menu;
        std::int32_t item;
    };
    for (const Forged f : {Forged{menu->getMenu(), 5}, Forged{menu->getMenu(), 1000}, Forged{sub->getMenu(), 1},
                           Forged{sub->getMenu(), 3}, Forged{&owner, 0}, Forged{nullptr, 0}}) {
        window->setMenuOwner(menu);
        window->onMenuCommand(f.menu, f.item);
        EXPECT_EQ(window->getMenuItem(), -1);
    }
    EXPECT_TRUE(owner.changes.empty());
    EXPECT_EQ(menu->getText(), "a");
    EXPECT_EQ(menu->getCurrentIndex(), 0u);
}

TEST_F(OptionMenu, EntryLimits) {
    auto* menu = put(new COptionMenu(&owner, 1, CRect{20, 200, 80, 16}));
    EXPECT_TRUE(menu->addEntry(std::string(126, 'e')));
    EXPECT_FALSE(menu->addEntry(std::string(127, 'e')));
    for (int i = 1; i < 512; ++i) ASSERT_TRUE(menu->addEntry(std::to_string(i))) << i;
    EXPECT_FALSE(menu->addEntry("513th"));
    EXPECT_EQ(menu->getEntryCount(), 512u);
    EXPECT_EQ(menu->getEntryText(511), "511");
    EXPECT_EQ(menu->getEntryText(512), "");
    // 512 rows do not fit: the list stays in the window and scrolls to the highlight.
    open(menu);
    const CRect list = menu->getOverlay()->getColumnRect(0);
    EXPECT_GE(list.y, 0);
    EXPECT_LE(list.y + list.height, kHeight);
    keys({key::kUp, key::kReturn});
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0].value, 511.0f);
}

TEST_F(OptionMenu, EmptyOrDisabledMenuOpensNothing) {
    auto* empty = put(new COptionMenu(&owner, 1, CRect{20, 200, 80, 16}));
    open(empty);
    EXPECT_EQ(window->getOverlayView(), nullptr);
    auto* disabled = put(new COptionMenu(&owner, 2, CRect{}));
    disabled->addEntry("x");
    disabled->setRect(CRect{20, 100, 80, 16});
    open(disabled);
    EXPECT_EQ(window->getOverlayView(), nullptr);
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(OptionMenu, RemoveAllWaitsForEveryNestedUseAndStartsAgainAtEntry0) {
    COptionMenu* menu = fftMenu();
    menu->selectEntry(3, true);
    ASSERT_TRUE(menu->beginUse());
    ASSERT_TRUE(menu->beginUse());
    std::atomic<bool> done{false};
    std::thread rebuild([&] {
        menu->removeAll();
        done = true;
    });
    std::this_thread::sleep_for(30ms);
    // A draw pass on this thread takes and gives back the list meanwhile.
    snapshot("menu_field");
    menu->endUse();
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(done.load());
    menu->endUse();
    rebuild.join();
    EXPECT_EQ(menu->getEntryCount(), 0u);
    EXPECT_EQ(menu->getCurrentIndex(), 0u);
    EXPECT_EQ(menu->getMarkedIndex(), -1);
    menu->addEntry("again");
    EXPECT_EQ(menu->getText(), "again");
}

// Closing the editor, hiding the field or cancelling with the list open: nothing chosen.
TEST_F(OptionMenu, TeardownPathsCloseTheListWithoutChoosing) {
    for (int path = 0; path < 3; ++path) {
        COptionMenu* menu = fftMenu();
        open(menu);
        if (path == 0) menu->cancelEditing();
        if (path == 1) menu->setVisible(false);
        if (path == 2) {
            closeWindow();
            EXPECT_TRUE(owner.changes.empty());
            return;
        }
        EXPECT_EQ(window->getOverlayView(), nullptr) << path;
        keys({key::kReturn});
        EXPECT_TRUE(owner.changes.empty()) << path;
        panel->removeView(menu);
        delete menu;
    }
}

}  // namespace
}  // namespace qv::test
