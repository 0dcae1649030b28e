// The Win32 backend under Wine: the child window and its class, timer 111 passes blitting the
// back buffer, mouse messages with the keyboard's modifiers in toolkit coordinates; the parent
// walk when a host refuses sizeWindow (each level by its own border; it stops at a border of
// twice the fixed-frame metric, at an MDI client, past 98 x 97 pixels); the native popups
// (edit box, popup menu, colour dialog) answered by posted messages.
#include "support/test_common.h"

#include <windows.h>

#include "controls/color_chooser.h"
#include "controls/option_menu.h"
#include "controls/text_edit.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "unit/analyzer_editor/platform_journey.h"
#include "unit/editor/editor_rig.h"
#include "unit/popups/popups_fixture.h"

namespace qv {
namespace {

// A visible host window of a registered class with the default procedure: a top-level popup,
// or a child of parent.
HWND hostWindow(int width, int height, HWND parent = nullptr) {
    static const WNDCLASSA wc{
        .lpfnWndProc = DefWindowProcA, .hInstance = GetModuleHandleA(nullptr), .lpszClassName = "QvTestHost"};
    static const bool registered = RegisterClassA(&wc) != 0;
    const DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
    return !registered ? nullptr : CreateWindowExA(0, "QvTestHost", "host", style, 0, 0, width, height, parent, nullptr,
                                                   GetModuleHandleA(nullptr), nullptr);
}

// Translates and dispatches messages for ms milliseconds, or until done() holds.
bool pump(DWORD ms, const std::function<bool()>& done = [] { return false; }) {
    for (const ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(1)) {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) TranslateMessage(&msg), DispatchMessageA(&msg);
        if (done()) return true;
    }
    return false;
}

// The two-view scene in an 800 x 650 host, and the driver of the shared window rules.
struct Win32Editor : ::testing::Test, test::TwoViewScene {
    void SetUp() override {
        host = hostWindow(800, 650);
        ASSERT_NE(host, nullptr);
        ASSERT_TRUE(open(host));
        ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kWin32);
        child = static_cast<HWND>(window->getNativeHandle());
    }
    void TearDown() override { window.reset(), DestroyWindow(host); }
    void send(UINT message, WPARAM w, int x, int y) { SendMessageA(child, message, w, MAKELPARAM(x, y)); }
    bool pumpUntil(const std::function<bool()>& done) { return pump(2000, done); }
    static constexpr UINT kDown[] = {0, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
    void press(int n, int x, int y, int mods) { holdKeys(mods), send(kDown[n], 0, x, y); }
    void release(int n, int x, int y) { send(kDown[n] + 1, 0, x, y), holdKeys(0); }  // up follows down
    void holdKeys(int mods) {  // Shift and Ctrl come from the keyboard state
        BYTE keys[256]{};
        keys[VK_SHIFT] = mods & kModifierShift ? 0x80 : 0, keys[VK_CONTROL] = mods & kModifierControl ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    void move(int x, int y) { send(WM_MOUSEMOVE, MK_LBUTTON, x, y); }
    std::optional<std::uint32_t> pixel(int x, int y) {
        HDC dc = GetDC(child);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(child, dc);
        if (c == CLR_INVALID) return std::nullopt;  // this Wine display driver keeps no window pixels
        return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
    }

    HWND host = nullptr, child = nullptr;
};

TEST_F(Win32Editor, ChildWindowOfItsOwnClassWhereTimer111DrivesPassesThatBlitTheBackBuffer) {
    ASSERT_TRUE(IsWindow(child));
    EXPECT_EQ(GetParent(child), host);
    char name[64] = {};
    GetClassNameA(child, name, sizeof(name));
    EXPECT_TRUE(std::strncmp(name, "GUIWindow", 9) == 0 && std::strlen(name) == 17) << name;  // and 8 hex digits
    WNDCLASSEXA wc{.cbSize = sizeof(WNDCLASSEXA)};
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc));
    EXPECT_NE(wc.style & CS_DBLCLKS, 0u);  // double clicks arrive as such (see the mouse test)
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(752L, 563L));

    test::checkPassesReachTheScreen(*this, *this);
    EXPECT_EQ(view->draws.front().timer, 1);
    // Another timer id is not a pass; a paint request draws nothing.
    const std::size_t passes = view->draws.size();
    SendMessageA(child, WM_TIMER, 5, 0);
    InvalidateRect(child, nullptr, FALSE);
    UpdateWindow(child);
    EXPECT_EQ(view->draws.size(), passes);

    window->close();
    EXPECT_FALSE(IsWindow(child));
    window.reset();  // the class goes with the object
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc));
}

TEST_F(Win32Editor, MouseMessagesReachViewsInToolkitCoordinates) {
    test::checkPointerRules(*this, *this);
    // The second press of a double click arrives as WM_xBUTTONDBLCLK: a press like any other.
    for (const UINT second : {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK}) {
        ASSERT_TRUE(test::pastClickGuard(*this, *window));
        const std::size_t before = view->events.size();
        send(second, 0, 300, 100);
        EXPECT_EQ(std::pair(view->events.size(), GetCapture() == child), std::pair(before + 1, true)) << second;
        send(second - 1, 0, 300, 100);  // the matching up
    }
    // Losing the focus ends a captured gesture.
    ASSERT_TRUE(test::pastClickGuard(*this, *window));
    press(2, 1, 561, 0);
    EXPECT_EQ(std::pair(corner->events.back().button, GetCapture()), std::pair(3, child));
    SendMessageA(child, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(corner->events.back().kind, "cancel");
    EXPECT_FALSE(window->hasCapturedView());
    ReleaseCapture();
    // So does another window taking the capture; our own release on a button up does not.
    ASSERT_TRUE(test::pastClickGuard(*this, *window));
    press(2, 1, 561, 0);
    SetCapture(host);
    EXPECT_EQ(std::pair(corner->events.back().kind, window->hasCapturedView()), std::pair(std::string("cancel"), false));
    ReleaseCapture();
}

void postKey(HWND to, WPARAM vk);

// The plug-in's editor in a host window: a second quick press arrives as WM_LBUTTONDBLCLK (the
// class has CS_DBLCLKS) and still toggles; a right-click on the graph opens the native menu,
// whose loop takes the keys waiting in the queue.
TEST(Win32Journey, TwoQuickClicksOnPauseAndAChoiceInTheGraphMenu) {
    HWND host = hostWindow(800, 650);
    vst::AEffect* effect = createEffectInstance([](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr, void*,
                                                   float) -> vst::VstIntPtr { return op == vst::audioMasterVersion ? 2400 : 0; });
    ASSERT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, host, 0.0f), 1);
    auto* adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(effect->object));
    auto& editor = *static_cast<CAnalyzerEditor*>(adapter->getEditorView());
    struct Driver {
        HWND child;
        void send(UINT m, WPARAM w, int x, int y) { SendMessageA(child, m, w, MAKELPARAM(x, y)); }
        void press(int x, int y) { send(WM_LBUTTONDOWN, MK_LBUTTON, x, y); }
        void secondPress(int x, int y) { send(WM_LBUTTONDBLCLK, MK_LBUTTON, x, y); }
        void release(int x, int y) { send(WM_LBUTTONUP, 0, x, y); }
        bool pumpUntil(const std::function<bool()>& done) { return pump(2000, done); }
        void chooseFromMenu(int x, int y, std::uint32_t item) {
            PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
            for (std::uint32_t k = 0; k <= item; ++k) postKey(child, VK_DOWN);
            postKey(child, VK_RETURN);
            PostMessageA(child, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
        }
    } driver{static_cast<HWND>(editor.getFrame()->getNativeHandle())};
    test::checkTwoQuickClicksOnPause(driver, editor, *adapter->getCore());
    test::checkGraphMenuChoice(driver, editor);
    effect->dispatcher(effect, vst::effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(host);
}

std::pair<LONG, LONG> sizeOf(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return {r.right - r.left, r.bottom - r.top};
}
std::pair<LONG, LONG> sizeOf(const CEditor& e) { return sizeOf(static_cast<HWND>(e.getFrame()->getNativeHandle())); }

TEST(EditorParentWalk, RefusedSizeResizesTheHostFramesUpToWhereTheWalkStops) {
    const int f2 = 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    struct Level { int borderX, borderY; bool follows; };
    const std::vector<std::vector<Level>> cases = {
        {{11, 10, true}, {f2, 25, true}, {f2 + 4, 40, false}},  // inner border, then the frame: stop
        {{99, 10, false}},                                      // too wide to be a frame
        {{10, 98, false}},                                      // too tall
    };
    test::FakeHost host;
    host.accepts = false;
    for (const auto& levels : cases) {
        std::vector<HWND> chain(levels.size());
        std::vector<std::pair<LONG, LONG>> before(levels.size(), {400, 300});
        for (std::size_t k = levels.size(); k-- > 0;) {  // from the top down, each in its parent
            for (std::size_t i = 0; i <= k; ++i) before[k].first += levels[i].borderX, before[k].second += levels[i].borderY;
            chain[k] = hostWindow(before[k].first, before[k].second, k + 1 < levels.size() ? chain[k + 1] : nullptr);
        }
        test::ProbeEditor editor(400, 300, &host);
        ASSERT_TRUE(editor.open(chain[0], -1, -1));
        ASSERT_TRUE(editor.resize(500, 350, true, 0, 0));
        EXPECT_EQ(sizeOf(editor).second, 350);
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const std::pair<LONG, LONG> grown{500 + levels[i].borderX, 350 + levels[i].borderY};
            EXPECT_EQ(sizeOf(chain[i]), levels[i].follows ? grown : before[i]) << levels.size() << " levels, level " << i;
        }
        editor.close();
        DestroyWindow(chain.back());
    }
    EXPECT_EQ(host.asked.size(), 3u);

    // Directly inside an MDI client: only our window changes.
    HWND frame = hostWindow(600, 500, nullptr);
    CLIENTCREATESTRUCT ccs{};
    HWND mdi = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 450, 350, frame, nullptr,
                               GetModuleHandleA(nullptr), &ccs);
    ASSERT_NE(mdi, nullptr);
    test::ProbeEditor editor(400, 300, &host);
    ASSERT_TRUE(editor.open(mdi, -1, -1));
    ASSERT_TRUE(editor.resize(420, 310, true, 0, 0));
    EXPECT_EQ(std::tuple(sizeOf(editor).first, sizeOf(mdi).first, sizeOf(frame).first), std::tuple(420L, 450L, 600L));
    editor.close();
    DestroyWindow(frame);
}

void postKey(HWND to, WPARAM vk) {
    PostMessageA(to, WM_KEYDOWN, vk, 1);
    PostMessageA(to, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

struct Win32Popups : ::testing::Test {
    void SetUp() override {
        host = hostWindow(420, 320);
        window = std::make_unique<CGuiWindow>(&owner, 0, 400, 300, host, nullptr);
        owner.window = window.get();
        ASSERT_FALSE(window->open(-1, -1));
        ASSERT_EQ(window->getNativeWindow()->kind(), CWindowBackend::kWin32);
        child = static_cast<HWND>(window->getNativeHandle());
    }
    void TearDown() override { window.reset(), DestroyWindow(host); }
    // A left press at a toolkit point, posted after the click guard.
    void postClick(int x, int y) {
        pump(80);
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
        ASSERT_TRUE(pump(2000, [&] { return field->isEditing() && GetFocus() != child; }));
        HWND edit = GetFocus();
        SendMessageA(edit, EM_SETSEL, 2, 2);  // the caret after the text
        PostMessageA(edit, WM_CHAR, 'x', 1);
        postKey(edit, last);
        EXPECT_TRUE(pump(2000, [&] { return !IsWindow(edit); }));
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
    pump(300);
    postClick(45, 255);
    for (const WPARAM vk : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) postKey(child, vk);
    pump(300);
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
        pump(1000);
        EXPECT_EQ(owner.changes.size(), ok ? 1u : 0u);
    }
    EXPECT_EQ(CColorChooser::getLastColor(), 0x00FF0000u);
}

}  // namespace
}  // namespace qv
