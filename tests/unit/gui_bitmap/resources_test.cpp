#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "gui/bitmap.h"
#include "gui/png_writer.h"
#include "platform/resources.h"
#include "test_surface.h"

namespace {

using qvtest::channel;

struct ImageSpec {
    std::int32_t id, width, height, frames;
};

// Every image of the editor in load order, with its size and frame count.
constexpr ImageSpec kImages[] = {
    {142, 69, 40, 2},  {151, 69, 40, 2},  {143, 69, 40, 2},   {144, 650, 335, 1}, {145, 47, 200, 1},
    {146, 650, 28, 1}, {147, 102, 28, 1}, {135, 650, 28, 1},  {137, 26, 3400, 136}, {4, 14, 28, 2},
    {139, 12, 36, 3},  {140, 14, 28, 2},  {141, 14, 28, 2},   {128, 752, 563, 1}, {148, 7, 18, 2},
    {149, 7, 18, 2},   {150, 14, 18, 2},  {152, 102, 309, 1}, {153, 102, 26, 1},  {154, 102, 309, 1},
    {155, 9, 280, 2},  {156, 7, 28, 2},   {157, 26, 28, 2},
};

// Luminance summed over frame k (k frames up from the bottom edge, as the controls count).
double frameLight(const qv::CBitmap& bmp, int frames, int k) {
    const qv::PixelSurface& s = bmp.getSurface();
    const std::int32_t h = s.height / frames;
    double sum = 0;
    for (std::int32_t y = k * h; y < (k + 1) * h; ++y)
        for (std::int32_t x = 0; x < s.width; ++x) {
            const std::uint32_t p = s.row(y)[x];
            sum += 0.11 * channel(p, 0) + 0.59 * channel(p, 1) + 0.3 * channel(p, 2);
        }
    return sum;
}

// Counts the accent-orange pixels of frame k.
int orangePixels(const qv::CBitmap& bmp, int frames, int k) {
    const qv::PixelSurface& s = bmp.getSurface();
    const std::int32_t h = s.height / frames;
    int n = 0;
    for (std::int32_t y = k * h; y < (k + 1) * h; ++y)
        for (std::int32_t x = 0; x < s.width; ++x) {
            const std::uint32_t p = s.row(y)[x];
            n += channel(p, 2) > 200 && channel(p, 1) > 100 && channel(p, 1) < 190 && channel(p, 0) < 90;
        }
    return n;
}

TEST(Resources, EveryImageDecodesToItsSize) {
    for (const ImageSpec& img : kImages) {
        SCOPED_TRACE(img.id);
        const qv::platform::ResourceBytes bytes = qv::platform::findPngResource(img.id);
        ASSERT_FALSE(bytes.empty());
        const qv::CBitmap bmp(nullptr, img.id);
        ASSERT_TRUE(bmp.isLoaded());
        EXPECT_EQ(bmp.getWidth(), img.width);
        EXPECT_EQ(bmp.getHeight(), img.height);
        EXPECT_EQ(bmp.getHeight() % img.frames, 0);
    }
    for (std::int32_t missing : {0, 1, 136, 158, 999, -1, 70000}) {
        EXPECT_TRUE(qv::platform::findPngResource(missing).empty());
        const qv::CBitmap bmp(nullptr, missing);
        EXPECT_FALSE(bmp.isLoaded());
        EXPECT_EQ(bmp.getWidth() + bmp.getHeight(), 0);
    }
}

TEST(Resources, KnobPointerSweepsTheArcFromTheTopFrameDown) {
    // Frame i from the top shows value i / 135: the pointer turns clockwise through 270 degrees
    // from lower left (-135 degrees from straight up) to lower right (+135 degrees).
    const qv::CBitmap knob(nullptr, 137);
    ASSERT_TRUE(knob.isLoaded());
    const qv::PixelSurface& s = knob.getSurface();
    for (int i = 0; i < 136; i += 5) {
        double sx = 0, sy = 0, n = 0;
        const std::int32_t bottom = s.height - (i + 1) * 25;
        for (std::int32_t r = 0; r < 25; ++r)
            for (std::int32_t x = 0; x < 26; ++x) {
                const std::uint32_t p = s.row(bottom + r)[x];
                if (channel(p, 0) > 180 && channel(p, 1) > 180 && channel(p, 2) > 180) {  // the white pointer
                    sx += x + 0.5 - 13.0;
                    sy += r + 0.5 - 12.5;  // up is positive
                    n += 1;
                }
            }
        ASSERT_GT(n, 3) << "frame " << i;
        const double angle = std::atan2(sx / n, sy / n) * 180.0 / std::numbers::pi;
        EXPECT_NEAR(angle, -135.0 + 270.0 * i / 135.0, 12.0) << "frame " << i;
    }
}

TEST(Resources, SwitchFramesAreInTheOrderTheControlsShowThem) {
    // Two-frame switches: frame 0 (bottom) is "on", frame 1 (top) is "off".
    for (std::int32_t id : {4, 140, 141}) {
        const qv::CBitmap led(nullptr, id);
        EXPECT_GT(frameLight(led, 2, 0), 1.5 * frameLight(led, 2, 1)) << id;
    }
    for (std::int32_t id : {142, 151, 143, 157}) {  // tabs and pause: the accent marks "on"
        const qv::CBitmap b(nullptr, id);
        EXPECT_GT(orangePixels(b, 2, 0), 10) << id;
        EXPECT_EQ(orangePixels(b, 2, 1), 0) << id;
    }
    for (std::int32_t id : {148, 149, 150, 156}) {  // buttons light up while pressed (frame 0)
        const qv::CBitmap b(nullptr, id);
        EXPECT_GT(frameLight(b, 2, 0), frameLight(b, 2, 1)) << id;
    }
    // Memory switch: top frame empty, middle stored, bottom shown, ever brighter.
    const qv::CBitmap mem(nullptr, 139);
    EXPECT_GT(frameLight(mem, 3, 0), frameLight(mem, 3, 1));
    EXPECT_GT(frameLight(mem, 3, 1), frameLight(mem, 3, 2));
    // Panel tab: index 0 (Controls, the upper half) is frame 1, the top frame; it is lit above.
    const qv::CBitmap tabs(nullptr, 155);
    const qv::PixelSurface& t = tabs.getSurface();
    auto light = [&](std::int32_t y0, std::int32_t y1) {
        double sum = 0;
        for (std::int32_t y = y0; y < y1; ++y)
            for (std::int32_t x = 0; x < t.width; ++x) sum += channel(t.row(y)[x], 1);
        return sum;
    };
    EXPECT_GT(light(210, 280), light(140, 210));  // top frame: upper half brighter
    EXPECT_GT(light(0, 70), light(70, 140));      // bottom frame: lower half brighter
}

TEST(Resources, ContactSheetOfEveryImage) {
    // All images drawn through CBitmap onto one sheet, kept as a test artifact for review.
    qvtest::SurfaceTarget sheet(1560, 960, qvtest::bgra(60, 60, 60, 255));
    std::int32_t x = 4, y = 960 - 4, rowHeight = 0;
    for (const ImageSpec& img : kImages) {
        if (img.id == 137) continue;  // the knob strip is shown below as a row of frames
        qv::CBitmap bmp(nullptr, img.id);
        if (x + img.width > 1556) {
            x = 4;
            y -= rowHeight + 6;
            rowHeight = 0;
        }
        const std::int32_t h = std::min(img.height, 600);
        bmp.drawPart(&sheet, {x, y - h}, {0, img.height - h, img.width, h});
        x += img.width + 6;
        rowHeight = std::max(rowHeight, h);
    }
    qv::CBitmap knob(nullptr, 137);
    for (int i = 0; i < 136; i += 3) knob.drawPart(&sheet, {4 + (i / 3) * 30, 4}, {0, 3400 - (i + 1) * 25, 26, 25});
    EXPECT_TRUE(qv::writePngFile(std::string(QV_TEST_OUT_DIR) + "/gui_bitmap_images.png", sheet.surface));
}

}  // namespace
