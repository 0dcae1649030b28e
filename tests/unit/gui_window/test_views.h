// A small stand-in for the view toolkit and the editor: containers that hit-test and draw their
// views like the real ones, views that record what reaches them, and an owner that builds pages.
#pragma once

#include "support/test_common.h"
#include <ostream>

#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/page.h"
#include "gui/rect_math.h"
#include "gui/window_owner.h"
#include "gui/window_view.h"

namespace qv::test {

struct Event {
    std::string kind;
    std::int32_t button = 0, modifiers = 0, x = 0, y = 0;
    bool operator==(const Event&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Event& e) {
    return out << e.kind << " b" << e.button << " m" << e.modifiers << " (" << e.x << ", " << e.y << ")";
}

class TestContainer;

class TestView : public CWindowView {
public:
    TestView(CGuiWindow& w, CRect r, const CColor* fill = nullptr) : window(w), rect(r), colour(fill) {}
    ~TestView() override { if (destroyed) *destroyed = true; }

    void onMouseDown(std::int32_t b, std::int32_t m, std::int32_t x, std::int32_t y) override {
        events.push_back({"down", b, m, x, y});
        if (onDown) onDown();
    }
    void onMouseUp(std::int32_t b, std::int32_t x, std::int32_t y) override { events.push_back({"up", b, 0, x, y}); }
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t m) override { events.push_back({"move", 0, m, x, y}); }
    void cancelMouse() override { events.push_back({"cancel"}); }
    bool usesRelativeMouse() const override { return relative; }
    CRect getRect() const override { return rect; }
    CWindowContainer* getContainer() const override;
    void draw(CDrawState state) override;
    bool onKeyDown(std::uint32_t key) override {
        return events.push_back({"key", 0, 0, static_cast<std::int32_t>(key), 0}), true;
    }

    CGuiWindow& window;
    CRect rect;
    const CColor* colour;
    TestContainer* container = nullptr;
    bool relative = true, captures = false;
    std::vector<Event> events;
    std::vector<CDrawState> draws;
    std::function<void()> onDraw;  // runs inside draw, after painting
    std::function<void()> onDown;
    bool* destroyed = nullptr;
};

// Hit-tests its views from the last added (a press on none ends the walk), draws them in order;
// owns them.
class TestContainer : public CWindowContainer {
public:
    explicit TestContainer(CRect r) : rect(r) {}
    CRect getRect() const override { return rect; }
    void draw(CDrawState state) override { for (auto& v : views) v->draw(state); }
    bool onMouseDown(std::int32_t b, std::int32_t m, std::int32_t x, std::int32_t y) override {
        const std::int32_t px = x - rect.x, py = y - rect.y;
        for (auto it = views.rbegin(); it != views.rend(); ++it) {
            TestView& v = **it;
            if (!rectContains(v.rect, px, py)) continue;
            if (v.captures) page->getWindow()->setCapturedView(&v);
            v.onMouseDown(b, m, px, py);
            return false;
        }
        page->getWindow()->onFocusLost();
        return false;
    }
    void cancelEditing() override {}
    void setPage(CPage* p) override { page = p; }

    TestView* add(std::unique_ptr<TestView> v) {
        v->container = this;
        return views.emplace_back(std::move(v)).get();
    }

    CRect rect;
    CPage* page = nullptr;
    std::vector<std::unique_ptr<TestView>> views;
};

inline CWindowContainer* TestView::getContainer() const { return container; }

inline void TestView::draw(CDrawState state) {
    draws.push_back(state);
    const CRect origin = container ? container->rect : CRect{};
    if (colour) window.getDrawContext()->fillRect(rectOffset(rect, origin.x, origin.y), *colour);
    if (onDraw) onDraw();
}

class TestOwner : public CWindowOwner {
public:
    void buildControls() override {
        built++;
        if (build) build(*window);
    }
    void getRect(CRect& r) const override { r = CRect{0, 0, window ? window->getWidth() : 0, window ? window->getHeight() : 0}; }

    CGuiWindow* window = nullptr;
    std::function<void(CGuiWindow&)> build;
    int built = 0;
};

}  // namespace qv::test
