// The popup fields' fixture: an owner whose one page holds one panel as large as the window, and
// a headless window of 320 x 240 (see the toolkit's rig for the input helpers).
#pragma once

#include <cstdint>
#include <utility>

#include "unit/controls/headless_rig.h"

namespace qv::test {

// The window's key codes (gui/key_codes.h repeats the toolkit's mouse constants under the same names).
namespace key {
extern const std::uint32_t kReturn, kEscape, kBackspace, kDelete, kLeft, kRight, kUp, kDown, kHome, kEnd;
}

class PopupOwner : public RecordingOwner {
public:
    void buildControls() override {
        auto* page = new CPage;
        panel = new CViewContainer(this, CRect{0, 0, window->getWidth(), window->getHeight()});
        page->addContainer(panel);
        window->addPage(page);
    }
    CViewContainer* panel = nullptr;
};

class PopupsTest : public HeadlessTest<PopupOwner> {
protected:
    PopupsTest() : HeadlessTest(320, 240) {}
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
};

}  // namespace qv::test
