
#include "gui/key_codes.h"
#include "rect_compare.h"
#include "test_views.h"
#include "unit/controls/headless_rig.h"

namespace qv {
namespace {

using namespace qv::test;
using Events = std::vector<Event>;

// A new page of w holding one container at r.
TestContainer* addPage(CGuiWindow& w, CRect r) {
    auto* page = new CPage;
    auto* box = new TestContainer(r);
    page->addContainer(box);
    w.addPage(page);
    return box;
}

// The editor's window at 40 ms; its owner builds the pages `build` gives, by default one page with
// one container covering the window and one view covering the container.
class GuiWindow : public HeadlessTest<TestOwner> {
protected:
    GuiWindow() : HeadlessTest(752, 563) { build(); }
    void build(std::function<void(CGuiWindow&)> pages = {}) {
        owner.build = pages ? std::move(pages) : [this](CGuiWindow& win) {
            container = addPage(win, CRect{0, 0, win.getWidth(), win.getHeight()});
            view = container->add(std::make_unique<TestView>(win, CRect{0, 0, win.getWidth(), win.getHeight()}));
        };
        window->close();
        EXPECT_FALSE(window->open(-1, -1));  // false: success
        opened = headless->getPresentCount();
        headless->advance(1000.0);  // clear of the click guard
    }
    TestContainer* container = nullptr;
    TestView* view = nullptr;
    std::uint32_t opened = 0;
};

TEST_F(GuiWindow, RowsFlipAndASecondPressWithin55MsIsIgnored) {
    click(5, 0);  // window pixels (5, 562) and (751, 0)
    click(751, 562);
    // No capture: the releases reach nobody.
    EXPECT_EQ(view->events, (Events{{"down", 1, 0, 5, 0}, {"down", 1, 0, 751, 562}}));
    view->events.clear();
    for (double wait : {100.0, 40.0, 15.0})  // the third 55 ms after the accepted press: still ignored
        headless->advance(wait), headless->mouseDown(1, 0, 10, 10);
    EXPECT_EQ(view->events.size(), 1u);
    headless->advance(1.0), headless->mouseDown(2, kModifierShift | kModifierAlt, 10, 10);
    EXPECT_EQ(view->events.back(), (Event{"down", 2, 5, 10, 552}));
}

TEST_F(GuiWindow, CapturedViewGetsRelativeMovesUpAsPositiveAndLosesTheGestureOnFocusLoss) {
    TestView *knob = nullptr, *plain = nullptr;
    build([&](CGuiWindow& w) {
        TestContainer* panel = addPage(w, CRect{100, 50, 200, 200});
        knob = panel->add(std::make_unique<TestView>(w, CRect{10, 10, 26, 25}));
        plain = panel->add(std::make_unique<TestView>(w, CRect{100, 100, 50, 50}));
        knob->captures = plain->captures = true;
        plain->relative = false;
    });
    // Knob at toolkit (110..135, 60..84): window row 563 - 1 - 70 = 492.
    headless->mouseDown(1, 0, 120, 492);
    ASSERT_TRUE(window->hasCapturedView());
    headless->mouseMove(123, 487, kModifierShift);  // 3 right, 5 up
    headless->mouseMove(123, 497, 0);               // 10 down
    headless->focusLost();
    // The press relative to the container, then moves relative to the last position.
    EXPECT_EQ(knob->events,
              (Events{{"down", 1, 0, 20, 20}, {"move", 0, kModifierShift, 3, 5}, {"move", 0, 0, 0, -10}, {"cancel"}}));
    EXPECT_FALSE(window->hasCapturedView());
    // An absolute view gets positions relative to its container's origin.
    headless->advance(100.0), headless->mouseDown(1, 0, 220, 400);  // toolkit (220, 162)
    headless->mouseMove(230, 390, 0);     // toolkit (230, 172)
    EXPECT_EQ(plain->events.back(), (Event{"move", 0, 0, 130, 122}));
    // A press while captured first releases the capture with a mouse-up at the press point.
    headless->advance(100.0), headless->mouseDown(3, 0, 10, 10);  // outside the panel
    EXPECT_EQ(plain->events.back(), (Event{"up", 3, 0, 10, 552}));
    EXPECT_FALSE(window->hasCapturedView());
    // Moves without capture reach nobody.
    const std::size_t before = knob->events.size() + plain->events.size();
    headless->mouseMove(120, 492, 0);
    EXPECT_EQ(knob->events.size() + plain->events.size(), before);
}

TEST_F(GuiWindow, AnEnabledOverlayTakesEveryPressAndIsDrawnLast) {
    TestView overlay(*window, CRect{100, 100, 50, 50});
    window->setOverlayView(&overlay), window->setOverlayEnabled(true);
    click(10, 552);  // outside the overlay: reaches nothing
    click(120, 120);
    EXPECT_EQ(overlay.events, (Events{{"down", 1, 0, 120, 120}}));
    EXPECT_TRUE(view->events.empty());
    window->onKeyDown('a');
    EXPECT_EQ(overlay.events.back(), (Event{"key", 0, 0, 'a', 0}));
    std::vector<std::string> order;
    view->onDraw = [&] { order.push_back("page"); };
    overlay.onDraw = [&] { order.push_back("overlay"); };
    headless->advance(40.0);
    EXPECT_EQ(order, (std::vector<std::string>{"page", "overlay"}));
    window->setOverlayEnabled(false), click(120, 120);
    EXPECT_EQ(std::pair(overlay.events.size(), view->events.size()), std::pair(std::size_t{2}, std::size_t{1}));
    window->setOverlayView(nullptr);
}

TEST_F(GuiWindow, TimerPassesPresentAndTheFirstRedrawsAll) {
    std::vector<int> full, want(25, 0);
    want[0] = 1;
    const auto redrawAll = [&] {
        full.clear();
        for (const CDrawState& d : view->draws) full.push_back(d.redrawAll);
        return full;
    };
    EXPECT_EQ(std::pair(headless->getTimerPeriod(), headless->getPresentCount() - opened), std::pair(40u, 25u));
    EXPECT_EQ(redrawAll(), want);
    EXPECT_EQ(view->draws[0].timer, 1);
    // A paint request validates and draws nothing.
    headless->paint();
    EXPECT_EQ(headless->getValidateCount(), 1u);
    window->requestFullRedraw();
    headless->advance(80.0);
    want.insert(want.end(), {1, 0});
    EXPECT_EQ(redrawAll(), want);
}

TEST_F(GuiWindow, CurrentPageChangesAtTheNextPassWithAFullRedraw) {
    const CColor red(nullptr, 1, 0, 0, 1, kColorBrush), blue(nullptr, 0, 0, 1, 1, kColorBrush);
    TestView* views[2] = {};
    build([&](CGuiWindow& w) {
        for (int i = 0; i < 2; ++i) {
            TestContainer* box = addPage(w, CRect{0, 0, 752, 563});
            views[i] = box->add(std::make_unique<TestView>(w, CRect{0, 0, 752, 563}, i ? &blue : &red));
        }
    });
    EXPECT_EQ(pixel(0, 562), 0xFFFF0000u);
    window->setCurrentPage(1);
    headless->mouseDown(1, 0, 10, 10);  // the page is not changed yet: the press reaches page 0
    EXPECT_EQ(std::pair(views[0]->events.size(), views[1]->events.size()), std::pair(std::size_t{1}, std::size_t{0}));
    EXPECT_TRUE(pixel(0, 562) == 0xFFFF0000u && views[1]->draws.empty());
    headless->tick();
    ASSERT_EQ(views[1]->draws.size(), 1u);
    EXPECT_TRUE(views[1]->draws[0].redrawAll == 1 && pixel(751, 0) == 0xFF0000FFu);
    click(10, 10);
    EXPECT_EQ(views[1]->events.size(), 1u);
    // An index without a page keeps the current one.
    window->setCurrentPage(7), headless->tick();
    EXPECT_EQ(window->getCurrentPage(), window->getPage(1));
}

TEST_F(GuiWindow, OpenBuildsPagesOnAWhiteBufferAndCloseReleasesThem) {
    bool destroyed = false;
    build([&, pages = owner.build](CGuiWindow& w) {
        pages(w);
        view->destroyed = &destroyed;
        EXPECT_NE(w.getDrawContext(), nullptr);  // drawing surfaces exist while building
        EXPECT_EQ(w.getBackBuffer().row(10)[10], 0xFFFFFFFFu);
        w.addResource(new CColor(&w, 1, 1, 1, 1, kColorBrush));
    });
    const int built = owner.built;
    EXPECT_TRUE(window->isOpen());
    window->close();
    EXPECT_TRUE(destroyed && !window->isOpen() && window->getDrawContext() == nullptr && !headless->isTimerRunning());
    const std::uint32_t presents = headless->getPresentCount();
    window->onTimer();
    EXPECT_EQ(headless->getPresentCount(), presents);
    // Opened again, the owner builds anew.
    EXPECT_FALSE(window->open(-1, -1));
    EXPECT_EQ(owner.built, built + 1);
    headless->advance(40.0);
    EXPECT_EQ(view->draws.size(), 1u);
    view->destroyed = nullptr;  // outlives this test's flag
}

TEST_F(GuiWindow, ClosingDuringAPassEndsThePassWithoutTouchingWhatItReleased) {
    auto* after = new TestContainer(CRect{0, 0, 10, 10});
    TestView* later = after->add(std::make_unique<TestView>(*window, CRect{0, 0, 10, 10}));
    window->getPage(0)->addContainer(after);
    bool destroyed = false;
    view->destroyed = &destroyed;
    const std::uint32_t presents = headless->getPresentCount();
    int laterDraws = 0;
    later->onDraw = [&] { ++laterDraws; };
    view->onDraw = [&] {
        window->close();
        // Still inside the pass: the view, the context and the pixels are alive.
        EXPECT_FALSE(destroyed);
        window->getDrawContext()->fillRect(CRect{0, 0, 5, 5}, CColor(nullptr, 0, 0, 0, 1, kColorBrush));
    };
    headless->advance(40.0);
    EXPECT_FALSE(!destroyed || window->isOpen() || window->isCreated() || headless->exists());
    EXPECT_EQ(headless->getPresentCount(), presents);  // nothing put on screen
    EXPECT_EQ(laterDraws, 0);                           // the pass stopped at the close
}

TEST_F(GuiWindow, DisposingDuringAPressDeletesAfterwards) {
    bool destroyed = false;
    view->destroyed = &destroyed;
    view->onDown = [&] {
        CGuiWindow::dispose(window);
        EXPECT_FALSE(destroyed);
    };
    headless->advance(100.0), headless->mouseDown(1, 0, 5, 5);
    EXPECT_TRUE(destroyed);
    window = nullptr;  // already gone
}

TEST_F(GuiWindow, OwnerRectConversionsMenuCommandAndANewSize) {
    CRect r;
    window->getOwnerRect(r);
    EXPECT_EQ(r, (CRect{0, 0, 752, 563}));
    CGuiWindow lonely(nullptr, 7, 10, 10, nullptr, nullptr);
    lonely.getOwnerRect(r);
    EXPECT_EQ(r, (CRect{}));  // no owner: no rectangle

    TestView menuOwner(*window, CRect{});
    window->setMenuOwner(&menuOwner);
    int token = 0;
    window->onMenuCommand(&token, 4);
    EXPECT_EQ(std::pair(window->getMenuItem(), window->getMenu()), std::pair(4, static_cast<void*>(&token)));
    EXPECT_EQ(menuOwner.events, (Events{{"down", 1, 0, 0, 0}}));
    window->setMenuOwner(nullptr);

    // A new size reaches the back buffer when it is recreated; asked for inside a pass, after it,
    // so that the views of that pass draw into a living buffer.
    window->setSize(650, 335);
    EXPECT_TRUE(window->recreateBackBuffer());
    EXPECT_EQ(std::pair(window->getBackBuffer().height, window->getDrawContext()->getHeight()), std::pair(335, 335));
    window->setSize(752, 563);
    view->onDraw = [&] {
        if (window->getWidth() != 752) return;
        window->setSize(650, 335);
        EXPECT_TRUE(window->recreateBackBuffer());
        EXPECT_EQ(window->getBackBuffer().height, 563);
        window->getDrawContext()->fillRect(CRect{0, 500, 752, 63}, CColor(nullptr, 0, 0, 0, 1, kColorBrush));
    };
    EXPECT_TRUE(window->recreateBackBuffer());
    headless->advance(40.0);
    EXPECT_EQ(std::pair(window->getBackBuffer().width, window->getDrawContext()->getHeight()), std::pair(650, 335));
}

}  // namespace
}  // namespace qv
