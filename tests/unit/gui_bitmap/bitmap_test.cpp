// Bitmaps: decoding every PNG pixel format, drawing with opacity and clip, writing PNGs back, and
// the editor's images found by id.

#include <png.h>

#include <csetjmp>
#include <fstream>
#include <iterator>
#include <random>

#include "gui/bitmap.h"
#include "gui/png_writer.h"
#include "platform/resources.h"
#include "test_surface.h"

namespace {

using namespace qvtest;

// A PNG file in any colour type, depth and interlace, written with libpng, so that the decoder can
// be checked against pixels known in advance.
struct PngLayout {
    std::uint32_t width = 1, height = 1;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA, bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> paletteAlpha;       // tRNS of a palette image
    bool hasColorKey = false;                     // tRNS of a grey or RGB image
    png_color_16 colorKey{};
    std::vector<std::vector<std::uint8_t>> rows;  // packed as in the file, top row first
};

bool writePng(png_structp png, png_infop info, const PngLayout& s, png_bytep* rows, std::vector<std::uint8_t>* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    const auto append = [](png_structp p, png_bytep data, png_size_t n) {
        auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + n);
    };
    png_set_write_fn(png, out, append, [](png_structp) {});
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    const int alphas = static_cast<int>(s.paletteAlpha.size());
    if (alphas) png_set_tRNS(png, info, s.paletteAlpha.data(), alphas, nullptr);
    if (s.hasColorKey) png_set_tRNS(png, info, nullptr, 0, &s.colorKey);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

std::vector<std::uint8_t> makePng(const PngLayout& layout) {
    std::vector<std::uint8_t> out;
    std::vector<png_bytep> rows;
    for (const auto& r : layout.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!writePng(png, info, layout, rows.data(), &out)) out.clear();
    png_destroy_write_struct(&png, &info);
    return out;
}

std::uint32_t premultiplied(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    return a == 0 ? 0 : bgra((b * a) >> 8, (g * a) >> 8, (r * a) >> 8, a);
}

// Pixel at toolkit (x, y) of a decoded bitmap: y counts up from the bottom row.
std::uint32_t pixel(const qv::CBitmap& bmp, std::int32_t x, std::int32_t y) { return bmp.getSurface().row(y)[x]; }

qv::CBitmap decode(const PngLayout& layout) {
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
        PngLayout image;
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

TEST(PngDecode, InterlacedAndProgressiveStandUprightAndBrokenDataOrNoTargetDrawNothing) {
    std::mt19937 rng(5);
    PngLayout s{13, 11};
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
    const std::vector<std::uint8_t> png = makePng(s);
    std::vector<std::uint8_t> corrupt = png;
    corrupt[corrupt.size() - 20] ^= 0x55;  // a data chunk that fails its checksum
    qvtest::SurfaceTarget target(8, 8, 0x01020304u);
    const std::vector<std::vector<std::uint8_t>> broken = {
        {png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2)},  // truncated
        {png.begin(), png.begin() + 8},                                            // signature only
        {1, 2, 3}, {}, corrupt};
    for (const auto& bytes : broken) {
        qv::CBitmap bmp(bytes.data(), bytes.size());
        EXPECT_EQ(std::tuple(bmp.isLoaded(), bmp.getWidth(), bmp.getHeight()), std::tuple(false, 0, 0));
        bmp.draw(&target, {0, 0}), bmp.drawPart(&target, {0, 0}, {0, 0, 4, 4});
    }
    for (std::uint32_t p : target.pixels) EXPECT_EQ(p, 0x01020304u);
    // A good bitmap without a target, or with a target without a surface.
    struct NoSurface : qv::CBlendTarget {
        qv::PixelSurface* getTargetSurface() override { return nullptr; }
        const qv::CRect* getTargetClip() const override { return nullptr; }
    } none;
    qv::CBitmap good(png.data(), png.size());
    good.draw(nullptr, {0, 0}), good.draw(&none, {0, 0});
}

TEST(BitmapDraw, BlendsWithOpacityHeldTo0To1AndClipsToTheContext) {
    // 4 x 6 grey: the file's top three rows 10, the bottom three 20, which loads as (20 * 255) >> 8.
    const std::vector<std::uint8_t> ten(4, 10), twenty(4, 20);
    const std::vector<std::uint8_t> png =
        makePng({4, 6, PNG_COLOR_TYPE_GRAY, 8, false, {}, {}, false, {}, {ten, ten, ten, twenty, twenty, twenty}});
    qv::CBitmap strip(png.data(), png.size());
    SurfaceTarget target(10, 10, bgra(0, 0, 0, 255));
    target.clip = qv::CRect{3, 0, 10, 4};
    strip.setOpacity(0.5f), strip.draw(&target, {1, 1});
    // Opacity 0.5 gives alpha 127: c = (c * 127) >> 8, alpha = 126 + (255 * (65025 - 255 * 127)) >> 16.
    const std::uint32_t c = (((20 * 255) >> 8) * 127) >> 8;
    for (std::int32_t y = 0; y < 10; ++y)
        for (std::int32_t x = 0; x < 10; ++x) {
            // The picture covers x 1..4, y 1..6; the clip leaves x 3..4, y 1..3 (the bottom frame).
            const bool drawn = x >= 3 && x < 5 && y >= 1 && y < 4;
            ASSERT_EQ(target.at(x, y), drawn ? bgra(c, c, c, 253) : bgra(0, 0, 0, 255)) << x << "," << y;
        }
    SurfaceTarget a(4, 6, bgra(50, 50, 50, 255)), b(4, 6, bgra(50, 50, 50, 255));
    strip.setOpacity(1.0f), strip.draw(&a, {0, 0});
    strip.setOpacity(3.0f), strip.draw(&b, {0, 0});
    EXPECT_EQ(a.pixels, b.pixels);
}

TEST(PngWriter, ImagesRoundTripOpaqueOrTranslucentAndUprightAndFilesAreWritten) {
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
    const std::string path = std::string(QV_TEST_OUT_DIR) + "/gui_bitmap_writer.png";
    ASSERT_TRUE(qv::writePngFile(path, img.surface));
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(qv::CBitmap(file.data(), file.size()).getWidth(), 17);
    EXPECT_TRUE(qv::encodePng(qv::PixelSurface{}).empty() && !qv::writePngFile(path, qv::PixelSurface{}));
    EXPECT_FALSE(qv::writePngFile(std::string(QV_TEST_OUT_DIR) + "/no/such/folder/x.png", img.surface));
}

// Every image of the editor in load order: id, size and frame count.
constexpr struct { std::int32_t id, width, height, frames; } kImages[] = {
    {142, 69, 40, 2},  {151, 69, 40, 2},  {143, 69, 40, 2},   {144, 650, 335, 1}, {145, 47, 200, 1},
    {146, 650, 28, 1}, {147, 102, 28, 1}, {135, 650, 28, 1},  {137, 26, 3400, 136}, {4, 14, 28, 2},
    {139, 12, 36, 3},  {140, 14, 28, 2},  {141, 14, 28, 2},   {128, 752, 563, 1}, {148, 7, 18, 2},
    {149, 7, 18, 2},   {150, 14, 18, 2},  {152, 102, 309, 1}, {153, 102, 26, 1},  {154, 102, 309, 1},
    {155, 9, 280, 2},  {156, 7, 28, 2},   {157, 26, 28, 2},
};

TEST(Resources, EveryImageDecodesToItsSize) {
    for (const auto& img : kImages) {
        ASSERT_FALSE(qv::platform::findPngResource(img.id).empty()) << img.id;
        const qv::CBitmap bmp(nullptr, img.id);
        EXPECT_EQ(std::pair(bmp.getWidth(), bmp.getHeight()), std::pair(img.width, img.height)) << img.id;
        EXPECT_EQ(bmp.getHeight() % img.frames, 0) << img.id;
    }
    for (std::int32_t missing : {0, 1, 136, 158, 999, -1, 70000})
        EXPECT_TRUE(qv::platform::findPngResource(missing).empty() && !qv::CBitmap(nullptr, missing).isLoaded()) << missing;
}

}  // namespace
