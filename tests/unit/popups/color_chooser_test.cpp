// The colour field with its overlay picker, driven by synthetic presses and keys through the
// headless window: which gestures answer, what the field and its owner get, and what survives
// the editor closing meanwhile.
#include <cmath>
#include <limits>
#include <string>

#include "controls/color_chooser.h"
#include "gui/pixel.h"
#include "unit/popups/popups_fixture.h"
#include "unit/popups/test_keys.h"

namespace qv::test {
namespace {

class ColorChooser : public PopupsTest {
protected:
    CColorChooser* field(float r, float g, float b) {
        auto* f = put(new CColorChooser(&owner, 9, CRect{30, 170, 20, 20}));
        const float rgba[4] = {r, g, b, 1.0f};
        f->setColor(rgba);
        return f;
    }
    static CPoint centre(const CRect& r) { return CPoint{r.x + r.width / 2, r.y + r.height / 2}; }
};

// Gestures on an open picker: only OK (or Enter) answers, once, with the colour shown.
TEST_F(ColorChooser, OnlyOkAnswersOnceWithTheNewColour) {
    enum Ending { kOk, kEnter, kCancel, kEscape, kOutside };
    for (const Ending ending : {kOk, kEnter, kCancel, kEscape, kOutside}) {
        owner.changes.clear();
        CColorChooser* f = field(0.2f, 0.4f, 0.6f);
        click(35, 175);
        COverlayColorPicker* picker = f->getOverlay();
        ASSERT_NE(picker, nullptr);
        const CRect sq = picker->squareRect();
        click(sq.x + sq.width - 1, sq.y + sq.height - 1);  // full saturation and value
        click(centre(picker->stripRect()));                  // hue one half: cyan
        if (ending == kOk) click(centre(picker->okRect()));
        if (ending == kEnter) keys({key::kReturn});
        if (ending == kCancel) click(centre(picker->cancelRect()));
        if (ending == kEscape) keys({key::kEscape});
        if (ending == kOutside) click(300, 10);
        EXPECT_EQ(f->getOverlay(), nullptr) << ending;
        float c[4];
        f->getColor(c);
        if (ending == kOk || ending == kEnter) {
            ASSERT_EQ(owner.changes.size(), 1u) << ending;
            EXPECT_EQ(owner.changes[0].tag, 9u);
            EXPECT_NEAR(c[0], 0.0f, 0.02f);
            EXPECT_NEAR(c[1], 1.0f, 0.02f);
            EXPECT_NEAR(c[2], 1.0f, 0.02f);
            EXPECT_EQ(CColorChooser::getLastColor() & 0xFFu, static_cast<std::uint32_t>(c[0] * 255.0f));
        } else {
            EXPECT_TRUE(owner.changes.empty()) << ending;
            EXPECT_FLOAT_EQ(c[0], 0.2f);
            EXPECT_FLOAT_EQ(c[2], 0.6f);
        }
        panel->removeView(f);
        delete f;
    }
}

TEST_F(ColorChooser, RightAndMiddlePressesDoNothing) {
    CColorChooser* f = field(0.5f, 0.5f, 0.5f);
    click(35, 175, 2);
    click(35, 175, 3);
    EXPECT_EQ(f->getOverlay(), nullptr);
    EXPECT_EQ(window->getOverlayView(), nullptr);
}

TEST_F(ColorChooser, PickerStartsAtTheLastColourSetOnAnyFieldAndShowsItsOwn) {
    CColorChooser* a = field(1.0f, 0.0f, 0.0f);
    auto* b = put(new CColorChooser(&owner, 10, CRect{200, 40, 20, 20}));
    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    b->setColor(green);
    click(35, 175);
    const CRgb start = a->getOverlay()->getColor();
    EXPECT_NEAR(start.red, 0.0f, 1e-3f);
    EXPECT_NEAR(start.green, 1.0f, 1e-3f);
    snapshot("color_picker");
    const CRect p = a->getOverlay()->getPanel();
    EXPECT_TRUE(p.y + p.height <= 170);  // below the field
    keys({key::kReturn});
    EXPECT_EQ(CColorChooser::getLastColor(), 0x0000FF00u);
}

TEST_F(ColorChooser, ChannelsAreClampedAndTheFieldIsFilled) {
    auto* f = put(new CColorChooser(&owner, 9, CRect{30, 170, 20, 20}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float bad[4] = {2.0f, nan, -1.0f, 7.0f};
    f->setColor(bad);
    float c[4];
    f->getColor(c);
    EXPECT_EQ(c[0], 1.0f);
    EXPECT_EQ(c[1], 0.0f);
    EXPECT_EQ(c[2], 0.0f);
    EXPECT_EQ(c[3], 1.0f);
    window->requestFullRedraw();
    headless->tick();
    EXPECT_EQ(pixel(30, 170), packPixel(0, 0, 255, 255));
    EXPECT_EQ(pixel(49, 189), packPixel(0, 0, 255, 255));
    EXPECT_EQ(pixel(50, 190), 0xFFFFFFFFu);
    // The picker opened from this colour stays inside the window near its top-right corner.
    f->setRect(CRect{300, 225, 20, 15});
    click(305, 230);
    ASSERT_NE(f->getOverlay(), nullptr);
    const CRect p = f->getOverlay()->getPanel();
    snapshot("color_picker_corner");
    EXPECT_TRUE(onlyInside(CRect{p.x, p.y, p.width, kHeight - p.y}));
}

// Closing the editor, hiding the field or cancelling with the picker open: no answer, ever.
TEST_F(ColorChooser, TeardownPathsDropTheAnswer) {
    for (int path = 0; path < 3; ++path) {
        CColorChooser* f = field(0.1f, 0.2f, 0.3f);
        click(35, 175);
        if (path == 0) f->cancelEditing();
        if (path == 1) f->setShown(false);
        if (path == 2) {
            closeWindow();
            EXPECT_TRUE(owner.changes.empty());
            return;
        }
        EXPECT_EQ(window->getOverlayView(), nullptr) << path;
        keys({key::kReturn});
        EXPECT_TRUE(owner.changes.empty()) << path;
        f->setShown(true);
        click(35, 175);
        EXPECT_EQ(f->getOverlay() != nullptr, path == 1) << path;  // a cancelled field stays closed
        panel->removeView(f);
        delete f;
    }
}

TEST(ColorConversion, HsvRoundTripsOverTheCube) {
    for (int r = 0; r <= 4; ++r) {
        for (int g = 0; g <= 4; ++g) {
            for (int b = 0; b <= 4; ++b) {
                const CRgb in{r / 4.0f, g / 4.0f, b / 4.0f};
                float h, s, v;
                rgbToHsv(in, h, s, v);
                const CRgb out = hsvToRgb(h, s, v);
                EXPECT_NEAR(out.red, in.red, 1e-5f);
                EXPECT_NEAR(out.green, in.green, 1e-5f);
                EXPECT_NEAR(out.blue, in.blue, 1e-5f);
            }
        }
    }
}

}  // namespace
}  // namespace qv::test
