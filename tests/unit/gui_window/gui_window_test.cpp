#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "gui/key_codes.h"
#include "gui/native/headless/headless_window.h"
#include "gui/pixel.h"
#include "rect_compare.h"
#include "test_views.h"

namespace qv {
namespace {

using test::TestContainer;
using test::TestOwner;
using test::TestView;
using test::Event;

// A headless 752 x 563 editor window at 40 ms whose owner builds pages through `build`.
struct Editor {
    explicit Editor(std::function<void(CGuiWindow&)> build, std::int32_t w = 752, std::int32_t h = 563) {
        owner.build = std::move(build);
        window = new CGuiWindow(&owner, 0, w, h, nullptr, nullptr);
        owner.window = window;
        window->setTimerPeriod(40.0f);
        EXPECT_FALSE(window->open(-1, -1));  // false: success
        headless = dynamic_cast<CHeadlessWindow*>(window->getNativeWindow());
        EXPECT_NE(headless, nullptr);
        headless->advance(1000.0);  // clear of the click guard of the constructor
    }
    ~Editor() { CGuiWindow::dispose(window); }
    // A press and release at window pixel (x, y), 100 ms after the last event.
    void click(std::int32_t x, std::int32_t y, std::int32_t button = 1) {
        headless->advance(100.0);
        headless->mouseDown(button, 0, x, y);
        headless->mouseUp(button, x, y);
    }
    std::uint32_t screenPixel(std::int32_t x, std::int32_t row) const {
        const PixelSurface s = window->getBackBuffer();
        return s.row(s.height - 1 - row)[x];
    }
    TestOwner owner;
    CGuiWindow* window = nullptr;
    CHeadlessWindow* headless = nullptr;
};

// One page with one container covering the window and one view covering the container.
struct OneView {
    TestContainer* container = nullptr;
    TestView* view = nullptr;
    std::function<void(CGuiWindow&)> builder() {
        return [this](CGuiWindow& w) {
            auto* page = new CPage;
            container = new TestContainer(CRect{0, 0, w.getWidth(), w.getHeight()});
            view = container->add(std::make_unique<TestView>(w, CRect{0, 0, w.getWidth(), w.getHeight()}));
            page->addContainer(container);
            w.addPage(page);
        };
    }
};

TEST(GuiWindowMouse, WindowRow562ReachesTheToolkitAsRow0) {
    OneView ui;
    Editor editor(ui.builder());
    editor.click(5, 562);
    editor.click(751, 0);
    // No capture: the releases reach nobody.
    EXPECT_EQ(ui.view->events, (std::vector<Event>{{"down", 1, 0, 5, 0}, {"down", 1, 0, 751, 562}}));
}

TEST(GuiWindowMouse, SecondPressWithin55MsIsIgnored) {
    OneView ui;
    Editor editor(ui.builder());
    editor.headless->mouseDown(1, 0, 10, 10);
    editor.headless->advance(40.0);
    editor.headless->mouseDown(1, 0, 10, 10);
    EXPECT_EQ(ui.view->events.size(), 1u);
    editor.headless->advance(15.0);  // 55 ms after the accepted press: still ignored
    editor.headless->mouseDown(1, 0, 10, 10);
    EXPECT_EQ(ui.view->events.size(), 1u);
    editor.headless->advance(1.0);
    editor.headless->mouseDown(2, kModifierShift | kModifierAlt, 10, 10);
    ASSERT_EQ(ui.view->events.size(), 2u);
    EXPECT_EQ(ui.view->events[1], (Event{"down", 2, 5, 10, 552}));
}

TEST(GuiWindowMouse, CapturedViewGetsRelativeMovesUpAsPositiveAndLosesTheGestureOnFocusLoss) {
    TestView* knob = nullptr;
    TestView* plain = nullptr;
    TestContainer* panel = nullptr;
    Editor editor([&](CGuiWindow& w) {
        auto* page = new CPage;
        panel = new TestContainer(CRect{100, 50, 200, 200});
        knob = panel->add(std::make_unique<TestView>(w, CRect{10, 10, 26, 25}));
        knob->captures = true;
        plain = panel->add(std::make_unique<TestView>(w, CRect{100, 100, 50, 50}));
        plain->captures = true;
        plain->relative = false;
        page->addContainer(panel);
        w.addPage(page);
    });
    // Knob at toolkit (110..135, 60..84): window row 563 - 1 - 70 = 492.
    editor.headless->mouseDown(1, 0, 120, 492);
    ASSERT_TRUE(editor.window->hasCapturedView());
    editor.headless->mouseMove(123, 487, kModifierShift);  // 3 right, 5 up
    editor.headless->mouseMove(123, 497, 0);               // 10 down
    editor.headless->focusLost();
    // The press relative to the container, then moves relative to the last position.
    EXPECT_EQ(knob->events, (std::vector<Event>{{"down", 1, 0, 20, 20},
                                                {"move", 0, kModifierShift, 3, 5},
                                                {"move", 0, 0, 0, -10},
                                                {"cancel"}}));
    EXPECT_FALSE(editor.window->hasCapturedView());

    // An absolute view gets positions relative to its container's origin.
    editor.headless->advance(100.0);
    editor.headless->mouseDown(1, 0, 220, 400);  // toolkit (220, 162)
    editor.headless->mouseMove(230, 390, 0);     // toolkit (230, 172)
    EXPECT_EQ(plain->events.back(), (Event{"move", 0, 0, 130, 122}));
    // A press while captured first releases the capture with a mouse-up at the press point.
    editor.headless->advance(100.0);
    editor.headless->mouseDown(3, 0, 10, 10);  // outside the panel
    EXPECT_EQ(plain->events.back(), (Event{"up", 3, 0, 10, 552}));
    EXPECT_FALSE(editor.window->hasCapturedView());
    // Moves without capture reach nobody.
    const std::size_t before = knob->events.size() + plain->events.size();
    editor.headless->mouseMove(120, 492, 0);
    EXPECT_EQ(knob->events.size() + plain->events.size(), before);
}

TEST(GuiWindowMouse, InactiveContainerPassesThePressOnAndAnActiveOneEndsTheWalk) {
    TestContainer *a = nullptr, *b = nullptr, *c = nullptr;
    TestView* under = nullptr;
    Editor editor([&](CGuiWindow& w) {
        auto* page = new CPage;
        a = new TestContainer(CRect{0, 0, 100, 100});
        a->active = false;
        b = new TestContainer(CRect{0, 0, 100, 100});
        under = b->add(std::make_unique<TestView>(w, CRect{0, 0, 10, 10}));
        c = new TestContainer(CRect{0, 0, 100, 100});
        page->addContainer(a);
        page->addContainer(b);
        page->addContainer(c);
        w.addPage(page);
    });
    editor.click(50, 562 - 50);  // inside all three, on no view of b
    EXPECT_EQ(std::tuple(a->presses, b->presses, c->presses), std::tuple(1, 1, 0));
    editor.click(50, 100);  // outside every container
    EXPECT_EQ(a->presses + b->presses + c->presses, 2);
    editor.click(5, 560);
    EXPECT_EQ(under->events.size(), 1u);
}

TEST(GuiWindowOverlay, AnEnabledOverlayTakesEveryPressAndIsDrawnLast) {
    OneView ui;
    Editor editor(ui.builder());
    TestView overlay(*editor.window, CRect{100, 100, 50, 50});
    editor.window->setOverlayView(&overlay);
    editor.window->setOverlayEnabled(true);
    editor.click(10, 10);  // outside the overlay: reaches nothing
    EXPECT_TRUE(ui.view->events.empty());
    EXPECT_TRUE(overlay.events.empty());
    editor.click(120, 562 - 120);
    EXPECT_EQ(overlay.events, (std::vector<Event>{{"down", 1, 0, 120, 120}}));
    EXPECT_TRUE(ui.view->events.empty());
    editor.window->onKeyDown('a');
    EXPECT_EQ(overlay.events.back().kind, "key");

    std::vector<std::string> order;
    ui.view->onDraw = [&] { order.push_back("page"); };
    overlay.onDraw = [&] { order.push_back("overlay"); };
    editor.headless->advance(40.0);
    EXPECT_EQ(order, (std::vector<std::string>{"page", "overlay"}));

    editor.window->setOverlayEnabled(false);
    editor.click(120, 562 - 120);
    EXPECT_EQ(overlay.events.size(), 2u);
    EXPECT_EQ(ui.view->events.size(), 1u);
    editor.window->setOverlayView(nullptr);
}

TEST(GuiWindowPasses, TimerPassesPresentAndTheFirstPassRedrawsAll) {
    OneView ui;
    Editor editor(ui.builder());  // already advanced 1000 ms
    EXPECT_EQ(editor.headless->getTimerPeriod(), 40u);
    EXPECT_EQ(editor.headless->getPresentCount(), 25u);
    ASSERT_EQ(ui.view->draws.size(), 25u);
    EXPECT_EQ((std::tuple<int, int, int>(ui.view->draws[0].redrawAll, ui.view->draws[0].timer, ui.view->draws[1].redrawAll)),
              std::tuple(1, 1, 0));
    // A paint request validates and draws nothing.
    editor.headless->paint();
    EXPECT_EQ(editor.headless->getValidateCount(), 1u);
    EXPECT_EQ(ui.view->draws.size(), 25u);
    editor.window->requestFullRedraw();
    editor.headless->advance(80.0);
    ASSERT_EQ(ui.view->draws.size(), 27u);
    EXPECT_EQ((std::pair<int, int>(ui.view->draws[25].redrawAll, ui.view->draws[26].redrawAll)), std::pair(1, 0));
}

TEST(GuiWindowPasses, ScheduledRedrawsComeEveryPeriodInTicks) {
    OneView ui;
    Editor editor(ui.builder());
    ui.view->draws.clear();
    editor.window->scheduleRedrawsMs(120, 2);  // 3 ticks at 40 ms
    editor.headless->advance(40.0 * 8);
    ASSERT_EQ(ui.view->draws.size(), 8u);
    std::vector<int> full;
    for (std::size_t i = 0; i < 8; ++i) full.push_back(ui.view->draws[i].redrawAll);
    EXPECT_EQ(full, (std::vector<int>{0, 0, 1, 0, 0, 1, 0, 0}));
}

TEST(GuiWindowPages, CurrentPageChangesAtTheNextPassWithAFullRedraw) {
    const CColor red(nullptr, 1, 0, 0, 1, kColorBrush), blue(nullptr, 0, 0, 1, 1, kColorBrush);
    TestView *first = nullptr, *second = nullptr;
    Editor editor([&](CGuiWindow& w) {
        for (const CColor* colour : {&red, &blue}) {
            auto* page = new CPage;
            auto* box = new TestContainer(CRect{0, 0, 752, 563});
            TestView* v = box->add(std::make_unique<TestView>(w, CRect{0, 0, 752, 563}, colour));
            (colour == &red ? first : second) = v;
            page->addContainer(box);
            w.addPage(page);
        }
    });
    EXPECT_EQ(editor.screenPixel(0, 0), 0xFFFF0000u);
    editor.window->setCurrentPage(1);
    editor.headless->mouseDown(1, 0, 10, 10);  // the page is not changed yet: the click reaches page 0
    EXPECT_EQ(first->events.size(), 1u);
    EXPECT_TRUE(second->events.empty());
    EXPECT_EQ(editor.screenPixel(0, 0), 0xFFFF0000u);
    EXPECT_TRUE(second->draws.empty());
    editor.headless->tick();
    ASSERT_EQ(second->draws.size(), 1u);
    EXPECT_EQ(second->draws[0].redrawAll, 1);
    EXPECT_EQ(editor.screenPixel(751, 562), 0xFF0000FFu);
    editor.click(10, 10);
    EXPECT_EQ(second->events.size(), 1u);
    // An index without a page keeps the current one.
    editor.window->setCurrentPage(7);
    editor.headless->tick();
    EXPECT_EQ(editor.window->getCurrentPage(), editor.window->getPage(1));
}

TEST(GuiWindowLifecycle, OpenBuildsPagesOnAWhiteBufferAndCloseReleasesThem) {
    bool destroyed = false;
    OneView ui;
    Editor editor([&](CGuiWindow& w) {
        ui.builder()(w);
        ui.view->destroyed = &destroyed;
        EXPECT_NE(w.getDrawContext(), nullptr);  // drawing surfaces exist while building
        EXPECT_FALSE(w.getBackBuffer().bits == nullptr);
        EXPECT_EQ(w.getBackBuffer().row(10)[10], 0xFFFFFFFFu);
        w.addResource(new CColor(&w, 1, 1, 1, 1, kColorBrush));
    });
    EXPECT_EQ(editor.owner.built, 1);
    EXPECT_TRUE(editor.window->isOpen());
    editor.window->close();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(editor.window->isOpen());
    EXPECT_EQ(editor.window->getDrawContext(), nullptr);
    EXPECT_FALSE(editor.headless->isTimerRunning());
    const std::uint32_t presents = editor.headless->getPresentCount();
    editor.window->onTimer();
    EXPECT_EQ(editor.headless->getPresentCount(), presents);
    // Opened again, the owner builds anew.
    destroyed = false;
    EXPECT_FALSE(editor.window->open(-1, -1));
    EXPECT_EQ(editor.owner.built, 2);
    editor.headless->advance(40.0);
    EXPECT_EQ(ui.view->draws.size(), 1u);
}

TEST(GuiWindowLifecycle, ClosingDuringAPassEndsThePassWithoutTouchingWhatItReleased) {
    OneView ui;
    TestView* later = nullptr;
    bool destroyed = false;
    Editor editor([&](CGuiWindow& w) {
        ui.builder()(w);
        auto* after = new TestContainer(CRect{0, 0, 10, 10});
        later = after->add(std::make_unique<TestView>(w, CRect{0, 0, 10, 10}));
        w.getPage(0)->addContainer(after);
    });
    ui.view->destroyed = &destroyed;
    const std::uint32_t presents = editor.headless->getPresentCount();
    int laterDraws = 0;
    later->onDraw = [&] { ++laterDraws; };
    ui.view->onDraw = [&] {
        editor.window->close();
        // Still inside the pass: the view, the context and the pixels are alive.
        EXPECT_FALSE(destroyed);
        editor.window->getDrawContext()->fillRect(CRect{0, 0, 5, 5}, CColor(nullptr, 0, 0, 0, 1, kColorBrush));
    };
    editor.headless->advance(40.0);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(editor.window->isOpen());
    EXPECT_FALSE(editor.window->isCreated());
    EXPECT_EQ(editor.headless->getPresentCount(), presents);  // nothing put on screen
    EXPECT_EQ(laterDraws, 0);                                   // the pass stopped at the close
    EXPECT_FALSE(editor.headless->exists());
}

TEST(GuiWindowLifecycle, DisposingDuringAPassOrAPressDeletesAfterwards) {
    for (bool inPress : {false, true}) {
        OneView ui;
        TestOwner owner;
        owner.build = ui.builder();
        auto* window = new CGuiWindow(&owner, 0, 300, 200, nullptr, nullptr);
        owner.window = window;
        window->setTimerPeriod(40.0f);
        ASSERT_FALSE(window->open(-1, -1));
        auto* headless = dynamic_cast<CHeadlessWindow*>(window->getNativeWindow());
        bool destroyed = false;
        ui.view->destroyed = &destroyed;
        auto dispose = [&] {
            CGuiWindow::dispose(window);
            EXPECT_FALSE(destroyed);
        };
        if (inPress) {
            ui.view->onDown = dispose;
            headless->advance(100.0);
            headless->mouseDown(1, 0, 5, 5);
        } else {
            ui.view->onDraw = dispose;
            headless->advance(400.0);  // the pass deletes the window; advance stops there
        }
        EXPECT_TRUE(destroyed);
    }
}

TEST(GuiWindowMisc, OwnerRectConversionsAndMenuCommand) {
    OneView ui;
    Editor editor(ui.builder(), 650, 335);
    CRect r;
    editor.window->getOwnerRect(r);
    EXPECT_EQ(std::pair(r.width, r.height), std::pair(650, 335));
    EXPECT_EQ(editor.window->toToolkit(CPoint{3, 334}).y, 0);
    EXPECT_EQ(editor.window->toToolkit(CPoint{3, 0}).y, 334);
    CGuiWindow lonely(nullptr, 7, 10, 10, nullptr, nullptr);
    lonely.getOwnerRect(r);
    EXPECT_EQ(r, (CRect{}));  // no owner: no rectangle

    TestView menuOwner(*editor.window, CRect{});
    editor.window->setMenuOwner(&menuOwner);
    int token = 0;
    editor.window->onMenuCommand(&token, 4);
    EXPECT_EQ(editor.window->getMenuItem(), 4);
    EXPECT_EQ(editor.window->getMenu(), &token);
    EXPECT_EQ(menuOwner.events, (std::vector<Event>{{"down", 1, 0, 0, 0}}));
    editor.window->setMenuOwner(nullptr);

    // A new size reaches the back buffer when it is recreated; asked for inside a pass, after it,
    // so that the views of that pass draw into a living buffer.
    editor.window->setSize(752, 563);
    EXPECT_TRUE(editor.window->recreateBackBuffer());
    EXPECT_EQ(editor.window->getBackBuffer().height, 563);
    EXPECT_EQ(editor.window->getDrawContext()->getHeight(), 563);
    ui.view->onDraw = [&] {
        if (editor.window->getWidth() != 752) return;
        editor.window->setSize(650, 335);
        EXPECT_TRUE(editor.window->recreateBackBuffer());
        EXPECT_EQ(editor.window->getBackBuffer().height, 563);
        editor.window->getDrawContext()->fillRect(CRect{0, 500, 752, 63}, CColor(nullptr, 0, 0, 0, 1, kColorBrush));
    };
    editor.headless->advance(40.0);
    EXPECT_EQ(editor.window->getBackBuffer().width, 650);
    EXPECT_EQ(editor.window->getDrawContext()->getHeight(), 335);
}

}  // namespace
}  // namespace qv
