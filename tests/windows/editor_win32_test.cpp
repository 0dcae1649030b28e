// The editor in Win32 host windows under Wine: a host that refuses sizeWindow gets its frames
// resized by the parent walk (stopping at a frame border of twice the fixed-frame metric, at an
// MDI client, past 98 x 97 pixels of border); bad parents fail; a second open replaces the window.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "editor/editor.h"
#include "framework/editor_host.h"
#include "gui/gui_window.h"

namespace qv {
namespace {

struct RefusingHost final : IEditorHost {
    void automateIfAllowed(std::int32_t, float) override {}
    bool beginEdit(std::int32_t) override { return false; }
    bool endEdit(std::int32_t) override { return false; }
    bool sizeWindow(std::int32_t w, std::int32_t h) override { return asked.push_back(w * 10000 + h), false; }
    bool hostCanResize() override { return false; }
    float getParameter(std::int32_t) override { return 0.0f; }
    std::vector<int> asked;
};

class PlainEditor final : public CEditor {
public:
    explicit PlainEditor(IEditorHost* host) : CEditor(0, 400, 300, host, nullptr, nullptr) {}
    ~PlainEditor() override { close(); }
};

LRESULT CALLBACK hostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND makeWindow(int width, int height, HWND parent) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QvEditorTestHost";
        return RegisterClassA(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
    return CreateWindowExA(0, "QvEditorTestHost", "host", style, 0, 0, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

SIZE sizeOf(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

TEST(EditorParentWalk, RefusedSizeResizesTheHostFramesUpToWhereTheWalkStops) {
    const int frame = GetSystemMetrics(SM_CYFIXEDFRAME);
    RefusingHost host;
    struct Level {
        int borderX, borderY;  // what the parent adds around its child
        bool resized;
    };
    struct Case {
        const char* name;
        std::vector<Level> levels;  // from the editor's parent upward
        bool mdiAtTop;              // the first parent is an MDI client instead
    };
    const Case cases[] = {
        // A small inner border, then the frame with exactly twice the metric: both follow (each
        // by its own border around the new size), the walk ends at the frame.
        {"frame", {{11, 10, true}, {2 * frame, 25, true}, {2 * frame + 4, 40, false}}, false},
        // A parent 99 pixels wider than its child is not a frame of the editor.
        {"wide", {{99, 10, false}}, false},
        {"tall", {{10, 98, false}}, false},
        {"mdi", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Build the chain from the top down, so each window has its parent.
        std::vector<HWND> chain(c.levels.size());
        int w = 400, h = 300;
        std::vector<SIZE> sizes(c.levels.size());
        for (std::size_t i = 0; i < c.levels.size(); ++i) {
            w += c.levels[i].borderX;
            h += c.levels[i].borderY;
            sizes[i] = SIZE{w, h};
        }
        HWND top = nullptr, mdiFrame = nullptr;
        for (std::size_t k = c.levels.size(); k-- > 0;) {
            chain[k] = makeWindow(sizes[k].cx, sizes[k].cy, k + 1 < chain.size() ? chain[k + 1] : nullptr);
        }
        if (c.mdiAtTop) {
            mdiFrame = makeWindow(600, 500, nullptr);
            CLIENTCREATESTRUCT ccs{};
            top = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 450, 350, mdiFrame, nullptr,
                                  GetModuleHandleA(nullptr), &ccs);
            ASSERT_NE(top, nullptr);
        } else {
            top = chain.front();
        }
        PlainEditor editor(&host);
        ASSERT_TRUE(editor.open(top, -1, -1));
        HWND own = static_cast<HWND>(editor.getFrame()->getNativeHandle());
        ASSERT_TRUE(editor.resize(500, 350, true, 0, 0));
        EXPECT_EQ(host.asked.back(), 500 * 10000 + 350);
        EXPECT_EQ(sizeOf(own).cx, 500);
        EXPECT_EQ(sizeOf(own).cy, 350);
        for (std::size_t i = 0; i < c.levels.size(); ++i) {
            const SIZE grown{500 + c.levels[i].borderX, 350 + c.levels[i].borderY};
            const SIZE expected = c.levels[i].resized ? grown : sizes[i];
            EXPECT_EQ(sizeOf(chain[i]).cx, expected.cx) << "level " << i;
            EXPECT_EQ(sizeOf(chain[i]).cy, expected.cy) << "level " << i;
        }
        if (c.mdiAtTop) {
            EXPECT_EQ(sizeOf(top).cx, 450);  // the MDI client stays as the host made it
            EXPECT_EQ(sizeOf(mdiFrame).cx, 600);
        }
        editor.close();
        if (mdiFrame) DestroyWindow(mdiFrame);
        if (!chain.empty()) DestroyWindow(chain.back());
    }
}

TEST(EditorOpen, BadParentsFailAndASecondOpenReplacesTheWindow) {
    PlainEditor editor(nullptr);
    EXPECT_FALSE(editor.open(nullptr, -1, -1));
    EXPECT_FALSE(editor.open(reinterpret_cast<void*>(std::uintptr_t{0x7FFF0001}), -1, -1));
    EXPECT_EQ(editor.getFrame(), nullptr);
    HWND host = makeWindow(800, 600, nullptr);
    ASSERT_TRUE(editor.open(host, -1, -1));
    HWND first = static_cast<HWND>(editor.getFrame()->getNativeHandle());
    ASSERT_TRUE(editor.open(host, -1, -1));
    HWND second = static_cast<HWND>(editor.getFrame()->getNativeHandle());
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    EXPECT_EQ(GetParent(second), host);
    // The host destroys its window, and ours with it, before closing the editor.
    DestroyWindow(host);
    editor.idle();
    editor.close();
    EXPECT_FALSE(editor.isOpen());
}

}  // namespace
}  // namespace qv
