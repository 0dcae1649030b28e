#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "gui/bitmap.h"
#include "png_test_images.h"
#include "test_surface.h"

namespace {

using qvtest::bgra;
using qvtest::makePng;
using qvtest::PngSpec;

std::uint32_t premultiplied(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    return a == 0 ? 0 : bgra((b * a) >> 8, (g * a) >> 8, (r * a) >> 8, a);
}

// Pixel at toolkit (x, y) of a decoded bitmap: y counts up from the bottom row.
std::uint32_t pixel(const qv::CBitmap& bmp, std::int32_t x, std::int32_t y) { return bmp.getSurface().row(y)[x]; }

qv::CBitmap decode(const PngSpec& layout) {
    const std::vector<std::uint8_t> png = makePng(layout);
    EXPECT_FALSE(png.empty());
    return qv::CBitmap(png.data(), png.size());
}

// Each pixel format against the premultiplied pixels it must give; (x, y) count from the
// bottom-left corner, so the file's top row is the upper memory row.
TEST(PngDecode, EveryPixelFormatGivesPremultipliedPixels) {
    png_color_16 greyKey{}, rgbKey{};
    greyKey.gray = 5;
    rgbKey.red = rgbKey.blue = 255;
    const struct {
        const char* what;
        PngSpec image;
        std::vector<std::tuple<std::int32_t, std::int32_t, std::uint32_t>> pixels;
    } cases[] = {
        {"palette with alpha (entry 3 has none: opaque)",
         {2, 2, PNG_COLOR_TYPE_PALETTE, 8, false, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
          {0, 128, 255}, false, {}, {{0, 1}, {2, 3}}},
         {{0, 1, 0u}, {1, 1, bgra(0, 127, 0, 128)}, {0, 0, bgra(254, 0, 0, 255)}, {1, 0, bgra(254, 254, 254, 255)}}},
        {"2-bit palette",
         {4, 1, PNG_COLOR_TYPE_PALETTE, 2, false, {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 128, 0}}, {}, false,
          {}, {{0b00011011}}},
         {{0, 0, premultiplied(10, 20, 30, 255)}, {3, 0, premultiplied(255, 128, 0, 255)}}},
        {"1-bit grey",
         {8, 1, PNG_COLOR_TYPE_GRAY, 1, false, {}, {}, false, {}, {{0b10100000}}},
         {{0, 0, premultiplied(255, 255, 255, 255)}, {1, 0, premultiplied(0, 0, 0, 255)}}},
        {"4-bit grey with a colour key",
         {2, 1, PNG_COLOR_TYPE_GRAY, 4, false, {}, {}, true, greyKey, {{0x5F}}},
         {{0, 0, 0u}, {1, 0, premultiplied(255, 255, 255, 255)}}},
        {"RGB with a colour key",
         {2, 1, PNG_COLOR_TYPE_RGB, 8, false, {}, {}, true, rgbKey, {{255, 0, 255, 255, 0, 254}}},
         {{0, 0, 0u}, {1, 0, premultiplied(255, 0, 254, 255)}}},
        {"16-bit RGB keeps the high bytes",
         {1, 1, PNG_COLOR_TYPE_RGB, 16, false, {}, {}, false, {}, {{0x12, 0xFF, 0x80, 0x00, 0xFF, 0xFF}}},
         {{0, 0, premultiplied(0x12, 0x80, 0xFF, 255)}}},
        {"16-bit grey and alpha",
         {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, {}, {}, false, {}, {{0xAB, 0xCD, 0x80, 0x00}}},
         {{0, 0, premultiplied(0xAB, 0xAB, 0xAB, 0x80)}}},
    };
    for (const auto& c : cases) {
        const qv::CBitmap bmp = decode(c.image);
        ASSERT_TRUE(bmp.isLoaded()) << c.what;
        EXPECT_EQ(std::pair(bmp.getWidth(), bmp.getHeight()),
                  std::pair(static_cast<std::int32_t>(c.image.width), static_cast<std::int32_t>(c.image.height)));
        for (const auto& [x, y, want] : c.pixels) EXPECT_EQ(pixel(bmp, x, y), want) << c.what << " at " << x << "," << y;
    }
}

TEST(PngDecode, InterlacedAndProgressiveStandUpright) {
    std::mt19937 rng(5);
    PngSpec s;
    s.width = 13;
    s.height = 11;
    s.rows.assign(11, std::vector<std::uint8_t>(13 * 4));
    for (auto& row : s.rows) std::generate(row.begin(), row.end(), [&] { return static_cast<std::uint8_t>(rng()); });
    for (bool interlaced : {false, true}) {
        s.interlaced = interlaced;
        const qv::CBitmap bmp = decode(s);
        ASSERT_TRUE(bmp.isLoaded());
        for (std::int32_t y = 0; y < 11; ++y) {
            const auto& row = s.rows[10 - y];  // memory row y holds file row height - 1 - y
            for (std::int32_t x = 0; x < 13; ++x) {
                const std::uint32_t want = premultiplied(row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]);
                ASSERT_EQ(pixel(bmp, x, y), want) << x << "," << y << (interlaced ? " interlaced" : "");
            }
        }
    }
}

TEST(PngDecode, BrokenDataOrNoTargetDrawsNothing) {
    PngSpec s;
    s.width = s.height = 4;
    s.rows.assign(4, std::vector<std::uint8_t>(16, 200));
    std::vector<std::uint8_t> png = makePng(s);
    std::vector<std::uint8_t> corrupt = png;
    corrupt[corrupt.size() - 20] ^= 0x55;  // a data chunk that fails its checksum
    qvtest::SurfaceTarget target(8, 8, 0x01020304u);
    const std::vector<std::vector<std::uint8_t>> broken = {
        {png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2)},  // truncated
        {png.begin(), png.begin() + 8},                                            // signature only
        {1, 2, 3}, {}, corrupt};
    for (const auto& bytes : broken) {
        qv::CBitmap bmp(bytes.data(), bytes.size());
        EXPECT_FALSE(bmp.isLoaded());
        EXPECT_EQ(bmp.getWidth() + bmp.getHeight(), 0);
        bmp.draw(&target, {0, 0});
        bmp.drawPart(&target, {0, 0}, {0, 0, 4, 4});
    }
    for (std::uint32_t p : target.pixels) EXPECT_EQ(p, 0x01020304u);
    // A good bitmap without a target, or with a target without a surface.
    struct NoSurface : qv::CBlendTarget {
        qv::PixelSurface* getTargetSurface() override { return nullptr; }
        const qv::CRect* getTargetClip() const override { return nullptr; }
    } none;
    qv::CBitmap good(png.data(), png.size());
    good.draw(nullptr, {0, 0});
    good.draw(&none, {0, 0});
}

}  // namespace
