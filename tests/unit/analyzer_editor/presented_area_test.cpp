// The windows put on screen only the box around what a pass drew. The headless screen is kept
// the same way, so after every pass it must equal the back buffer, whatever drew.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "unit/analyzer_editor/editor_rig.h"

namespace qv {
namespace {

void play(test::EditorRig& r) {
    std::vector<float> left(4096), right(4096);
    for (std::size_t i = 0; i < left.size(); ++i) left[i] = right[i] = 0.5f * std::sin(0.07f * static_cast<float>(i));
    float* in[2] = {left.data(), right.data()};
    r.effect->processReplacing(r.effect, in, in, 4096);
    r.tick(3);
}

TEST(PresentedArea, TheScreenAlwaysShowsTheBackBuffer) {
    test::EditorRig rig;
    ASSERT_TRUE(rig.open());
    rig.native().setKeepScreen(true);
    const std::pair<const char*, std::function<void(test::EditorRig&)>> acts[] = {
        {"audio in band view", play},
        {"FFT tab", [](test::EditorRig& r) { r.click(79, 553); }},
        {"audio in FFT view", play},
        {"compact layout", [](test::EditorRig& r) { r.click(79, 553, 1, 1); }},
    };
    for (const auto& [name, act] : acts) {
        act(rig);
        const PixelSurface back = rig.frame().getBackBuffer();
        ASSERT_TRUE(std::vector(back.bits, back.bits + back.width * back.height) == rig.native().getScreen()) << name;
    }
}

}  // namespace
}  // namespace qv
