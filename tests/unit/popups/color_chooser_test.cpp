// The colour field with its overlay picker, driven by synthetic presses and keys through the
// headless window; and every popup field with its popup open, then cancelled, hidden or its editor
// closed: the popup goes, a key it would have taken does nothing, and the owner hears nothing
// (ASan: nothing leaks).

#include "controls/color_chooser.h"
#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "gui/pixel.h"
#include "unit/popups/popups_fixture.h"

namespace qv::test {
namespace {

class ColorChooser : public PopupsTest {
protected:
    CColorChooser* field(float r, float g, float b, const CRect& at = CRect{30, 170, 20, 20}) {
        auto* f = put(new CColorChooser(&owner, 9, at));
        const float rgba[4] = {r, g, b, 1.0f};
        f->setColor(rgba);
        return f;
    }
    static CPoint centre(const CRect& r) { return CPoint{r.x + r.width / 2, r.y + r.height / 2}; }
};

// Only OK (or Enter) answers, once, with the colour shown; right and middle presses open nothing.
TEST_F(ColorChooser, OnlyOkAnswersOnceWithTheNewColour) {
    enum Ending { kOk, kEnter, kCancel, kEscape, kOutside };
    for (const Ending ending : {kOk, kEnter, kCancel, kEscape, kOutside}) {
        owner.changes.clear();
        CColorChooser* f = field(0.2f, 0.4f, 0.6f);
        click(35, 175, 2), click(35, 175, 3);
        ASSERT_EQ(f->getOverlay(), nullptr);
        click(35, 175);
        COverlayColorPicker* picker = f->getOverlay();
        const CRect sq = picker->squareRect();
        click(sq.x + sq.width - 1, sq.y + sq.height - 1);  // full saturation and value
        click(centre(picker->stripRect()));                  // hue one half: cyan
        const CPoint at[] = {centre(picker->okRect()), {}, centre(picker->cancelRect()), {}, {300, 10}};
        ending == kEnter ? keys({kKeyReturn}) : ending == kEscape ? keys({kKeyEscape}) : click(at[ending]);
        EXPECT_EQ(f->getOverlay(), nullptr) << ending;
        float c[4];
        f->getColor(c);
        const bool answered = ending == kOk || ending == kEnter;
        ASSERT_EQ(owner.changes.size(), answered ? 1u : 0u) << ending;
        EXPECT_TRUE(std::abs(c[0] - (answered ? 0.0f : 0.2f)) < 0.02f && std::abs(c[1] - (answered ? 1.0f : 0.4f)) < 0.02f)
            << c[0] << " " << c[1];
        drop(f);
    }
}

// The picker starts at the last colour set on any field, below its field and inside the window;
// channels are clamped.
TEST_F(ColorChooser, PickerPlacementAndClampedChannels) {
    CColorChooser* a = field(1.0f, 0.0f, 0.0f);
    CColorChooser* b = field(0.0f, 1.0f, 0.0f, CRect{200, 40, 20, 20});
    click(35, 175);
    const CRect below = a->getOverlay()->getPanel();
    EXPECT_TRUE(a->getOverlay()->getColor().green > 0.999f && below.y + below.height == 170);
    drop(a), drop(b);

    CColorChooser* f = field(2.0f, std::numeric_limits<float>::quiet_NaN(), -1.0f, CRect{300, 225, 20, 15});
    float c[4];
    f->getColor(c);
    EXPECT_TRUE(c[0] == 1.0f && c[1] == 0.0f && c[2] == 0.0f && c[3] == 1.0f);
    click(305, 230);
    ASSERT_NE(f->getOverlay(), nullptr);
    const CRect p = f->getOverlay()->getPanel();
    EXPECT_TRUE(paintsOnlyInside(CRect{p.x, p.y, p.width, height - p.y}));
    EXPECT_EQ(pixel(300, 239), packPixel(0, 0, 255, 255));  // the field under it, red
}

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
    keys({kKeyDown, 'z'});
    if (ending == Ending::kCloseEditor) {
        closeWindow();
    } else {
        ending == Ending::kCancel ? field->cancelEditing() : field->setShown(false);
        EXPECT_EQ(window->getOverlayView(), nullptr);
        keys({kKeyReturn});
    }
    EXPECT_TRUE(owner.changes.empty());
}

INSTANTIATE_TEST_SUITE_P(Fields, Teardown,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values(Ending::kCancel, Ending::kHide, Ending::kCloseEditor)));

}  // namespace
}  // namespace qv::test
