// An owner that builds one page with one panel as large as the window and records what the
// fields tell it; and a headless window of 320 x 240 with input given at toolkit points (y up),
// sent in window pixels, and pictures of the back buffer written under test-artifacts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "controls/view.h"
#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/png_writer.h"
#include "gui/window_owner.h"

namespace qv::test {

// The window's key codes (gui/key_codes.h repeats the toolkit's mouse constants under the same names).
namespace key {
extern const std::uint32_t kReturn, kEscape, kBackspace, kDelete, kLeft, kRight, kUp, kDown, kHome, kEnd;
}

class PopupOwner : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override {
        auto* page = new CPage;
        panel = new CViewContainer(this, CRect{0, 0, window->getWidth(), window->getHeight()});
        page->addContainer(panel);
        window->addPage(page);
    }
    void getRect(CRect& r) const override { r = CRect{0, 0, window->getWidth(), window->getHeight()}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window ? window->getDrawContext() : nullptr; }
    void valueChanged(std::uint32_t tag, float v) override { changes.push_back({tag, v}); }
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}

    struct Change {
        std::uint32_t tag;
        float value;
    };
    CGuiWindow* window = nullptr;
    CViewContainer* panel = nullptr;
    std::vector<Change> changes;
};

class PopupsTest : public ::testing::Test {
protected:
    static constexpr std::int32_t kWidth = 320;
    static constexpr std::int32_t kHeight = 240;

    PopupsTest() {
        window = new CGuiWindow(&owner, 0, kWidth, kHeight, nullptr, nullptr);
        owner.window = window;
        window->setTimerPeriod(40.0f);
        window->open(-1, -1);
        headless = dynamic_cast<CHeadlessWindow*>(window->getNativeWindow());
        headless->advance(1000.0);
    }
    ~PopupsTest() override {
        if (window) CGuiWindow::dispose(window);
    }
    template <class V>
    V* put(V* view) {
        owner.panel->addView(view);
        return view;
    }
    void drop(CView* view) {
        owner.panel->removeView(view);
        delete view;
    }
    void closeWindow() { CGuiWindow::dispose(std::exchange(window, nullptr)); }
    // A press and release 100 ms after the last event (past the click guard).
    void click(std::int32_t x, std::int32_t y, std::int32_t button = 1) {
        headless->advance(100.0);
        headless->mouseDown(button, 0, x, kHeight - 1 - y);
        headless->mouseUp(button, x, kHeight - 1 - y);
    }
    void click(CPoint p) { click(p.x, p.y); }
    void moveTo(CPoint p) { headless->mouseMove(p.x, kHeight - 1 - p.y, 0); }
    void keys(const std::vector<std::uint32_t>& codes) {
        for (std::uint32_t k : codes) headless->keyDown(k);
    }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return window->getBackBuffer().row(y)[x]; }
    // A full pass over a white back buffer, written as test-artifacts/popups_<name>.png; then
    // whether every pixel outside r stayed white (nothing of a popup lies there).
    bool snapshotInside(const std::string& name, const CRect& r) {
        const PixelSurface s = window->getBackBuffer();
        std::fill(s.bits, s.bits + static_cast<std::size_t>(s.width) * s.height, 0xFFFFFFFFu);
        window->requestFullRedraw();
        headless->tick();
        EXPECT_TRUE(writePngFile(std::string(QV_TEST_OUT_DIR) + "/popups_" + name + ".png", s));
        bool inside = true;
        for (std::int32_t i = 0; i < kWidth * kHeight; ++i) {
            const std::int32_t x = i % kWidth, y = i / kWidth;
            const bool in = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
            inside = inside && (in || s.bits[i] == 0xFFFFFFFFu);
        }
        return inside;
    }

    PopupOwner owner;
    CGuiWindow* window = nullptr;
    CHeadlessWindow* headless = nullptr;
};

}  // namespace qv::test
