// The popup fields' fixture: a headless window of 320 x 240 whose page holds one panel as large
// as the window (see the toolkit's rig for the input helpers).
#pragma once

#include <cstdint>
#include <utility>

#include "unit/controls/headless_rig.h"

namespace qv::test {

// The window's key codes (gui/key_codes.h repeats the toolkit's mouse constants under the same names).
namespace key {
extern const std::uint32_t kReturn, kEscape, kBackspace, kDelete, kLeft, kRight, kUp, kDown, kHome, kEnd;
}

class PopupsTest : public HeadlessTest<RecordingOwner> {
protected:
    PopupsTest() : HeadlessTest(320, 240), whole(panel(CRect{0, 0, 320, 240})) {}
    template <class V>
    V* put(V* view) {
        return HeadlessTest::put(whole, view);
    }
    void drop(CView* view) {
        whole->removeView(view);
        delete view;
    }
    void closeWindow() { CGuiWindow::dispose(std::exchange(window, nullptr)); }
    CViewContainer* whole;  // the panel as large as the window
};

}  // namespace qv::test
