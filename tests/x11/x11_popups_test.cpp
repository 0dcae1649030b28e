// The overlay popups under Xvfb with real X events (XTest): a text field typed into through the
// keyboard mapping of the server, and a menu field chosen from by keys.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/gui_window.h"
#include "gui/page.h"
#include "gui/window_owner.h"

namespace qv {
namespace {

class PopupOwner : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override {
        auto* page = new CPage;
        panel = new CViewContainer(this, CRect{0, 0, 400, 300});
        page->addContainer(panel);
        window->addPage(page);
    }
    void getRect(CRect& r) const override { r = CRect{0, 0, 400, 300}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window->getDrawContext(); }
    void valueChanged(std::uint32_t, float v) override { values.push_back(v); }
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}

    CGuiWindow* window = nullptr;
    CViewContainer* panel = nullptr;
    std::vector<float> values;
};

class X11Popups : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display";
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), 20, 20, 420, 320, 0,
                                     BlackPixel(display, screen), BlackPixel(display, screen));
        XSelectInput(display, parent, StructureNotifyMask);
        XMapWindow(display, parent);
        for (XEvent e;;) {
            XNextEvent(display, &e);
            if (e.type == MapNotify) break;
        }
        window = std::make_unique<CGuiWindow>(&owner, 0, 400, 300,
                                              reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)), nullptr);
        owner.window = window.get();
        window->setTimerPeriod(40.0f);
        ASSERT_FALSE(window->open(-1, -1));
        ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kX11);
        child = static_cast<Window>(reinterpret_cast<std::uintptr_t>(window->getNativeHandle()));
        field = new CTextEdit(&owner, CRect{20, 250, 120, 16}, 1);
        owner.panel->addView(field);
        menu = new COptionMenu(&owner, 2, CRect{200, 250, 80, 16});
        for (const char* t : {"512", "1024", "2048", "4096"}) menu->addEntry(t);
        owner.panel->addView(menu);
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
    }
    void TearDown() override {
        window.reset();
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }
    template <class F>
    bool pumpUntil(F done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            window->idle();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    // A real left click at a toolkit point of the editor.
    void clickAt(int x, int y) {
        int rootX = 0, rootY = 0;
        Window ignored;
        XTranslateCoordinates(display, child, DefaultRootWindow(display), x, 300 - 1 - y, &rootX, &rootY, &ignored);
        XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XFlush(display);
    }
    void press(const std::vector<KeySym>& syms) {
        for (KeySym s : syms) {
            const KeyCode code = XKeysymToKeycode(display, s);
            XTestFakeKeyEvent(display, code, True, CurrentTime);
            XTestFakeKeyEvent(display, code, False, CurrentTime);
        }
        XFlush(display);
    }

    Display* display = nullptr;
    Window parent = 0;
    Window child = 0;
    PopupOwner owner;
    std::unique_ptr<CGuiWindow> window;
    CTextEdit* field = nullptr;
    COptionMenu* menu = nullptr;
};

TEST_F(X11Popups, TypedKeysEditTheFieldAndEnterTakesIt) {
    field->setText("x");
    clickAt(30, 255);
    ASSERT_TRUE(pumpUntil([&] { return field->isEditing(); }));
    press({XK_a, XK_b, XK_BackSpace, XK_c, XK_Left, XK_Delete, XK_Home, XK_d, XK_Return});
    ASSERT_TRUE(pumpUntil([&] { return !field->isEditing(); }));
    EXPECT_EQ(field->getText(), "dxa");
    EXPECT_EQ(owner.values.size(), 1u);
    // Escape drops what was typed.
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    clickAt(30, 255);
    ASSERT_TRUE(pumpUntil([&] { return field->isEditing(); }));
    press({XK_z, XK_Escape});
    ASSERT_TRUE(pumpUntil([&] { return !field->isEditing(); }));
    EXPECT_EQ(field->getText(), "dxa");
    EXPECT_EQ(owner.values.size(), 1u);
}

TEST_F(X11Popups, MenuListAnswersKeys) {
    clickAt(210, 255);
    ASSERT_TRUE(pumpUntil([&] { return menu->getOverlay() != nullptr; }));
    press({XK_Down, XK_Down, XK_Return});
    ASSERT_TRUE(pumpUntil([&] { return !owner.values.empty(); }));
    EXPECT_EQ(owner.values[0], 2.0f);
    EXPECT_EQ(menu->getText(), "2048");
}

}  // namespace
}  // namespace qv
