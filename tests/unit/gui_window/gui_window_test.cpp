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

using test::Event;
using test::TestContainer;
using test::TestOwner;
using test::TestView;
using Events = std::vector<Event>;

// A headless editor window at 40 ms whose owner builds pages through `build`; by default one page
// with one container covering the window and one view covering the container.
struct Editor {
    explicit Editor(std::function<void(CGuiWindow&)> build = {}, std::int32_t w = 752, std::int32_t h = 563) {
        owner.build = build ? std::move(build) : [this](CGuiWindow& win) {
            auto* page = new CPage;
            container = new TestContainer(CRect{0, 0, win.getWidth(), win.getHeight()});
            view = container->add(std::make_unique<TestView>(win, CRect{0, 0, win.getWidth(), win.getHeight()}));
            page->addContainer(container);
            win.addPage(page);
        };
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
    TestContainer* container = nullptr;
    TestView* view = nullptr;
};

TEST(GuiWindowMouse, RowsFlipAndASecondPressWithin55MsIsIgnored) {
    Editor editor;
    editor.click(5, 562);
    editor.click(751, 0);
    // No capture: the releases reach nobody.
    EXPECT_EQ(editor.view->events, (Events{{"down", 1, 0, 5, 0}, {"down", 1, 0, 751, 562}}));
    editor.view->events.clear();
    editor.headless->advance(100.0);
    editor.headless->mouseDown(1, 0, 10, 10);
    editor.headless->advance(40.0);
    editor.headless->mouseDown(1, 0, 10, 10);
    editor.headless->advance(15.0);  // 55 ms after the accepted press: still ignored
    editor.headless->mouseDown(1, 0, 10, 10);
    EXPECT_EQ(editor.view->events.size(), 1u);
    editor.headless->advance(1.0);
    editor.headless->mouseDown(2, kModifierShift | kModifierAlt, 10, 10);
    EXPECT_EQ(editor.view->events.back(), (Event{"down", 2, 5, 10, 552}));
}

TEST(GuiWindowMouse, CapturedViewGetsRelativeMovesUpAsPositiveAndLosesTheGestureOnFocusLoss) {
    TestView *knob = nullptr, *plain = nullptr;
    Editor editor([&](CGuiWindow& w) {
        auto* page = new CPage;
        auto* panel = new TestContainer(CRect{100, 50, 200, 200});
        knob = panel->add(std::make_unique<TestView>(w, CRect{10, 10, 26, 25}));
        plain = panel->add(std::make_unique<TestView>(w, CRect{100, 100, 50, 50}));
        knob->captures = plain->captures = true;
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
    EXPECT_EQ(knob->events,
              (Events{{"down", 1, 0, 20, 20}, {"move", 0, kModifierShift, 3, 5}, {"move", 0, 0, 0, -10}, {"cancel"}}));
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

TEST(GuiWindowOverlay, AnEnabledOverlayTakesEveryPressAndIsDrawnLast) {
    Editor editor;
    TestView overlay(*editor.window, CRect{100, 100, 50, 50});
    editor.window->setOverlayView(&overlay);
    editor.window->setOverlayEnabled(true);
    editor.click(10, 10);  // outside the overlay: reaches nothing
    editor.click(120, 562 - 120);
    EXPECT_EQ(overlay.events, (Events{{"down", 1, 0, 120, 120}}));
    EXPECT_TRUE(editor.view->events.empty());
    editor.window->onKeyDown('a');
    EXPECT_EQ(overlay.events.back().kind, "key");
    std::vector<std::string> order;
    editor.view->onDraw = [&] { order.push_back("page"); };
    overlay.onDraw = [&] { order.push_back("overlay"); };
    editor.headless->advance(40.0);
    EXPECT_EQ(order, (std::vector<std::string>{"page", "overlay"}));
    editor.window->setOverlayEnabled(false);
    editor.click(120, 562 - 120);
    EXPECT_EQ(overlay.events.size(), 2u);
    EXPECT_EQ(editor.view->events.size(), 1u);
    editor.window->setOverlayView(nullptr);
}

TEST(GuiWindowPasses, TimerPassesPresentAndTheFirstRedrawsAll) {
    Editor editor;  // already advanced 1000 ms
    auto& draws = editor.view->draws;
    const auto full = [&] {
        std::vector<int> v;
        for (const CDrawState& d : draws) v.push_back(d.redrawAll);
        return v;
    };
    EXPECT_EQ(editor.headless->getTimerPeriod(), 40u);
    EXPECT_EQ(editor.headless->getPresentCount(), 25u);
    std::vector<int> want(25, 0);
    want[0] = 1;
    EXPECT_EQ(full(), want);
    EXPECT_EQ(draws[0].timer, 1);
    // A paint request validates and draws nothing.
    editor.headless->paint();
    EXPECT_EQ(editor.headless->getValidateCount(), 1u);
    editor.window->requestFullRedraw();
    editor.headless->advance(80.0);
    want.insert(want.end(), {1, 0});
    EXPECT_EQ(full(), want);
}

TEST(GuiWindowPages, CurrentPageChangesAtTheNextPassWithAFullRedraw) {
    const CColor red(nullptr, 1, 0, 0, 1, kColorBrush), blue(nullptr, 0, 0, 1, 1, kColorBrush);
    TestView* views[2] = {};
    Editor editor([&](CGuiWindow& w) {
        for (int i = 0; i < 2; ++i) {
            auto* page = new CPage;
            auto* box = new TestContainer(CRect{0, 0, 752, 563});
            views[i] = box->add(std::make_unique<TestView>(w, CRect{0, 0, 752, 563}, i ? &blue : &red));
            page->addContainer(box);
            w.addPage(page);
        }
    });
    EXPECT_EQ(editor.screenPixel(0, 0), 0xFFFF0000u);
    editor.window->setCurrentPage(1);
    editor.headless->mouseDown(1, 0, 10, 10);  // the page is not changed yet: the click reaches page 0
    EXPECT_EQ(std::pair(views[0]->events.size(), views[1]->events.size()), std::pair(std::size_t{1}, std::size_t{0}));
    EXPECT_EQ(editor.screenPixel(0, 0), 0xFFFF0000u);
    EXPECT_TRUE(views[1]->draws.empty());
    editor.headless->tick();
    ASSERT_EQ(views[1]->draws.size(), 1u);
    EXPECT_EQ(views[1]->draws[0].redrawAll, 1);
    EXPECT_EQ(editor.screenPixel(751, 562), 0xFF0000FFu);
    editor.click(10, 10);
    EXPECT_EQ(views[1]->events.size(), 1u);
    // An index without a page keeps the current one.
    editor.window->setCurrentPage(7);
    editor.headless->tick();
    EXPECT_EQ(editor.window->getCurrentPage(), editor.window->getPage(1));
}

TEST(GuiWindowLifecycle, OpenBuildsPagesOnAWhiteBufferAndCloseReleasesThem) {
    bool destroyed = false;
    Editor editor;
    const auto build = editor.owner.build;
    editor.owner.build = [&](CGuiWindow& w) {
        build(w);
        editor.view->destroyed = &destroyed;
        EXPECT_NE(w.getDrawContext(), nullptr);  // drawing surfaces exist while building
        EXPECT_EQ(w.getBackBuffer().row(10)[10], 0xFFFFFFFFu);
        w.addResource(new CColor(&w, 1, 1, 1, 1, kColorBrush));
    };
    editor.window->close();
    EXPECT_FALSE(editor.window->open(-1, -1));
    EXPECT_EQ(editor.owner.built, 2);
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
    EXPECT_FALSE(editor.window->open(-1, -1));
    EXPECT_EQ(editor.owner.built, 3);
    editor.headless->advance(40.0);
    EXPECT_EQ(editor.view->draws.size(), 1u);
}

TEST(GuiWindowLifecycle, ClosingDuringAPassEndsThePassWithoutTouchingWhatItReleased) {
    Editor editor;
    auto* after = new TestContainer(CRect{0, 0, 10, 10});
    TestView* later = after->add(std::make_unique<TestView>(*editor.window, CRect{0, 0, 10, 10}));
    editor.window->getPage(0)->addContainer(after);
    bool destroyed = false;
    editor.view->destroyed = &destroyed;
    const std::uint32_t presents = editor.headless->getPresentCount();
    int laterDraws = 0;
    later->onDraw = [&] { ++laterDraws; };
    editor.view->onDraw = [&] {
        editor.window->close();
        // Still inside the pass: the view, the context and the pixels are alive.
        EXPECT_FALSE(destroyed);
        editor.window->getDrawContext()->fillRect(CRect{0, 0, 5, 5}, CColor(nullptr, 0, 0, 0, 1, kColorBrush));
    };
    editor.headless->advance(40.0);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(editor.window->isOpen() || editor.window->isCreated() || editor.headless->exists());
    EXPECT_EQ(editor.headless->getPresentCount(), presents);  // nothing put on screen
    EXPECT_EQ(laterDraws, 0);                                   // the pass stopped at the close
}

TEST(GuiWindowLifecycle, DisposingDuringAPressDeletesAfterwards) {
    auto* editor = new Editor({}, 300, 200);
    bool destroyed = false;
    editor->view->destroyed = &destroyed;
    editor->view->onDown = [&] {
        CGuiWindow::dispose(editor->window);
        EXPECT_FALSE(destroyed);
    };
    editor->headless->advance(100.0);
    editor->headless->mouseDown(1, 0, 5, 5);
    EXPECT_TRUE(destroyed);
    editor->window = nullptr;  // already gone
    delete editor;
}

TEST(GuiWindowMisc, OwnerRectConversionsMenuCommandAndANewSize) {
    Editor editor({}, 650, 335);
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
    EXPECT_EQ(std::pair(editor.window->getMenuItem(), editor.window->getMenu()), std::pair(4, static_cast<void*>(&token)));
    EXPECT_EQ(menuOwner.events, (Events{{"down", 1, 0, 0, 0}}));
    editor.window->setMenuOwner(nullptr);

    // A new size reaches the back buffer when it is recreated; asked for inside a pass, after it,
    // so that the views of that pass draw into a living buffer.
    editor.window->setSize(752, 563);
    EXPECT_TRUE(editor.window->recreateBackBuffer());
    EXPECT_EQ(editor.window->getBackBuffer().height, 563);
    EXPECT_EQ(editor.window->getDrawContext()->getHeight(), 563);
    editor.view->onDraw = [&] {
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
