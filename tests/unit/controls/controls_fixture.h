// One fixture for the control toolkit: a headless 240 x 160 window whose owner records what the
// controls tell it; input is given in toolkit points (y up) and sent as window pixels, so the
// window's y flip is in the path; film strips whose frames are told apart by their pixels.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "controls/view.h"
#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/bitmap.h"
#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/pixel.h"
#include "gui/png_writer.h"
#include "gui/rect_math.h"
#include "gui/window_owner.h"

namespace qv::test {

class RecordingOwner : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override { window->addPage(new CPage); }
    void getRect(CRect& r) const override { r = CRect{0, 0, window->getWidth(), window->getHeight()}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window->getDrawContext(); }
    void valueChanged(std::uint32_t tag, float v) override { add('v', tag, v); }
    void beginEdit(std::int32_t tag) override { add('b', static_cast<std::uint32_t>(tag), 0.0f); }
    void endEdit(std::int32_t tag) override { add('e', static_cast<std::uint32_t>(tag), 0.0f); }
    void add(char kind, std::uint32_t tag, float v) {
        kinds += kind;
        tags.push_back(tag);
        if (kind == 'v') values.push_back(v);
    }

    CGuiWindow* window = nullptr;
    std::string kinds;  // b begin, v value, e end
    std::vector<std::uint32_t> tags;
    std::vector<float> values;
};

// Counts its draws and fills its rect, or a repainted area, with one pixel (0: paints nothing).
class ProbeView : public CView {
public:
    ProbeView(CViewOwner* o, const CRect& r, std::uint32_t pixel, bool mouse = false, bool capture = false)
        : CView(o, 7), fill(nullptr, pixelRed(pixel) / 255.0f, pixelGreen(pixel) / 255.0f, pixelBlue(pixel) / 255.0f,
                            1.0f, pixel ? std::uint32_t{kColorBrush} : 0u) {
        rect = r;
        mouseEnabled = mouse;
        captureMouse = capture;
    }
    void draw(CDrawState state) override {
        ++draws;
        paint(rect, state);
    }
    void redrawArea(CRect area, CDrawState state) override {
        areas.push_back(area);
        paint(area, state);
    }
    void paint(const CRect& area, const CDrawState& state) {
        owner->getDrawContext(&state)->fillRect(rectOffset(area, containerOrigin().x, containerOrigin().y), fill);
    }
    void onMouseDown(std::int32_t, std::int32_t, std::int32_t x, std::int32_t y) override { presses.push_back({x, y}); }
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t) override { presses.push_back({x, y}); }
    void cancelMouse() override { ++cancels; }

    CColor fill;
    int draws = 0, cancels = 0;
    std::vector<CRect> areas;
    std::vector<CPoint> presses;  // and moves
};

class ControlsTest : public ::testing::Test {
protected:
    static constexpr std::int32_t kHeight = 160;
    static constexpr std::uint32_t kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;

    ControlsTest() : window(new CGuiWindow(&owner, 0, 240, kHeight, nullptr, nullptr)) {
        owner.window = window;
        window->setTimerPeriod(40.0f);
        window->open(-1, -1);
        headless = dynamic_cast<CHeadlessWindow*>(window->getNativeWindow());
        headless->advance(1000.0);  // past the click guard and the first full redraw
    }
    ~ControlsTest() override { CGuiWindow::dispose(window); }

    CViewContainer* panel(const CRect& r) {
        auto* c = new CViewContainer(&owner, r);
        window->getCurrentPage()->addContainer(c);
        return c;
    }
    template <class V>
    V* put(CViewContainer* c, V* view) {
        c->addView(view);
        return view;
    }
    // A press comes 100 ms after the last event, clear of the window's click guard.
    void press(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
        headless->advance(100.0);
        headless->mouseDown(button, modifiers, x, kHeight - 1 - y);
    }
    void moveTo(std::int32_t x, std::int32_t y, std::int32_t m = 0) { headless->mouseMove(x, kHeight - 1 - y, m); }
    void release(std::int32_t button, std::int32_t x, std::int32_t y) { headless->mouseUp(button, x, kHeight - 1 - y); }
    void pass() { headless->tick(); }
    void fullPass() {
        window->requestFullRedraw();
        headless->tick();
    }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return window->getBackBuffer().row(y)[x]; }
    // The pixels of r, row by row.
    std::vector<std::uint32_t> area(const CRect& r) const {
        std::vector<std::uint32_t> v;
        for (std::int32_t y = r.y; y < r.y + r.height; ++y) {
            const std::uint32_t* row = window->getBackBuffer().row(y) + r.x;
            v.insert(v.end(), row, row + r.width);
        }
        return v;
    }
    bool all(const CRect& r, std::uint32_t p) const {
        const auto v = area(r);
        return std::all_of(v.begin(), v.end(), [p](std::uint32_t q) { return q == p; });
    }
    void clearScreen(std::uint32_t p = kWhite) {
        const PixelSurface s = window->getBackBuffer();
        std::fill(s.bits, s.bits + static_cast<std::size_t>(s.width) * s.height, p);
    }
    // Runs write(i) on another thread during 200 passes (redraw-all ones when full); counts the
    // passes after which whole() is false.
    template <class Write, class Whole>
    int race(CView& view, Write write, Whole whole, bool full) {
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            for (int i = 0; !stop.load(); ++i) write(i);
        });
        int broken = 0;
        for (int i = 0; i < 200; ++i) {
            view.setUpdate();
            full ? fullPass() : pass();
            broken += whole() ? 0 : 1;
        }
        stop = true;
        writer.join();
        return broken;
    }
    // `frames` frames of w x h stacked along y (x when horizontal), copied when drawn.
    CBitmap* strip(std::int32_t w, std::int32_t h, std::int32_t frames, bool horizontal = false) {
        const std::int32_t fw = horizontal ? w * frames : w, fh = horizontal ? h : h * frames;
        std::vector<std::uint32_t> px(static_cast<std::size_t>(fw) * fh);
        for (std::size_t i = 0; i < px.size(); ++i) {
            px[i] = packPixel(40, 40 + static_cast<std::int32_t>(horizontal ? i % fw / w : i / fw / h), 200, 255);
        }
        const std::vector<std::uint8_t> png = encodePng(PixelSurface{px.data(), fw, fh});
        auto* bitmap = new CBitmap(png.data(), png.size());
        bitmap->setBlendEnabled(false);
        window->addResource(bitmap);
        return bitmap;
    }
    // The frame shown at (x, y), or -1; loading premultiplies by alpha 255: c * 255 >> 8.
    std::int32_t frameAt(std::int32_t x, std::int32_t y) const {
        const std::uint32_t p = pixel(x, y);
        const bool inStrip = pixelBlue(p) == 39 && pixelRed(p) == 199 && pixelAlpha(p) == 255;
        return inStrip ? static_cast<std::int32_t>(pixelGreen(p)) - 39 : -1;
    }

    RecordingOwner owner;
    CGuiWindow* window;
    CHeadlessWindow* headless = nullptr;
};

}  // namespace qv::test
