#include <gtest/gtest.h>

#include "gui/bitmap.h"
#include "png_test_images.h"
#include "test_surface.h"

namespace {

using qvtest::bgra;
using qvtest::SurfaceTarget;

// A film strip of `frames` frames of 4 x 3 pixels; frame i counted from the top of the file is
// filled with grey 10 * (i + 1), which loads as (c * 255) >> 8. (Frame picking is pinned by every
// strip control of the toolkit.)
qv::CBitmap filmStrip(int frames) {
    qvtest::PngSpec s;
    s.width = 4;
    s.height = 3 * frames;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    for (int i = 0; i < frames; ++i) {
        s.rows.insert(s.rows.end(), 3, std::vector<std::uint8_t>(4, static_cast<std::uint8_t>(10 * (i + 1))));
    }
    const std::vector<std::uint8_t> png = qvtest::makePng(s);
    return qv::CBitmap(png.data(), png.size());
}
std::uint32_t loadedGrey(std::uint32_t v) { return (v * 255) >> 8; }

TEST(BitmapDraw, BlendsWithOpacityHeldTo0To1AndClipsToTheContext) {
    qv::CBitmap strip = filmStrip(2);  // 4 x 6: top frame grey 10, bottom frame grey 20
    SurfaceTarget target(10, 10, bgra(0, 0, 0, 255));
    target.clip = qv::CRect{3, 0, 10, 4};
    strip.setOpacity(0.5f);
    strip.draw(&target, {1, 1});
    // Opacity 0.5 gives alpha 127: c = (c * 127) >> 8, alpha = 126 + (255 * (65025 - 255 * 127)) >> 16.
    const std::uint32_t c = (loadedGrey(20) * 127) >> 8;
    for (std::int32_t y = 0; y < 10; ++y)
        for (std::int32_t x = 0; x < 10; ++x) {
            // The picture covers x 1..4, y 1..6; the clip leaves x 3..4, y 1..3 (the bottom frame).
            const bool drawn = x >= 3 && x < 5 && y >= 1 && y < 4;
            ASSERT_EQ(target.at(x, y), drawn ? bgra(c, c, c, 253) : bgra(0, 0, 0, 255)) << x << "," << y;
        }
    SurfaceTarget a(4, 6, bgra(50, 50, 50, 255)), b(4, 6, bgra(50, 50, 50, 255));
    strip.setOpacity(1.0f);
    strip.draw(&a, {0, 0});
    strip.setOpacity(3.0f);
    strip.draw(&b, {0, 0});
    EXPECT_EQ(a.pixels, b.pixels);
}

}  // namespace
