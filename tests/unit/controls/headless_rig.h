// A headless window for the toolkit's tests, shared by controls, popups and the display: an owner
// that records what the views tell it, and input given at toolkit points (y up) sent as window
// pixels, so that the window's y flip is in the path.
#pragma once

#include "support/test_common.h"

#include "controls/view.h"
#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/rect_math.h"
#include "gui/window_owner.h"

namespace qv::test {

class RecordingOwner : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override { window->addPage(new CPage); }
    void getRect(CRect& r) const override { r = CRect{0, 0, window->getWidth(), window->getHeight()}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window ? window->getDrawContext() : nullptr; }
    void valueChanged(std::uint32_t tag, float v) override { heard('v', tag), changes.push_back({tag, v}); }
    void beginEdit(std::int32_t tag) override { heard('b', static_cast<std::uint32_t>(tag)); }
    void endEdit(std::int32_t tag) override { heard('e', static_cast<std::uint32_t>(tag)); }
    void heard(char kind, std::uint32_t tag) { kinds += kind, tags.push_back(tag); }

    struct Change { std::uint32_t tag; float value; };
    CGuiWindow* window = nullptr;
    std::string kinds;  // b begin, v value, e end
    std::vector<std::uint32_t> tags;
    std::vector<Change> changes;
};

template <class Owner>
class HeadlessTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

    HeadlessTest(std::int32_t w, std::int32_t h) : width(w), height(h) {
        window = new CGuiWindow(&owner, 0, w, h, nullptr, nullptr);
        owner.window = window;
        window->setTimerPeriod(40.0f);
        window->open(-1, -1);
        headless = dynamic_cast<CHeadlessWindow*>(window->getNativeWindow());
        headless->advance(1000.0);  // past the click guard and the first full redraw
    }
    ~HeadlessTest() override { if (window) CGuiWindow::dispose(window); }

    // A press comes 100 ms after the last event, clear of the window's click guard.
    void press(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
        headless->advance(100.0);
        headless->mouseDown(button, modifiers, x, height - 1 - y);
    }
    void release(std::int32_t button, std::int32_t x, std::int32_t y) { headless->mouseUp(button, x, height - 1 - y); }
    void click(std::int32_t x, std::int32_t y, std::int32_t button = 1) { press(button, 0, x, y), release(button, x, y); }
    void click(CPoint p) { click(p.x, p.y); }
    void moveTo(std::int32_t x, std::int32_t y, std::int32_t m = 0) { headless->mouseMove(x, height - 1 - y, m); }
    void moveTo(CPoint p) { moveTo(p.x, p.y); }
    void keys(const std::vector<std::uint32_t>& codes) { for (std::uint32_t k : codes) headless->keyDown(k); }
    void pass() { headless->tick(); }
    // A panel added to the current page, and a view added to a panel.
    CViewContainer* panel(const CRect& r) {
        auto* c = new CViewContainer(&owner, r);
        window->getCurrentPage()->addContainer(c);
        return c;
    }
    template <class V>
    V* put(CViewContainer* c, V* view) { return c->addView(view), view; }
    void fullPass() { window->requestFullRedraw(), headless->tick(); }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return window->getBackBuffer().row(y)[x]; }
    // The pixels of r, row by row.
    std::vector<std::uint32_t> area(const CRect& r) const {
        std::vector<std::uint32_t> v;
        for (std::int32_t y = r.y; y < r.y + r.height; ++y)
            v.insert(v.end(), window->getBackBuffer().row(y) + r.x, window->getBackBuffer().row(y) + r.x + r.width);
        return v;
    }
    bool all(const CRect& r, std::uint32_t p) const {
        return area(r) == std::vector<std::uint32_t>(static_cast<std::size_t>(r.width) * r.height, p);
    }
    void clearScreen(std::uint32_t p = kWhite) {
        const PixelSurface s = window->getBackBuffer();
        std::fill(s.bits, s.bits + static_cast<std::size_t>(s.width) * s.height, p);
    }
    void repaint(std::uint32_t background = kWhite) { clearScreen(background), fullPass(); }  // over a cleared buffer
    // After a full pass over a white buffer: whether every pixel outside r stayed white.
    bool paintsOnlyInside(const CRect& r) {
        repaint();
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                if (!rectContains(r, x, y) && pixel(x, y) != kWhite) return false;
        return true;
    }

    const std::int32_t width, height;
    Owner owner;
    CGuiWindow* window = nullptr;
    CHeadlessWindow* headless = nullptr;
};

}  // namespace qv::test
