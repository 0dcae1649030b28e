// Every popup field with its popup open, then cancelled, hidden or its editor closed: the popup
// goes, a key it would have taken does nothing, and the owner hears nothing (ASan: nothing leaks).
#include "controls/color_chooser.h"
#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "unit/popups/popups_fixture.h"
#include "unit/popups/test_keys.h"

namespace qv::test {
namespace {

enum class Ending { kCancel, kHide, kCloseEditor };

class Teardown : public PopupsTest, public ::testing::WithParamInterface<std::tuple<int, Ending>> {};

TEST_P(Teardown, ClosesThePopupWithoutActing) {
    const auto [kind, ending] = GetParam();
    const CRect at{20, 150, 100, 16};
    CView* field = kind == 0 ? static_cast<CView*>(new CTextEdit(&owner, at, 1))
                   : kind == 1 ? static_cast<CView*>(new CColorChooser(&owner, 1, at)) : nullptr;
    if (kind == 2) {
        auto* menu = new COptionMenu(&owner, 1, at);
        menu->addEntry("a");
        menu->addEntry("b");
        field = menu;
    }
    put(field);
    click(30, 155);
    ASSERT_NE(window->getOverlayView(), nullptr);
    keys({key::kDown, 'z'});
    if (ending == Ending::kCloseEditor) {
        closeWindow();
    } else {
        ending == Ending::kCancel ? field->cancelEditing() : field->setShown(false);
        EXPECT_EQ(window->getOverlayView(), nullptr);
        keys({key::kReturn});
    }
    EXPECT_TRUE(owner.changes.empty());
}

INSTANTIATE_TEST_SUITE_P(Fields, Teardown,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values(Ending::kCancel, Ending::kHide, Ending::kCloseEditor)));

}  // namespace
}  // namespace qv::test
