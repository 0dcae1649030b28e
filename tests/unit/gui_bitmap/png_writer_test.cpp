#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "gui/bitmap.h"
#include "gui/png_writer.h"
#include "test_surface.h"

namespace {

using qvtest::bgra;
using qvtest::channel;
using qvtest::SurfaceTarget;

std::uint32_t at(const qv::CBitmap& b, std::int32_t x, std::int32_t y) {
    return b.getSurface().row(y)[x];
}

TEST(PngWriter, OpaqueScreenshotKeepsColoursAndOrientation) {
    SurfaceTarget img(3, 2, 0);
    img.pixels[0] = bgra(10, 20, 30, 77);    // bottom left; alpha is ignored
    img.pixels[5] = bgra(200, 100, 0, 255);  // top right
    const std::vector<std::uint8_t> png = qv::encodePng(img.surface);
    ASSERT_GT(png.size(), 8u);
    const qv::CBitmap back(png.data(), png.size());
    ASSERT_EQ(back.getWidth(), 3);
    ASSERT_EQ(back.getHeight(), 2);
    // Loading premultiplies with alpha 255: c -> (c * 255) >> 8.
    EXPECT_EQ(at(back, 0, 0), bgra(9, 19, 29, 255));
    EXPECT_EQ(at(back, 2, 1), bgra(199, 99, 0, 255));
    EXPECT_EQ(at(back, 1, 0), bgra(0, 0, 0, 255));
}

TEST(PngWriter, TranslucentPixelsRoundTripWithinRounding) {
    std::mt19937 rng(3);
    SurfaceTarget img(17, 9, 0);
    for (auto& p : img.pixels) {
        const std::uint32_t a = rng() % 256;
        p = bgra(rng() % (a + 1), rng() % (a + 1), rng() % (a + 1), a);
    }
    const std::vector<std::uint8_t> png = qv::encodePng(img.surface, qv::PngAlpha::kKeep);
    const qv::CBitmap back(png.data(), png.size());
    ASSERT_TRUE(back.isLoaded());
    for (std::int32_t y = 0; y < 9; ++y)
        for (std::int32_t x = 0; x < 17; ++x) {
            const std::uint32_t want = img.at(x, y), got = at(back, x, y);
            EXPECT_EQ(channel(got, 3), channel(want, 3));
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(channel(got, c), channel(want, c), 2.0) << x << "," << y;
        }
}

TEST(PngWriter, WritesFilesAndRefusesNothing) {
    SurfaceTarget img(4, 4, bgra(1, 2, 3, 255));
    const std::string path = std::string(QV_TEST_OUT_DIR) + "/gui_bitmap_writer.png";
    ASSERT_TRUE(qv::writePngFile(path, img.surface));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char sig[8] = {};
    EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(sig[1], 'P');
    EXPECT_TRUE(qv::encodePng(qv::PixelSurface{}).empty());
    EXPECT_FALSE(qv::writePngFile(path, qv::PixelSurface{}));
    EXPECT_FALSE(qv::writePngFile(std::string(QV_TEST_OUT_DIR) + "/no/such/folder/x.png", img.surface));
}

}  // namespace
