// FreeType renderer over the embedded Liberation Sans faces. Glyphs are rendered once per font
// and size with the font's own hinting and kept, so a pass of labels costs only the copies.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "gui/char_map.h"
#include "gui/embedded_fonts.h"
#include "gui/text_renderer.h"

namespace qv {
namespace {

struct CachedGlyph {
    std::int32_t left = 0;  // from the pen to the first column
    std::int32_t top = 0;   // from the baseline up to the first row
    std::int32_t width = 0;
    std::int32_t rows = 0;
    std::int32_t advance = 0;
    std::vector<std::uint8_t> coverage;  // rows x width, top row first
};

class CFreeTypeTextRenderer final : public CTextRenderer {
public:
    CFreeTypeTextRenderer() {
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }

    ~CFreeTypeTextRenderer() override {
        for (FT_Face loaded : faces) {
            if (loaded) FT_Done_Face(loaded);
        }
        if (library) FT_Done_FreeType(library);
    }

    void selectFont(const CFontSpec& requested) override {
        if (ready && requested == selectedFont) return;
        selectedFont = requested;
        ready = true;
        const int style = (selectedFont.bold ? 1 : 0) | (selectedFont.italic ? 2 : 0);
        face = loadFace(style);
        fontMetrics = CFontMetrics{};
        underlineOffset = underlineThickness = 0;
        if (!face) return;
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::clamp(selectedFont.pixelHeight, 1, 1000)));
        // Ascent and descent as the window system takes them from the font: its OS/2 Windows
        // ascent and descent scaled to the em size, so lines sit where Arial's would.
        const double scale = static_cast<double>(selectedFont.pixelHeight) / face->units_per_EM;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const double ascender = os2 ? os2->usWinAscent : face->ascender;
        const double descender = os2 ? os2->usWinDescent : -face->descender;
        fontMetrics.ascent = static_cast<std::int32_t>(std::lround(ascender * scale));
        fontMetrics.descent = static_cast<std::int32_t>(std::lround(descender * scale));
        underlineOffset = static_cast<std::int32_t>(std::lround(-face->underline_position * scale));
        underlineThickness = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(face->underline_thickness * scale)));
    }

    CFontMetrics metrics() override { return fontMetrics; }

    std::int32_t charWidth(unsigned char c) override {
        const CachedGlyph* g = glyph(c);
        return g ? g->advance : 0;
    }

    void renderRun(const char* text, std::size_t length, std::int32_t penX, std::int32_t baseline,
                   const CCoverageMask& mask) override {
        const std::int32_t start = penX;
        for (std::size_t i = 0; i < length; ++i) {
            const CachedGlyph* g = glyph(static_cast<unsigned char>(text[i]));
            if (!g) continue;
            blit(*g, penX + g->left, baseline - g->top, mask);
            penX += g->advance;
        }
        if (selectedFont.underline && penX > start) {
            for (std::int32_t t = 0; t < underlineThickness; ++t) {
                const std::int32_t y = baseline + underlineOffset + t;
                if (y < 0 || y >= mask.height) continue;
                for (std::int32_t x = std::max(start, 0); x < std::min(penX, mask.width); ++x) {
                    mask.data[static_cast<std::size_t>(y) * mask.width + x] = 255;
                }
            }
        }
    }

private:
    FT_Face loadFace(int style) {
        if (!library) return nullptr;
        if (!faces[style]) {
            const CEmbeddedFont font = embeddedSansFont(style);
            if (FT_New_Memory_Face(library, font.data, static_cast<FT_Long>(font.size), 0, &faces[style]) != 0) {
                faces[style] = nullptr;
            }
        }
        return faces[style];
    }

    const CachedGlyph* glyph(unsigned char c) {
        if (!face) return nullptr;
        const std::uint64_t key = static_cast<std::uint64_t>(c) | static_cast<std::uint64_t>(selectedFont.pixelHeight) << 8 |
                                  static_cast<std::uint64_t>(selectedFont.bold) << 40 | static_cast<std::uint64_t>(selectedFont.italic) << 41 |
                                  static_cast<std::uint64_t>(selectedFont.face == CFontFace::kSymbol) << 42;
        auto found = cache.find(key);
        if (found != cache.end()) return &found->second;
        CachedGlyph& g = cache[key];
        const std::uint32_t code = selectedFont.face == CFontFace::kSymbol ? symbolToUnicode(c) : cp1252ToUnicode(c);
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0 || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
            return &g;
        }
        const FT_GlyphSlot slot = face->glyph;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<std::int32_t>(slot->bitmap.width);
        g.rows = static_cast<std::int32_t>(slot->bitmap.rows);
        g.advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
        g.coverage.resize(static_cast<std::size_t>(g.width) * g.rows);
        for (std::int32_t y = 0; y < g.rows; ++y) {
            const unsigned char* src = slot->bitmap.buffer + static_cast<std::ptrdiff_t>(y) * slot->bitmap.pitch;
            std::copy(src, src + g.width, g.coverage.begin() + static_cast<std::ptrdiff_t>(y) * g.width);
        }
        return &g;
    }

    static void blit(const CachedGlyph& g, std::int32_t x0, std::int32_t y0, const CCoverageMask& mask) {
        const std::int32_t xa = std::max(0, -x0), xb = std::min(g.width, mask.width - x0);
        const std::int32_t ya = std::max(0, -y0), yb = std::min(g.rows, mask.height - y0);
        for (std::int32_t y = ya; y < yb; ++y) {
            const std::uint8_t* src = g.coverage.data() + static_cast<std::size_t>(y) * g.width;
            std::uint8_t* dst = mask.data + static_cast<std::size_t>(y0 + y) * mask.width;
            for (std::int32_t x = xa; x < xb; ++x) {
                dst[x0 + x] = static_cast<std::uint8_t>(std::min(255, dst[x0 + x] + src[x]));
            }
        }
    }

    FT_Library library = nullptr;
    FT_Face faces[4] = {};
    FT_Face face = nullptr;
    CFontSpec selectedFont{};
    bool ready = false;
    CFontMetrics fontMetrics{};
    std::int32_t underlineOffset = 0;
    std::int32_t underlineThickness = 0;
    std::unordered_map<std::uint64_t, CachedGlyph> cache;
};

}  // namespace

std::unique_ptr<CTextRenderer> createTextRenderer() { return std::make_unique<CFreeTypeTextRenderer>(); }

}  // namespace qv
