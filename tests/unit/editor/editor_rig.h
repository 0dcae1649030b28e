// What the editor and window backend tests share: a recording host, an editor whose one page
// holds one recording view over all of it, and the two-view scene.
#pragma once

#include <optional>

#include "editor/editor.h"
#include "framework/editor_host.h"
#include "gui/key_codes.h"
#include "support/test_common.h"
#include "unit/gui_window/test_views.h"

namespace qv::test {

// Records edit gestures (end as -1 - index) and size requests; accepts them when told to.
struct FakeHost final : IEditorHost {
    void automateIfAllowed(std::int32_t, float) override {}
    bool hostCanResize() override { return accepts; }
    float getParameter(std::int32_t) override { return 0.0f; }
    bool beginEdit(std::int32_t i) override { return gestures.push_back(i), true; }
    bool endEdit(std::int32_t i) override { return gestures.push_back(-1 - i), true; }
    bool sizeWindow(std::int32_t w, std::int32_t h) override { return asked.push_back({w, h}), accepts; }
    std::vector<std::int32_t> gestures;
    std::vector<std::pair<std::int32_t, std::int32_t>> asked;
    bool accepts = true;
};

inline void addPageWith(CGuiWindow& window, TestContainer* box) {  // one page holding box
    auto* page = new CPage;
    page->addContainer(box);
    window.addPage(page);
}

// An editor of the given size; onBuilt sees the view each time the controls are built.
struct ProbeEditor : CEditor {
    ProbeEditor(std::int32_t w, std::int32_t h, IEditorHost* owner = nullptr, CPluginBase* c = nullptr)
        : CEditor(0, w, h, owner, c, nullptr) {}
    ~ProbeEditor() override { close(); }
    using CEditor::setTimerPeriod;
    void buildControls() override {
        auto* box = new TestContainer(CRect{0, 0, getWidth(), getHeight()});
        view = box->add(std::make_unique<TestView>(*getFrame(), CRect{0, 0, getWidth(), getHeight()}));
        addPageWith(*getFrame(), box);
        ++built;
        if (onBuilt) onBuilt(*view);
    }
    TestView* view = nullptr;
    int built = 0;
    std::function<void(TestView&)> onBuilt;
};

// A 752 x 563 window on a 40 ms timer: a grey view over all of it and a red 10 x 10 view in its
// bottom-left corner that captures the pointer.
struct TwoViewScene {
    bool open(void* parent) {  // as a child of parent; true when it opened
        owner.build = [this](CGuiWindow& w) {
            auto* box = new TestContainer(CRect{0, 0, 752, 563});
            view = box->add(std::make_unique<TestView>(w, CRect{0, 0, 752, 563}, &grey));
            corner = box->add(std::make_unique<TestView>(w, CRect{0, 0, 10, 10}, &red));
            corner->captures = true;
            addPageWith(w, box);
        };
        window = std::make_unique<CGuiWindow>(&owner, 0, 752, 563, parent, nullptr);
        owner.window = window.get();
        window->setTimerPeriod(40.0f);
        return !window->open(-1, -1);
    }

    TestOwner owner;
    CColor grey{nullptr, 0.25f, 0.5f, 0.75f, 1.0f, kColorBrush};
    CColor red{nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush};
    std::unique_ptr<CGuiWindow> window;
    TestView* view = nullptr;
    TestView* corner = nullptr;
};

// What both native backends must show of the scene, through a platform driver: press(button, x, y,
// modifiers) (1 left, 2 middle, 3 right), move and release in window pixels; pumpUntil(done) runs
// events and passes until done() or two seconds; pixel(x, y) reads the screen as 0xRRGGBB (nullopt
// where the platform keeps no window pixels).
template <class Driver> void checkPassesReachTheScreen(Driver& d, const TwoViewScene& s) {
    const auto start = std::chrono::steady_clock::now();
    const std::size_t before = s.view->draws.size();
    ASSERT_TRUE(d.pumpUntil([&] { return s.view->draws.size() >= before + 5; }));
    // Every 40 ms: the fifth pass from here comes at least 160 ms later, and not much later.
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(ms >= 4 * 40.0 - 5.0 && ms < 440.0) << ms;
    EXPECT_EQ(s.view->draws.front().redrawAll, 1);
    if (!d.pixel(0, 0)) return;
    const PixelSurface buffer = s.window->getBackBuffer();
    int mismatches = 0;
    for (int y = 0; y < 563; ++y)
        for (int x = 0; x < 752; ++x) mismatches += *d.pixel(x, y) != (buffer.row(562 - y)[x] & 0xFFFFFFu);
    EXPECT_EQ(mismatches, 0);
    // The corner fill of toolkit (0, 0, 10, 10) shows in the bottom-left corner of the screen.
    EXPECT_EQ(std::tuple(*d.pixel(0, 562), *d.pixel(9, 553), *d.pixel(0, 552)),
              std::tuple(0xFF0000u, 0xFF0000u, 0x3F7FBFu));
}

// Runs events until the window's own clock, the one its click guard reads, has passed the guard
// since now (a coarse platform clock makes a fixed sleep too short).
template <class Driver> bool pastClickGuard(Driver& d, CGuiWindow& window) {
    CNativeWindow* native = window.getNativeWindow();
    const double from = native->nowMs();
    return d.pumpUntil([=] { return native->nowMs() - from > CGuiWindow::kClickDebounceMs; });
}

template <class Driver> void checkPointerRules(Driver& d, const TwoViewScene& s) {
    const auto events = [&](const TestView* v, std::size_t n) {
        return d.pumpUntil([=] { return v->events.size() >= n; });
    };
    const auto moved = [&] {
        std::pair<int, int> sum{0, 0};
        for (const auto& e : s.corner->events) if (e.kind == "move") sum.first += e.x, sum.second += e.y;
        return sum;
    };
    ASSERT_TRUE(pastClickGuard(d, *s.window));
    d.press(1, 5, 562, 0);
    ASSERT_TRUE(events(s.corner, 1));
    EXPECT_EQ(s.corner->events[0], (Event{"down", 1, 0, 5, 0}));
    ASSERT_TRUE(s.window->hasCapturedView());
    // Dragging 4 px right and 7 px up, then beyond the view: the capture holds until the release.
    d.move(9, 555), d.move(400, 300);
    d.pumpUntil([&] { return moved() == std::pair(395, 262); });
    EXPECT_EQ(moved(), std::pair(395, 262));
    d.release(1, 400, 300);
    ASSERT_TRUE(d.pumpUntil([&] { return s.corner->events.back().kind == "up"; }));
    EXPECT_EQ(std::pair(s.corner->events.back(), s.window->hasCapturedView()),
              std::pair(Event{"up", 1, 0, 400, 262}, false));
    // A right press elsewhere with Shift and Ctrl reaches the big view, y flipped; middle is button 3.
    for (const auto& [button, mods, was] : {std::tuple(3, kModifierShift | kModifierControl, 2), {2, 0, 3}}) {
        ASSERT_TRUE(pastClickGuard(d, *s.window));
        d.press(button, 700, 20, mods), d.release(button, 700, 20);
        ASSERT_TRUE(events(s.view, button == 3 ? 1 : 2));
        EXPECT_EQ(s.view->events.back(), (Event{"down", was, mods, 700, 542}));
    }
}

}  // namespace qv::test
