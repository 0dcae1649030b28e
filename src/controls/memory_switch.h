// The switch of one memory slot (M1 to M8), with three states: empty, stored (a graph is kept)
// and shown (the kept graph is drawn). A right click stores; a left click shows or hides;
// Ctrl with a left click deletes. The owner hears each action as a value whose bits are
// action x 256 + new state (a tiny positive float that bounds leaves alone) and reads the
// modifiers of the press through the getters (Alt: all instances at once).
// Frames: 2 (top) empty, 1 stored, 0 (bottom) shown.
#pragma once

#include "controls/film_strip_view.h"

namespace qv {

enum : std::uint32_t {
    kMemoryEmpty = 0,
    kMemoryStored = 1,
    kMemoryShown = 2,
};

enum : std::uint32_t {
    kMemoryActionNone = 0,
    kMemoryActionDelete = 1,
    kMemoryActionStore = 2,
    kMemoryActionRecall = 3,
    kMemoryActionHide = 4,
};

class CMemorySwitch : public CFilmStripView {
public:
    CMemorySwitch(CViewOwner* owner, std::uint32_t tag, CPoint position, CBitmap* bitmap);

    void onMouseDown(std::int32_t button, std::int32_t modifiers, std::int32_t x, std::int32_t y) override;
    void onMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) override;
    void draw(CDrawState state) override;

    // Of the last press.
    virtual std::uint32_t getModifiers() const { return modifiers; }
    virtual std::int32_t getButton() const { return button; }
    virtual std::uint32_t getState() const { return state; }
    // kMemoryEmpty, kMemoryStored or kMemoryShown; other values are ignored. Then a redraw.
    virtual void setState(std::uint32_t s);
    // An action taken elsewhere (another instance, the editor): delete empties, recall shows a
    // stored graph, hide takes a shown one back to stored. Then a redraw.
    virtual void applyAction(std::uint32_t action);
    // Shown: a stored graph is shown; not shown: a shown graph goes back to stored. Then a redraw.
    virtual void setGraphShown(bool on);
    virtual std::uint32_t getLastAction() const { return lastAction; }
    bool isAllInstances() const { return allInstances; }

    // The value bits of an action.
    static float encode(std::uint32_t action, std::uint32_t newState);

private:
    std::uint32_t state = kMemoryEmpty;
    bool stored = false;
    std::uint32_t lastAction = kMemoryActionNone;
    bool allInstances = false;
    std::uint32_t modifiers = 0;
    std::int32_t button = 0;
    bool editing = false;
};

}  // namespace qv
