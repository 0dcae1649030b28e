// The box a drawing context reports as drawn is what a window puts on screen: every pixel a
// call changed must lie inside it, and the clip must bound it.
#include "support/test_common.h"

#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/rect_math.h"
#include "rect_compare.h"

namespace qv {
namespace {

TEST(DrawnArea, EachCallReportsTheBoxOfWhatItChangedWithinTheClip) {
    const CColor ink(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush);
    const CPoint triangle[] = {{5, 5}, {70, 20}, {20, 90}};
    const std::pair<const char*, std::function<void(CDrawContext&)>> calls[] = {
        {"fill", [&](CDrawContext& dc) { dc.fillRect(CRect{-20, 30, 50, 10}, ink); }},
        {"line", [&](CDrawContext& dc) { dc.drawLineColored(CPoint{60, 70}, CPoint{12, 15}, ink); }},
        {"line beyond the clip", [&](CDrawContext& dc) { dc.drawLineColored(CPoint{-500, 50}, CPoint{500, 50}, ink); }},
        {"polygon", [&](CDrawContext& dc) { dc.fillPolygon(triangle, 3, ink); }},
        {"text", [&](CDrawContext& dc) { dc.drawText("Quorvane", CRect{0, 40, 80, 14}, ink, kAlignLeft); }},
        {"direct write", [&](CDrawContext& dc) { dc.getTargetSurface()->row(60)[30] = 0; }},
    };
    const CRect clip{10, 10, 50, 70};
    for (const auto& [name, draw] : calls) {
        std::vector<std::uint32_t> pixels(100 * 100, 0xFFFFFFFFu);
        CDrawContext dc(nullptr);
        dc.setSurface(PixelSurface{pixels.data(), 100, 100});
        dc.pushClip(clip);
        draw(dc);
        const CRect drawn = dc.takeDrawnArea();
        std::int32_t changed = 0;
        for (std::int32_t y = 0; y < 100; ++y) {
            for (std::int32_t x = 0; x < 100; ++x) {
                if (pixels[y * 100 + x] == 0xFFFFFFFFu) continue;
                ++changed;
                EXPECT_TRUE(rectContains(drawn, x, y)) << name << " " << x << "," << y;
            }
        }
        EXPECT_GT(changed, 0) << name;
        EXPECT_EQ(rectIntersection(drawn, clip), drawn) << name;
        EXPECT_TRUE(rectIsEmpty(dc.takeDrawnArea())) << name;  // taken: forgotten
    }
}

}  // namespace
}  // namespace qv
