// The native popups under Wine, answered by posted messages: the edit box over a text field, the
// popup menu of a menu field and the colour dialog of a colour field.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "controls/color_chooser.h"
#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "unit/popups/popups_fixture.h"
#include "windows/win32_support.h"

namespace qv {
namespace {

void postKey(HWND to, WPARAM vk) {
    PostMessageA(to, WM_KEYDOWN, vk, 1);
    PostMessageA(to, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

class Win32Popups : public ::testing::Test {
protected:
    void SetUp() override {
        host = test::hostWindow(420, 320);
        window = std::make_unique<CGuiWindow>(&owner, 0, 400, 300, host, nullptr);
        owner.window = window.get();
        ASSERT_FALSE(window->open(-1, -1));
        ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kWin32);
        child = static_cast<HWND>(window->getNativeHandle());
    }
    void TearDown() override {
        window.reset();
        DestroyWindow(host);
    }
    // A left press at a toolkit point, posted after the click guard.
    void postClick(int x, int y) {
        test::pump(80);
        PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 300 - 1 - y));
        PostMessageA(child, WM_LBUTTONUP, 0, MAKELPARAM(x, 300 - 1 - y));
    }

    test::PopupOwner owner;
    HWND host = nullptr, child = nullptr;
    std::unique_ptr<CGuiWindow> window;
};

TEST_F(Win32Popups, EditBoxTakesEnterAndDropsEscape) {
    auto* field = new CTextEdit(&owner, CRect{20, 200, 120, 16}, 5);
    owner.panel->addView(field);
    field->setText("ab");
    for (const WPARAM last : {VK_ESCAPE, VK_RETURN}) {
        postClick(30, 205);
        test::pump(100);
        ASSERT_TRUE(field->isEditing());
        HWND edit = GetFocus();
        SendMessageA(edit, EM_SETSEL, 2, 2);  // the caret after the text
        PostMessageA(edit, WM_CHAR, 'x', 1);
        postKey(edit, last);
        test::pump(100);
        EXPECT_FALSE(IsWindow(edit));
    }
    EXPECT_EQ(field->getText(), "abx");
    EXPECT_EQ(owner.changes.size(), 1u);
}

TEST_F(Win32Popups, MenuChoiceComesBackByPosition) {
    auto* menu = new COptionMenu(&owner, 7, CRect{40, 250, 80, 16});
    owner.panel->addView(menu);
    for (const char* size : {"512", "1024", "2048", "4096", "8192", "16384"}) menu->addEntry(size);
    postClick(45, 255);  // the keys wait in the queue for the menu loop the press starts
    postKey(child, VK_ESCAPE);
    test::pump(300);
    postClick(45, 255);
    for (const WPARAM vk : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) postKey(child, vk);
    test::pump(300);
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0].value, 3.0f);
    EXPECT_EQ(menu->getText(), "4096");
}

// The colour dialog runs inside the press: a thread timer firing in its loop ends it as closing
// the editor does, or presses OK in it.
CColorChooser* g_cancel = nullptr;

BOOL CALLBACK pressOk(HWND w, LPARAM) { return PostMessageA(w, WM_COMMAND, IDOK, 0); }

void CALLBACK answerDialog(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_cancel ? g_cancel->cancelEditing() : static_cast<void>(EnumThreadWindows(GetCurrentThreadId(), pressOk, 0));
}

TEST_F(Win32Popups, ColourDialogOkTakesItsColourAndClosingTheEditorEndsIt) {
    for (const bool ok : {false, true}) {
        auto* field = new CColorChooser(&owner, 9, CRect{30, 30, 20, 20});
        owner.panel->addView(field);
        const float blue[4] = {0.0f, 0.0f, 1.0f, 1.0f};
        field->setColor(blue);  // the dialog starts at the last colour set
        g_cancel = ok ? nullptr : field;
        SetTimer(nullptr, 0, 300, answerDialog);
        postClick(35, 35);
        test::pump(1000);
        EXPECT_EQ(owner.changes.size(), ok ? 1u : 0u);
    }
    EXPECT_EQ(CColorChooser::getLastColor(), 0x00FF0000u);
}

}  // namespace
}  // namespace qv
