// The base of every on-screen element: a rectangle in its container (y up, relative to the
// container's origin), an owner that receives value changes and edit gestures and supplies the
// drawing context, display and mouse flags, and a value normalised to [0, 1] with change
// notification. The base draws nothing and ignores the mouse; controls override the hooks.
//
// Mouse arguments: button 1 left, 2 right, 3 middle; modifiers 1 Shift, 2 Ctrl, 4 Alt.
#pragma once

#include <cstdint>

#include "controls/update_flag.h"
#include "controls/view_container.h"
#include "gui/draw_state.h"
#include "gui/geometry.h"
#include "gui/key_codes.h"  // modifier bits of mouse events
#include "gui/window_view.h"

namespace qv {

class CDrawContext;
class CViewOwner;

enum : std::int32_t {
    kMouseLeft = 1,
    kMouseRight = 2,
    kMouseMiddle = 3,
};

class CView : public CUpdateFlag, public CWindowView {
public:
    // owner may be null: the view then changes and redraws but notifies nobody.
    CView(CViewOwner* owner, std::uint32_t tag);
    ~CView() override;

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    // Deltas since the previous position while usesRelativeMouse, else the position.
    void onMouseMove(std::int32_t x, std::int32_t y, std::int32_t modifiers) override;
    // The window takes the capture away: a left release at (1, 1) unless a control knows better.
    void cancelMouse() override;
    virtual bool capturesMouse() const { return captureMouse; }
    // Text fields and dialogs close what they have open.
    virtual void cancelEditing() {}
    virtual void setMouseEnabled(bool on) { mouseEnabled = on; }
    virtual bool isMouseEnabled() const { return mouseEnabled; }
    virtual void setTransparent(bool on) { transparent = on; }
    virtual bool isTransparent() const { return transparent; }
    virtual void setShown(bool on) { shown = on; }
    virtual bool isShown() const { return shown; }
    virtual void setNotifyAlways(bool on) { notifyAlways = on; }
    bool usesRelativeMouse() const override { return relativeMouse; }
    // Mouse and display together, then a redraw.
    virtual void setVisible(bool on);
    virtual bool isVisible() const { return mouseEnabled && shown; }
    CRect getRect() const override { return rect; }
    virtual std::uint32_t getTag() const { return tag; }
    // Paints the view. In a panel's pass both levels of the context's clip stack are taken: the
    // panel, and the view's rect (or the area of a redrawArea) within it.
    void draw(CDrawState state) override;
    // Repaints the part `area` (container coordinates) for a transparent view above it. The
    // base draws the whole view; the container clips that to the area. Must not advance any
    // state a draw would (an animated view draws its last frame again).
    virtual void redrawArea(CRect area, CDrawState state);
    CViewContainer* getContainer() const override { return container; }
    virtual void setContainer(CViewContainer* viewContainer) { container = viewContainer; }

    // value := v clamped; a redraw when it differs from the last drawn or notified value.
    virtual void setValue(float v);
    virtual void setValueSilently(float v) { value = v; }
    virtual float getValue() const { return value; }
    // The owner hears (tag, value) when the value changed since the last notification, or when
    // forced, or always with notifyAlways (which never advances the last value).
    virtual void notifyOwner(bool force);
    // Clamps the value to [0, 1]; NaN becomes 0.
    virtual void bounds();
    virtual void setDefaultValue(float v) { defaultValue = v; }
    virtual void resetToDefault();
    virtual void setAlternateDefault(float v);
    virtual void resetToAlternateDefault();
    virtual void setHasAlternateDefault(bool on) { hasAlternateDefault = on; }
    virtual void beginEdit();
    virtual void endEdit();

    CViewOwner* getOwner() const { return owner; }
    float getDefaultValue() const { return defaultValue; }
    bool getHasAlternateDefault() const { return hasAlternateDefault; }
    bool isNotifyAlways() const { return notifyAlways; }
    // Places the view in its container (lower-left corner, size).
    void setRect(const CRect& r) { rect = r; }

protected:
    // The owner's context for this pass (the container's window's when there is no owner).
    CDrawContext* contextFor(const CDrawState& state) const;
    // The rectangle in window coordinates: rect moved by the container's origin.
    CRect windowRect() const;
    CPoint containerOrigin() const;

    CViewOwner* owner;
    CViewContainer* container = nullptr;
    bool mouseEnabled = false;
    bool transparent = false;
    bool shown = true;
    bool notifyAlways = false;
    bool captureMouse = false;
    bool relativeMouse = true;
    std::uint32_t tag;
    float value = 0.0f;
    float lastValue = 0.0f;
    float defaultValue = 0.0f;
    float alternateDefault = 0.0f;
    bool hasAlternateDefault = false;
    CRect rect{};
};

}  // namespace qv
