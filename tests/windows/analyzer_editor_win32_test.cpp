// The analyzer editor as a child of a host's window under Wine, driven by mouse messages with
// the keyboard state a user would have: Shift-click on the FFT tab for the compact window, a
// plain click back, and M3 stored with a right press and shown with a left press.
#include <gtest/gtest.h>

#include <windows.h>

#include <bit>

#include "controls/memory_switch.h"
#include "editor/analyzer_editor.h"
#include "gui/gui_window.h"
#include "host/audio_effect.h"
#include "host/create_effect.h"
#include "host/plugin_vst.h"
#include "host/vst_abi.h"
#include "windows/win32_support.h"

namespace qv {
namespace {

TEST(AnalyzerEditorWin32, ShiftClickCompactsAndMemorySwitchesStoreAndShow) {
    HWND host = test::hostWindow(800, 650);
    ASSERT_NE(host, nullptr);
    vst::AEffect* effect = createEffectInstance([](vst::AEffect*, vst::VstInt32 op, vst::VstInt32, vst::VstIntPtr,
                                                   void*, float) -> vst::VstIntPtr {
        return op == vst::audioMasterVersion ? 2400 : op == vst::audioMasterSizeWindow ? 1 : 0;
    });
    ASSERT_NE(effect, nullptr);
    auto* adapter = static_cast<PluginVST*>(static_cast<AudioEffect*>(effect->object));
    ASSERT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, host, 0.0f), 1);
    auto& editor = static_cast<CAnalyzerEditor&>(*adapter->getEditorView());
    HWND child = static_cast<HWND>(editor.getFrame()->getNativeHandle());
    test::pump(100);

    // A press and release at toolkit point x, y (y up), with Shift or Ctrl held in the key state.
    const auto click = [&](int x, int y, bool right, BYTE heldKey) {
        BYTE keys[256]{};
        if (heldKey) keys[heldKey] = 0x80;
        SetKeyboardState(keys);
        RECT r{};
        GetClientRect(child, &r);
        const LPARAM at = MAKELPARAM(x, r.bottom - 1 - y);
        SendMessageA(child, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
        SendMessageA(child, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
        keys[heldKey] = 0;
        SetKeyboardState(keys);
        test::pump(120);  // past the press debounce
    };
    const auto clientSize = [&] {
        RECT r{};
        GetClientRect(child, &r);
        return std::pair(r.right, r.bottom);
    };
    const auto setting = [&](std::uint32_t id) { return adapter->getCore()->getParameter(id, 0); };

    click(79, 553, false, VK_SHIFT);
    EXPECT_EQ(std::pair(clientSize(), setting(362)), std::pair(std::pair(650L, 335L), 1.0f));
    click(10, 325, false, 0);
    EXPECT_EQ(std::pair(clientSize(), setting(362)), std::pair(std::pair(752L, 563L), 0.0f));

    const auto slot = static_cast<int>(setting(0) + 0.1f);
    const std::uint32_t state = 219 + 8 * static_cast<std::uint32_t>(slot) + 2;
    click(47 * slot + 13, 112, true, 0);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(setting(state)), kMemoryStored);
    click(47 * slot + 13, 112, false, 0);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(setting(state)), kMemoryShown);
    click(47 * slot + 13, 112, false, VK_CONTROL);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(setting(state)), kMemoryEmpty);

    effect->dispatcher(effect, vst::effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(host);
}

}  // namespace
}  // namespace qv
