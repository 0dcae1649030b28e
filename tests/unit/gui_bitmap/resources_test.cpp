#include <gtest/gtest.h>

#include "gui/bitmap.h"
#include "platform/resources.h"

namespace {

// Every image of the editor in load order: id, size and frame count.
constexpr struct {
    std::int32_t id, width, height, frames;
} kImages[] = {
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
    for (std::int32_t missing : {0, 1, 136, 158, 999, -1, 70000}) {
        EXPECT_TRUE(qv::platform::findPngResource(missing).empty());
        EXPECT_FALSE(qv::CBitmap(nullptr, missing).isLoaded());
    }
}

}  // namespace
