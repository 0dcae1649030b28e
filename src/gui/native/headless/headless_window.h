// The off-screen window: a back buffer in memory, a virtual clock the caller advances, and
// synthetic input. Tests and the demo host drive an editor through it without any display.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/native/native_window.h"

namespace qv {

class CHeadlessWindow final : public CNativeWindow {
public:
    explicit CHeadlessWindow(CGuiWindow& window);
    ~CHeadlessWindow() override;

    CWindowBackend kind() const override { return CWindowBackend::kHeadless; }
    bool create(std::int32_t width, std::int32_t height) override;
    void destroy() override;
    bool resize(std::int32_t width, std::int32_t height) override;
    bool resizeHostFrames(std::int32_t width, std::int32_t height) override;
    PixelSurface backBuffer() override;
    void startTimer(std::uint32_t periodMs) override;
    void stopTimer() override;
    void present(const CRect& drawn) override;
    void validate() override { ++validateCount; }
    void setCursor(CCursorShape shape) override { cursor = shape; }
    double nowMs() override { return clockMs; }
    void idle() override {}
    void* nativeHandle() const override { return nullptr; }

    // Moves the virtual clock on by ms, running a timer pass at every period that falls due.
    void advance(double ms);
    // One timer pass now, when the timer runs (the clock stays).
    void tick();
    // Input as the window system would deliver it, in window pixels (origin top left): a press
    // also sets the last mouse position, like the native windows do.
    void mouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y);
    void mouseUp(std::int32_t button, std::int32_t x, std::int32_t y);
    void mouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers);
    void mouseWheel(std::int32_t delta, std::int32_t modifiers, std::int32_t x, std::int32_t y);
    void keyDown(std::uint32_t key);
    void keyUp(std::uint32_t key);
    void focusLost();
    void paint();

    bool isTimerRunning() const { return timerRunning; }
    std::uint32_t getTimerPeriod() const { return timerPeriodMs; }
    std::uint32_t getPresentCount() const { return presentCount; }
    std::uint32_t getValidateCount() const { return validateCount; }
    CCursorShape getCursor() const { return cursor; }
    bool exists() const { return !pixels.empty(); }
    // With keepScreen on, present() copies what it was told was drawn (all of the back buffer at
    // the first present after a new buffer or after keepScreen was set) to a "screen" image
    // that tests read, bottom-up like the back buffer: the part the X11 and Win32 windows send.
    void setKeepScreen(bool on) {
        keepScreen = on;
        presentAll = true;
    }
    const std::vector<std::uint32_t>& getScreen() const { return screen; }

private:
    CGuiWindow& window;
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint32_t> screen;
    std::int32_t width = 0;
    std::int32_t height = 0;
    double clockMs = 0.0;
    double nextTickMs = 0.0;
    std::uint32_t timerPeriodMs = 0;
    bool timerRunning = false;
    bool keepScreen = false;
    bool presentAll = true;
    std::uint32_t presentCount = 0;
    std::uint32_t validateCount = 0;
    CCursorShape cursor = CCursorShape::kArrow;
    // Cleared by the destructor: a pass driven from advance() may delete the window and this.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

}  // namespace qv
