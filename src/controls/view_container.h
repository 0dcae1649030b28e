// One rectangular panel of an editor page. It owns its views and is their coordinate origin,
// hit-tests them on a press (last added first), runs the draw pass over them (first added first,
// transparent views over a repaint of what lies beneath), and can be made inactive, which takes
// the whole panel off the screen (neither drawn nor hit) without touching its views.
#pragma once

#include <cstdint>

#include "gui/draw_state.h"
#include "gui/geometry.h"
#include "gui/list.h"
#include "gui/window_view.h"

namespace qv {

class CDrawContext;
class CGuiWindow;
class CView;
class CViewOwner;

class CViewContainer : public CWindowContainer {
public:
    // rect: position and size in window coordinates (y up). owner may be null.
    CViewContainer(CViewOwner* owner, const CRect& rect);
    // Deletes every view.
    ~CViewContainer() override;
    CViewContainer(const CViewContainer&) = delete;
    CViewContainer& operator=(const CViewContainer&) = delete;

    // Moves the panel; the views keep their relative rects and move with it.
    virtual void setPosition(CPoint point);
    // A press at window coordinates. Inactive: answers true (the window offers it on). Active:
    // the hit view, if any, gets it (and the capture when it asks for it); a press on no view
    // takes any capture away. Answers false: consumed.
    bool onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    virtual bool isInactive() const { return !active; }
    // Takes ownership; the view's setContainer(this), then appended. Null is ignored.
    virtual void addView(CView* view);
    // Takes the view out of the panel without deleting it (the caller owns it again); a capture
    // it holds ends first. False when it is not in this panel.
    virtual bool removeView(CView* view);
    void draw(CDrawState state) override;
    void setPage(CPage* p) override { page = p; }
    CPage* getPage() const { return page; }
    // Every view's cancelEditing, in the order added.
    void cancelEditing() override;
    CRect getRect() const override { return rect; }
    // Nothing is redrawn; bring the panel back with redrawViews.
    virtual void setActive(bool on) { active = on; }
    virtual void activate() { active = true; }
    virtual void deactivate() { active = false; }
    virtual bool isActive() const { return active; }
    // Every shown view that meets the panel's own area gets a redraw request.
    virtual void redrawViews();

    // The views in the order added. Iteration by nodes leaves the list's cursor alone, so a
    // pass may walk the list inside another walk.
    std::uint32_t getViewCount() const { return views.count(); }
    CView* getView(std::uint32_t index) const { return views.getItem(index); }
    CListNode<CView>* getFirstNode() const { return views.head(); }
    CListNode<CView>* getLastNode() const { return views.tail(); }
    CView* getFirstView() { return views.first(); }
    CView* getNextView() { return views.next(); }

    CViewOwner* getOwner() const { return owner; }
    // The window of the page, or null before the panel is on a page.
    CGuiWindow* getWindow() const;
    // The owner's context for a pass; without an owner, the window's.
    CDrawContext* getDrawContext(const CDrawState& state) const;

private:
    void drawView(CView& view, CListNode<CView>* node, CDrawState state, CDrawContext* dc);

    CViewOwner* owner;
    CRect rect;
    CPage* page = nullptr;
    bool active = true;
    CList<CView> views{true};
};

}  // namespace qv
