// The popup fields' fixture: an owner whose one page holds one panel as large as the window (also
// used by the Windows popup tests), and a headless window of 320 x 240 (see the toolkit's rig for
// the input helpers).
#pragma once

#include "gui/key_codes.h"
#include "unit/controls/headless_rig.h"

namespace qv::test {

class PopupOwner : public RecordingOwner {
public:
    void buildControls() override {
        RecordingOwner::buildControls();
        panel = new CViewContainer(this, CRect{0, 0, window->getWidth(), window->getHeight()});
        window->getPage(0)->addContainer(panel);
    }
    CViewContainer* panel = nullptr;
};

class PopupsTest : public HeadlessTest<PopupOwner> {
protected:
    PopupsTest() : HeadlessTest(320, 240) {}
    template <class V>
    V* put(V* view) { return HeadlessTest::put(owner.panel, view); }
    void drop(CView* view) { owner.panel->removeView(view), delete view; }
    void closeWindow() { CGuiWindow::dispose(std::exchange(window, nullptr)); }
};

}  // namespace qv::test
