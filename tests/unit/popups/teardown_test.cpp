// Every popup field with its popup open, then cancelled, hidden or its editor closed: the popup
// goes, a key it would have taken does nothing, and the owner hears nothing (ASan: nothing leaks).
#include "controls/color_chooser.h"
#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "unit/popups/popups_fixture.h"

namespace qv::test {
namespace {

enum class Ending { kCancel, kHide, kCloseEditor };

class Teardown : public PopupsTest, public ::testing::WithParamInterface<std::tuple<int, Ending>> {};

TEST_P(Teardown, ClosesThePopupWithoutActing) {
    const auto [kind, ending] = GetParam();
    const CRect at{20, 150, 100, 16};
    auto* menu = kind == 1 ? new COptionMenu(&owner, 1, at) : nullptr;
    if (menu) menu->addEntry("a");
    CView* field = menu ? static_cast<CView*>(menu) : kind == 0 ? static_cast<CView*>(new CTextEdit(&owner, at, 1))
                                                                : new CColorChooser(&owner, 1, at);
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
