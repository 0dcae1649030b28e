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

TEST(PngWriter, ImagesRoundTripOpaqueOrTranslucentAndUpright) {
    std::mt19937 rng(3);
    SurfaceTarget img(17, 9, 0);
    for (auto& p : img.pixels) {
        const std::uint32_t a = rng() % 256;
        p = bgra(rng() % (a + 1), rng() % (a + 1), rng() % (a + 1), a);
    }
    for (const qv::PngAlpha mode : {qv::PngAlpha::kOpaque, qv::PngAlpha::kKeep}) {
        const std::vector<std::uint8_t> png = qv::encodePng(img.surface, mode);
        const qv::CBitmap back(png.data(), png.size());
        ASSERT_EQ(std::pair(back.getWidth(), back.getHeight()), std::pair(17, 9));
        for (std::int32_t y = 0; y < 9; ++y)
            for (std::int32_t x = 0; x < 17; ++x) {
                const std::uint32_t want = img.at(x, y), got = back.getSurface().row(y)[x];
                if (mode == qv::PngAlpha::kOpaque) {
                    // Alpha ignored; loading premultiplies with alpha 255: c -> (c * 255) >> 8.
                    ASSERT_EQ(got, bgra(channel(want, 0) * 255 >> 8, channel(want, 1) * 255 >> 8,
                                        channel(want, 2) * 255 >> 8, 255)) << x << "," << y;
                    continue;
                }
                ASSERT_EQ(channel(got, 3), channel(want, 3));
                for (int c = 0; c < 3; ++c) ASSERT_NEAR(channel(got, c), channel(want, c), 2.0) << x << "," << y;
            }
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
