// The view protocol (value, notification, redraw requests), the panel's hit test and draw pass;
// off-screen layers, pictures, swatches and labels: what reaches the back buffer, and writers on
// other threads that never show a half-made picture, colour or text.

#include "controls/color_swatch.h"
#include "controls/dib_view.h"
#include "controls/knob.h"
#include "controls/picture.h"
#include "controls/text_label.h"
#include "controls_fixture.h"
#include "unit/gui_window/rect_compare.h"

namespace qv::test {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

TEST_F(ControlsTest, ValuesClampRedrawOnceAndNotifyAsAsked) {
    // Value before, notifyAlways, value set, notifyOwner calls and their force; then the value,
    // the redraws and the notifications that follow.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float start; bool always; float set; int notifies; bool force; float value; int draws; std::size_t heard;
    } cases[] = {{0, false, 1.5f, 1, false, 1, 1, 0},         {0.5f, false, -0.2f, 1, false, 0, 1, 0},
                 {0.5f, false, nan, 1, false, 0, 1, 0},        {0.25f, false, 0.25f, 0, false, 0.25f, 0, 0},
                 {0, false, 0.5f, 1, true, 0.5f, 1, 1},        {0.25f, true, 0.25f, 2, false, 0.25f, 0, 2}};
    for (const auto& c : cases) {
        owner.changes.clear();
        auto* view = put(panel(CRect{0, 0, 100, 100}), new ProbeView(&owner, CRect{0, 0, 10, 10}, kRed));
        view->setValue(c.start);
        view->setNotifyAlways(c.always);
        pass();
        const int before = view->draws;
        view->setValue(c.set);
        for (int i = 0; i < c.notifies; ++i) view->notifyOwner(c.force);
        pass();
        pass();
        EXPECT_EQ(std::tuple(view->getValue(), view->draws - before, owner.changes.size()), std::tuple(c.value, c.draws, c.heard))
            << c.set;
    }
}

TEST_F(ControlsTest, HitTestLeavesTheRightAndTopEdgesOutAndAPressOnNoViewEndsTheCapture) {
    // Panel at (30, 20); the view at (10, 10, 20, 20) in it covers window x 40..59, y 30..49.
    auto* view = put(panel(CRect{30, 20, 100, 100}), new ProbeView(&owner, CRect{10, 10, 20, 20}, kRed, true));
    for (CPoint at : {CPoint{60, 35}, CPoint{45, 50}, CPoint{39, 35}, CPoint{45, 29}, CPoint{40, 30}, CPoint{59, 49}})
        press(1, 0, at.x, at.y);
    EXPECT_EQ(view->presses, (std::vector<CPoint>{{10, 10}, {29, 29}}));

    // The page offers a press to its panels in the order added.
    CViewContainer* top = panel(CRect{0, 0, 100, 100});
    auto* knob = put(top, new ProbeView(&owner, CRect{0, 0, 10, 10}, kBlue, true, true));
    auto* below = put(panel(CRect{0, 0, 100, 100}), new ProbeView(&owner, CRect{0, 0, 100, 100}, kRed, true));
    press(1, 0, 5, 5);
    EXPECT_EQ(window->getCapturedView(), knob);
    // The window releases a capture before each press; one still held when the panel is
    // offered a press on none of its views is cancelled.
    EXPECT_FALSE(top->onMouseDown(1, 0, 50, 50));
    EXPECT_TRUE(knob->cancels == 1 && !window->hasCapturedView());
    press(1, 0, 10, 50);
    top->deactivate();
    press(1, 0, 10, 50);
    EXPECT_EQ(below->presses, (std::vector<CPoint>{{10, 50}}));  // the second press only
    // A view removed while captured loses its gesture.
    CViewContainer* side = panel(CRect{150, 0, 50, 50});
    auto* held = put(side, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed, true, true));
    press(1, 0, 155, 5);
    ASSERT_TRUE(side->removeView(held));
    moveTo(159, 9);
    release(1, 159, 9);
    EXPECT_EQ(std::pair(held->cancels, held->presses.size()), std::pair(1, std::size_t{1}));  // the press, no move
    delete held;
}

TEST_F(ControlsTest, TransparentViewRepaintsWhatIsBeneathOverTheIntersectionOnly) {
    CViewContainer* p = panel(CRect{10, 10, 100, 100});
    auto* base = put(p, new ProbeView(&owner, CRect{0, 0, 40, 40}, kRed));
    // A view that repaints whole for an area (x 50..69, y 15..24): clipped to the intersection.
    put(p, new CKnob(&owner, 9, CPoint{50, 15}, strip(20, 10, 2), 2));
    auto* glass = put(p, new ProbeView(&owner, CRect{20, 20, 40, 40}, 0));
    glass->setTransparent(true), pass(), clearScreen();
    const int baseDraws = base->draws;
    glass->setUpdate(), pass();
    EXPECT_EQ(base->draws, baseDraws);
    EXPECT_EQ(base->areas, (std::vector<CRect>{{20, 20, 20, 20}}));
    EXPECT_TRUE(all(CRect{30, 30, 20, 20}, kRed));
    EXPECT_TRUE(all(CRect{10, 10, 20, 40}, kWhite) && all(CRect{30, 10, 20, 20}, kWhite));  // the rest beneath
    EXPECT_EQ(frameAt(60, 30) + frameAt(69, 34), 0);
    EXPECT_EQ(pixel(70, 30) & pixel(60, 29), kWhite);
    // A redraw-all pass draws the view beneath in its own turn, without an area repaint.
    fullPass();
    EXPECT_EQ(std::pair(base->draws, base->areas.size()), std::pair(baseDraws + 1, std::size_t{1}));
}

TEST_F(ControlsTest, InactivePanelIsNeitherDrawnNorHitAndLargeViewsAreCutAtThePanelEdge) {
    CViewContainer* p = panel(CRect{0, 0, 50, 50});
    auto* view = put(p, new ProbeView(&owner, CRect{0, 0, 50, 50}, kRed, true));
    p->setActive(false);
    repaint();
    press(1, 0, 5, 5);
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kWhite) && view->presses.empty());
    p->setActive(true), pass();
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kWhite));  // until redrawn
    p->redrawViews(), pass();
    EXPECT_TRUE(all(CRect{0, 0, 50, 50}, kRed));

    CViewContainer* q = panel(CRect{70, 20, 30, 30});
    put(q, new ProbeView(&owner, CRect{-10, -10, 200, 200}, kBlue));
    repaint();
    EXPECT_TRUE(all(CRect{70, 20, 30, 30}, kBlue));
    EXPECT_EQ(pixel(69, 30) & pixel(100, 30) & pixel(80, 50) & pixel(80, 19), kWhite);
    q->setPosition(CPoint{150, 100}), repaint();
    EXPECT_TRUE(pixel(160, 110) == kBlue && pixel(80, 30) == kWhite);
}

const CColor kGreen(nullptr, 0.0f, 1.0f, 0.0f, 1.0f, kColorBrush);
const CColor kPurple(nullptr, 0.5f, 0.0f, 1.0f, 1.0f, kColorBrush);

TEST_F(ControlsTest, LayerShowsOnlyCommittedPicturesBlendedOrCopied) {
    CViewContainer* p = panel(CRect{20, 10, 100, 100});
    auto* layer = put(p, new CDibView(&owner, CRect{10, 10, 30, 20}));
    layer->setBlend(false);
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kGreen);
    repaint(kBlack);
    EXPECT_TRUE(all(CRect{30, 20, 30, 20}, kBlack));  // never committed: nothing
    layer->commit(false), pass();
    EXPECT_TRUE(all(CRect{30, 20, 30, 20}, 0xFF00FF00u));
    EXPECT_EQ(pixel(29, 20) | pixel(30, 40), kBlack);
    // After requestCommit every paint first commits the latest drawing.
    layer->requestCommit(), layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kPurple), fullPass();
    EXPECT_EQ(pixel(59, 39), 0xFF7F00FFu);
    // Blended at alpha 0.5 (127) over black: green (255 * 127) >> 8 = 126; alpha 126 plus
    // (255 * (65025 - 255 * 127)) >> 16 = 127.
    auto* copy = put(p, new CDibView(&owner, CRect{50, 10, 30, 20}));
    copy->copyFrom(*copy, false);  // from itself: nothing
    EXPECT_FALSE(copy->hasPicture());
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kGreen);
    layer->commit(true);
    copy->copyFrom(*layer, false);
    copy->setAlpha(0.5f), repaint(kBlack);
    EXPECT_EQ(pixel(70, 20), packPixel(0, 126, 0, 253));
}

// A layer, a label over a white view and a swatch, written from another thread during 200
// redraw-all passes: each pass shows one whole picture, one of the two texts whole over a clean
// background, and one colour throughout.
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
        label->setText(texts[i]), pass();
        shown[i] = area(CRect{0, 0, 200, 40});
    }
    ASSERT_NE(shown[0], shown[1]);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) {
            label->setText(texts[i % 2]);
            swatch->setColor(i % 2 ? 1.0f : 0.0f, 0.5f, i % 2 ? 0.0f : 1.0f);
            layer->getDrawContext()->fillRect(CRect{0, 0, 240, 60}, i % 2 ? kGreen : kPurple);
            layer->commit(false);
        }
    });
    int broken = 0;
    for (int i = 0; i < 200; ++i) {
        label->setUpdate(), fullPass();
        const auto text = area(CRect{0, 0, 200, 40});
        const bool whole = (text == shown[0] || text == shown[1]) && all(CRect{210, 0, 30, 40}, pixel(210, 0)) &&
                           all(CRect{0, 40, 240, 60}, pixel(0, 40));
        broken += whole ? 0 : 1;
    }
    stop = true, writer.join();
    EXPECT_EQ(broken, 0);
}

// A picture 20 x 40 at window (30, 20) whose rows 10k .. 10k + 9 show frame k, under a view
// painting nothing at window (35, 25, 30, 10): the repaint covers x 35..49, picture rows 5..14.
TEST_F(ControlsTest, PictureAndSwatchRepaintOnlyThePartUnderTheArea) {
    CViewContainer* p = panel(CRect{10, 10, 200, 100});
    put(p, new CPicture(&owner, CPoint{20, 10}, strip(20, 10, 4)));
    auto* swatch = put(p, new CColorSwatch(&owner, CRect{60, 10, 10, 20}));
    swatch->setColor(1.0f, 0.0f, 0.0f);
    auto* glass = put(p, new ProbeView(&owner, CRect{25, 15, 50, 10}, 0));
    glass->setTransparent(true), pass(), clearScreen();
    glass->setUpdate(), pass();
    EXPECT_EQ(std::pair(frameAt(35, 25) + frameAt(49, 29), frameAt(45, 30) + frameAt(45, 34)), std::pair(0, 2));
    EXPECT_EQ(pixel(45, 35) & pixel(45, 24) & pixel(34, 30) & pixel(50, 30), kWhite);
    EXPECT_TRUE(all(CRect{70, 25, 10, 5}, 0xFFFF0000u) && (pixel(70, 24) & pixel(70, 35)) == kWhite);
    fullPass();
    EXPECT_EQ(std::pair(frameAt(30, 20) + frameAt(49, 59), pixel(75, 20)), std::pair(3, 0xFFFF0000u));
}

}  // namespace
}  // namespace qv::test
