// The overlay popups under Xvfb with real X events (XTest): keys typed through the server's
// keyboard mapping into a text field, and a menu field answered by keys.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <chrono>
#include <thread>

#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "unit/popups/popups_fixture.h"
#include "x11/x11_support.h"

namespace qv {
namespace {

TEST(X11Popups, RealKeysReachTheTextBoxAndTheMenuList) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X display";
    const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 20, 20, 420, 320, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    test::PopupOwner owner;
    auto window = std::make_unique<CGuiWindow>(&owner, 0, 400, 300, reinterpret_cast<void*>(parent), nullptr);
    owner.window = window.get();
    ASSERT_FALSE(window->open(-1, -1));
    ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kX11);
    auto* field = new CTextEdit(&owner, CRect{20, 250, 120, 16}, 1);
    auto* menu = new COptionMenu(&owner, 2, CRect{200, 250, 80, 16});
    for (const char* t : {"512", "1024", "2048"}) menu->addEntry(t);
    owner.panel->addView(field);
    owner.panel->addView(menu);
    field->setText("x");

    const auto pumpUntil = [&](auto done) {
        for (int i = 0; i < 1000 && !done(); ++i, std::this_thread::sleep_for(std::chrono::milliseconds(2))) window->idle();
        return done();
    };
    const auto clickAt = [&](int x, int y) {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));  // past the click guard
        test::clickAt(display, test::windowOf(window->getNativeHandle()), x, y);
    };
    const auto press = [&](std::initializer_list<KeySym> syms) {
        for (KeySym s : syms) {
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, s), True, CurrentTime);
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, s), False, CurrentTime);
        }
        XFlush(display);
    };

    clickAt(30, 255);
    ASSERT_TRUE(pumpUntil([&] { return field->isEditing(); }));
    press({XK_a, XK_b, XK_BackSpace, XK_c, XK_Left, XK_Delete, XK_Home, XK_d, XK_Return});
    ASSERT_TRUE(pumpUntil([&] { return !field->isEditing(); }));
    EXPECT_EQ(field->getText(), "dxa");
    clickAt(210, 255);
    ASSERT_TRUE(pumpUntil([&] { return menu->getOverlay() != nullptr; }));
    press({XK_Down, XK_Down, XK_Return});
    ASSERT_TRUE(pumpUntil([&] { return menu->getText() == "2048"; }));

    window.reset();
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

}  // namespace
}  // namespace qv
