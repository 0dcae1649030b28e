#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "gui/blend_cpu.h"
#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/pixel.h"
#include "gui/rect_math.h"
#include "rect_compare.h"

namespace qv {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

// A white bottom-up surface of the editor's size with a context drawing into it.
struct Canvas {
    explicit Canvas(std::int32_t w = 752, std::int32_t h = 563) : pixels(static_cast<std::size_t>(w) * h, kWhite), context(nullptr) {
        context.setSurface(PixelSurface{pixels.data(), w, h});
    }
    PixelSurface surface() const { return context.getSurface(); }
    // Pixel at column x of device row r (rows counted from the top, as on screen).
    std::uint32_t device(std::int32_t x, std::int32_t r) const { return surface().row(surface().height - 1 - r)[x]; }
    // Bounding box of pixels different from white, in toolkit coordinates.
    CRect painted() const {
        std::int32_t l = 1 << 30, b = 1 << 30, r = -1, t = -1;
        for (std::int32_t y = 0; y < surface().height; ++y) {
            for (std::int32_t x = 0; x < surface().width; ++x) {
                if (surface().row(y)[x] == kWhite) continue;
                l = std::min(l, x), r = std::max(r, x), b = std::min(b, y), t = std::max(t, y);
            }
        }
        return r < 0 ? CRect{} : CRect{l, b, r - l + 1, t - b + 1};
    }
    std::vector<std::uint32_t> pixels;
    CDrawContext context;
};

TEST(DrawContextCoordinates, FillOfTheBottomLeftCornerCoversTheLastTenDeviceRows) {
    Canvas c;
    const CColor red(nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush);
    c.context.fillRect(CRect{0, 0, 10, 10}, red);
    for (std::int32_t r = 553; r <= 562; ++r) {
        EXPECT_EQ(c.device(0, r), 0xFFFF0000u) << r;
        EXPECT_EQ(c.device(9, r), 0xFFFF0000u) << r;
    }
    EXPECT_EQ(c.device(0, 552), kWhite);
    EXPECT_EQ(c.device(10, 562), kWhite);
    EXPECT_EQ(c.painted(), (CRect{0, 0, 10, 10}));
}

TEST(DrawContextCoordinates, TextLiesOneRowAboveTheSameRectangleFilled) {
    Canvas c;
    const CColor blue(nullptr, 0.0f, 0.0f, 1.0f, 1.0f, kColorBrush);
    const CColor black(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush);
    // A box lower than the letters: the clipped text fills the box's rows wherever a stem is.
    const CRect box{100, 200, 200, 4};
    c.context.fillRect(box, blue);
    c.context.setFont(2, 1, 24);
    c.context.drawText("MMMMMM", box, black, kAlignLeft);
    int darkPerRow[6] = {};
    for (std::int32_t y = 199; y <= 204; ++y) {
        for (std::int32_t x = 90; x < 230; ++x) {
            const std::uint32_t p = c.surface().row(y)[x];
            if (pixelRed(p) < 64 && pixelBlue(p) < 64) darkPerRow[y - 199]++;
        }
    }
    EXPECT_EQ(darkPerRow[0], 0);  // below the fill
    EXPECT_EQ(darkPerRow[1], 0);  // the fill's bottom row: text starts one higher
    for (int i = 2; i <= 5; ++i) EXPECT_GT(darkPerRow[i], 8) << "toolkit row " << 199 + i;
    // Row 204 lies above the fill: text on white there, the fill below it, nothing higher.
    for (std::int32_t x = 0; x < 752; ++x) EXPECT_NE(c.surface().row(204)[x], 0xFF0000FFu);
    EXPECT_EQ(c.painted().y + c.painted().height, 205);
}

TEST(DrawContextClip, ThirdPushIsIgnoredAndPopsPairWithPushes) {
    Canvas c;
    const CColor red(nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush);
    const CColor green(nullptr, 0.0f, 1.0f, 0.0f, 1.0f, kColorBrush);
    const CRect all{0, 0, 752, 563};
    c.context.pushClip(CRect{10, 10, 100, 100});
    c.context.pushClip(CRect{50, 50, 100, 100});  // meets the outer clip in (50, 50, 60, 60)
    c.context.pushClip(all);
    EXPECT_TRUE(c.context.hasClipOverflow());
    c.context.fillRect(all, red);
    EXPECT_EQ(c.painted(), (CRect{50, 50, 60, 60}));
    c.context.pushClip(all);  // still ignored
    c.context.popClip();
    c.context.popClip();  // pops the ignored third push: the second level stays
    c.context.fillRect(all, green);
    EXPECT_EQ(c.painted(), (CRect{50, 50, 60, 60}));
    EXPECT_EQ(c.surface().row(50)[50], 0xFF00FF00u);
    c.context.popClip();  // back to the outer clip
    c.context.fillRect(all, red);
    EXPECT_EQ(c.painted(), (CRect{10, 10, 100, 100}));
    c.context.popClip();
    EXPECT_EQ(c.context.getClipDepth(), 0u);
    EXPECT_FALSE(c.context.hasClipOverflow());
    // With the stack empty, clipping works again.
    c.context.pushClip(CRect{700, 500, 10, 10});
    c.context.fillRect(all, green);
    EXPECT_EQ(c.surface().row(505)[705], 0xFF00FF00u);
    EXPECT_EQ(c.surface().row(0)[0], kWhite);  // outside every clip: never painted
    EXPECT_EQ(c.surface().row(499)[705], kWhite);
    c.context.popClip();
}

TEST(DrawContextClip, OffsetPushesAndLinesRespectTheClip) {
    Canvas c(40, 30);
    const CColor pen(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPen);
    c.context.pushClipAt2(CRect{0, 0, 10, 10}, CPoint{3, 2}, CPoint{2, 3});  // (5, 5, 10, 10)
    c.context.drawLineColored(CPoint{0, 8}, CPoint{39, 8}, pen);
    EXPECT_EQ(c.painted(), (CRect{5, 8, 10, 1}));
    c.context.popClip();
    c.context.pushClipAt(CPoint{-100, -100}, CRect{0, 0, 5, 5});  // wholly outside
    c.context.drawLine(CPoint{0, 0}, CPoint{39, 29});
    EXPECT_EQ(c.painted(), (CRect{5, 8, 10, 1}));
    c.context.popClip();
}

TEST(DrawContextLines, BothEndPixelsAreSetInEveryDirection) {
    const CColor pen(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPen);
    const CPoint ends[][2] = {{{3, 4}, {17, 4}}, {{17, 9}, {3, 4}}, {{5, 2}, {5, 20}}, {{20, 20}, {2, 2}}, {{2, 20}, {9, 1}}};
    for (const auto& e : ends) {
        Canvas c(24, 24);
        c.context.drawLineColored(e[0], e[1], pen);
        EXPECT_EQ(c.surface().row(e[0].y)[e[0].x], 0xFF000000u);
        EXPECT_EQ(c.surface().row(e[1].y)[e[1].x], 0xFF000000u);
        // A thin line: one pixel per step along its major axis.
        const CRect box = c.painted();
        int count = 0;
        for (std::uint32_t p : c.pixels) count += p != kWhite;
        EXPECT_EQ(count, std::max(box.width, box.height));
    }
    // A colour without a pen leaves the previous pen selected.
    Canvas c(8, 8);
    const CColor brushOnly(nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush);
    c.context.selectPen(pen);
    c.context.drawLineColored(CPoint{0, 0}, CPoint{0, 0}, brushOnly);
    EXPECT_EQ(c.surface().row(0)[0], 0xFF000000u);
}

TEST(DrawContextFill, BlendedFillTakesTheColourAlphaTwiceAndTheGlobalAlpha) {
    for (bool plain : {false, true}) {
        setPlainBlendOverride(plain);
        Canvas c(16, 16);
        const CColor red(nullptr, 1.0f, 0.0f, 0.0f, 0.5f, kColorBrush);
        c.context.setBlendEnabled(true);
        c.context.fillRect(CRect{0, 0, 4, 4}, red);
        // alpha 127: k = 127 * 127, red byte (255 k) >> 16 = 62, alpha byte k >> 8 = 63, white
        // beneath kept at (255 * (65025 - k)) >> 16 = 190.
        EXPECT_EQ(c.surface().row(0)[0], packPixel(190, 190, 252, 253)) << plain;
        c.context.setGlobalAlpha(0.5f);
        c.context.fillRect(CRect{8, 8, 4, 4}, red);
        // alpha trunc(0.5 * 0.5 * 255) = 63: k = 8001.
        EXPECT_EQ(c.surface().row(8)[8], packPixel(221, 221, 252, 252)) << plain;
        EXPECT_EQ(c.surface().row(7)[8], kWhite);
    }
    setPlainBlendOverride(false);
}

TEST(DrawContextFill, UnblendedFillWritesTheColourBytesAndPensAreNoBrushes) {
    Canvas c(8, 8);
    c.context.fillRect(CRect{0, 0, 8, 8}, CColor(nullptr, 0.0f, 0.0f, 0.0f, 0.0f, kColorBrush));
    EXPECT_EQ(c.surface().row(3)[3], 0u);  // the clear colour makes the layer transparent
    c.context.fillRect(CRect{0, 0, 8, 8}, CColor(nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorPen));
    EXPECT_EQ(c.surface().row(3)[3], 0u);
    // Components beyond 1 wrap in the byte as the window system's colour values do.
    const CColor odd(nullptr, 1.5f, 0.5f, 0.25f, 1.0f, kColorBrush);
    EXPECT_EQ(odd.redByte(), 126);
    EXPECT_EQ(odd.greenByte(), 127);
    EXPECT_EQ(odd.blueByte(), 63);
    const CColor half(nullptr, 1.0f, 0.5f, 0.0f, 0.5f, kColorPenAndBrush);
    EXPECT_EQ(half.premultipliedPixel(), packPixel(0, 127 * 127 / 255, 127, 127));
}

TEST(DrawContextPolygon, RectangleMatchesFillAndTriangleSamplesPixelCentres) {
    const CColor ink(nullptr, 0.2f, 0.4f, 0.6f, 1.0f, kColorBrush);
    Canvas a(32, 32), b(32, 32);
    const CPoint quad[] = {{2, 3}, {12, 3}, {12, 8}, {2, 8}};
    a.context.fillPolygon(quad, 4, ink);
    b.context.fillRect(CRect{2, 3, 10, 5}, ink);
    EXPECT_EQ(a.pixels, b.pixels);

    Canvas t(32, 32);
    const CPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    t.context.fillPolygon(triangle, 3, ink);
    int count = 0;
    for (std::uint32_t p : t.pixels) count += p != kWhite;
    EXPECT_EQ(count, 45);  // rows y = 0..8 hold 9 - y pixels
    EXPECT_NE(t.surface().row(0)[8], kWhite);
    EXPECT_EQ(t.surface().row(0)[9], kWhite);

    // Even-odd: the inner square of a doubly wound outline stays empty.
    Canvas ring(32, 32);
    const CPoint frame[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0}, {5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
    ring.context.fillPolygon(frame, 10, ink);
    EXPECT_NE(ring.surface().row(2)[2], kWhite);
    EXPECT_EQ(ring.surface().row(10)[10], kWhite);
}

TEST(DrawContextFont, TableOfFontsSizesAndStyles) {
    CDrawContext dc(nullptr);
    EXPECT_EQ(dc.getFontId(), kFontNone);
    // Font, style and size asked for; font, size, pixel height, bold, italic taken.
    const struct {
        std::int32_t id, style, size;
        std::tuple<std::int32_t, std::int32_t, std::int32_t, bool, bool> taken;
    } cases[] = {
        {9, 0, 0, {0, 12, 12, true, false}},  // out of range: font 0, always bold, size 12
        {7, 0, 0, {7, 13, 13, false, false}},
        {1, kFontStyleItalic, -3, {1, 18, 18, false, true}},
        {2, kFontStyleItalic, -3, {2, 14, 14, false, true}},
        {4, kFontStyleItalic, 0, {4, 11, 11, false, true}},
        {5, 0, 0, {5, 10, 10, false, false}},
        {6, 0, -1, {6, 9, 9, false, false}},
        {3, kFontStyleBold, 20, {3, 20, 20, true, false}},
    };
    for (const auto& c : cases) {
        dc.setFont(c.id, c.style, c.size);
        const CFontSpec& font = dc.getFontSpec();
        EXPECT_EQ(std::tuple(dc.getFontId(), dc.getFontSize(), font.pixelHeight, font.bold, font.italic), c.taken) << c.id;
    }
    EXPECT_EQ(dc.getFontSpec().face, CFontFace::kSans);
    dc.setFont(7, kFontStyleUnderline, 0);
    EXPECT_EQ(dc.getFontSpec().face, CFontFace::kSymbol);
    EXPECT_TRUE(dc.getFontSpec().underline);
}

TEST(DrawContextText, AlignmentEllipsisAndClippingToTheBox) {
    const CColor black(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorBrush);
    const CRect box{20, 20, 200, 20};
    CRect left, centre, right;
    for (auto [align, out] : {std::pair{kAlignLeft, &left}, std::pair{kAlignCenter, &centre}, std::pair{kAlignRight, &right}}) {
        Canvas c(300, 60);
        c.context.setFont(3, 0, 12);
        c.context.drawText("Attack [dB/sec]", box, black, align);
        *out = c.painted();
        EXPECT_FALSE(rectIsEmpty(*out));
    }
    EXPECT_LE(left.x, 22);
    EXPECT_GE(right.x + right.width, box.x + box.width - 3);
    EXPECT_LE(right.x + right.width, box.x + box.width);
    const std::int32_t slack = (centre.x - box.x) - (box.x + box.width - centre.x - centre.width);
    EXPECT_LE(std::abs(slack), 3);
    // The same text in all three: same height and width of ink.
    EXPECT_EQ(left.width, right.width);
    EXPECT_EQ(left.height, centre.height);

    // Too long for its box: ends in "..." and nothing leaves the box.
    Canvas c(300, 60);
    c.context.setFont(3, 0, 12);
    const CRect narrow{10, 10, 60, 14};
    c.context.drawText("Release [dB/sec] and much more", narrow, black, kAlignLeft);
    const CRect ink = c.painted();
    EXPECT_GE(ink.x, narrow.x);
    EXPECT_LE(ink.x + ink.width, narrow.x + narrow.width);
    EXPECT_GE(ink.y, narrow.y + 1);
    EXPECT_LE(ink.y + ink.height, narrow.y + narrow.height + 1);
    // It shows the longest start of the text that fits with "...", followed by "...".
    const std::string text = "Release [dB/sec] and much more";
    ASSERT_GT(c.context.measureText(text.c_str()), narrow.width);
    std::string shown;
    while (c.context.measureText((text.substr(0, shown.size() + 1) + "...").c_str()) <= narrow.width) {
        shown = text.substr(0, shown.size() + 1);
    }
    ASSERT_FALSE(shown.empty());
    Canvas expected(300, 60);
    expected.context.setFont(3, 0, 12);
    expected.context.drawText((shown + "...").c_str(), narrow, black, kAlignLeft);
    EXPECT_EQ(c.pixels, expected.pixels);
}

TEST(DrawContextText, NothingWithoutASurfaceOrOutsideTheClip) {
    CDrawContext none(nullptr);
    EXPECT_TRUE(none.hasNoDC());
    const CColor black(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush);
    none.fillRect(CRect{0, 0, 10, 10}, black);  // must not crash
    none.drawText("x", CRect{0, 0, 10, 10}, black, kAlignLeft);
    none.drawLine(CPoint{0, 0}, CPoint{5, 5});
    Canvas c(64, 32);
    c.context.pushClip(CRect{0, 0, 64, 5});
    c.context.drawText("Hidden", CRect{0, 10, 64, 20}, black, kAlignLeft);
    c.context.popClip();
    EXPECT_TRUE(rectIsEmpty(c.painted()));
}

}  // namespace
}  // namespace qv
