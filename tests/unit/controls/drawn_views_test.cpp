// Off-screen layers, pictures, swatches and labels: what reaches the back buffer, and writers on
// other threads that never show a half-made picture, colour or text.
#include "controls/color_swatch.h"
#include "controls/dib_view.h"
#include "controls/picture.h"
#include "controls/text_label.h"
#include "controls_fixture.h"

namespace qv::test {
namespace {

const CColor kGreen(nullptr, 0.0f, 1.0f, 0.0f, 1.0f, kColorBrush);
const CColor kPurple(nullptr, 0.5f, 0.0f, 1.0f, 1.0f, kColorBrush);

TEST_F(ControlsTest, LayerShowsOnlyCommittedPicturesBlendedOrCopied) {
    CViewContainer* p = panel(CRect{20, 10, 100, 100});
    auto* layer = put(p, new CDibView(&owner, CRect{10, 10, 30, 20}));
    layer->setBlend(false);
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kGreen);
    clearScreen(kBlack);
    fullPass();
    EXPECT_TRUE(all(CRect{30, 20, 30, 20}, kBlack));  // never committed: nothing
    layer->commit(false);
    pass();
    EXPECT_TRUE(all(CRect{30, 20, 30, 20}, 0xFF00FF00u));
    EXPECT_EQ(pixel(29, 20) | pixel(30, 40), kBlack);
    // After requestCommit every paint first commits the latest drawing.
    layer->requestCommit();
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kPurple);
    fullPass();
    EXPECT_EQ(pixel(59, 39), 0xFF7F00FFu);
    // Blended at alpha 0.5 (127) over black: green (255 * 127) >> 8 = 126; alpha 126 plus
    // (255 * (65025 - 255 * 127)) >> 16 = 127.
    auto* copy = put(p, new CDibView(&owner, CRect{50, 10, 30, 20}));
    copy->copyFrom(*copy, false);  // from itself: nothing
    EXPECT_FALSE(copy->hasPicture());
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kGreen);
    layer->commit(true);
    copy->copyFrom(*layer, false);
    copy->setAlpha(0.5f);
    clearScreen(kBlack);
    fullPass();
    EXPECT_EQ(pixel(70, 20), packPixel(0, 126, 0, 253));
}

// A layer, a label over a white view and a swatch, written from another thread while passes
// run: each pass shows one whole picture, one of the two texts whole over a clean background,
// and one colour throughout.
TEST_F(ControlsTest, WritesFromAnotherThreadAreNeverShownHalfDone) {
    CViewContainer* p = panel(CRect{0, 0, 240, 100});
    put(p, new ProbeView(&owner, CRect{0, 0, 200, 40}, kWhite));
    auto* label = put(p, new CTextLabel(&owner, CRect{10, 10, 150, 16}, 3));
    auto* swatch = put(p, new CColorSwatch(&owner, CRect{210, 0, 30, 40}));
    auto* layer = put(p, new CDibView(&owner, CRect{0, 40, 240, 60}));
    layer->setBlend(false);
    const std::string texts[2] = {"Instance 1 left", "MMMMMMMMMMMMMMMMMMMMMMMMM"};
    std::vector<std::uint32_t> shown[2];
    for (int i : {0, 1, 0}) {
        label->setText(texts[i]);
        pass();
        shown[i] = area(CRect{0, 0, 200, 40});
    }
    ASSERT_NE(shown[0], shown[1]);
    const auto write = [&](int i) {
        label->setText(texts[i % 2]);
        swatch->setColor(i % 2 ? 1.0f : 0.0f, 0.5f, i % 2 ? 0.0f : 1.0f);
        layer->getDrawContext()->fillRect(CRect{0, 0, 240, 60}, i % 2 ? kGreen : kPurple);
        layer->commit(false);
    };
    const auto whole = [&] {
        const auto now = area(CRect{0, 0, 200, 40});
        return (now == shown[0] || now == shown[1]) && all(CRect{210, 0, 30, 40}, pixel(210, 0)) &&
               all(CRect{0, 40, 240, 60}, pixel(0, 40));
    };
    EXPECT_EQ(race(*label, write, whole), 0);
}

// A picture 20 x 40 at window (30, 20) whose rows 10k .. 10k + 9 show frame k, under a view
// painting nothing at window (35, 25, 30, 10): the repaint covers x 35..49, picture rows 5..14.
TEST_F(ControlsTest, PictureAndSwatchRepaintOnlyThePartUnderTheArea) {
    CViewContainer* p = panel(CRect{10, 10, 200, 100});
    put(p, new CPicture(&owner, CPoint{20, 10}, strip(20, 10, 4)));
    auto* swatch = put(p, new CColorSwatch(&owner, CRect{60, 10, 10, 20}));
    swatch->setColor(1.0f, 0.0f, 0.0f);
    auto* glass = put(p, new ProbeView(&owner, CRect{25, 15, 50, 10}, 0));
    glass->setTransparent(true);
    pass();
    clearScreen();
    glass->setUpdate();
    pass();
    EXPECT_EQ(frameAt(35, 25) + frameAt(49, 29), 0);
    EXPECT_EQ(frameAt(45, 30) + frameAt(45, 34), 2);
    EXPECT_EQ(pixel(45, 35) & pixel(45, 24) & pixel(34, 30) & pixel(50, 30), kWhite);
    EXPECT_TRUE(all(CRect{70, 25, 10, 5}, 0xFFFF0000u));
    EXPECT_EQ(pixel(70, 24) & pixel(70, 35), kWhite);
    fullPass();
    EXPECT_EQ(frameAt(30, 20) + frameAt(49, 59), 3);
    EXPECT_EQ(pixel(75, 20), 0xFFFF0000u);
}

}  // namespace
}  // namespace qv::test
