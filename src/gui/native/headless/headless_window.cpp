#include "gui/native/headless/headless_window.h"

#include <algorithm>

#include "gui/gui_window.h"
#include "gui/native/presented_area.h"

namespace qv {

CHeadlessWindow::CHeadlessWindow(CGuiWindow& owner) : window(owner) {}

CHeadlessWindow::~CHeadlessWindow() { *alive = false; }

bool CHeadlessWindow::create(std::int32_t w, std::int32_t h) { return resize(w, h); }

void CHeadlessWindow::destroy() {
    stopTimer();
    pixels.clear();
    pixels.shrink_to_fit();
    screen.clear();
    width = height = 0;
}

bool CHeadlessWindow::resize(std::int32_t w, std::int32_t h) {
    if (w < 1 || h < 1) return false;
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFFFFFFFFu);
    presentAll = true;
    return true;
}

bool CHeadlessWindow::resizeHostFrames(std::int32_t w, std::int32_t h) { return exists() && resize(w, h); }

PixelSurface CHeadlessWindow::backBuffer() {
    return pixels.empty() ? PixelSurface{} : PixelSurface{pixels.data(), width, height};
}

void CHeadlessWindow::startTimer(std::uint32_t periodMs) {
    timerPeriodMs = periodMs > 0 ? periodMs : 1;
    timerRunning = true;
    nextTickMs = clockMs + timerPeriodMs;
}

void CHeadlessWindow::stopTimer() { timerRunning = false; }

void CHeadlessWindow::present(const CRect& drawn) {
    ++presentCount;
    if (!keepScreen) return;
    const CRect area = native::presentedArea(drawn, width, height, presentAll || screen.size() != pixels.size());
    presentAll = false;
    screen.resize(pixels.size());
    for (std::int32_t y = area.y; y < area.y + area.height; ++y) {
        const std::size_t row = static_cast<std::size_t>(height - 1 - y) * width;
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(row + area.x), area.width,
                    screen.begin() + static_cast<std::ptrdiff_t>(row + area.x));
    }
}

void CHeadlessWindow::advance(double ms) {
    const double end = clockMs + ms;
    const std::shared_ptr<bool> living = alive;
    while (timerRunning && nextTickMs <= end) {
        clockMs = nextTickMs;
        nextTickMs += timerPeriodMs;
        window.onTimer();
        if (!*living) return;
    }
    clockMs = end;
}

void CHeadlessWindow::tick() {
    if (timerRunning) window.onTimer();
}

void CHeadlessWindow::mouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
    window.setLastMouse(x, y);
    window.onMouseDown(button, modifiers, x, y);
}

void CHeadlessWindow::mouseUp(std::int32_t button, std::int32_t x, std::int32_t y) {
    window.setLastMouse(x, y);
    window.onMouseUp(button, x, y);
}

void CHeadlessWindow::mouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) {
    window.onMouseMove(x, y, modifiers);
}

void CHeadlessWindow::mouseWheel(std::int32_t delta, std::int32_t modifiers, std::int32_t x, std::int32_t y) {
    window.setLastMouse(x, y);
    window.onMouseWheel(delta, modifiers, x, y);
}

void CHeadlessWindow::keyDown(std::uint32_t key) { window.onKeyDown(key); }
void CHeadlessWindow::keyUp(std::uint32_t key) { window.onKeyUp(key); }
void CHeadlessWindow::focusLost() { window.onFocusLost(); }
void CHeadlessWindow::paint() { window.onPaint(); }

}  // namespace qv
