// Draws every image of the editor on one test page through the window's draw pass and writes
// the back buffer as a PNG into the test artifact folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gui/bitmap.h"
#include "gui/native/headless/headless_window.h"
#include "gui/pixel.h"
#include "gui/png_reader.h"
#include "gui/png_writer.h"
#include "test_views.h"

namespace qv {
namespace {

struct Placement {
    std::int32_t id;
    std::int32_t x, y;  // lower-left corner
};

// Background and graph frame on top, panels and strips below and beside them.
constexpr Placement kSheet[] = {
    {128, 0, 157},   {144, 760, 385}, {135, 760, 349}, {146, 760, 313}, {152, 760, 0},  {154, 870, 0},
    {145, 980, 0},   {155, 1035, 0},  {156, 1052, 272}, {142, 10, 100}, {143, 90, 100}, {151, 170, 100},
    {147, 250, 112}, {153, 360, 113}, {157, 470, 112}, {148, 505, 117}, {149, 532, 117}, {150, 556, 117},
    {139, 590, 104}, {140, 617, 112}, {141, 644, 112}, {4, 671, 112},
};
constexpr std::int32_t kKnobFrames[] = {0, 27, 54, 81, 108, 135};

class SheetView : public test::TestView {
public:
    SheetView(CGuiWindow& w, std::vector<CBitmap*> images, CBitmap* knobStrip, const CColor& text)
        : TestView(w, CRect{0, 0, w.getWidth(), w.getHeight()}), bitmaps(std::move(images)), knob(knobStrip), ink(text) {}

    void draw(CDrawState) override {
        CDrawContext* dc = window.getDrawContext();
        dc->fillRect(rect, background);
        for (std::size_t i = 0; i < bitmaps.size(); ++i) {
            const Placement& p = kSheet[i];
            bitmaps[i]->draw(dc, CPoint{p.x, p.y});
            if (p.y < 150) {
                char label[8];
                std::snprintf(label, sizeof(label), "%d", p.id);
                dc->setFont(3, 0, 10);
                const std::int32_t w = std::max(bitmaps[i]->getWidth(), 24);
                dc->drawText(label, CRect{p.x + bitmaps[i]->getWidth() / 2 - w / 2, p.y - 16, w, 12}, ink, kAlignCenter);
            }
        }
        // Six frames of the knob's film strip, frame i counted from the bottom of the image.
        const std::int32_t frameHeight = knob->getHeight() / 136;
        for (std::size_t i = 0; i < std::size(kKnobFrames); ++i) {
            const CPoint at{10 + static_cast<std::int32_t>(i) * 34, 30};
            knob->drawPart(dc, at, CRect{0, kKnobFrames[i] * frameHeight, knob->getWidth(), frameHeight});
            char label[8];
            std::snprintf(label, sizeof(label), "%d", kKnobFrames[i]);
            dc->drawText(label, CRect{at.x - 4, 12, 34, 12}, ink, kAlignCenter);
        }
        dc->setFont(1, kFontStyleBold, 0);
        dc->drawText("Quorvane test page: every image", CRect{260, 20, 480, 24}, ink, kAlignLeft);
    }

    std::vector<CBitmap*> bitmaps;
    CBitmap* knob;
    const CColor& ink;
    CColor background{nullptr, 0.13f, 0.14f, 0.16f, 1.0f, kColorBrush};
};

TEST(GuiWindowScreenshot, TestPageWithEveryImage) {
    test::TestOwner owner;
    SheetView* sheet = nullptr;
    std::vector<std::int32_t> missing;
    owner.build = [&](CGuiWindow& w) {
        std::vector<CBitmap*> images;
        for (const Placement& p : kSheet) {
            auto* b = new CBitmap(&w, p.id);
            if (b->getWidth() == 0) missing.push_back(p.id);
            w.addResource(b);
            images.push_back(b);
        }
        auto* knob = new CBitmap(&w, 137);
        w.addResource(knob);
        auto* ink = new CColor(&w, 0.92f, 0.93f, 0.95f, 1.0f, kColorPenAndBrush);
        w.addResource(ink);
        auto* page = new CPage;
        auto* box = new test::TestContainer(CRect{0, 0, w.getWidth(), w.getHeight()});
        auto view = std::make_unique<SheetView>(w, std::move(images), knob, *ink);
        sheet = view.get();
        box->views.push_back(std::move(view));
        page->addContainer(box);
        w.addPage(page);
    };
    CGuiWindow window(&owner, 0, 1420, 720, nullptr, nullptr);
    owner.window = &window;
    window.setTimerPeriod(40.0f);
    ASSERT_FALSE(window.open(-1, -1));
    auto* headless = dynamic_cast<CHeadlessWindow*>(window.getNativeWindow());
    ASSERT_NE(headless, nullptr);
    headless->setKeepScreen(true);
    headless->advance(40.0);
    EXPECT_TRUE(missing.empty()) << missing.size() << " images did not load";
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(headless->getPresentCount(), 1u);

    // What was put on screen is the back buffer, and the background image covers its corner.
    const PixelSurface buffer = window.getBackBuffer();
    ASSERT_EQ(headless->getScreen().size(), static_cast<std::size_t>(buffer.width) * buffer.height);
    EXPECT_TRUE(std::equal(headless->getScreen().begin(), headless->getScreen().end(), buffer.bits));
    EXPECT_GE(pixelAlpha(buffer.row(719)[0]), 254u);  // opaque over opaque white: 254 (blend rule)
    EXPECT_NE(buffer.row(719)[0], 0xFFFFFFFFu);

    const std::string path = std::string(QV_TEST_OUT_DIR) + "/gui_window_all_images.png";
    ASSERT_TRUE(writePngFile(path, buffer));
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DecodedImage decoded;
    ASSERT_TRUE(decodePng(bytes.data(), bytes.size(), decoded));
    EXPECT_EQ(decoded.width, 1420);
    EXPECT_EQ(decoded.height, 720);
    // The file reads back as the buffer, upright: the reader premultiplies the opaque colours
    // once more, c -> (c * 255) >> 8.
    for (const CPoint at : {CPoint{700, 5}, CPoint{30, 700}, CPoint{1100, 600}, CPoint{22, 40}}) {
        const std::uint32_t p = buffer.row(at.y)[at.x];
        const auto again = [](std::uint32_t c) { return (c * 255u) >> 8; };
        EXPECT_EQ(decoded.pixels[static_cast<std::size_t>(at.y) * 1420 + at.x],
                  packPixel(again(pixelBlue(p)), again(pixelGreen(p)), again(pixelRed(p)), 255u));
    }
}

}  // namespace
}  // namespace qv
