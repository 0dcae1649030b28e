// A headless editor window of 320 x 240 with one panel, an owner that records what the fields
// tell it, input given at toolkit points (y up) and sent in window pixels, and a picture of the
// back buffer written under the build's test-artifacts folder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/png_writer.h"
#include "gui/window_owner.h"

namespace qv::test {

class PopupOwner : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override { window->addPage(new CPage); }
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
        panel = new CViewContainer(&owner, CRect{0, 0, kWidth, kHeight});
        window->getCurrentPage()->addContainer(panel);
    }
    ~PopupsTest() override {
        if (window) CGuiWindow::dispose(window);
    }
    template <class V>
    V* put(V* view) {
        panel->addView(view);
        return view;
    }
    void closeWindow() {
        CGuiWindow::dispose(window);
        window = nullptr;
    }

    // A press and release at a toolkit point, 100 ms after the last event (past the click guard).
    void click(std::int32_t x, std::int32_t y, std::int32_t button = 1) {
        headless->advance(100.0);
        headless->mouseDown(button, 0, x, kHeight - 1 - y);
        headless->mouseUp(button, x, kHeight - 1 - y);
    }
    void click(CPoint p) { click(p.x, p.y); }
    void moveTo(CPoint p) { headless->mouseMove(p.x, kHeight - 1 - p.y, 0); }
    void keys(const std::vector<std::uint32_t>& codes) {
        for (std::uint32_t k : codes) {
            headless->keyDown(k);
            headless->keyUp(k);
        }
    }
    void type(const std::string& text) {
        for (char c : text) keys({static_cast<unsigned char>(c)});
    }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return window->getBackBuffer().row(y)[x]; }
    // A full pass over a white back buffer, then the buffer as test-artifacts/popups_<name>.png.
    void snapshot(const std::string& name) {
        const PixelSurface s = window->getBackBuffer();
        std::fill(s.bits, s.bits + static_cast<std::size_t>(s.width) * s.height, 0xFFFFFFFFu);
        window->requestFullRedraw();
        headless->tick();
        EXPECT_TRUE(writePngFile(std::string(QV_TEST_OUT_DIR) + "/popups_" + name + ".png", window->getBackBuffer()));
    }
    // Every pixel outside r is the page's (untouched white): nothing of a popup lies there.
    bool onlyInside(const CRect& r) const {
        for (std::int32_t y = 0; y < kHeight; ++y) {
            for (std::int32_t x = 0; x < kWidth; ++x) {
                const bool in = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
                if (!in && pixel(x, y) != 0xFFFFFFFFu) return false;
            }
        }
        return true;
    }

    PopupOwner owner;
    CGuiWindow* window = nullptr;
    CHeadlessWindow* headless = nullptr;
    CViewContainer* panel = nullptr;
};

}  // namespace qv::test
