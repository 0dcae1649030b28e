// GDI renderer: the font of the window system ("Arial", or "Symbol" for the symbol face) drawn
// white on black into a small DIB section, whose brightness becomes the coverage.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "gui/text_renderer.h"

namespace qv {
namespace {

class CGdiTextRenderer final : public CTextRenderer {
public:
    CGdiTextRenderer() { dc = CreateCompatibleDC(nullptr); }

    ~CGdiTextRenderer() override {
        if (dc) {
            if (previousFont) SelectObject(dc, previousFont);
            if (previousBitmap) SelectObject(dc, previousBitmap);
            DeleteDC(dc);
        }
        if (font) DeleteObject(font);
        if (bitmap) DeleteObject(bitmap);
    }

    void selectFont(const CFontSpec& requested) override {
        if (!dc || (font && requested == selectedFont)) return;
        selectedFont = requested;
        const bool symbol = selectedFont.face == CFontFace::kSymbol;
        HFONT made = CreateFontA(-selectedFont.pixelHeight, 0, 0, 0, selectedFont.bold ? FW_BOLD : FW_NORMAL, selectedFont.italic, selectedFont.underline,
                                 0, ANSI_CHARSET, OUT_STRING_PRECIS, CLIP_STROKE_PRECIS,
                                 DEFAULT_QUALITY, symbol ? 0x50 : 0x22, symbol ? "Symbol" : "Arial");
        if (!made) return;
        HGDIOBJ old = SelectObject(dc, made);
        if (!previousFont) previousFont = old;
        if (font) DeleteObject(font);
        font = made;
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        fontMetrics = CFontMetrics{tm.tmAscent, tm.tmDescent};
        INT widths[256] = {};
        if (!GetCharWidth32A(dc, 0, 255, widths)) std::fill(std::begin(widths), std::end(widths), 0);
        std::copy(std::begin(widths), std::end(widths), advance);
    }

    CFontMetrics metrics() override { return fontMetrics; }

    std::int32_t charWidth(unsigned char c) override { return font ? advance[c] : 0; }

    void renderRun(const char* text, std::size_t length, std::int32_t penX, std::int32_t baseline,
                   const CCoverageMask& mask) override {
        if (!font || length == 0 || mask.width < 1 || mask.height < 1) return;
        if (!ensureBitmap(mask.width, mask.height)) return;
        std::memset(bits, 0, static_cast<std::size_t>(bitmapWidth) * bitmapHeight * 4);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
        TextOutA(dc, penX, baseline, text, static_cast<int>(length));
        GdiFlush();
        for (std::int32_t y = 0; y < mask.height; ++y) {
            const std::uint32_t* src = bits + static_cast<std::size_t>(y) * bitmapWidth;  // top-down
            std::uint8_t* dst = mask.data + static_cast<std::size_t>(y) * mask.width;
            for (std::int32_t x = 0; x < mask.width; ++x) {
                const std::uint32_t p = src[x];
                const std::uint32_t c = std::max({p & 0xFFu, p >> 8 & 0xFFu, p >> 16 & 0xFFu});
                dst[x] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255u, dst[x] + c));
            }
        }
    }

private:
    bool ensureBitmap(std::int32_t w, std::int32_t h) {
        if (bitmap && w <= bitmapWidth && h <= bitmapHeight) return true;
        const std::int32_t nw = std::max(w, bitmapWidth), nh = std::max(h, bitmapHeight);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = nw;
        info.bmiHeader.biHeight = -nh;  // top-down, like the mask
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        HBITMAP made = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (!made || !pixels) {
            if (made) DeleteObject(made);
            return false;
        }
        HGDIOBJ old = SelectObject(dc, made);
        if (!previousBitmap) previousBitmap = old;
        if (bitmap) DeleteObject(bitmap);
        bitmap = made;
        bits = static_cast<std::uint32_t*>(pixels);
        bitmapWidth = nw;
        bitmapHeight = nh;
        return true;
    }

    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previousFont = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    std::uint32_t* bits = nullptr;
    std::int32_t bitmapWidth = 0;
    std::int32_t bitmapHeight = 0;
    CFontSpec selectedFont{};
    CFontMetrics fontMetrics{};
    std::int32_t advance[256] = {};
};

}  // namespace

std::unique_ptr<CTextRenderer> createTextRenderer() { return std::make_unique<CGdiTextRenderer>(); }

}  // namespace qv
