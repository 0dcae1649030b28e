// The native popups under Wine, answered by posted messages: the edit box over a text field,
// the popup menu of a menu field and the colour dialog of a colour field.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "controls/color_chooser.h"
#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "controls/view_container.h"
#include "controls/view_owner.h"
#include "gui/gui_window.h"
#include "gui/page.h"
#include "gui/window_owner.h"

namespace qv {
namespace {

LRESULT CALLBACK popupHostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

void pumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}

class Owner : public CWindowOwner, public CViewOwner {
public:
    void buildControls() override {
        auto* page = new CPage;
        panel = new CViewContainer(this, CRect{0, 0, 400, 300});
        page->addContainer(panel);
        window->addPage(page);
    }
    void getRect(CRect& r) const override { r = CRect{0, 0, 400, 300}; }
    CDrawContext* getDrawContext(const CDrawState*) override { return window->getDrawContext(); }
    void valueChanged(std::uint32_t tag, float v) override { changes.push_back({tag, v}); }
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}

    struct Change {
        std::uint32_t tag;
        float value;
    };
    CGuiWindow* window = nullptr;
    CViewContainer* panel = nullptr;
    std::vector<Change> changes;
};

class Win32Popups : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = popupHostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QvPopupHost";
        RegisterClassA(&wc);
        host = CreateWindowExA(0, "QvPopupHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 420, 320, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(host, nullptr);
        window = std::make_unique<CGuiWindow>(&owner, 0, 400, 300, host, nullptr);
        owner.window = window.get();
        window->setTimerPeriod(40.0f);
        ASSERT_FALSE(window->open(-1, -1));
        ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kWin32);
        child = static_cast<HWND>(window->getNativeHandle());
        pumpFor(100);
    }
    void TearDown() override {
        window.reset();
        if (host) DestroyWindow(host);
        pumpFor(20);
    }
    // A left press and release at a toolkit point, posted to the editor window.
    void postClick(int x, int y) {
        const LPARAM at = MAKELPARAM(x, 300 - 1 - y);
        PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(child, WM_LBUTTONUP, 0, at);
    }
    static void postKey(HWND to, WPARAM vk) {
        PostMessageA(to, WM_KEYDOWN, vk, 1);
        PostMessageA(to, WM_KEYUP, vk, 0xC0000001);
    }

    Owner owner;
    HWND host = nullptr;
    HWND child = nullptr;
    std::unique_ptr<CGuiWindow> window;
};

TEST_F(Win32Popups, EditBoxTakesEnterAndDropsEscape) {
    struct Case {
        WPARAM finalKey;
        const char* shown;
        std::size_t notified;
    };
    for (const Case c : {Case{VK_RETURN, "abxy", 1}, Case{VK_ESCAPE, "ab", 0}}) {
        owner.changes.clear();
        auto* field = new CTextEdit(&owner, CRect{20, 200, 120, 16}, 5);
        owner.panel->addView(field);
        field->setText("ab");
        pumpFor(80);
        postClick(30, 205);
        pumpFor(100);
        ASSERT_TRUE(field->isEditing());
        HWND edit = GetFocus();
        ASSERT_NE(edit, nullptr);
        char cls[16] = {};
        GetClassNameA(edit, cls, sizeof(cls));
        EXPECT_STRCASEEQ(cls, "Edit");
        SendMessageA(edit, EM_SETSEL, 2, 2);  // the caret after the text
        PostMessageA(edit, WM_CHAR, 'x', 1);
        PostMessageA(edit, WM_CHAR, 'y', 1);
        postKey(edit, c.finalKey);
        pumpFor(100);
        EXPECT_FALSE(field->isEditing());
        EXPECT_FALSE(IsWindow(edit));
        EXPECT_EQ(field->getText(), c.shown);
        EXPECT_EQ(owner.changes.size(), c.notified);
        owner.panel->removeView(field);
        delete field;
    }
}

TEST_F(Win32Popups, MenuChoiceComesBackByPosition) {
    auto* menu = new COptionMenu(&owner, 7, CRect{40, 250, 80, 16});
    owner.panel->addView(menu);
    for (const char* size : {"512", "1024", "2048", "4096", "8192", "16384"}) menu->addEntry(size);
    pumpFor(80);
    // The keys wait in the queue for the menu loop the press starts.
    postClick(45, 255);
    for (int i = 0; i < 4; ++i) postKey(child, VK_DOWN);
    postKey(child, VK_RETURN);
    pumpFor(300);
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0].value, 3.0f);
    EXPECT_EQ(menu->getText(), "4096");
    // Escape: nothing.
    pumpFor(80);
    postClick(45, 255);
    postKey(child, VK_ESCAPE);
    postKey(child, VK_ESCAPE);
    pumpFor(300);
    EXPECT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(window->getMenuItem(), -1);
}

// The colour dialog runs inside the press; a timer inside its loop answers it.
CColorChooser* g_field = nullptr;
HWND g_dialog = nullptr;
bool g_ok = false;

BOOL CALLBACK findDialog(HWND w, LPARAM) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof(cls));
    if (std::string(cls) == "#32770" && IsWindowVisible(w)) g_dialog = w;
    return TRUE;
}

void CALLBACK answerDialog(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!g_ok) {
        g_field->cancelEditing();  // as closing the editor does
        return;
    }
    EnumThreadWindows(GetCurrentThreadId(), findDialog, 0);
    if (g_dialog) PostMessageA(g_dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(Win32Popups, ColourDialogOkTakesItsColourAndClosingTheEditorEndsIt) {
    for (const bool ok : {true, false}) {
        owner.changes.clear();
        auto* field = new CColorChooser(&owner, 9, CRect{30, 30, 20, 20});
        owner.panel->addView(field);
        const float rgba[4] = {0.0f, 0.0f, 1.0f, 1.0f};
        field->setColor(rgba);  // the dialog starts at the last colour: blue
        g_field = field;
        g_dialog = nullptr;
        g_ok = ok;
        pumpFor(80);
        SetTimer(nullptr, 0, 300, answerDialog);
        postClick(35, 35);
        pumpFor(1500);
        if (ok) {
            ASSERT_EQ(owner.changes.size(), 1u);
            float c[4];
            field->getColor(c);
            EXPECT_EQ(c[2], 1.0f);
            EXPECT_EQ(CColorChooser::getLastColor(), 0x00FF0000u);
        } else {
            EXPECT_TRUE(owner.changes.empty());
        }
        owner.panel->removeView(field);
        delete field;
    }
}

}  // namespace
}  // namespace qv
