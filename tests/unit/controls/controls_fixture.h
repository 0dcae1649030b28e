// One fixture for the control toolkit: a headless editor window of 240 x 160 whose owner records
// what the controls tell it, panels on its page, input given in toolkit coordinates (y up) and
// sent in window pixels, so the window's y flip is in the path, and film strips whose frames are
// told apart by their pixels.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "controls/view.h"
#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/bitmap.h"
#include "gui/gui_window.h"
#include "gui/native/headless/headless_window.h"
#include "gui/page.h"
#include "gui/pixel.h"
#include "gui/png_writer.h"
#include "gui/window_owner.h"

namespace qv::test {

struct OwnerCall {
    char kind;  // 'v' valueChanged, 'b' beginEdit, 'e' endEdit
    std::int64_t tag;
    float value;
};

class RecordingOwner : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override { window->addPage(new CPage); }
    void getRect(CRect& r) const override { r = CRect{0, 0, window->getWidth(), window->getHeight()}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window ? window->getDrawContext() : nullptr; }
    void valueChanged(std::uint32_t tag, float v) override { calls.push_back({'v', tag, v}); }
    void beginEdit(std::int32_t tag) override { calls.push_back({'b', tag, 0.0f}); }
    void endEdit(std::int32_t tag) override { calls.push_back({'e', tag, 0.0f}); }

    // The kinds of the calls so far, e.g. "bve", and the values notified.
    std::string kinds() const {
        std::string s;
        for (const OwnerCall& c : calls) s += c.kind;
        return s;
    }
    std::vector<float> values() const {
        std::vector<float> v;
        for (const OwnerCall& c : calls) {
            if (c.kind == 'v') v.push_back(c.value);
        }
        return v;
    }

    CGuiWindow* window = nullptr;
    std::vector<OwnerCall> calls;
};

// A view that counts its draws and paints its rect (or the repainted area) in one colour.
class ProbeView : public CView {
public:
    ProbeView(CViewOwner* o, const CRect& r, std::uint32_t pixel) : CView(o, 7), fill(pixel) { rect = r; }
    void draw(CDrawState state) override {
        ++draws;
        paint(state, rect);
    }
    void onMouseDown(std::int32_t, std::int32_t, std::int32_t x, std::int32_t y) override { presses.push_back(CPoint{x, y}); }
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t) override { moves.push_back(CPoint{x, y}); }
    void cancelMouse() override { ++cancels; }
    void redrawArea(CRect area, CDrawState state) override {
        ++areas;
        lastArea = area;
        paint(state, area);
    }
    void paint(const CDrawState& state, const CRect& r);

    std::uint32_t fill;
    int draws = 0;
    int areas = 0;
    CRect lastArea{};
    std::vector<CPoint> presses;
    std::vector<CPoint> moves;
    int cancels = 0;
    void enableMouse(bool capture) {
        mouseEnabled = true;
        captureMouse = capture;
    }
};

class ControlsTest : public ::testing::Test {
protected:
    static constexpr std::int32_t kWidth = 240;
    static constexpr std::int32_t kHeight = 160;
    static constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

    ControlsTest() {
        window = new CGuiWindow(&owner, 0, kWidth, kHeight, nullptr, nullptr);
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

    // Input at toolkit points of the window; a press comes 100 ms after the last event.
    void press(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
        headless->advance(100.0);
        headless->mouseDown(button, modifiers, x, kHeight - 1 - y);
    }
    void moveTo(std::int32_t x, std::int32_t y, std::int32_t modifiers = 0) {
        headless->mouseMove(x, kHeight - 1 - y, modifiers);
    }
    void release(std::int32_t button, std::int32_t x, std::int32_t y) { headless->mouseUp(button, x, kHeight - 1 - y); }
    void click(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
        press(button, modifiers, x, y);
        release(button, x, y);
    }
    void pass() { headless->tick(); }
    void fullPass() {
        window->requestFullRedraw();
        headless->tick();
    }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return window->getBackBuffer().row(y)[x]; }
    // Whether every pixel of r (window, toolkit coordinates) is p.
    bool all(const CRect& r, std::uint32_t p) const {
        for (std::int32_t y = r.y; y < r.y + r.height; ++y) {
            for (std::int32_t x = r.x; x < r.x + r.width; ++x) {
                if (pixel(x, y) != p) return false;
            }
        }
        return true;
    }
    void clearScreen(std::uint32_t p = kWhite) {
        const PixelSurface s = window->getBackBuffer();
        std::fill(s.bits, s.bits + static_cast<std::size_t>(s.width) * s.height, p);
    }

    // A strip of `frames` frames of w x h stacked along y (or x when horizontal), copied, not
    // blended, when drawn; frame k is drawn as the solid pixel stripPixel(k).
    CBitmap* strip(std::int32_t w, std::int32_t h, std::int32_t frames, bool horizontal = false) {
        const std::int32_t fw = horizontal ? w * frames : w;
        const std::int32_t fh = horizontal ? h : h * frames;
        std::vector<std::uint32_t> px(static_cast<std::size_t>(fw) * fh);
        for (std::int32_t y = 0; y < fh; ++y) {
            for (std::int32_t x = 0; x < fw; ++x) px[static_cast<std::size_t>(y) * fw + x] = sourcePixel(horizontal ? x / w : y / h);
        }
        const std::vector<std::uint8_t> png = encodePng(PixelSurface{px.data(), fw, fh}, PngAlpha::kOpaque);
        auto* bitmap = new CBitmap(png.data(), png.size());
        bitmap->setBlendEnabled(false);
        window->addResource(bitmap);
        return bitmap;
    }
    static std::uint32_t sourcePixel(std::int32_t k) { return packPixel(k * 3 & 0xFF, 40 + k, 200, 255); }
    // Frame k as drawn: the PNG's colours premultiplied by alpha 255 on loading, c * 255 >> 8.
    static std::uint32_t stripPixel(std::int32_t k) {
        const std::uint32_t p = sourcePixel(k);
        return packPixel(pixelBlue(p) * 255 >> 8, pixelGreen(p) * 255 >> 8, pixelRed(p) * 255 >> 8, 255);
    }
    // The frame whose pixel is at (x, y), or -1.
    std::int32_t frameAt(std::int32_t x, std::int32_t y, std::int32_t frames = 256) const {
        for (std::int32_t k = 0; k < frames; ++k) {
            if (pixel(x, y) == stripPixel(k)) return k;
        }
        return -1;
    }

    RecordingOwner owner;
    CGuiWindow* window = nullptr;
    CHeadlessWindow* headless = nullptr;
};

}  // namespace qv::test
