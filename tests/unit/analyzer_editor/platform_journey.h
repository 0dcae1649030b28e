// The journey rows that need a real window system: the plug-in's own editor in a platform window,
// real pointer input, real timing. A driver gives press(x, y) and release(x, y) of the left button
// in window pixels, secondPress(x, y) for the second of two quick presses (as the platform delivers
// it), pumpUntil(done), which runs events and passes until done() or two seconds, and
// chooseFromMenu(x, y, item): a right-click there and a choice of entry `item` in the menu it opens,
// as a person makes it on that platform.
#pragma once

#include "controls/on_off_switch.h"
#include "unit/analyzer_editor/analyzer_rig.h"
#include "unit/editor/editor_rig.h"

namespace qv::test {

// Two clicks on pause, the second as soon as the bounce guard lets it count: pause on, then off.
template <class Driver> void checkTwoQuickClicksOnPause(Driver& d, CAnalyzerEditor& editor, CPluginBase& core) {
    const CRect r = onWindow(editor.controls().pause);
    const std::int32_t x = r.x + r.width / 2, y = editor.getFrame()->getHeight() - 1 - (r.y + r.height / 2);
    const auto paused = [&] { return core.getParameter(380, 0) >= 0.5f; };
    ASSERT_TRUE(pastClickGuard(d, *editor.getFrame()));
    d.press(x, y), d.release(x, y);
    ASSERT_TRUE(d.pumpUntil(paused));
    ASSERT_TRUE(pastClickGuard(d, *editor.getFrame()));
    d.secondPress(x, y), d.release(x, y);
    EXPECT_TRUE(d.pumpUntil([&] { return !paused() && editor.controls().pause->getValue() < 0.5f; }));
}

// A right-click on the graph opens its menu; choosing the listen entry there arms listening.
template <class Driver> void checkGraphMenuChoice(Driver& d, CAnalyzerEditor& editor) {
    const CRect r = onWindow(editor.controls().display);
    const std::int32_t x = r.x + r.width / 2, y = editor.getFrame()->getHeight() - 1 - (r.y + r.height / 2);
    ASSERT_FALSE(editor.isListenArmed());
    ASSERT_TRUE(pastClickGuard(d, *editor.getFrame()));
    d.chooseFromMenu(x, y, CAnalyzerEditor::kMenuListen);
    EXPECT_TRUE(d.pumpUntil([&] { return editor.isListenArmed(); }));
}

}  // namespace qv::test
