// A Win32 host that refuses sizeWindow gets its frames resized by the parent walk (each level
// by its own border; it stops at a border of twice the fixed-frame metric, at an MDI client,
// past 98 x 97 pixels).
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "editor/editor.h"
#include "framework/editor_host.h"
#include "gui/gui_window.h"
#include "windows/win32_support.h"

namespace qv {
namespace {

struct RefusingHost final : IEditorHost {
    void automateIfAllowed(std::int32_t, float) override {}
    bool beginEdit(std::int32_t) override { return false; }
    bool endEdit(std::int32_t) override { return false; }
    bool sizeWindow(std::int32_t, std::int32_t) override { return ++asked, false; }
    bool hostCanResize() override { return false; }
    float getParameter(std::int32_t) override { return 0.0f; }
    int asked = 0;
};

struct PlainEditor final : CEditor {
    explicit PlainEditor(IEditorHost* h) : CEditor(0, 400, 300, h, nullptr, nullptr) {}
    ~PlainEditor() override { close(); }
    HWND own() const { return static_cast<HWND>(getFrame()->getNativeHandle()); }
};

SIZE sizeOf(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

TEST(EditorParentWalk, RefusedSizeResizesTheHostFramesUpToWhereTheWalkStops) {
    const int f2 = 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    struct Level {
        int borderX, borderY;
        bool follows;
    };
    const std::vector<std::vector<Level>> cases = {
        {{11, 10, true}, {f2, 25, true}, {f2 + 4, 40, false}},  // inner border, then the frame: stop
        {{99, 10, false}},                                      // too wide to be a frame
        {{10, 98, false}},                                      // too tall
    };
    RefusingHost host;
    for (const auto& levels : cases) {
        std::vector<HWND> chain(levels.size());
        std::vector<SIZE> before(levels.size());
        for (std::size_t k = levels.size(); k-- > 0;) {  // from the top down, each in its parent
            before[k] = SIZE{400, 300};
            for (std::size_t i = 0; i <= k; ++i) before[k].cx += levels[i].borderX, before[k].cy += levels[i].borderY;
            chain[k] = test::hostWindow(before[k].cx, before[k].cy, k + 1 < levels.size() ? chain[k + 1] : nullptr);
        }
        PlainEditor editor(&host);
        ASSERT_TRUE(editor.open(chain[0], -1, -1));
        ASSERT_TRUE(editor.resize(500, 350, true, 0, 0));
        EXPECT_EQ(sizeOf(editor.own()).cy, 350);
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const SIZE grown{500 + levels[i].borderX, 350 + levels[i].borderY};
            const SIZE expected = levels[i].follows ? grown : before[i];
            EXPECT_EQ(sizeOf(chain[i]).cx * 10000 + sizeOf(chain[i]).cy, expected.cx * 10000 + expected.cy)
                << levels.size() << " levels, level " << i;
        }
        editor.close();
        DestroyWindow(chain.back());
    }
    EXPECT_EQ(host.asked, 3);

    // Directly inside an MDI client: only our window changes.
    HWND frame = test::hostWindow(600, 500, nullptr);
    CLIENTCREATESTRUCT ccs{};
    HWND mdi = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 450, 350, frame, nullptr,
                               GetModuleHandleA(nullptr), &ccs);
    ASSERT_NE(mdi, nullptr);
    PlainEditor editor(&host);
    ASSERT_TRUE(editor.open(mdi, -1, -1));
    ASSERT_TRUE(editor.resize(420, 310, true, 0, 0));
    EXPECT_EQ(sizeOf(editor.own()).cx, 420);
    EXPECT_EQ(sizeOf(mdi).cx, 450);
    EXPECT_EQ(sizeOf(frame).cx, 600);
    editor.close();
    DestroyWindow(frame);
}

}  // namespace
}  // namespace qv
