// The drawing context: coordinates, clips, shapes, blended fills, fonts and text on a pixel surface,
// and the box it reports as drawn (what a window puts on screen).
#include "support/test_common.h"

#include "gui/color.h"
#include "gui/draw_context.h"
#include "gui/pixel.h"
#include "gui/rect_math.h"
#include "rect_compare.h"

namespace qv {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
const CColor kRed(nullptr, 1.0f, 0.0f, 0.0f, 1.0f, kColorBrush), kGreen(nullptr, 0.0f, 1.0f, 0.0f, 1.0f, kColorBrush);
const CColor kPen(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPen), kBlack(nullptr, 0.0f, 0.0f, 0.0f, 1.0f, kColorPenAndBrush);

// A white bottom-up surface (the editor's size by default) with a context drawing into it.
struct Canvas {
    explicit Canvas(std::int32_t w = 752, std::int32_t h = 563)
        : pixels(static_cast<std::size_t>(w) * h, kWhite), context(nullptr) {
        context.setSurface(PixelSurface{pixels.data(), w, h});
    }
    // Pixel at toolkit (x, y), y counted up from the bottom row.
    std::uint32_t at(std::int32_t x, std::int32_t y) const { return context.getSurface().row(y)[x]; }
    // Bounding box of pixels different from white, in toolkit coordinates.
    CRect painted() const {
        const PixelSurface s = context.getSurface();
        std::int32_t l = 1 << 30, b = 1 << 30, r = -1, t = -1;
        for (std::int32_t i = 0; i < s.width * s.height; ++i) {
            if (pixels[static_cast<std::size_t>(i)] == kWhite) continue;
            l = std::min(l, i % s.width), r = std::max(r, i % s.width), b = std::min(b, i / s.width), t = i / s.width;
        }
        return r < 0 ? CRect{} : CRect{l, b, r - l + 1, t - b + 1};
    }
    int inked() const { return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](auto p) { return p != kWhite; })); }
    std::vector<std::uint32_t> pixels;
    CDrawContext context;
};

TEST(DrawContextCoordinates, FillsStandOnTheBottomRowAndTextOneRowHigher) {
    Canvas c;
    c.context.fillRect(CRect{0, 0, 10, 10}, kRed);
    // Memory row 0 is the last of the 563 device rows.
    EXPECT_EQ(c.context.getSurface().row(0), c.pixels.data());
    EXPECT_EQ(std::pair(c.painted(), c.at(9, 9)), std::pair(CRect{0, 0, 10, 10}, 0xFFFF0000u));

    // A box lower than the letters: the clipped text fills the box's rows wherever a stem is.
    Canvas t;
    const CRect box{100, 200, 200, 4};
    t.context.fillRect(box, CColor(nullptr, 0.0f, 0.0f, 1.0f, 1.0f, kColorBrush));
    t.context.setFont(2, 1, 24);
    t.context.drawText("MMMMMM", box, kBlack, kAlignLeft);
    for (std::int32_t y = 199; y <= 204; ++y) {
        int dark = 0;
        for (std::int32_t x = 90; x < 230; ++x) dark += pixelRed(t.at(x, y)) < 64 && pixelBlue(t.at(x, y)) < 64;
        // Below the fill and on its bottom row nothing; text from one row higher.
        EXPECT_TRUE(y > 200 ? dark > 8 : dark == 0) << y << ": " << dark;
    }
    // Row 204 lies above the fill: text on white there, nothing higher.
    EXPECT_EQ(t.painted().y + t.painted().height, 205);
}

TEST(DrawContextClip, ThirdPushIsIgnoredAndPopsPairWithPushes) {
    Canvas c;
    const CRect all{0, 0, 752, 563};
    c.context.pushClip(CRect{10, 10, 100, 100});
    c.context.pushClip(CRect{50, 50, 100, 100});  // meets the outer clip in (50, 50, 60, 60)
    c.context.pushClip(all);
    EXPECT_TRUE(c.context.hasClipOverflow());
    c.context.fillRect(all, kRed);
    EXPECT_EQ(c.painted(), (CRect{50, 50, 60, 60}));
    c.context.pushClip(all);  // still ignored
    c.context.popClip();
    c.context.popClip(), c.context.fillRect(all, kGreen);  // the ignored third push popped: the second level stays
    EXPECT_EQ(std::pair(c.painted(), c.at(50, 50)), std::pair(CRect{50, 50, 60, 60}, 0xFF00FF00u));
    c.context.popClip(), c.context.fillRect(all, kRed);  // back to the outer clip
    EXPECT_EQ(c.painted(), (CRect{10, 10, 100, 100}));
    c.context.popClip();
    EXPECT_TRUE(c.context.getClipDepth() == 0 && !c.context.hasClipOverflow());
    // With the stack empty, clipping works again.
    c.context.pushClip(CRect{700, 500, 10, 10}), c.context.fillRect(all, kGreen);
    EXPECT_EQ(c.at(705, 505), 0xFF00FF00u);

    // Offset pushes; lines respect the clip.
    Canvas o(40, 30);
    o.context.pushClipAt2(CRect{0, 0, 10, 10}, CPoint{3, 2}, CPoint{2, 3});  // (5, 5, 10, 10)
    o.context.drawLineColored(CPoint{0, 8}, CPoint{39, 8}, kPen);
    EXPECT_EQ(o.painted(), (CRect{5, 8, 10, 1}));
    o.context.popClip();
    o.context.pushClipAt(CPoint{-100, -100}, CRect{0, 0, 5, 5});  // wholly outside
    o.context.drawLine(CPoint{0, 0}, CPoint{39, 29});
    o.context.drawText("Hidden", CRect{0, 0, 40, 30}, kBlack, kAlignLeft);
    EXPECT_EQ(o.painted(), (CRect{5, 8, 10, 1}));
    o.context.popClip();
}

TEST(DrawContextShapes, LinesSetBothEndsAndPolygonsSamplePixelCentresEvenOdd) {
    const CPoint ends[][2] = {{{3, 4}, {17, 4}}, {{17, 9}, {3, 4}}, {{5, 2}, {5, 20}}, {{20, 20}, {2, 2}}, {{2, 20}, {9, 1}}};
    for (const auto& e : ends) {
        Canvas c(24, 24);
        c.context.drawLineColored(e[0], e[1], kPen);
        EXPECT_EQ(c.at(e[0].x, e[0].y) | c.at(e[1].x, e[1].y), 0xFF000000u);
        // A thin line: one pixel per step along its major axis.
        EXPECT_EQ(c.inked(), std::max(c.painted().width, c.painted().height));
    }
    // A colour without a pen leaves the previous pen selected.
    Canvas pen(8, 8);
    pen.context.selectPen(kPen);
    pen.context.drawLineColored(CPoint{0, 0}, CPoint{0, 0}, kRed);
    EXPECT_EQ(pen.at(0, 0), 0xFF000000u);

    const CColor ink(nullptr, 0.2f, 0.4f, 0.6f, 1.0f, kColorBrush);
    Canvas a(32, 32), b(32, 32), t(32, 32), ring(32, 32);
    const CPoint quad[] = {{2, 3}, {12, 3}, {12, 8}, {2, 8}};
    a.context.fillPolygon(quad, 4, ink);
    b.context.fillRect(CRect{2, 3, 10, 5}, ink);
    EXPECT_EQ(a.pixels, b.pixels);
    const CPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    t.context.fillPolygon(triangle, 3, ink);
    EXPECT_EQ(t.inked(), 45);  // rows y = 0..8 hold 9 - y pixels
    EXPECT_TRUE(t.at(8, 0) != kWhite && t.at(9, 0) == kWhite);
    // The inner square of a doubly wound outline stays empty.
    const CPoint frame[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0}, {5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
    ring.context.fillPolygon(frame, 10, ink);
    EXPECT_TRUE(ring.at(2, 2) != kWhite && ring.at(10, 10) == kWhite);
}

TEST(DrawContextFill, BlendedFillTakesTheColourAlphaTwiceAndTheGlobalAlpha) {
    const CColor halfRed(nullptr, 1.0f, 0.0f, 0.0f, 0.5f, kColorBrush);
    Canvas c(16, 16);
    c.context.setBlendEnabled(true), c.context.fillRect(CRect{0, 0, 4, 4}, halfRed);
    // alpha 127: k = 127 * 127, red byte (255 k) >> 16 = 62, alpha byte k >> 8 = 63, white
    // beneath kept at (255 * (65025 - k)) >> 16 = 190.
    EXPECT_EQ(c.at(0, 0), packPixel(190, 190, 252, 253));
    c.context.setGlobalAlpha(0.5f), c.context.fillRect(CRect{8, 8, 4, 4}, halfRed);
    // alpha trunc(0.5 * 0.5 * 255) = 63: k = 8001.
    EXPECT_EQ(std::pair(c.at(8, 8), c.at(8, 7)), std::pair(packPixel(221, 221, 252, 252), kWhite));
    // Unblended, the colour bytes are written: the clear colour makes the layer transparent; a pen
    // is no brush.
    c.context.setBlendEnabled(false), c.context.setGlobalAlpha(1.0f);
    c.context.fillRect(CRect{0, 0, 8, 8}, CColor(nullptr, 0.0f, 0.0f, 0.0f, 0.0f, kColorBrush));
    c.context.fillRect(CRect{0, 0, 8, 8}, CColor(nullptr, 1.0f, 1.0f, 1.0f, 1.0f, kColorPen));
    EXPECT_EQ(c.at(3, 3), 0u);
    // Components beyond 1 wrap in the byte as the window system's colour values do.
    const CColor odd(nullptr, 1.5f, 0.5f, 0.25f, 1.0f, kColorBrush);
    EXPECT_EQ(std::tuple(odd.redByte(), odd.greenByte(), odd.blueByte()), std::tuple(126, 127, 63));
    const CColor half(nullptr, 1.0f, 0.5f, 0.0f, 0.5f, kColorPenAndBrush);
    EXPECT_EQ(half.premultipliedPixel(), packPixel(0, 127 * 127 / 255, 127, 127));
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
        {7, 0, 0, {7, 13, 13, false, false}},          {1, kFontStyleItalic, -3, {1, 18, 18, false, true}},
        {2, kFontStyleItalic, -3, {2, 14, 14, false, true}}, {4, kFontStyleItalic, 0, {4, 11, 11, false, true}},
        {5, 0, 0, {5, 10, 10, false, false}},          {6, 0, -1, {6, 9, 9, false, false}},
        {3, kFontStyleBold, 20, {3, 20, 20, true, false}},
    };
    for (const auto& c : cases) {
        dc.setFont(c.id, c.style, c.size);
        const CFontSpec& font = dc.getFontSpec();
        EXPECT_EQ(std::tuple(dc.getFontId(), dc.getFontSize(), font.pixelHeight, font.bold, font.italic), c.taken) << c.id;
    }
    EXPECT_EQ(dc.getFontSpec().face, CFontFace::kSans);
    dc.setFont(7, kFontStyleUnderline, 0);
    EXPECT_EQ(std::pair(dc.getFontSpec().face, dc.getFontSpec().underline), std::pair(CFontFace::kSymbol, true));
}

TEST(DrawContextText, AlignmentEllipsisAndClippingToTheBox) {
    const CRect box{20, 20, 200, 20};
    CRect ink[3];
    const std::uint32_t aligns[3] = {kAlignLeft, kAlignCenter, kAlignRight};
    for (int i = 0; i < 3; ++i) {
        Canvas c(300, 60);
        c.context.setFont(3, 0, 12);
        c.context.drawText("Attack [dB/sec]", box, kBlack, aligns[i]);
        ink[i] = c.painted();
    }
    const auto& [left, centre, right] = ink;
    EXPECT_TRUE(!rectIsEmpty(left) && left.x <= 22);
    EXPECT_TRUE(right.x + right.width >= box.x + box.width - 3 && right.x + right.width <= box.x + box.width);
    EXPECT_LE(std::abs((centre.x - box.x) - (box.x + box.width - centre.x - centre.width)), 3);
    EXPECT_EQ(std::pair(left.width, left.height), std::pair(right.width, centre.height));

    // Too long for its box: the longest start of the text that fits with "...", then "...", and
    // nothing leaves the box.
    const std::string text = "Release [dB/sec] and much more";
    const CRect narrow{10, 10, 60, 14};
    Canvas c(300, 60), expected(300, 60);
    for (Canvas* k : {&c, &expected}) k->context.setFont(3, 0, 12);
    c.context.drawText(text.c_str(), narrow, kBlack, kAlignLeft);
    const CRect cut = c.painted();
    EXPECT_TRUE(cut.x >= narrow.x && cut.x + cut.width <= narrow.x + narrow.width);
    EXPECT_TRUE(cut.y >= narrow.y + 1 && cut.y + cut.height <= narrow.y + narrow.height + 1);
    ASSERT_GT(c.context.measureText(text.c_str()), narrow.width);
    std::string shown;
    while (c.context.measureText((text.substr(0, shown.size() + 1) + "...").c_str()) <= narrow.width)
        shown = text.substr(0, shown.size() + 1);
    ASSERT_FALSE(shown.empty());
    expected.context.drawText((shown + "...").c_str(), narrow, kBlack, kAlignLeft);
    EXPECT_EQ(c.pixels, expected.pixels);

    // Without a surface nothing happens.
    CDrawContext none(nullptr);
    EXPECT_TRUE(none.hasNoDC());
    none.fillRect(CRect{0, 0, 10, 10}, kBlack), none.drawLine(CPoint{0, 0}, CPoint{5, 5});
    none.drawText("x", CRect{0, 0, 10, 10}, kBlack, kAlignLeft);
}

bool within(const CRect& a, const CRect& b) {
    return a.x >= b.x && a.y >= b.y && a.x + a.width <= b.x + b.width && a.y + a.height <= b.y + b.height;
}

// The box a call reports as drawn holds every pixel it changed and lies inside the clip.
TEST(DrawContextDrawnArea, EachCallReportsTheBoxOfWhatItChangedWithinTheClip) {
    const CPoint triangle[] = {{5, 5}, {70, 20}, {20, 90}};
    const std::pair<const char*, std::function<void(CDrawContext&)>> calls[] = {
        {"fill", [](CDrawContext& dc) { dc.fillRect(CRect{-20, 30, 50, 10}, kBlack); }},
        {"line", [](CDrawContext& dc) { dc.drawLineColored(CPoint{60, 70}, CPoint{12, 15}, kBlack); }},
        {"long line", [](CDrawContext& dc) { dc.drawLineColored(CPoint{-500, 50}, CPoint{500, 50}, kBlack); }},
        {"polygon", [&](CDrawContext& dc) { dc.fillPolygon(triangle, 3, kBlack); }},
        {"text", [](CDrawContext& dc) { dc.drawText("Quorvane", CRect{0, 40, 80, 14}, kBlack, kAlignLeft); }},
        {"direct write", [](CDrawContext& dc) { dc.getTargetSurface()->row(60)[30] = 0; }},
    };
    const CRect clip{10, 10, 50, 70};
    for (const auto& [name, draw] : calls) {
        Canvas c(100, 100);
        c.context.pushClip(clip);
        draw(c.context);
        const CRect drawn = c.context.takeDrawnArea(), changed = c.painted();
        EXPECT_FALSE(rectIsEmpty(changed)) << name;
        EXPECT_TRUE(within(changed, drawn) && within(drawn, clip)) << name << ": " << testing::PrintToString(drawn);
        EXPECT_TRUE(rectIsEmpty(c.context.takeDrawnArea())) << name;  // taken: forgotten
    }
}

}  // namespace
}  // namespace qv
