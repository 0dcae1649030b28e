#include <gtest/gtest.h>

#include <random>

#include "gui/bitmap.h"
#include "png_test_images.h"
#include "test_surface.h"

namespace {

using qvtest::bgra;
using qvtest::makePng;
using qvtest::PngSpec;

std::uint32_t premultiplied(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    if (a == 0) return 0;
    return bgra((b * a) >> 8, (g * a) >> 8, (r * a) >> 8, a);
}

// Pixel at toolkit (x, y) of a decoded bitmap: y counts up from the bottom row.
std::uint32_t pixel(const qv::CBitmap& bmp, std::int32_t x, std::int32_t y) {
    const qv::PixelSurface& s = bmp.getSurface();
    return s.bits[static_cast<std::size_t>(y) * s.width + x];
}

qv::CBitmap decode(const PngSpec& layout) {
    const std::vector<std::uint8_t> png = makePng(layout);
    EXPECT_FALSE(png.empty());
    return qv::CBitmap(png.data(), png.size());
}

TEST(PngDecode, PaletteWithTransparencyGainsPerPixelAlpha) {
    PngSpec s;
    s.width = 2;
    s.height = 2;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    s.paletteAlpha = {0, 128, 255};  // entry 3 has no alpha: opaque
    s.rows = {{0, 1}, {2, 3}};       // top row first
    const qv::CBitmap bmp = decode(s);
    ASSERT_TRUE(bmp.isLoaded());
    ASSERT_EQ(bmp.getWidth(), 2);
    ASSERT_EQ(bmp.getHeight(), 2);
    // The top image row is the upper memory row.
    EXPECT_EQ(pixel(bmp, 0, 1), 0u);                       // red, alpha 0: all zero
    EXPECT_EQ(pixel(bmp, 1, 1), bgra(0, 127, 0, 128));     // green at half alpha, premultiplied
    EXPECT_EQ(pixel(bmp, 0, 0), bgra(254, 0, 0, 255));     // opaque blue: 255 * 255 >> 8
    EXPECT_EQ(pixel(bmp, 1, 0), bgra(254, 254, 254, 255));
}

TEST(PngDecode, LowDepthPaletteAndGreyExpandWithOpaqueFiller) {
    PngSpec pal;
    pal.width = 4;
    pal.colorType = PNG_COLOR_TYPE_PALETTE;
    pal.bitDepth = 2;
    pal.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 128, 0}};
    pal.rows = {{0b00011011}};
    const qv::CBitmap p = decode(pal);
    ASSERT_EQ(p.getWidth(), 4);
    EXPECT_EQ(pixel(p, 0, 0), premultiplied(10, 20, 30, 255));
    EXPECT_EQ(pixel(p, 3, 0), premultiplied(255, 128, 0, 255));

    PngSpec grey;
    grey.width = 8;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.bitDepth = 1;
    grey.rows = {{0b10100000}};
    const qv::CBitmap g = decode(grey);
    EXPECT_EQ(pixel(g, 0, 0), premultiplied(255, 255, 255, 255));
    EXPECT_EQ(pixel(g, 1, 0), premultiplied(0, 0, 0, 255));
    EXPECT_EQ(pixel(g, 2, 0), premultiplied(255, 255, 255, 255));
}

TEST(PngDecode, ColourKeysBecomeTransparent) {
    PngSpec grey;
    grey.width = 2;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.bitDepth = 4;
    grey.hasColorKey = true;
    grey.colorKey.gray = 5;
    grey.rows = {{0x5F}};  // 5 (the key), 15 (white)
    const qv::CBitmap g = decode(grey);
    EXPECT_EQ(pixel(g, 0, 0), 0u);
    EXPECT_EQ(pixel(g, 1, 0), premultiplied(255, 255, 255, 255));

    PngSpec rgb;
    rgb.width = 2;
    rgb.colorType = PNG_COLOR_TYPE_RGB;
    rgb.hasColorKey = true;
    rgb.colorKey.red = 255;
    rgb.colorKey.blue = 255;
    rgb.rows = {{255, 0, 255, 255, 0, 254}};
    const qv::CBitmap c = decode(rgb);
    EXPECT_EQ(pixel(c, 0, 0), 0u);
    EXPECT_EQ(pixel(c, 1, 0), premultiplied(255, 0, 254, 255));
}

TEST(PngDecode, SixteenBitSamplesKeepTheirHighByte) {
    PngSpec rgb;
    rgb.colorType = PNG_COLOR_TYPE_RGB;
    rgb.bitDepth = 16;
    rgb.rows = {{0x12, 0xFF, 0x80, 0x00, 0xFF, 0xFF}};
    EXPECT_EQ(pixel(decode(rgb), 0, 0), premultiplied(0x12, 0x80, 0xFF, 255));

    PngSpec ga;
    ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.bitDepth = 16;
    ga.rows = {{0xAB, 0xCD, 0x80, 0x00}};
    EXPECT_EQ(pixel(decode(ga), 0, 0), premultiplied(0xAB, 0xAB, 0xAB, 0x80));
}

TEST(PngDecode, InterlacedMatchesProgressiveAndStandsUpright) {
    std::mt19937 rng(5);
    PngSpec s;
    s.width = 13;
    s.height = 11;
    for (std::uint32_t y = 0; y < s.height; ++y) {
        std::vector<std::uint8_t> row;
        for (std::uint32_t i = 0; i < s.width * 4; ++i) row.push_back(static_cast<std::uint8_t>(rng()));
        s.rows.push_back(row);
    }
    const qv::CBitmap progressive = decode(s);
    s.interlaced = true;
    const qv::CBitmap interlaced = decode(s);
    ASSERT_TRUE(interlaced.isLoaded());
    for (std::int32_t y = 0; y < 11; ++y) {
        const auto& row = s.rows[10 - y];  // memory row y holds file row height - 1 - y
        for (std::int32_t x = 0; x < 13; ++x) {
            const std::uint32_t want = premultiplied(row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]);
            ASSERT_EQ(pixel(interlaced, x, y), want) << x << "," << y;
            ASSERT_EQ(pixel(progressive, x, y), want) << x << "," << y;
        }
    }
}

TEST(PngDecode, BrokenDataLeavesAnEmptyBitmapThatDrawsNothing) {
    PngSpec s;
    s.width = 4;
    s.height = 4;
    s.rows.assign(4, std::vector<std::uint8_t>(16, 200));
    std::vector<std::uint8_t> png = makePng(s);
    qvtest::SurfaceTarget target(8, 8, 0x01020304u);
    const std::vector<std::vector<std::uint8_t>> broken = {
        {png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2)},  // truncated
        {png.begin(), png.begin() + 8},                                            // signature only
        {1, 2, 3},
        {},
    };
    for (const auto& bytes : broken) {
        qv::CBitmap bmp(bytes.data(), bytes.size());
        EXPECT_FALSE(bmp.isLoaded());
        EXPECT_EQ(bmp.getWidth(), 0);
        EXPECT_EQ(bmp.getHeight(), 0);
        bmp.draw(&target, {0, 0});
        bmp.drawPart(&target, {0, 0}, {0, 0, 4, 4});
    }
    // A corrupted data chunk fails its checksum.
    png[png.size() - 20] ^= 0x55;
    EXPECT_FALSE(qv::CBitmap(png.data(), png.size()).isLoaded());
    for (std::uint32_t p : target.pixels) EXPECT_EQ(p, 0x01020304u);
}

}  // namespace
