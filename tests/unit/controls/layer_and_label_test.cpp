// Off-screen layers and text labels: what reaches the back buffer, and writers on other threads
// that never show a half-made picture or text.
#include <atomic>
#include <thread>
#include <vector>

#include "controls/dib_view.h"
#include "controls/text_label.h"
#include "controls_fixture.h"
#include "gui/color.h"
#include "gui/draw_context.h"

namespace qv::test {
namespace {

const CColor kGreen(nullptr, 0.0f, 1.0f, 0.0f, 1.0f, kColorBrush);
const CColor kPurple(nullptr, 0.5f, 0.0f, 1.0f, 1.0f, kColorBrush);
constexpr std::uint32_t kGreenPixel = 0xFF00FF00u;

TEST_F(ControlsTest, LayerShowsOnlyCommittedPictures) {
    CViewContainer* p = panel(CRect{20, 10, 100, 100});
    auto* layer = put(p, new CDibView(&owner, CRect{10, 10, 30, 20}));
    layer->setBlend(false);
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kGreen);
    clearScreen(0xFF000000u);
    fullPass();
    EXPECT_TRUE(all(CRect{30, 20, 30, 20}, 0xFF000000u));  // never committed: nothing
    layer->commit(false);
    pass();
    EXPECT_TRUE(all(CRect{30, 20, 30, 20}, kGreenPixel));
    EXPECT_EQ(pixel(29, 20), 0xFF000000u);
    EXPECT_EQ(pixel(30, 40), 0xFF000000u);
    // After requestCommit every paint commits the latest drawing first.
    layer->requestCommit();
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kPurple);
    fullPass();
    EXPECT_EQ(pixel(30, 20), 0xFF7F00FFu);
    layer->getDrawContext()->fillRect(CRect{0, 0, 30, 20}, kGreen);
    fullPass();
    EXPECT_EQ(pixel(59, 39), kGreenPixel);
}

TEST_F(ControlsTest, LayerBlendsWithItsAlphaAndCopiesAnother) {
    CViewContainer* p = panel(CRect{0, 0, 100, 100});
    auto* a = put(p, new CDibView(&owner, CRect{0, 0, 10, 10}));
    auto* b = put(p, new CDibView(&owner, CRect{20, 0, 10, 10}));
    a->getDrawContext()->fillRect(CRect{0, 0, 10, 10}, kGreen);
    a->commit(true);
    a->setAlpha(0.5f);  // 127
    clearScreen(0xFF000000u);
    fullPass();
    // Opaque green over opaque black at 127: green (255 * 127) >> 8 = 126; alpha 126 plus
    // (255 * (65025 - 255 * 127)) >> 16 = 127 of the black.
    EXPECT_EQ(pixel(5, 5), packPixel(0, 126, 0, 253));
    b->copyFrom(*b, false);
    EXPECT_FALSE(b->hasPicture());
    b->copyFrom(*a, false);
    b->setBlend(false);
    fullPass();
    EXPECT_EQ(pixel(25, 5), kGreenPixel);
}

// A producer thread commits solid pictures of alternating colours while passes paint: every
// painted picture is one colour throughout.
TEST_F(ControlsTest, LayerCommittedOnOneThreadWhileAnotherPaintsIsNeverTorn) {
    auto* layer = put(panel(CRect{0, 0, 200, 100}), new CDibView(&owner, CRect{0, 0, 200, 100}));
    layer->setBlend(false);
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        for (int i = 0; !stop.load(); ++i) {
            layer->getDrawContext()->fillRect(CRect{0, 0, 200, 100}, i % 2 ? kGreen : kPurple);
            layer->commit(false);
        }
    });
    int torn = 0;
    for (int i = 0; i < 200; ++i) {
        layer->setUpdate();
        pass();
        const std::uint32_t first = pixel(0, 0);
        if (!all(CRect{0, 0, 200, 100}, first)) ++torn;
    }
    stop = true;
    producer.join();
    EXPECT_EQ(torn, 0);
}


class LabelTest : public ControlsTest {
protected:
    LabelTest() {
        CViewContainer* p = panel(CRect{0, 0, 200, 40});
        put(p, new ProbeView(&owner, CRect{0, 0, 200, 40}, kWhite));
        label = put(p, new CTextLabel(&owner, CRect{10, 10, 150, 16}, 3));
    }
    std::vector<std::uint32_t> shown() {
        std::vector<std::uint32_t> v;
        for (std::int32_t y = 0; y < 40; ++y) {
            for (std::int32_t x = 0; x < 200; ++x) v.push_back(pixel(x, y));
        }
        return v;
    }
    std::vector<std::uint32_t> drawn(const char* text) {
        label->setText(text);
        pass();
        return shown();
    }
    CTextLabel* label = nullptr;
};

TEST_F(LabelTest, NewTextLeavesNoTraceOfTheOld) {
    const auto wide = drawn("WWWWWWWW");
    const auto narrow = drawn("ii");
    EXPECT_NE(wide, narrow);
    drawn("WWWWWWWW");
    EXPECT_EQ(drawn("ii"), narrow);
    EXPECT_EQ(label->getText(), "ii");
}

TEST_F(LabelTest, TextSetFromAnotherThreadDuringPassesIsDrawnWhole) {
    const std::string a = "Instance 1 left";
    const std::string b = "MMMMMMMMMMMMMMMMMMMMMMMM";
    const auto shownA = drawn(a.c_str());
    const auto shownB = drawn(b.c_str());
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) label->setText(i % 2 ? a : b);
    });
    int mixed = 0;
    for (int i = 0; i < 200; ++i) {
        label->setUpdate();
        pass();
        const auto now = shown();
        if (now != shownA && now != shownB) ++mixed;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(mixed, 0);
}

}  // namespace
}  // namespace qv::test
